#include "framework/CDialog.h"

#include "framework/CWinApp.h"
#include "framework/MessageBox.h"

#include <iterator>

#include <vector>

namespace {

// The modal dialogs of this thread, innermost last, and the message-filter
// hook through which their modal loops offer each input message to
// PreTranslateMessage. The system calls the hook from a dialog box's modal
// loop before the dialog manager sees the message.
struct SModalState {
    std::vector<CDialog*> dialogs;
    HHOOK hHook = nullptr;
};
thread_local SModalState tModal;

} // namespace

class CDialog::CModalScope {
public:
    explicit CModalScope(CDialog* pDialog)
    {
        if (tModal.dialogs.empty())
            tModal.hHook = ::SetWindowsHookExW(WH_MSGFILTER, FilterProc, nullptr, ::GetCurrentThreadId());
        tModal.dialogs.push_back(pDialog);
    }
    ~CModalScope()
    {
        tModal.dialogs.pop_back();
        if (tModal.dialogs.empty() && tModal.hHook) {
            ::UnhookWindowsHookEx(tModal.hHook);
            tModal.hHook = nullptr;
        }
    }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

private:
    static LRESULT CALLBACK FilterProc(int nCode, WPARAM wParam, LPARAM lParam)
    {
        auto* pMsg = reinterpret_cast<MSG*>(lParam);
        if (nCode == MSGF_DIALOGBOX && pMsg && pMsg->hwnd) {
            // Only the dialog the message's window belongs to; a message box
            // or another program's dialog belongs to none of them.
            HWND hRoot = ::GetAncestor(pMsg->hwnd, GA_ROOT);
            for (CDialog* pDialog : tModal.dialogs) {
                if (pDialog->m_hWnd && pDialog->m_hWnd == hRoot && pDialog->PreTranslateMessage(pMsg))
                    return TRUE;
            }
        }
        return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
    }
};

CDialog::CDialog(UINT nIdTemplate, CWnd* pParentWnd) : m_nIdTemplate(nIdTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog()
{
    // No message may reach a half-destroyed object.
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::SetWindowLongPtrW(m_hWnd, DWLP_USER, 0);
}

INT_PTR CDialog::DoModal()
{
    // Without a parent the dialog is owned by the window the user is working
    // in, so that window stays disabled while the dialog is open.
    HWND hParent = m_pParentWnd ? m_pParentWnd->m_hWnd : ::GetActiveWindow();
    if (hParent)
        hParent = ::GetAncestor(hParent, GA_ROOT);
    CModalScope modal(this);
    return ::DialogBoxParamW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(m_nIdTemplate), hParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::OnInitDialog()
{
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM, LPARAM)
{
    return FALSE;
}

BOOL CDialog::OnNotify(WPARAM, LPARAM, LRESULT*)
{
    return FALSE;
}

BOOL CDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (msg) {
    case WM_INITDIALOG:
        result = OnInitDialog();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return OnCommand(wParam, lParam);
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, &result);
    default:
        return FALSE;
    }
}

namespace {

const wchar_t kReflectionProperty[] = L"Orvex.ReflectedNotify";

} // namespace

BOOL CDialog::RegisterReflection(HWND hControl, CWnd* pControl)
{
    return ::SetPropW(hControl, kReflectionProperty, pControl);
}

void CDialog::UnregisterReflection(HWND hControl)
{
    ::RemovePropW(hControl, kReflectionProperty);
}

BOOL CDialog::ReflectNotify(LPARAM lParam, LRESULT* pResult)
{
    auto* pHdr = reinterpret_cast<NMHDR*>(lParam);
    if (!pHdr || !pHdr->hwndFrom)
        return FALSE;
    auto* pControl = static_cast<CWnd*>(::GetPropW(pHdr->hwndFrom, kReflectionProperty));
    return pControl && pControl->OnReflectedNotify(pHdr, pResult);
}

void CDialog::ReportHandlerFailure(HWND hWnd, const CException* e)
{
    wchar_t text[512] = L"";
    if (!e || !e->GetErrorMessage(text, static_cast<UINT>(std::size(text))))
        wcscpy_s(text, L"An unexpected error occurred.");
    try {
        ShowMessageBox(hWnd, text, AfxGetAppName(), MB_OK | MB_ICONERROR);
    } catch (...) {
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    CDialog* pThis;
    if (msg == WM_INITDIALOG) {
        pThis = reinterpret_cast<CDialog*>(lParam);
        pThis->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, lParam);
    } else {
        pThis = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    return Dispatch(pThis, hWnd, msg, wParam, lParam);
}

INT_PTR CDialog::Dispatch(CDialog* pThis, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!pThis)
        return FALSE;

    LRESULT result = 0;
    BOOL handled = FALSE;
    // Nothing a handler throws may unwind through the system's code: the
    // dialog says what went wrong and goes on.
    try {
        handled = (msg == WM_NOTIFY && ReflectNotify(lParam, &result)) || pThis->OnMessage(msg, wParam, lParam, result);
    } catch (CException* e) {
        ReportHandlerFailure(hWnd, e);
        e->Delete();
        handled = FALSE;
    } catch (...) {
        ReportHandlerFailure(hWnd, nullptr);
        handled = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        pThis->m_hWnd = nullptr;
    }
    if (!handled)
        return FALSE;
    switch (msg) {
    // These return their result directly instead of through DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return static_cast<INT_PTR>(result);
    default:
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
}
