// The waiting tree in a real dialog: fills on expansion under a wait node,
// keeps what it filled, fixes the expand button by FillItem's answer, refills
// on request, and leaves no thread, timer or handle behind.

#include "tests/controls/TreeHostDialog.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <tlhelp32.h>

#include <mutex>

using namespace test;

namespace {

const std::vector<CString> kThree = {L"child 0", L"child 1", L"child 2"};
const std::vector<CString> kTwo = {L"child 0", L"child 1"};

class WaitingTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_hTree = m_dialog.TreeWindow();
        m_hNode = InsertNode(m_hTree, L"Folder");
    }

    void Expand() { TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND); }
    void Collapse() { TreeView_Expand(m_hTree, m_hNode, TVE_COLLAPSE); }
    bool IsExpanded() { return TreeView_GetItemState(m_hTree, m_hNode, TVIS_EXPANDED) & TVIS_EXPANDED; }
    // Windows keeps a node's explicit children mark when its last child goes;
    // Wine's tree view drops it, so there the wait node's deletion alone takes
    // the button away. Put it back as Windows leaves it, so that what the
    // waiting tree itself does to the mark shows.
    void KeepMarkAsWindowsDoes()
    {
        m_tree.m_onFill = [this](HTREEITEM hParent) { SetChildrenMark(m_hTree, hParent, TRUE); };
    }

    FillingTree m_tree;
    TreeHostDialog m_dialog{&m_tree};
    HWND m_hTree = nullptr;
    HTREEITEM m_hNode = nullptr;
};

TEST_F(WaitingTreeTest, ExpandingFillsOnceAndShowsTheSameChildrenLater)
{
    Expand();
    EXPECT_EQ(std::vector<HTREEITEM>{m_hNode}, m_tree.m_filled);
    EXPECT_EQ(kThree, ChildTexts(m_hTree, m_hNode));
    EXPECT_TRUE(IsExpanded());
    const std::vector<HTREEITEM> children = ChildrenOf(m_hTree, m_hNode);

    Collapse();
    ExpandAgain(m_hTree, m_hNode);
    EXPECT_EQ(1u, m_tree.m_filled.size());
    EXPECT_EQ(children, ChildrenOf(m_hTree, m_hNode));
}

TEST_F(WaitingTreeTest, ANodeToBeRefilledGetsFreshChildrenInsteadOfMore)
{
    m_tree.m_bRefill = TRUE;
    Expand();
    Collapse();
    m_tree.m_nChildren = 2;
    ExpandAgain(m_hTree, m_hNode);

    EXPECT_EQ(2u, m_tree.m_filled.size());
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, m_hNode));
}

TEST_F(WaitingTreeTest, TheWaitNodeStandsAloneUnderTheNodeUntilTheFillStarts)
{
    std::vector<CString> atBegin;
    std::vector<HTREEITEM> atFill{nullptr};
    m_tree.m_onBegin = [&](HTREEITEM) { atBegin = ChildTexts(m_hTree, m_hNode); };
    m_tree.m_onFill = [&](HTREEITEM hParent) { atFill = ChildrenOf(m_hTree, hParent); };

    Expand();

    EXPECT_EQ(std::vector<CString>{L"Loading..."}, atBegin);
    // FillItem starts on an empty node: what it inserts is all there is.
    EXPECT_TRUE(atFill.empty());
    EXPECT_EQ(kThree, ChildTexts(m_hTree, m_hNode));
}

TEST_F(WaitingTreeTest, AFillThatFindsNothingAndSaysSoRemovesTheExpandButton)
{
    m_tree.m_nChildren = 0;
    KeepMarkAsWindowsDoes();
    Expand();

    EXPECT_EQ(1u, m_tree.m_filled.size());
    EXPECT_FALSE(m_tree.ItemHasChildren(m_hNode));
}

TEST_F(WaitingTreeTest, AFailedFillLeavesTheNodeCollapsedAndExpandableForAnotherTry)
{
    m_tree.m_nChildren = 0;
    m_tree.m_bResult = FALSE;
    KeepMarkAsWindowsDoes();
    Expand();

    EXPECT_FALSE(IsExpanded());
    EXPECT_TRUE(m_tree.ItemHasChildren(m_hNode));
    EXPECT_TRUE(ChildrenOf(m_hTree, m_hNode).empty());

    m_tree.m_nChildren = 2;
    ExpandAgain(m_hTree, m_hNode);
    EXPECT_EQ(2u, m_tree.m_filled.size());
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, m_hNode));
    EXPECT_TRUE(IsExpanded());
}

TEST_F(WaitingTreeTest, RefillOfANodeNotMarkedAsHavingChildrenDoesNothing)
{
    // The mark decides, not the child the node holds.
    HTREEITEM hChild = InsertNode(m_hTree, L"Child", m_hNode, FALSE);
    SetChildrenMark(m_hTree, m_hNode, FALSE);

    m_tree.Refill(m_hNode);

    EXPECT_TRUE(m_tree.m_filled.empty());
    EXPECT_EQ(std::vector<HTREEITEM>{hChild}, ChildrenOf(m_hTree, m_hNode));
}

TEST_F(WaitingTreeTest, RefillReplacesTheChildrenOfANodeOrOfTheTopLevel)
{
    Expand();
    m_tree.m_nChildren = 2;
    m_tree.Refill(m_hNode);
    EXPECT_EQ(2u, m_tree.m_filled.size());
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, m_hNode));

    std::vector<CString> atBegin;
    m_tree.m_onBegin = [&](HTREEITEM) { atBegin = ChildTexts(m_hTree, TVI_ROOT); };
    m_tree.Refill(TVI_ROOT);
    EXPECT_EQ(TVI_ROOT, m_tree.m_filled.back());
    EXPECT_EQ(std::vector<CString>{L"Loading..."}, atBegin);
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, TVI_ROOT));
}

// Records the steps of the animation thread.
class RecordingTree : public FillingTree {
public:
    std::vector<std::vector<int>> Steps()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_steps;
    }
    bool SawStep(std::vector<int> step)
    {
        for (int i = 0; i < 1000; ++i) {
            const auto steps = Steps();
            if (std::find(steps.begin(), steps.end(), step) != steps.end())
                return true;
            Sleep(10);
        }
        return false;
    }

protected:
    void AnimationStep(BOOL bTimerTick, int nTotal, int nDone) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_steps.push_back({bTimerTick, nTotal, nDone});
    }

private:
    std::mutex m_mutex;
    std::vector<std::vector<int>> m_steps;
};

TEST(WaitingTreeThreadTest, StepsAtOnceThenOnEveryProgressReportAndEndsWithTheFill)
{
    RecordingTree tree;
    TreeHostDialog dialog(&tree);
    ASSERT_TRUE(dialog.Create());
    tree.SetAnimationPeriod(5);
    bool bSawSet = false;
    bool bSawAdded = false;
    tree.m_onFill = [&](HTREEITEM) {
        tree.SetFillProgress(7, 3);
        bSawSet = tree.SawStep({FALSE, 7, 3});
        tree.AddFillProgress(2);
        bSawAdded = tree.SawStep({FALSE, 7, 5});
    };

    TreeView_Expand(dialog.TreeWindow(), InsertNode(dialog.TreeWindow(), L"Folder"), TVE_EXPAND);

    EXPECT_TRUE(bSawSet);
    EXPECT_TRUE(bSawAdded);
    const auto steps = tree.Steps();
    ASSERT_GE(steps.size(), 2u);
    // Both events start set and the timer's wins the first wait.
    EXPECT_EQ(TRUE, steps[0][0]);
    EXPECT_EQ(FALSE, steps[1][0]);
    Sleep(100);
    EXPECT_EQ(steps.size(), tree.Steps().size()) << "the thread or the timer outlived the fill";
}

int ThreadCount()
{
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    int nCount = 0;
    for (BOOL bMore = Thread32First(hSnapshot, &entry); bMore; bMore = Thread32Next(hSnapshot, &entry))
        nCount += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(hSnapshot);
    return nCount;
}

// Wine's GetProcessHandleCount answers 0; the system's list of open handles
// (SystemHandleInformation) holds this process's handles on both.
int HandleCount()
{
    struct Entry {
        ULONG nPid;
        BYTE nType, nFlags;
        USHORT nHandle;
        PVOID pObject;
        ACCESS_MASK dwAccess;
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto pQuery = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<ULONG_PTR> buffer(1 << 14);
    ULONG nLength = 0;
    LONG status;
    while ((status = pQuery(16, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &nLength)) ==
           static_cast<LONG>(0xC0000004))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto* pEntries = reinterpret_cast<const Entry*>(&buffer[1]);
    int nCount = 0;
    for (ULONG i = 0; i < static_cast<ULONG>(buffer[0]); ++i)
        nCount += pEntries[i].nPid == GetCurrentProcessId();
    return nCount;
}

void CALLBACK IgnoreTick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {}

TEST_F(WaitingTreeTest, FillsLeaveNoThreadTimerOrHandleBehind)
{
    // The multimedia timer service runs a thread while any timer exists (Wine
    // ends it with the last one); a timer of the test's keeps it throughout.
    const UINT nServiceTimer = timeSetEvent(60000, 1000, IgnoreTick, 0, TIME_PERIODIC);
    ASSERT_NE(0u, nServiceTimer);
    m_tree.SetAnimationPeriod(5);
    Expand();
    const int nThreads = ThreadCount();
    const int nHandles = HandleCount();
    ASSERT_GT(nHandles, 0);

    for (int i = 0; i < 25; ++i)
        m_tree.Refill(m_hNode);
    m_tree.m_bRefill = TRUE;
    for (int i = 0; i < 25; ++i) {
        Collapse();
        ExpandAgain(m_hTree, m_hNode);
    }

    EXPECT_EQ(51u, m_tree.m_filled.size());
    EXPECT_LE(ThreadCount(), nThreads);
    EXPECT_LE(HandleCount(), nHandles);
    timeKillEvent(nServiceTimer);
}

} // namespace
