#pragma once
// Modal dialog from a resource template. One static dialog procedure finds the
// object through the window's user data and calls the virtual OnMessage, whose
// default routes to OnInitDialog, OnOK, OnCancel, OnCommand and OnNotify.
//
// Reflected notifications: a control sends its WM_NOTIFY messages to its
// parent, but some controls (the check-box tree) handle their own. Such a
// control object registers itself for its window; every WM_NOTIFY that
// reaches a dialog is first offered to the object registered for the sending
// window (CWnd::OnReflectedNotify), and only what that object does not handle
// goes on to OnMessage and OnNotify. The registration is a window property of
// the control, so it ends with the window at the latest.

#include "framework/CWnd.h"
#include "framework/Exceptions.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIdTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Runs the dialog modally, owned by the parent window or, without one, by
    // the calling thread's active window; returns the value passed to
    // EndDialog, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    UINT GetTemplateId() const { return m_nIdTemplate; }

    // pControl receives the notifications that hControl sends to its parent
    // dialog until UnregisterReflection or the end of the window.
    static BOOL RegisterReflection(HWND hControl, CWnd* pControl);
    static void UnregisterReflection(HWND hControl);
    // Offers a WM_NOTIFY to the object registered for its sender; TRUE when
    // that object handled it, with the result in *pResult. A window procedure
    // that is not a CDialog's calls it to reflect in the same way.
    static BOOL ReflectNotify(LPARAM lParam, LRESULT* pResult);

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
    // An input message for this modal dialog or one of its children, seen
    // by the dialog's modal loop before the dialog manager handles it; TRUE
    // when the dialog took it and it goes no further.
    virtual BOOL PreTranslateMessage(MSG* pMsg) { return FALSE; }

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Hands one message to pThis (null before WM_INITDIALOG) and returns what
    // a dialog procedure returns for it.
    static INT_PTR Dispatch(CDialog* pThis, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

    UINT m_nIdTemplate;
    CWnd* m_pParentWnd;

private:
    // A handler threw e (null: something that is no framework exception);
    // a box owned by the dialog says so.
    static void ReportHandlerFailure(HWND hWnd, const CException* e);

    class CModalScope;
};
