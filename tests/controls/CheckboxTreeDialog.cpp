#include "tests/controls/CheckboxTreeDialog.h"

namespace test {

namespace {

void AppendString(std::vector<WORD>& words, const wchar_t* psz)
{
    do
        words.push_back(static_cast<WORD>(*psz));
    while (*psz++);
}

void AlignToDword(std::vector<WORD>& words)
{
    if (words.size() % 2)
        words.push_back(0);
}

template <class T>
void AppendStruct(std::vector<WORD>& words, const T& value)
{
    static_assert(sizeof(T) % sizeof(WORD) == 0, "template structures are WORD-sized");
    const auto* p = reinterpret_cast<const WORD*>(&value);
    words.insert(words.end(), p, p + sizeof(T) / sizeof(WORD));
}

} // namespace

std::vector<WORD> MakeOneControlTemplate(const wchar_t* pszClass, int nId, DWORD dwStyle)
{
    const short cx = 200;
    const short cy = 150;
    std::vector<WORD> words;
    DLGTEMPLATE dlg = {};
    dlg.style = WS_POPUP | WS_CAPTION | DS_SETFONT;
    dlg.cdit = 1;
    dlg.cx = cx;
    dlg.cy = cy;
    AppendStruct(words, dlg);
    words.push_back(0); // no menu
    words.push_back(0); // the default dialog class
    AppendString(words, L"Check box tree test");
    words.push_back(8);
    AppendString(words, L"MS Shell Dlg");

    AlignToDword(words);
    DLGITEMTEMPLATE item = {};
    item.style = WS_CHILD | WS_VISIBLE | dwStyle;
    item.cx = cx;
    item.cy = cy;
    item.id = static_cast<WORD>(nId);
    AppendStruct(words, item);
    AppendString(words, pszClass);
    AppendString(words, L"");
    words.push_back(0); // no creation data
    return words;
}

CheckboxTreeDialog::CheckboxTreeDialog(ICheckBoxListener* pListener) : CDialog(0), m_pListener(pListener) {}

CheckboxTreeDialog::~CheckboxTreeDialog()
{
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

BOOL CheckboxTreeDialog::Create()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    std::vector<WORD> tmpl = MakeOneControlTemplate(
        WC_TREEVIEWW, kTreeId, WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
    HWND hWnd = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()),
                                             nullptr, DialogProc, reinterpret_cast<LPARAM>(this));
    return hWnd && m_bTreeInit;
}

BOOL CheckboxTreeDialog::OnInitDialog()
{
    m_bTreeInit = m_tree.Init(kTreeId, this, m_pListener);
    return TRUE;
}

BOOL CheckboxTreeDialog::OnNotify(WPARAM, LPARAM lParam, LRESULT*)
{
    m_notified.push_back(*reinterpret_cast<const NMHDR*>(lParam));
    return FALSE;
}

std::vector<UINT> CheckboxTreeDialog::NotifiedCodes(HWND hFrom) const
{
    std::vector<UINT> codes;
    for (const NMHDR& hdr : m_notified) {
        if (hdr.hwndFrom == hFrom)
            codes.push_back(hdr.code);
    }
    return codes;
}

} // namespace test
