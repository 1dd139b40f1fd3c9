// The waiting tree in a real dialog: fills on expansion under a wait node,
// keeps what it filled, fixes the expand button by FillItem's answer, refills
// on request, leaves no thread or handle behind, and draws its progress bar.

#include "controls/CHourglassFX.h"
#include "controls/CProgressFX.h"
#include "tests/TestSupport.h"
#include "tests/controls/TreeHost.h"

#include <gtest/gtest.h>

#include <mmsystem.h>
#include <tlhelp32.h>

#include <climits>

using namespace test;

namespace {

const std::vector<CString> kTwo = {L"child 0", L"child 1"}, kThree = {L"child 0", L"child 1", L"child 2"};

class WaitingTreeTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_host.Create());
        m_hTree = m_host.Tree();
        m_hNode = InsertNode(m_hTree, L"Folder");
    }
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
    TreeHost m_host{&m_tree};
    HWND m_hTree = nullptr;
    HTREEITEM m_hNode = nullptr;
};

TEST_F(WaitingTreeTest, FillsOnceUnderAWaitNodeAndRefillsOnlyWhenAsked)
{
    std::vector<CString> atBegin;
    std::vector<HTREEITEM> atFill{nullptr};
    m_tree.m_onBegin = [&](HTREEITEM) { atBegin = ChildTexts(m_hTree, m_hNode); };
    m_tree.m_onFill = [&](HTREEITEM hParent) { atFill = ChildrenOf(m_hTree, hParent); };
    TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND);
    EXPECT_EQ(std::vector<CString>{L"Loading..."}, atBegin);
    EXPECT_TRUE(atFill.empty()) << "the fill starts on an empty node";
    EXPECT_EQ(kThree, ChildTexts(m_hTree, m_hNode));
    EXPECT_TRUE(IsExpanded());
    const std::vector<HTREEITEM> children = ChildrenOf(m_hTree, m_hNode);

    Collapse();
    ExpandAgain(m_hTree, m_hNode);
    EXPECT_EQ(1u, m_tree.m_filled.size());
    EXPECT_EQ(children, ChildrenOf(m_hTree, m_hNode));

    m_tree.m_bRefill = TRUE;
    m_tree.m_nChildren = 2;
    Collapse();
    ExpandAgain(m_hTree, m_hNode);
    EXPECT_EQ(2u, m_tree.m_filled.size());
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, m_hNode)) << "fresh children, not more";
}

TEST_F(WaitingTreeTest, TheFillsAnswerDecidesTheExpandButton)
{
    m_tree.m_nChildren = 0;
    m_tree.m_bResult = FALSE;
    KeepMarkAsWindowsDoes();
    TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND);
    EXPECT_FALSE(IsExpanded());
    EXPECT_TRUE(m_tree.ItemHasChildren(m_hNode)) << "a failed fill leaves the node for another try";

    m_tree.m_bResult = TRUE;
    ExpandAgain(m_hTree, m_hNode);
    EXPECT_EQ(2u, m_tree.m_filled.size());
    EXPECT_FALSE(m_tree.ItemHasChildren(m_hNode)) << "a fill that finds nothing and says so";
}

TEST_F(WaitingTreeTest, RefillReplacesTheChildrenOfANodeOrOfTheTopLevel)
{
    TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND);
    m_tree.m_nChildren = 2;
    m_tree.Refill(m_hNode);
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, m_hNode));
    std::vector<CString> atBegin;
    m_tree.m_onBegin = [&](HTREEITEM) { atBegin = ChildTexts(m_hTree, TVI_ROOT); };
    m_tree.Refill(TVI_ROOT);
    EXPECT_EQ(TVI_ROOT, m_tree.m_filled.back());
    EXPECT_EQ(std::vector<CString>{L"Loading..."}, atBegin);
    EXPECT_EQ(kTwo, ChildTexts(m_hTree, TVI_ROOT));
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

TEST_F(WaitingTreeTest, FillsLeaveNoThreadOrHandleBehind)
{
    // The multimedia timer service runs a thread while any timer exists (Wine
    // ends it with the last one); a timer of the test's keeps it throughout.
    const UINT nServiceTimer = timeSetEvent(60000, 1000, IgnoreTick, 0, TIME_PERIODIC);
    ASSERT_NE(0u, nServiceTimer);
    m_tree.SetAnimationPeriod(5);
    TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND);
    const int nThreads = ThreadCount();
    const int nHandles = HandleCount();
    ASSERT_GT(nHandles, 0);

    m_tree.m_bRefill = TRUE;
    for (int i = 0; i < 50; ++i) {
        Collapse();
        ExpandAgain(m_hTree, m_hNode);
    }
    EXPECT_EQ(51u, m_tree.m_filled.size());
    EXPECT_LE(ThreadCount(), nThreads);
    EXPECT_LE(HandleCount(), nHandles);
    timeKillEvent(nServiceTimer);
}

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

TEST(ProgressBarWidthTest, KnownShareOfFiftyUnknownTotalOnItsCurveAlwaysInsideTheFrame)
{
    const struct {
        int nTotal, nDone, nWidth;
    } cases[] = {
        // An unknown total (0 or less) follows the curve up to the full bar.
        {0, 0, 0}, {0, 1, 8}, {0, 2, 16}, {0, 3, 23}, {0, 5, 34}, {0, 10, 47}, {0, 20, 49}, {0, 100, 50},
        {0, 1774, 50}, {-5, 3, 23}, {0, INT_MAX, 50},
        // A known total: the share of 50 rounded down, in 64 bits.
        {3, 1, 16}, {3, 2, 33}, {1000, 999, 49}, {100000000, 50000000, 25}, {INT_MAX, INT_MAX / 2, 24},
        // Hostile counts.
        {10, -3, 0}, {INT_MAX, INT_MIN, 0}, {10, 11, 50}, {1, INT_MAX, 50}, {0, -3000, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(c.nWidth, ProgressBarWidth(c.nTotal, c.nDone)) << c.nTotal << ", " << c.nDone;
}

// The animations stacked as the folder browser stacks them, steps callable.
class AnimatedTree : public CProgressFX<CHourglassFX<FillingTree>> {
public:
    using CProgressFX::AnimationStep;
    using CProgressFX::BeginAnimation;
    using CProgressFX::EndAnimation;
};

// How many pixels of row y from x0 on have the colour.
int RunOf(HWND hWnd, int x0, int y, COLORREF colour)
{
    HDC hdc = GetDC(hWnd);
    int n = 0;
    while (n < 100 && GetPixel(hdc, x0 + n, y) == colour)
        ++n;
    ReleaseDC(hWnd, hdc);
    return n;
}

TEST(AnimationDrawingTest, TheBarGrowsInsideItsFrameOnProgressStepsOnly)
{
    AnimatedTree tree;
    TreeHost host(&tree);
    ASSERT_TRUE(host.Create());
    // On screen: what is drawn is read back from it.
    ShowWindow(host.m_hWnd, SW_SHOW);
    const HWND hTree = host.Tree();
    const HTREEITEM hNode = InsertNode(hTree, L"Folder");
    PumpMessages(200);
    // The frame: 56 pixels wide, 3 pixels right of the text, at most 16
    // pixels high, centred on the text.
    const RECT text = NodeTextRect(hTree, hNode);
    const LONG d = std::max(0L, (text.bottom - text.top - 16) / 2);
    const RECT frame = {text.right + 3, text.top + d, text.right + 3 + 56, text.bottom - d};
    const int y = (frame.top + frame.bottom) / 2;
    const int xBar = frame.left + 3;
    tree.BeginAnimation(hNode);
    tree.AnimationStep(TRUE, 4, 2);
    EXPECT_LT(0, RunOf(hTree, frame.left, y, kWhite)) << "a tick drew the frame";
    tree.AnimationStep(FALSE, 4, 2);
    EXPECT_EQ(56, RunOf(hTree, frame.left, frame.top, kBlack));
    EXPECT_EQ(56, RunOf(hTree, frame.left, frame.bottom - 1, kBlack));
    EXPECT_EQ(1, RunOf(hTree, frame.right - 1, y, kBlack));
    EXPECT_EQ(1, RunOf(hTree, frame.left - 1, y, kWhite));
    EXPECT_EQ(25, RunOf(hTree, xBar, y, kRed));
    EXPECT_LT(0, RunOf(hTree, xBar, frame.top + 2, kWhite));
    EXPECT_LT(0, RunOf(hTree, xBar, frame.bottom - 3, kWhite));
    tree.AnimationStep(TRUE, 4, 4);
    EXPECT_EQ(25, RunOf(hTree, xBar, y, kRed)) << "a tick moved the bar";
    tree.AnimationStep(FALSE, 4, 4);
    EXPECT_EQ(50, RunOf(hTree, xBar, y, kRed));
    tree.EndAnimation();
}

} // namespace
