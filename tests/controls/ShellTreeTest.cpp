// The shell folder tree in a real dialog on the prefix's drives, folders made
// on disk and the removable drive R:. A spy on the task (= shell) allocator
// shows a node's item ID list never freed or freed twice.

#include "controls/CShellTreeCtrl.h"
#include "framework/CComApartment.h"
#include "installation/CDirectory.h"
#include "tests/MediaDrive.h"
#include "tests/TestSupport.h"
#include "tests/controls/TreeHost.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>

using namespace test;

namespace {

// Registered once and never deleted: COM keeps a spy until every block
// allocated under it is freed.
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
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T cb) override { return cb; }
    void* STDMETHODCALLTYPE PostAlloc(void* p) override { return Track(p, true); }
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
        if (hParent != TVI_ROOT)
            SetChildrenMark(m_hWnd, hParent, TRUE);
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

struct ItemIdList {
    explicit ItemIdList(int nCsidl) { ::SHGetSpecialFolderLocation(nullptr, nCsidl, &p); }
    explicit ItemIdList(const wchar_t* pszPath) { ::SHParseDisplayName(pszPath, nullptr, &p, 0, nullptr); }
    ~ItemIdList() { ::CoTaskMemFree(p); }
    LPITEMIDLIST p = nullptr;
};

CString PathOf(LPARAM pidl)
{
    wchar_t szPath[MAX_PATH];
    return pidl && ::SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(pidl), szPath) ? CString(szPath) : CString();
}

class ShellTreeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_host.Create()); }
    // Every node still in the tree gives its list back when the window goes.
    void TearDown() override
    {
        const int nExpected = m_tree.m_nFreed + static_cast<int>(m_tree.GetCount());
        m_host.Destroy();
        EXPECT_EQ(nExpected, m_tree.m_nFreed);
        EXPECT_EQ(0, m_tree.m_nBadFrees);
    }

    TVITEMW Item(HTREEITEM hItem) const
    {
        TVITEMW item = {};
        item.mask = TVIF_CHILDREN | TVIF_STATE;
        item.hItem = hItem;
        item.stateMask = TVIS_EXPANDED;
        m_tree.SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item;
    }
    HTREEITEM Find(HTREEITEM hParent, const CString& path) const
    {
        for (HTREEITEM hItem : ChildrenOf(m_tree.m_hWnd, hParent)) {
            if (PathOf(m_tree.GetItemData(hItem)).CompareNoCase(path) == 0)
                return hItem;
        }
        return nullptr;
    }
    void ExpectShellOrder(const std::vector<HTREEITEM>& nodes)
    {
        ASSERT_FALSE(nodes.empty());
        auto pidl = [&](size_t i) { return reinterpret_cast<LPCITEMIDLIST>(m_tree.GetItemData(nodes[i])); };
        IShellFolder* pFolder = nullptr;
        ASSERT_HRESULT_SUCCEEDED(::SHBindToParent(pidl(0), IID_PPV_ARGS(&pFolder), nullptr));
        for (size_t i = 1; i < nodes.size(); ++i)
            EXPECT_LE(short(HRESULT_CODE(pFolder->CompareIDs(0, ::ILFindLastID(pidl(i - 1)), ::ILFindLastID(pidl(i))))),
                      0)
                << NodeText(m_tree.m_hWnd, nodes[i - 1]) << L" before " << NodeText(m_tree.m_hWnd, nodes[i]);
        pFolder->Release();
    }
    void ExpectCollapsedAndExpandable(HTREEITEM hItem)
    {
        ExpandAgain(m_tree.m_hWnd, hItem);
        EXPECT_TRUE(ChildrenOf(m_tree.m_hWnd, hItem).empty());
        EXPECT_EQ(0u, Item(hItem).state & TVIS_EXPANDED);
        EXPECT_EQ(1, Item(hItem).cChildren);
    }

    CComApartment m_apartment;
    AllocatorSpy& m_spy = AllocatorSpy::Get();
    WatchedShellTree m_tree;
    TreeHost m_host{&m_tree};
};

TEST_F(ShellTreeTest, TopLevelListsTheDrivesInShellOrder)
{
    m_tree.SetRootFolder(ItemIdList(CSIDL_DRIVES).p, FALSE);
    std::set<CString> drives, shown;
    for (int i = 0; i < 26; ++i) {
        if (::GetLogicalDrives() & (1u << i))
            drives.insert(CString(static_cast<wchar_t>(L'A' + i)) + L":\\");
    }
    for (HTREEITEM hItem : ChildrenOf(m_tree.m_hWnd, TVI_ROOT)) {
        if (!PathOf(m_tree.GetItemData(hItem)).IsEmpty())
            shown.insert(PathOf(m_tree.GetItemData(hItem)));
    }
    // C:, the removable R: and Z: of the test prefix.
    EXPECT_EQ(drives, shown);
    EXPECT_EQ(1u, shown.count(L"R:\\"));
    ExpectShellOrder(ChildrenOf(m_tree.m_hWnd, TVI_ROOT));
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
    m_tree.SetRootFolder(ItemIdList(CDirectory::SplitPathFromFileNameWithPath(dir.Path())).p, FALSE);
    HTREEITEM hDir = Find(TVI_ROOT, dir.Path());
    ASSERT_NE(nullptr, hDir);
    ExpandAgain(m_tree.m_hWnd, hDir);
    const std::vector<CString> texts = ChildTexts(m_tree.m_hWnd, hDir);
    EXPECT_EQ((std::set<CString>{L"zeta", L"Alpha", L"_x", L"beta", L"\u00C4rger", L"a:b", L"files"}),
              std::set<CString>(texts.begin(), texts.end()));
    EXPECT_EQ(7u, texts.size());
    ExpectShellOrder(ChildrenOf(m_tree.m_hWnd, hDir));
    // Wine claims subfolders for every folder without looking; the fill finds
    // none in "files" and leaves it collapsed and expandable.
    ExpectCollapsedAndExpandable(Find(hDir, dir / L"files"));

    HTREEITEM hBeta = Find(hDir, dir / L"beta");
    TreeView_SelectItem(m_tree.m_hWnd, hBeta);
    EXPECT_EQ(dir / L"beta", m_tree.GetSelectedPath());
    ExpandAgain(m_tree.m_hWnd, hBeta);
    EXPECT_EQ(1u, ChildrenOf(m_tree.m_hWnd, hBeta).size());
    m_tree.Expand(hDir, TVE_COLLAPSE);
    const int nFreed = m_tree.m_nFreed;
    m_tree.Refill(hDir);
    EXPECT_EQ(nFreed + 8, m_tree.m_nFreed); // beta's "inner" too
    EXPECT_EQ(7u, ChildrenOf(m_tree.m_hWnd, hDir).size());
}

TEST_F(ShellTreeTest, AnEmptyRemovableDriveKeepsItsButtonUntilAMediumShowsFolders)
{
    SKIP_WITHOUT_MEDIA();
    test::MediaDrive::Erase(1);
    ASSERT_TRUE(::CreateDirectoryW(test::MediaDrive::MediumPath(1) + L"\\Case 7", nullptr));
    test::MediaDrive::Insert(0);
    m_tree.SetRootFolder(ItemIdList(CSIDL_DRIVES).p, FALSE);
    HTREEITEM hDrive = Find(TVI_ROOT, test::MediaDrive::Root());
    ASSERT_NE(nullptr, hDrive);
    // Wine reports no SFGAO_REMOVABLE for R:; the button then comes from the
    // subfolders Wine claims for every drive without reading it.
    EXPECT_EQ(1, Item(hDrive).cChildren);
    ExpectCollapsedAndExpandable(hDrive);

    test::MediaDrive::Insert(1);
    ExpandAgain(m_tree.m_hWnd, hDrive);
    EXPECT_EQ((std::vector<CString>{L"Case 7"}), ChildTexts(m_tree.m_hWnd, hDrive));
    test::MediaDrive::Erase(1);
}

} // namespace
