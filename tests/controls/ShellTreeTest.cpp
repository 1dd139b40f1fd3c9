// The shell folder tree in a real dialog on the shell namespace of the test
// prefix: its drives, folders made on disk, the removable drive R:. A spy on
// the task allocator (which the shell allocator is) tells whether a node's
// item ID list is still live, so a list never freed or freed twice shows.

#include "controls/CShellTreeCtrl.h"
#include "framework/CComApartment.h"
#include "installation/CDirectory.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/controls/CheckboxTreeDialog.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <cstring>
#include <mutex>
#include <set>

namespace {

const int kTreeId = 100;

// Registered once and never deleted: COM keeps a spy until every block
// allocated under it is freed. New blocks are filled with 0xCD, so that
// bytes left unwritten show.
class AllocatorSpy : public IMallocSpy {
public:
    static AllocatorSpy& Get()
    {
        static AllocatorSpy* pSpy = [] {
            auto* p = new AllocatorSpy;
            ::CoRegisterMallocSpy(p);
            return p;
        }();
        return *pSpy;
    }
    bool IsLive(LPARAM p)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_live.count(reinterpret_cast<void*>(p)) != 0;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = (riid == IID_IUnknown || riid == __uuidof(IMallocSpy)) ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // COM calls PreAlloc and PostAlloc under one lock.
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cb) override { return m_cbAlloc = cb; }
    void* STDMETHODCALLTYPE PostAlloc(void* p) override { return p ? Track(std::memset(p, 0xCD, m_cbAlloc), true) : p; }
    void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override { return Track(p, false); }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T cb, void** ppNew, BOOL) override
    {
        *ppNew = Track(p, false);
        return cb;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override { return Track(p, true); }
    void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T cb, BOOL) override { return cb; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int n) override { return n; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    void* Track(void* p, bool bLive)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        bLive ? (void)m_live.insert(p) : (void)m_live.erase(p);
        return p;
    }

    std::mutex m_mutex;
    std::set<void*> m_live;
    SIZE_T m_cbAlloc = 0;
};

// Checks at each deletion that the node's list was live until then and is
// freed by it.
class WatchedShellTree : public CShellTreeCtrl {
public:
    int m_nFreed = 0, m_nBadFrees = 0;

protected:
    // Windows keeps a node's explicit children mark when its last child (the
    // wait node) goes; Wine's tree view drops it. Put it back as Windows
    // leaves it, so that what the fill does to the mark shows.
    BOOL FillItem(HTREEITEM hParent) override
    {
        TVITEMW item = {};
        item.mask = TVIF_CHILDREN;
        item.hItem = hParent;
        item.cChildren = 1;
        if (hParent != TVI_ROOT)
            SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return CShellTreeCtrl::FillItem(hParent);
    }
    BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) override
    {
        const LPARAM pidl = pHdr->code == TVN_DELETEITEMW ? reinterpret_cast<NMTREEVIEWW*>(pHdr)->itemOld.lParam : 0;
        const bool bLiveBefore = AllocatorSpy::Get().IsLive(pidl);
        const BOOL bHandled = CShellTreeCtrl::OnReflectedNotify(pHdr, pResult);
        if (pidl && ++m_nFreed && (!bLiveBefore || AllocatorSpy::Get().IsLive(pidl)))
            ++m_nBadFrees;
        return bHandled;
    }
};

struct ShellTreeDialog : CDialog {
    ShellTreeDialog() : CDialog(0) {}
    ~ShellTreeDialog() override { Destroy(); }
    bool Create(CWnd* pTree)
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&icc);
        std::vector<WORD> tmpl =
            test::MakeOneControlTemplate(WC_TREEVIEWW, kTreeId, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT);
        return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(tmpl.data()),
                                            nullptr, DialogProc, reinterpret_cast<LPARAM>(this)) &&
               pTree->SubclassDlgItem(kTreeId, this);
    }
    void Destroy()
    {
        if (m_hWnd)
            ::DestroyWindow(m_hWnd);
    }
};

struct ItemIdList {
    explicit ItemIdList(int nCsidl) { ::SHGetSpecialFolderLocation(nullptr, nCsidl, &p); }
    explicit ItemIdList(const wchar_t* pszPath) { ::SHParseDisplayName(pszPath, nullptr, &p, 0, nullptr); }
    ~ItemIdList() { ::CoTaskMemFree(p); }
    LPITEMIDLIST p = nullptr;
};

// The system image list; the icon's index in it in *pIndex.
DWORD_PTR SystemIcon(LPARAM pidl, UINT nFlags, int* pIndex)
{
    SHFILEINFOW info = {};
    const DWORD_PTR result = ::SHGetFileInfoW(reinterpret_cast<LPCWSTR>(pidl), 0, &info, sizeof info,
                                              SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | nFlags);
    *pIndex = info.iIcon;
    return result;
}

CString PathOf(LPARAM pidl)
{
    wchar_t szPath[MAX_PATH];
    return pidl && ::SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(pidl), szPath) ? CString(szPath) : CString();
}

class ShellTreeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_dialog.Create(&m_tree)); }
    // Every node still in the tree gives its list back when the window goes.
    void TearDown() override
    {
        const int nExpected = m_tree.m_nFreed + static_cast<int>(m_tree.GetCount());
        m_dialog.Destroy();
        EXPECT_EQ(nExpected, m_tree.m_nFreed);
        EXPECT_EQ(0, m_tree.m_nBadFrees);
    }

    void Show(const ItemIdList& root) { m_tree.SetRootFolder(root.p, FALSE); }
    std::vector<HTREEITEM> Children(HTREEITEM hParent) const
    {
        std::vector<HTREEITEM> children;
        for (HTREEITEM h = hParent == TVI_ROOT ? m_tree.GetRootItem() : m_tree.GetChildItem(hParent); h;
             h = m_tree.GetNextSiblingItem(h))
            children.push_back(h);
        return children;
    }
    TVITEMW Item(HTREEITEM hItem)
    {
        TVITEMW item = {};
        item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE | TVIF_PARAM;
        item.hItem = hItem;
        item.stateMask = TVIS_EXPANDED;
        item.pszText = m_szText;
        item.cchTextMax = MAX_PATH;
        m_tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    // As a click on the button does: the tree view notifies a programmatic
    // expansion only once per node unless TVIS_EXPANDEDONCE is cleared.
    void Expand(HTREEITEM hItem)
    {
        TVITEMW item = {};
        item.mask = TVIF_STATE;
        item.hItem = hItem;
        item.stateMask = TVIS_EXPANDEDONCE;
        m_tree.SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        m_tree.Expand(hItem, TVE_EXPAND);
    }
    LPCITEMIDLIST Pidl(HTREEITEM hItem) const { return reinterpret_cast<LPCITEMIDLIST>(m_tree.GetItemData(hItem)); }
    void Select(HTREEITEM hItem) { m_tree.SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(hItem)); }
    HTREEITEM Find(HTREEITEM hParent, const CString& path)
    {
        for (HTREEITEM hItem : Children(hParent)) {
            if (PathOf(m_tree.GetItemData(hItem)).CompareNoCase(path) == 0)
                return hItem;
        }
        return nullptr;
    }
    void ExpectShellOrder(const std::vector<HTREEITEM>& nodes)
    {
        ASSERT_FALSE(nodes.empty());
        IShellFolder* pFolder = nullptr;
        ASSERT_HRESULT_SUCCEEDED(::SHBindToParent(Pidl(nodes[0]), IID_PPV_ARGS(&pFolder), nullptr));
        for (size_t i = 1; i < nodes.size(); ++i)
            EXPECT_LE(short(HRESULT_CODE(pFolder->CompareIDs(0, ::ILFindLastID(Pidl(nodes[i - 1])),
                                                             ::ILFindLastID(Pidl(nodes[i]))))),
                      0)
                << Item(nodes[i - 1]).pszText << L" before " << Item(nodes[i]).pszText;
        pFolder->Release();
    }
    void ExpectCollapsedAndExpandable(HTREEITEM hItem, int nChildren)
    {
        Expand(hItem);
        EXPECT_TRUE(Children(hItem).empty());
        EXPECT_EQ(0u, Item(hItem).state & TVIS_EXPANDED);
        EXPECT_EQ(nChildren, Item(hItem).cChildren);
    }

    CComApartment m_apartment;
    AllocatorSpy& m_spy = AllocatorSpy::Get();
    WatchedShellTree m_tree;
    ShellTreeDialog m_dialog;
    wchar_t m_szText[MAX_PATH] = {};
};

TEST_F(ShellTreeTest, IdListHelpersWalkAndJoinItemIdChains)
{
    const BYTE two[] = {5, 0, 'a', 'b', 'c', 3, 0, 'z', 0, 0}, one[] = {4, 0, 'q', 'r', 0, 0}, none[] = {0, 0};
    auto list = [](const BYTE* p) { return reinterpret_cast<LPCITEMIDLIST>(p); };
    EXPECT_EQ(8u, CShellTreeCtrl::GetIdListSize(list(two)));
    EXPECT_EQ(4u, CShellTreeCtrl::GetIdListSize(list(one)));
    EXPECT_EQ(0u, CShellTreeCtrl::GetIdListSize(list(none)) + CShellTreeCtrl::GetIdListSize(nullptr));
    EXPECT_EQ(list(two + 5), CShellTreeCtrl::GetLastItemId(list(two)));
    EXPECT_EQ(list(one), CShellTreeCtrl::GetLastItemId(list(one)));
    EXPECT_EQ(list(none), CShellTreeCtrl::GetLastItemId(list(none)));

    LPITEMIDLIST joined = m_tree.ConcatIdLists(list(two), list(one));
    ASSERT_TRUE(m_spy.IsLive(reinterpret_cast<LPARAM>(joined)));
    EXPECT_EQ(0, std::memcmp("\5\0abc\3\0z\4\0qr\0\0", joined, 14));
    ::CoTaskMemFree(joined);
    LPITEMIDLIST copy = m_tree.ConcatIdLists(nullptr, list(one));
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(0, std::memcmp(one, copy, sizeof one));
    ::CoTaskMemFree(copy);
    EXPECT_EQ(nullptr, m_tree.ConcatIdLists(list(none), nullptr));
    EXPECT_EQ(nullptr, m_tree.ConcatIdLists(nullptr, nullptr));
}

TEST_F(ShellTreeTest, TopLevelListsTheDrivesInShellOrderWithTheSystemIcons)
{
    Show(ItemIdList(CSIDL_DRIVES));
    ItemIdList desktop(CSIDL_DESKTOP);
    int nIcon = -1;
    EXPECT_EQ(SystemIcon(reinterpret_cast<LPARAM>(desktop.p), 0, &nIcon),
              static_cast<DWORD_PTR>(m_tree.SendMessage(TVM_GETIMAGELIST, TVSIL_NORMAL)));
    std::set<CString> drives, shown;
    for (int i = 0; i < 26; ++i) {
        if (::GetLogicalDrives() & (1u << i))
            drives.insert(CString(static_cast<wchar_t>(L'A' + i)) + L":\\");
    }
    for (HTREEITEM hItem : Children(TVI_ROOT)) {
        if (!PathOf(m_tree.GetItemData(hItem)).IsEmpty())
            shown.insert(PathOf(m_tree.GetItemData(hItem)));
    }
    // C:, the removable R: and Z: of the test prefix.
    EXPECT_EQ(drives, shown);
    EXPECT_EQ(1u, shown.count(L"R:\\"));
    ExpectShellOrder(Children(TVI_ROOT));
}

TEST_F(ShellTreeTest, AFolderListsItsSubfoldersAsTheShellSortsThemAndRefillsThem)
{
    test::TempDir dir;
    // Made out of order, in mixed case, one with a letter beyond ASCII and
    // one with the disk's look-alike of the colon.
    for (const wchar_t* pszName :
         {L"zeta", L"Alpha", L"_x", L"beta", L"beta\\inner", L"\u00C4rger", L"a\uA789b", L"files"})
        ASSERT_TRUE(::CreateDirectoryW(dir / pszName, nullptr));
    test::WriteText(dir / L"file.txt", "not a folder");
    test::WriteText(dir / L"files\\a.txt", "not a folder");
    // Its parent as the root, so that the folder itself is expanded.
    Show(ItemIdList(CDirectory::SplitPathFromFileNameWithPath(dir.Path())));
    HTREEITEM hDir = Find(TVI_ROOT, dir.Path());
    ASSERT_NE(nullptr, hDir);
    Expand(hDir);
    std::set<CString> texts;
    for (HTREEITEM hItem : Children(hDir)) {
        int nIcon = -1, nOpenIcon = -1;
        SystemIcon(Item(hItem).lParam, 0, &nIcon);
        SystemIcon(Item(hItem).lParam, SHGFI_OPENICON, &nOpenIcon);
        EXPECT_EQ(nIcon, Item(hItem).iImage);
        EXPECT_EQ(nOpenIcon, Item(hItem).iSelectedImage);
        texts.insert(Item(hItem).pszText);
    }
    EXPECT_EQ((std::set<CString>{L"zeta", L"Alpha", L"_x", L"beta", L"\u00C4rger", L"a:b", L"files"}), texts);
    ExpectShellOrder(Children(hDir));

    // A folder with files only has a button only when the shell claims
    // subfolders. Wine claims them for every folder without looking; the
    // fill finds none and leaves the node collapsed and expandable.
    HTREEITEM hFiles = Find(hDir, dir / L"files");
    SFGAOF attributes = SFGAO_HASSUBFOLDER;
    IShellFolder* pParent = nullptr;
    LPCITEMIDLIST pidlLast = nullptr;
    ASSERT_HRESULT_SUCCEEDED(::SHBindToParent(Pidl(hFiles), IID_PPV_ARGS(&pParent), &pidlLast));
    pParent->GetAttributesOf(1, &pidlLast, &attributes);
    pParent->Release();
    ExpectCollapsedAndExpandable(hFiles, (attributes & SFGAO_HASSUBFOLDER) ? 1 : 0);

    HTREEITEM hBeta = Find(hDir, dir / L"beta");
    Select(hBeta);
    EXPECT_EQ(dir / L"beta", m_tree.GetSelectedPath());
    Expand(hBeta);
    EXPECT_EQ(1u, Children(hBeta).size());
    m_tree.Expand(hDir, TVE_COLLAPSE);
    const int nFreed = m_tree.m_nFreed;
    m_tree.Refill(hDir);
    EXPECT_EQ(nFreed + 8, m_tree.m_nFreed); // beta's "inner" too
    EXPECT_EQ(7u, Children(hDir).size());
    m_tree.Refill(TVI_ROOT);
    EXPECT_EQ(Children(TVI_ROOT).size(), m_tree.GetCount());
}

TEST_F(ShellTreeTest, AnEmptyRemovableDriveKeepsItsButtonUntilAMediumShowsFolders)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    ASSERT_TRUE(::CreateDirectoryW(test::MediaDrive::MediumPath(1) + L"\\Case 7", nullptr));
    test::MediaDrive::Insert(0);
    Show(ItemIdList(CSIDL_DRIVES));
    HTREEITEM hDrive = Find(TVI_ROOT, test::MediaDrive::Root());
    ASSERT_NE(nullptr, hDrive);
    // Wine reports no SFGAO_REMOVABLE for R:; the button then comes from the
    // subfolders Wine claims for every drive without reading it.
    EXPECT_EQ(1, Item(hDrive).cChildren);
    ExpectCollapsedAndExpandable(hDrive, 1);

    test::MediaDrive::Insert(1);
    Expand(hDrive);
    ASSERT_EQ(1u, Children(hDrive).size());
    EXPECT_STREQ(L"Case 7", Item(Children(hDrive)[0]).pszText);
    test::MediaDrive::Erase(1);
}

TEST_F(ShellTreeTest, SelectedPathIsEmptyWithoutSelectionAndForAVirtualFolder)
{
    m_tree.SetRootFolder(nullptr, FALSE);
    ItemIdList computer(CSIDL_DRIVES);
    HTREEITEM hComputer = nullptr;
    for (HTREEITEM hItem : Children(TVI_ROOT)) {
        if (::ILIsEqual(computer.p, Pidl(hItem)))
            hComputer = hItem;
    }
    ASSERT_NE(nullptr, hComputer);
    Select(nullptr);
    EXPECT_EQ(L"", m_tree.GetSelectedPath());
    Select(hComputer);
    EXPECT_EQ(L"", m_tree.GetSelectedPath());
}

} // namespace
