#include "framework/MessageBox.h"

#include "framework/CWinApp.h"

#include <mutex>

namespace {

std::mutex gResponderLock;
MessageResponder gResponder;
DialogResponder gDialogResponder;

} // namespace

void AfxSetMessageResponder(MessageResponder responder)
{
    std::lock_guard<std::mutex> lock(gResponderLock);
    gResponder = std::move(responder);
}

void AfxSetDialogResponder(DialogResponder responder)
{
    std::lock_guard<std::mutex> lock(gResponderLock);
    gDialogResponder = std::move(responder);
}

BOOL AfxAskDialogResponder(HWND hOwner, UINT nIdTemplate, const CString& text, SDialogAnswer* pAnswer)
{
    DialogResponder responder;
    {
        std::lock_guard<std::mutex> lock(gResponderLock);
        responder = gDialogResponder;
    }
    if (!responder)
        return FALSE;
    *pAnswer = responder(hOwner, nIdTemplate, text);
    return TRUE;
}

int ShowMessageBox(HWND hOwner, const wchar_t* pszText, const wchar_t* pszCaption, UINT nType)
{
    MessageResponder responder;
    {
        std::lock_guard<std::mutex> lock(gResponderLock);
        responder = gResponder;
    }
    if (responder)
        return responder(hOwner, CString(pszText), CString(pszCaption), nType);
    return ::MessageBoxW(hOwner, pszText, pszCaption, nType);
}

int AfxMessageBox(const wchar_t* pszText, UINT nType, HWND hOwner)
{
    if ((nType & MB_ICONMASK) == 0) {
        UINT buttons = nType & MB_TYPEMASK;
        nType |= (buttons == MB_OK || buttons == MB_OKCANCEL) ? MB_ICONEXCLAMATION : MB_ICONQUESTION;
    }
    return ShowMessageBox(hOwner ? hOwner : ::GetActiveWindow(), pszText, AfxGetAppName(), nType);
}

int AfxMessageBox(UINT nIdPrompt, UINT nType, HWND hOwner)
{
    CString text;
    text.LoadString(nIdPrompt);
    return AfxMessageBox(text, nType, hOwner);
}
