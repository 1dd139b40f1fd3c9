#pragma once
// Message boxes of the program. Every box goes through ShowMessageBox, so a
// test can install a responder that sees the text and caption and answers
// with a button id instead of a window being shown. Question dialogs of their
// own (the overwrite question) ask a second responder the same way.

#include "framework/CString.h"

#include <functional>

// hOwner is the window that would own the box (a test checks who asks).
using MessageResponder = std::function<int(HWND hOwner, const CString& text, const CString& caption, UINT type)>;

// Installs (or, with an empty function, removes) the responder. Tests only.
void AfxSetMessageResponder(MessageResponder responder);

// The answer to a question dialog: the button that closed it and whether its
// "remember my selection" check box was ticked.
struct SDialogAnswer {
    int nButton;
    BOOL bRemember;
};

using DialogResponder = std::function<SDialogAnswer(HWND hOwner, UINT nIdTemplate, const CString& text)>;

// Installs (or, with an empty function, removes) the responder for question
// dialogs. Tests only.
void AfxSetDialogResponder(DialogResponder responder);

// The installed dialog responder's answer to the dialog with this template and
// text; FALSE when none is installed and the real dialog is to be shown.
BOOL AfxAskDialogResponder(HWND hOwner, UINT nIdTemplate, const CString& text, SDialogAnswer* pAnswer);

// A box with an explicit caption; hOwner may be null.
int ShowMessageBox(HWND hOwner, const wchar_t* pszText, const wchar_t* pszCaption, UINT nType);

// The framework's plain box: the application's title, the exclamation icon
// unless nType names an icon, owned by hOwner or, without one, by the active
// window of this thread.
int AfxMessageBox(const wchar_t* pszText, UINT nType = MB_OK, HWND hOwner = nullptr);
int AfxMessageBox(UINT nIdPrompt, UINT nType = MB_OK, HWND hOwner = nullptr);
