#include "controls/CShellTreeCtrl.h"

#include "installation/CDirectory.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cstring>

namespace {

const SHITEMID* NextId(const SHITEMID* pId)
{
    return reinterpret_cast<const SHITEMID*>(reinterpret_cast<const BYTE*>(pId) + pId->cb);
}

// Those of the wanted attributes that the object has; none when the call fails.
SFGAOF GetAttributes(IShellFolder* pFolder, LPCITEMIDLIST pidlRelative, SFGAOF wanted)
{
    SFGAOF attributes = wanted;
    if (FAILED(pFolder->GetAttributesOf(1, &pidlRelative, &attributes)))
        return 0;
    return attributes & wanted;
}

// The path without trailing backslashes ("C:\\" becomes "C:").
CString WithoutTrailingBackslash(const CString& strPath)
{
    int n = strPath.GetLength();
    while (n > 0 && strPath[n - 1] == L'\\')
        --n;
    return strPath.Left(n);
}

int GetSystemIconIndex(LPCITEMIDLIST pidl, UINT nFlags)
{
    SHFILEINFOW info = {};
    ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                     SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | nFlags);
    return info.iIcon;
}

} // namespace

CShellTreeCtrl::CShellTreeCtrl()
{
    ::SHGetMalloc(m_pMalloc.Receive());
    ::SHGetDesktopFolder(m_pDesktop.Receive());
}

CShellTreeCtrl::~CShellTreeCtrl()
{
    if (m_pidlRoot && m_pMalloc)
        m_pMalloc->Free(m_pidlRoot);
}

void CShellTreeCtrl::SetRootFolder(LPCITEMIDLIST pidlRoot, BOOL bIncludeFiles)
{
    m_bIncludeFiles = bIncludeFiles;
    if (m_pidlRoot)
        m_pMalloc->Free(m_pidlRoot);
    m_pidlRoot = ConcatIdLists(pidlRoot, nullptr);
    Refill(TVI_ROOT);
}

CString CShellTreeCtrl::GetItemPath(HTREEITEM hItem) const
{
    auto pidl = hItem ? reinterpret_cast<LPCITEMIDLIST>(GetItemData(hItem)) : nullptr;
    wchar_t szPath[MAX_PATH];
    if (!pidl || !::SHGetPathFromIDListW(pidl, szPath))
        return CString();
    return szPath;
}

HTREEITEM CShellTreeCtrl::SelectPath(const CString& strPath)
{
    const CString target = WithoutTrailingBackslash(strPath);
    HTREEITEM hFound = nullptr;
    for (HTREEITEM hParent = TVI_ROOT; !target.IsEmpty();) {
        HTREEITEM hNext = nullptr;
        bool bReached = false;
        HTREEITEM hChild = hParent == TVI_ROOT ? GetRootItem() : GetChildItem(hParent);
        for (; hChild && !hNext; hChild = GetNextSiblingItem(hChild)) {
            const CString node = WithoutTrailingBackslash(GetItemPath(hChild));
            const int n = node.GetLength();
            if (n == 0 || target.Left(n).CompareNoCase(node) != 0)
                continue;
            bReached = n == target.GetLength();
            if (bReached || target[n] == L'\\')
                hNext = hChild;
        }
        if (!hNext)
            break;
        hFound = hNext;
        if (bReached)
            break;
        // The first expansion fills the node (see CWaitingTreeCtrl).
        Expand(hNext, TVE_EXPAND);
        hParent = hNext;
    }
    if (hFound)
        SelectItem(hFound);
    return hFound;
}

UINT CShellTreeCtrl::GetIdListSize(LPCITEMIDLIST pidl)
{
    UINT cb = 0;
    for (const SHITEMID* pId = pidl ? &pidl->mkid : nullptr; pId && pId->cb; pId = NextId(pId))
        cb += pId->cb;
    return cb;
}

LPCITEMIDLIST CShellTreeCtrl::GetLastItemId(LPCITEMIDLIST pidl)
{
    if (!pidl || !pidl->mkid.cb)
        return pidl;
    const SHITEMID* pLast = &pidl->mkid;
    for (const SHITEMID* pId = NextId(pLast); pId->cb; pId = NextId(pId))
        pLast = pId;
    return reinterpret_cast<LPCITEMIDLIST>(pLast);
}

LPITEMIDLIST CShellTreeCtrl::ConcatIdLists(LPCITEMIDLIST pidl1, LPCITEMIDLIST pidl2) const
{
    const UINT cb1 = GetIdListSize(pidl1);
    const UINT cb2 = GetIdListSize(pidl2);
    if (cb1 + cb2 == 0 || !m_pMalloc)
        return nullptr;
    auto* p = static_cast<BYTE*>(m_pMalloc->Alloc(cb1 + cb2 + sizeof(USHORT)));
    if (!p)
        return nullptr;
    if (cb1)
        std::memcpy(p, pidl1, cb1);
    if (cb2)
        std::memcpy(p + cb1, pidl2, cb2);
    std::memset(p + cb1 + cb2, 0, sizeof(USHORT));
    return reinterpret_cast<LPITEMIDLIST>(p);
}

BOOL CShellTreeCtrl::FillItem(HTREEITEM hParent)
{
    if (!m_pDesktop || !m_pMalloc)
        return FALSE;
    auto pidlParent = hParent == TVI_ROOT ? m_pidlRoot : reinterpret_cast<LPCITEMIDLIST>(GetItemData(hParent));

    // The empty list is the desktop itself, which cannot be bound from itself.
    CComRef<IShellFolder> pFolder;
    if (GetIdListSize(pidlParent) == 0 ||
        FAILED(m_pDesktop->BindToObject(pidlParent, nullptr, __uuidof(IShellFolder),
                                        reinterpret_cast<void**>(pFolder.Receive()))) ||
        !pFolder) {
        if (hParent != TVI_ROOT)
            return TRUE;
        pFolder.Share(m_pDesktop.Get());
    }

    int nInserted = 0;
    BOOL bLastLocal = TRUE;
    CComRef<IEnumIDList> pEnum;
    const SHCONTF flags = SHCONTF_FOLDERS | (m_bIncludeFiles ? SHCONTF_NONFOLDERS : 0);
    // S_FALSE without an enumerator: the folder cannot be listed now (an
    // empty drive, a refused network logon).
    if (pFolder->EnumObjects(m_hWnd, flags, pEnum.Receive()) == S_OK && pEnum) {
        SetFillProgress(0, 0);
        LPITEMIDLIST pidlRelative = nullptr;
        ULONG nFetched = 0;
        while (pEnum->Next(1, &pidlRelative, &nFetched) == S_OK && nFetched == 1 && pidlRelative) {
            if (LPITEMIDLIST pidlFull = ConcatIdLists(pidlParent, pidlRelative)) {
                TVINSERTSTRUCTW insert = {};
                insert.hParent = hParent;
                insert.hInsertAfter = TVI_LAST;
                insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
                insert.item.lParam = reinterpret_cast<LPARAM>(pidlFull);
                const BOOL bLocal = GetChildInfo(insert.item, pidlFull, pFolder.Get(), pidlRelative);
                if (InsertItem(insert)) {
                    ++nInserted;
                    bLastLocal = bLocal;
                } else {
                    m_pMalloc->Free(pidlFull);
                }
            }
            AddFillProgress(1);
            m_pMalloc->Free(pidlRelative);
        }
    }
    pEnum.Reset();

    TVSORTCB sort = {};
    sort.hParent = hParent;
    sort.lpfnCompare = CompareChildren;
    sort.lParam = reinterpret_cast<LPARAM>(pFolder.Get());
    SendMessage(TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    pFolder.Reset();
    SetFillProgress(1, 1);

    if (nInserted == 0 || !bLastLocal)
        return FALSE;
    return IsLocalOrVirtual(pidlParent);
}

BOOL CShellTreeCtrl::IsLocalOrVirtual(LPCITEMIDLIST pidl)
{
    wchar_t szPath[MAX_PATH];
    if (!pidl || !::SHGetPathFromIDListW(pidl, szPath))
        return TRUE;
    // GetDriveTypeW wants the root of the volume, not any folder on it.
    wchar_t szVolume[MAX_PATH];
    if (!::GetVolumePathNameW(szPath, szVolume, MAX_PATH))
        return FALSE;
    return ::GetDriveTypeW(szVolume) == DRIVE_FIXED;
}

void CShellTreeCtrl::PreSubclassWindow()
{
    LPITEMIDLIST pidlDesktop = nullptr;
    if (SUCCEEDED(::SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &pidlDesktop)) && pidlDesktop) {
        SHFILEINFOW info = {};
        // The system's own list: shared by the process, never destroyed by us
        // nor by the tree view.
        auto hImageList = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidlDesktop), 0, &info, sizeof info,
                             SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        if (hImageList)
            SetImageList(hImageList, TVSIL_NORMAL);
        ::CoTaskMemFree(pidlDesktop);
    }
    CWaitingTreeCtrl::PreSubclassWindow();
}

BOOL CShellTreeCtrl::OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult)
{
    if (pHdr->code != TVN_DELETEITEMW)
        return CWaitingTreeCtrl::OnReflectedNotify(pHdr, pResult);
    auto pidl = reinterpret_cast<LPITEMIDLIST>(reinterpret_cast<const NMTREEVIEWW*>(pHdr)->itemOld.lParam);
    if (pidl && m_pMalloc)
        m_pMalloc->Free(pidl);
    *pResult = 0;
    return TRUE;
}

BOOL CShellTreeCtrl::GetChildInfo(TVITEMW& item, LPCITEMIDLIST pidlFull, IShellFolder* pFolder,
                                  LPCITEMIDLIST pidlRelative)
{
    if (item.mask & TVIF_TEXT) {
        STRRET name = {};
        wchar_t szName[MAX_PATH] = L"";
        // StrRetToBufW takes all three forms and frees a wide string.
        if (SUCCEEDED(pFolder->GetDisplayNameOf(pidlRelative, SHGDN_INFOLDER, &name)))
            ::StrRetToBufW(&name, pidlRelative, szName, MAX_PATH);
        m_strItemText = CDirectory::CreateFileNameForDisplay(szName);
        item.pszText = const_cast<wchar_t*>(m_strItemText.GetString());
    }

    if (item.mask & (TVIF_IMAGE | TVIF_SELECTEDIMAGE)) {
        const SFGAOF attributes = GetAttributes(pFolder, pidlRelative, SFGAO_FOLDER | SFGAO_LINK);
        const UINT nFlags = (attributes & SFGAO_LINK) ? SHGFI_LINKOVERLAY : 0;
        item.iImage = GetSystemIconIndex(pidlFull, nFlags);
        item.iSelectedImage =
            (attributes & SFGAO_FOLDER) ? GetSystemIconIndex(pidlFull, nFlags | SHGFI_OPENICON) : item.iImage;
    }

    if (item.mask & TVIF_CHILDREN) {
        const SFGAOF attributes = GetAttributes(pFolder, pidlRelative, SFGAO_FOLDER | SFGAO_REMOVABLE);
        if (!(attributes & SFGAO_FOLDER))
            item.cChildren = 0;
        // Asking a removable drive for subfolders would read its medium.
        else if (m_bIncludeFiles || (attributes & SFGAO_REMOVABLE))
            item.cChildren = 1;
        else
            item.cChildren = GetAttributes(pFolder, pidlRelative, SFGAO_HASSUBFOLDER) ? 1 : 0;
    }

    SHDESCRIPTIONID description = {};
    if (FAILED(::SHGetDataFromIDListW(pFolder, pidlRelative, SHGDFIL_DESCRIPTIONID, &description, sizeof description)))
        return TRUE;
    switch (description.dwDescriptionId) {
    case SHDID_COMPUTER_DRIVE35:
    case SHDID_COMPUTER_DRIVE525:
    case SHDID_COMPUTER_REMOVABLE:
    case SHDID_COMPUTER_NETDRIVE:
    case SHDID_COMPUTER_CDROM:
    case SHDID_NET_DOMAIN:
    case SHDID_NET_SERVER:
    case SHDID_NET_SHARE:
    case SHDID_NET_RESTOFNET:
    case SHDID_NET_OTHER:
        return FALSE;
    default:
        return TRUE;
    }
}

int CALLBACK CShellTreeCtrl::CompareChildren(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    auto pFolder = reinterpret_cast<IShellFolder*>(lParamSort);
    auto pidl1 = reinterpret_cast<LPCITEMIDLIST>(lParam1);
    auto pidl2 = reinterpret_cast<LPCITEMIDLIST>(lParam2);
    if (!pFolder || !pidl1 || !pidl2)
        return 0;
    const HRESULT hr = pFolder->CompareIDs(0, GetLastItemId(pidl1), GetLastItemId(pidl2));
    if (FAILED(hr))
        return 0;
    const auto nOrder = static_cast<short>(HRESULT_CODE(hr));
    return (nOrder > 0) - (nOrder < 0);
}
