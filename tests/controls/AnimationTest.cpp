// The waiting tree's animations: the bar's width curves, and what the
// hourglass and the bar draw on a real tree view on screen, called directly
// and from the animation thread of a fill.

#include "controls/CHourglassFX.h"
#include "controls/CProgressFX.h"
#include "framework/CImageList.h"
#include "tests/TestSupport.h"
#include "tests/controls/TreeHostDialog.h"

#include <gtest/gtest.h>

#include <climits>

using namespace test;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);

TEST(ProgressBarWidthTest, UnknownTotalFollowsItsCurveUpToTheFullBar)
{
    const int steps[] = {0, 1, 2, 3, 5, 10, 20, 100, 1774, 1775, 5000, INT_MAX};
    const int widths[] = {0, 8, 16, 23, 34, 47, 49, 50, 50, 50, 50, 50};
    for (size_t i = 0; i < std::size(steps); ++i) {
        EXPECT_EQ(widths[i], ProgressBarWidth(0, steps[i])) << steps[i] << " steps";
        EXPECT_EQ(widths[i], ProgressBarWidth(-5, steps[i])) << steps[i] << " steps";
    }
}

TEST(ProgressBarWidthTest, KnownTotalIsTheShareOfFiftyRoundedDown)
{
    EXPECT_EQ(0, ProgressBarWidth(3, 0));
    EXPECT_EQ(16, ProgressBarWidth(3, 1));
    EXPECT_EQ(33, ProgressBarWidth(3, 2));
    EXPECT_EQ(50, ProgressBarWidth(3, 3));
    EXPECT_EQ(49, ProgressBarWidth(1000, 999));
    // done * 50 no longer fits an int.
    EXPECT_EQ(25, ProgressBarWidth(100000000, 50000000));
    EXPECT_EQ(24, ProgressBarWidth(INT_MAX, INT_MAX / 2));
    EXPECT_EQ(50, ProgressBarWidth(INT_MAX, INT_MAX));
}

TEST(ProgressBarWidthTest, HostileCountsStayInsideTheFrame)
{
    EXPECT_EQ(0, ProgressBarWidth(10, -3));
    EXPECT_EQ(0, ProgressBarWidth(INT_MAX, INT_MIN));
    EXPECT_EQ(50, ProgressBarWidth(10, 11));
    EXPECT_EQ(50, ProgressBarWidth(1, INT_MAX));
    for (int nDone = -3000; nDone <= 3000; ++nDone) {
        const int nWidth = ProgressBarWidth(0, nDone);
        ASSERT_TRUE(nWidth >= 0 && nWidth <= 50) << nDone << " steps give " << nWidth;
    }
}

// The animations stacked as the folder browser stacks them, steps callable.
class AnimatedTree : public CProgressFX<CHourglassFX<FillingTree>> {
public:
    using CProgressFX::AnimationStep;
    using CProgressFX::BeginAnimation;
    using CProgressFX::EndAnimation;
};

std::vector<COLORREF> Capture(HDC hdc, const RECT& rect)
{
    std::vector<COLORREF> pixels;
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x)
            pixels.push_back(GetPixel(hdc, x, y));
    }
    return pixels;
}

std::vector<COLORREF> Capture(HWND hWnd, const RECT& rect)
{
    HDC hdc = GetDC(hWnd);
    std::vector<COLORREF> pixels = Capture(hdc, rect);
    ReleaseDC(hWnd, hdc);
    return pixels;
}

COLORREF Pixel(HWND hWnd, int x, int y) { return Capture(hWnd, RECT{x, y, x + 1, y + 1})[0]; }

// How many pixels of row y from x0 on have the colour.
int RunOf(HWND hWnd, int x0, int y, COLORREF colour)
{
    int n = 0;
    while (n < 100 && Pixel(hWnd, x0 + n, y) == colour)
        ++n;
    return n;
}

bool AllWhite(const std::vector<COLORREF>& pixels)
{
    return std::count(pixels.begin(), pixels.end(), kWhite) == static_cast<long>(pixels.size());
}

// Step nStep of the program's hourglass as DrawIconEx draws it over white.
std::vector<COLORREF> RenderStep(int nStep, int cx, int cy)
{
    HCURSOR hCursor = static_cast<HCURSOR>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_HOURGLASS),
                                                      IMAGE_CURSOR, 0, 0, LR_DEFAULTCOLOR));
    HDC hScreen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(hScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hScreen, cx, cy);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    HBRUSH hWhite = CreateSolidBrush(kWhite);
    const bool bDrawn = hCursor && DrawIconEx(hdc, 0, 0, hCursor, cx, cy, static_cast<UINT>(nStep), hWhite, DI_NORMAL);
    std::vector<COLORREF> pixels = bDrawn ? Capture(hdc, RECT{0, 0, cx, cy}) : std::vector<COLORREF>();
    DeleteObject(hWhite);
    SelectObject(hdc, hOld);
    DeleteObject(hbm);
    DeleteDC(hdc);
    ReleaseDC(nullptr, hScreen);
    DestroyCursor(hCursor);
    return pixels;
}

// The bar's frame: 56 pixels wide, 3 pixels right of the text, at most 16
// pixels high, centred on the text.
RECT ExpectedFrame(const RECT& text)
{
    const LONG d = std::max(0L, (text.bottom - text.top - 16) / 2);
    return RECT{text.right + 3, text.top + d, text.right + 3 + 56, text.bottom - d};
}

class AnimationDrawingTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create(true));
        m_hTree = m_dialog.TreeWindow();
        // An empty list: the tree draws no icon but keeps an image position.
        ASSERT_TRUE(m_images.Create(16, 16, ILC_COLOR32, 0, 1));
        TreeView_SetImageList(m_hTree, m_images.GetSafeHandle(), TVSIL_NORMAL);
        m_hNode = InsertNode(m_hTree, L"Folder");
        PumpMessages(200);
        m_frame = ExpectedFrame(NodeTextRect(m_hTree, m_hNode));
        m_y = (m_frame.top + m_frame.bottom) / 2;
    }

    CImageList m_images;
    AnimatedTree m_tree;
    TreeHostDialog m_dialog{&m_tree};
    HWND m_hTree = nullptr;
    HTREEITEM m_hNode = nullptr;
    RECT m_frame = {};
    int m_y = 0;
};

TEST_F(AnimationDrawingTest, TheHourglassDrawsItsNextStepIntoTheImagePositionOnEveryTick)
{
    RECT image;
    ASSERT_TRUE(m_tree.GetImageRect(m_hNode, &image));
    std::vector<std::vector<COLORREF>> steps;
    for (int nStep = 0; nStep < 10; ++nStep)
        steps.push_back(RenderStep(nStep, image.right - image.left, image.bottom - image.top));
    for (int nStep = 0; nStep < 10; ++nStep) {
        ASSERT_FALSE(steps[nStep].empty()) << "step " << nStep << " not drawn";
        EXPECT_NE(steps[nStep], steps[(nStep + 1) % 10]) << "steps " << nStep << " and the next look alike";
    }

    m_tree.BeginAnimation(m_hNode);
    const std::vector<COLORREF> before = Capture(m_hTree, image);
    m_tree.AnimationStep(FALSE, 0, 1);
    EXPECT_EQ(before, Capture(m_hTree, image)) << "a progress step moved the hourglass";
    m_tree.AnimationStep(TRUE, 0, 1);
    EXPECT_EQ(steps[1], Capture(m_hTree, image));
    m_tree.AnimationStep(TRUE, 0, 1);
    EXPECT_EQ(steps[2], Capture(m_hTree, image));
    for (int i = 0; i < 9; ++i)
        m_tree.AnimationStep(TRUE, 0, 1);
    EXPECT_EQ(steps[1], Capture(m_hTree, image)) << "ten ticks are not one turn";
    m_tree.EndAnimation();
}

TEST_F(AnimationDrawingTest, TheBarGrowsInsideItsFrameOnProgressStepsOnly)
{
    const int xBar = m_frame.left + 3;
    m_tree.BeginAnimation(m_hNode);
    m_tree.AnimationStep(TRUE, 4, 2);
    EXPECT_EQ(kWhite, Pixel(m_hTree, m_frame.left, m_y)) << "a tick drew the frame";
    m_tree.AnimationStep(FALSE, 4, 2);

    EXPECT_EQ(56, RunOf(m_hTree, m_frame.left, m_frame.top, kBlack));
    EXPECT_EQ(56, RunOf(m_hTree, m_frame.left, m_frame.bottom - 1, kBlack));
    EXPECT_EQ(kBlack, Pixel(m_hTree, m_frame.right - 1, m_y));
    EXPECT_EQ(kWhite, Pixel(m_hTree, m_frame.left - 1, m_y));
    EXPECT_EQ(kWhite, Pixel(m_hTree, m_frame.left + 1, m_frame.bottom));
    EXPECT_EQ(25, RunOf(m_hTree, xBar, m_y, kRed));
    EXPECT_EQ(kWhite, Pixel(m_hTree, xBar, m_frame.top + 2));
    EXPECT_EQ(kRed, Pixel(m_hTree, xBar, m_frame.top + 3));
    EXPECT_EQ(kRed, Pixel(m_hTree, xBar, m_frame.bottom - 4));
    EXPECT_EQ(kWhite, Pixel(m_hTree, xBar, m_frame.bottom - 3));

    m_tree.AnimationStep(TRUE, 4, 4);
    EXPECT_EQ(25, RunOf(m_hTree, xBar, m_y, kRed)) << "a tick moved the bar";
    m_tree.AnimationStep(FALSE, 4, 4);
    EXPECT_EQ(50, RunOf(m_hTree, xBar, m_y, kRed));
    m_tree.EndAnimation();

    // A new animation starts with an empty bar; an unknown total shows 8
    // pixels after the first step.
    InvalidateRect(m_hTree, nullptr, TRUE);
    UpdateWindow(m_hTree);
    m_tree.BeginAnimation(m_hNode);
    m_tree.AnimationStep(FALSE, 0, 0);
    EXPECT_EQ(0, RunOf(m_hTree, xBar, m_y, kRed));
    m_tree.AnimationStep(FALSE, 0, 1);
    EXPECT_EQ(8, RunOf(m_hTree, xBar, m_y, kRed));
    m_tree.EndAnimation();
}

// Whether probe() comes true within a few seconds.
template <class Probe>
bool Eventually(Probe probe)
{
    for (int i = 0; i < 500 && !probe(); ++i)
        Sleep(10);
    return probe();
}

TEST_F(AnimationDrawingTest, TheAnimationThreadDrawsBarAndHourglassWhileTheFillRuns)
{
    RECT text = {};
    RECT image = {};
    m_tree.m_onBegin = [&](HTREEITEM hWaitNode) {
        text = NodeTextRect(m_hTree, hWaitNode);
        m_tree.GetImageRect(hWaitNode, &image);
    };
    bool bWaitText = false;
    bool bBar = false;
    bool bHourglass = false;
    m_tree.m_onFill = [&](HTREEITEM) {
        // Redrawing is off: the deleted wait node's text stays on screen.
        bWaitText = !AllWhite(Capture(m_hTree, text));
        const RECT frame = ExpectedFrame(text);
        m_tree.SetFillProgress(4, 4);
        bBar = Eventually([&] { return RunOf(m_hTree, frame.left + 3, (frame.top + frame.bottom) / 2, kRed) == 50; });
        bHourglass = Eventually([&] { return !AllWhite(Capture(m_hTree, image)); });
    };

    TreeView_Expand(m_hTree, m_hNode, TVE_EXPAND);

    ASSERT_FALSE(IsRectEmpty(&text));
    ASSERT_FALSE(IsRectEmpty(&image));
    EXPECT_TRUE(bWaitText);
    EXPECT_TRUE(bBar);
    EXPECT_TRUE(bHourglass);
    EXPECT_EQ(3u, ChildrenOf(m_hTree, m_hNode).size());
}

} // namespace
