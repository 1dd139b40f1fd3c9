// Notifications a dialog hands back to the control object that sent them.

#include "tests/controls/CheckboxTreeDialog.h"

#include <gtest/gtest.h>

#include <algorithm>

using test::CheckboxTreeDialog;

namespace {

const int kChildId = 101;
const UINT kHandledCode = 0xFFFF0001u;
const UINT kIgnoredCode = 0xFFFF0002u;

// Handles one code with the result 42 and lets everything else pass.
class Recorder : public CWnd {
public:
    BOOL OnReflectedNotify(NMHDR* pHdr, LRESULT* pResult) override
    {
        m_codes.push_back(pHdr->code);
        if (pHdr->code != kHandledCode)
            return FALSE;
        *pResult = 42;
        return TRUE;
    }
    std::vector<UINT> m_codes;
};

class DialogReflectionTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dialog.Create());
        m_hChild = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, m_dialog.GetSafeHwnd(),
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kChildId)), GetModuleHandleW(nullptr),
                                   nullptr);
        ASSERT_NE(nullptr, m_hChild);
    }

    LRESULT Notify(UINT code)
    {
        NMHDR hdr = {m_hChild, static_cast<UINT_PTR>(kChildId), code};
        return SendMessageW(m_dialog.GetSafeHwnd(), WM_NOTIFY, kChildId, reinterpret_cast<LPARAM>(&hdr));
    }

    CheckboxTreeDialog m_dialog{nullptr};
    HWND m_hChild = nullptr;
};

TEST_F(DialogReflectionTest, TheRegisteredControlAnswersFirstAndTheDialogGetsTheRest)
{
    Recorder recorder;
    ASSERT_TRUE(CDialog::RegisterReflection(m_hChild, &recorder));

    EXPECT_EQ(42, Notify(kHandledCode));
    EXPECT_EQ(0, Notify(kIgnoredCode));

    EXPECT_EQ((std::vector<UINT>{kHandledCode, kIgnoredCode}), recorder.m_codes);
    EXPECT_EQ((std::vector<UINT>{kIgnoredCode}), m_dialog.NotifiedCodes(m_hChild));
    CDialog::UnregisterReflection(m_hChild);
}

TEST_F(DialogReflectionTest, AfterUnregisteringTheDialogGetsEverything)
{
    Recorder recorder;
    ASSERT_TRUE(CDialog::RegisterReflection(m_hChild, &recorder));
    CDialog::UnregisterReflection(m_hChild);

    EXPECT_EQ(0, Notify(kHandledCode));

    EXPECT_TRUE(recorder.m_codes.empty());
    EXPECT_EQ((std::vector<UINT>{kHandledCode}), m_dialog.NotifiedCodes(m_hChild));
}

TEST_F(DialogReflectionTest, NotificationsOfUnregisteredControlsGoToTheDialog)
{
    Recorder recorder;
    ASSERT_TRUE(CDialog::RegisterReflection(m_dialog.TreeWindow(), &recorder));

    EXPECT_EQ(0, Notify(kHandledCode));

    EXPECT_TRUE(recorder.m_codes.empty());
    EXPECT_EQ((std::vector<UINT>{kHandledCode}), m_dialog.NotifiedCodes(m_hChild));
    // The tree's own object registered itself; give the window back to it.
    ASSERT_TRUE(CDialog::RegisterReflection(m_dialog.TreeWindow(), &m_dialog.Tree()));
}

TEST_F(DialogReflectionTest, AWindowProcedureReflectsWithTheSameCall)
{
    Recorder recorder;
    ASSERT_TRUE(CDialog::RegisterReflection(m_hChild, &recorder));
    NMHDR hdr = {m_hChild, static_cast<UINT_PTR>(kChildId), kHandledCode};
    LRESULT result = 0;

    EXPECT_TRUE(CDialog::ReflectNotify(reinterpret_cast<LPARAM>(&hdr), &result));
    EXPECT_EQ(42, result);
    hdr.code = kIgnoredCode;
    EXPECT_FALSE(CDialog::ReflectNotify(reinterpret_cast<LPARAM>(&hdr), &result));
    NMHDR anonymous = {nullptr, 0, kHandledCode};
    EXPECT_FALSE(CDialog::ReflectNotify(reinterpret_cast<LPARAM>(&anonymous), &result));
    CDialog::UnregisterReflection(m_hChild);
}

TEST_F(DialogReflectionTest, TheCheckboxTreeStopsReflectingWhenItGoesAway)
{
    HWND hTree = m_dialog.TreeWindow();
    {
        CCheckboxTree other;
        // The second object takes the window over from the dialog's own.
        ASSERT_TRUE(other.Init(CheckboxTreeDialog::kTreeId, &m_dialog, nullptr));
    }
    // A dangling registration would hand this to the destroyed object.
    NMHDR hdr = {hTree, static_cast<UINT_PTR>(CheckboxTreeDialog::kTreeId), NM_CLICK};
    SendMessageW(m_dialog.GetSafeHwnd(), WM_NOTIFY, CheckboxTreeDialog::kTreeId, reinterpret_cast<LPARAM>(&hdr));
    std::vector<UINT> codes = m_dialog.NotifiedCodes(hTree);
    EXPECT_EQ(1, std::count(codes.begin(), codes.end(), static_cast<UINT>(NM_CLICK)));
}

} // namespace
