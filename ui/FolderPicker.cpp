#include "ui/FolderPicker.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

FolderResponder gFolderResponder;

// The picker's new dialog style needs a single-threaded apartment.
class CComApartment {
public:
    CComApartment() : m_bInitialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~CComApartment()
    {
        if (m_bInitialised)
            ::CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    BOOL m_bInitialised;
};

// An item id list that the shell allocated.
class CItemIdList {
public:
    explicit CItemIdList(PIDLIST_ABSOLUTE pidl) : m_pidl(pidl) {}
    ~CItemIdList() { ::CoTaskMemFree(m_pidl); }
    CItemIdList(const CItemIdList&) = delete;
    CItemIdList& operator=(const CItemIdList&) = delete;
    PIDLIST_ABSOLUTE Get() const { return m_pidl; }

private:
    PIDLIST_ABSOLUTE m_pidl;
};

} // namespace

void SetFolderResponder(FolderResponder responder)
{
    gFolderResponder = std::move(responder);
}

BOOL PickFolder(HWND hOwner, BOOL bAllowNewFolder, CString& strPath)
{
    if (gFolderResponder)
        return gFolderResponder(bAllowNewFolder, strPath);

    CComApartment apartment;
    wchar_t szDisplayName[MAX_PATH] = {};
    BROWSEINFOW info = {};
    info.hwndOwner = hOwner;
    info.pszDisplayName = szDisplayName;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | (bAllowNewFolder ? 0 : BIF_NONEWFOLDERBUTTON);
    CItemIdList pidl(::SHBrowseForFolderW(&info));
    if (!pidl.Get())
        return FALSE;
    wchar_t szPath[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(pidl.Get(), szPath))
        return FALSE;
    strPath = szPath;
    return TRUE;
}
