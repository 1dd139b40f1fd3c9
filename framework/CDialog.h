#pragma once
// Modal dialog from a resource template. One static dialog procedure finds the
// object through the window's user data and calls the virtual OnMessage, whose
// default routes to OnInitDialog, OnOK, OnCancel, OnCommand and OnNotify.

#include "framework/CWnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIdTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally; returns the value passed to EndDialog, or -1
    // when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    UINT GetTemplateId() const { return m_nIdTemplate; }

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // A command that is neither IDOK nor IDCANCEL; TRUE when handled.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // TRUE when handled; pResult is the notification's result.
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Every message; TRUE when handled, with the message's result in result.
    virtual BOOL OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Hands one message to pThis (null before WM_INITDIALOG) and returns what
    // a dialog procedure returns for it.
    static INT_PTR Dispatch(CDialog* pThis, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_nIdTemplate;
    CWnd* m_pParentWnd;
};
