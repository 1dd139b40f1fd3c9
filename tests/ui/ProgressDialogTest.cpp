// The progress dialog with its real worker thread. An item of a given size
// looks at the open dialog from the worker, through the messages the dialog's
// thread answers, while the run is under way: the bar's range and position,
// the status line, and whether the dialog is still up after the keys and
// requests that would end an ordinary dialog.

#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "items/CBackupItem.h"
#include "res/resource.h"
#include "tests/TestSupport.h"
#include "tests/ui/UiTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using test::LoadText;

namespace {

// An item of a fixed size whose backup runs a probe on the worker thread.
class ProbeItem : public CBackupItem {
public:
    using Probe = std::function<void(CBackupDialog* pDlg, HWND hDlg)>;

    ProbeItem(LONGLONG nSize, Probe probe) : m_nFixedSize(nSize), m_probe(std::move(probe)) { SetName(L"probe"); }

    LONGLONG CalculateSize() override { return m_nFixedSize; }
    void Backup(const CString&, IProgressListener* pListener) override
    {
        auto* pDlg = dynamic_cast<CBackupDialog*>(pListener);
        ASSERT_NE(nullptr, pDlg);
        m_probe(pDlg, pDlg->m_hWnd);
    }
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}

private:
    LONGLONG m_nFixedSize;
    Probe m_probe;
};

int UpperRange(HWND hDlg)
{
    PBRANGE range = {};
    SendMessageW(GetDlgItem(hDlg, IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    return range.iHigh;
}

CString StatusText(HWND hDlg)
{
    // Read by message: the status control belongs to the dialog's thread.
    wchar_t text[256] = {};
    SendMessageW(GetDlgItem(hDlg, IDC_PROGRESS_STATUS), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

class ProgressDialogTest : public test::UiTest {
protected:
    // Runs a backup of the item into a scratch folder; the dialog's result.
    INT_PTR Run(ProbeItem& item)
    {
        CBackupDialog dlg(m_target.Path(), &item, TRUE);
        INT_PTR result = dlg.DoModal();
        m_outcome = dlg.GetOutcome();
        return result;
    }
    int RangeFor(LONGLONG nBytes)
    {
        int range = -1;
        ProbeItem item(nBytes, [&](CBackupDialog*, HWND hDlg) { range = UpperRange(hDlg); });
        test::MessageLog log;
        EXPECT_EQ(IDOK, Run(item));
        return range;
    }

    test::TempDir m_target;
    UINT m_outcome = 0;
};

} // namespace

TEST(BytesToUnits, KilobytesAndAtLeastOneForAnyData)
{
    EXPECT_EQ(0, CBackupDialog::BytesToUnits(0));
    EXPECT_EQ(1, CBackupDialog::BytesToUnits(1));
    EXPECT_EQ(1, CBackupDialog::BytesToUnits(2047));
    EXPECT_EQ(2, CBackupDialog::BytesToUnits(2048));
    EXPECT_EQ(0, CBackupDialog::BytesToUnits(-5));
}

TEST_F(ProgressDialogTest, RangeIsTheSizeInKilobytes)
{
    EXPECT_EQ(1, RangeFor(500));
    EXPECT_EQ(0, RangeFor(0));
    EXPECT_EQ(10240, RangeFor(10 * 1024 * 1024));
}

TEST_F(ProgressDialogTest, VerificationDoublesTheRange)
{
    gVerifyAfterBackup = TRUE;
    EXPECT_EQ(20480, RangeFor(10 * 1024 * 1024));
    EXPECT_EQ(2, RangeFor(500));
}

TEST_F(ProgressDialogTest, AddProgressMovesByKilobytesAndAtLeastOne)
{
    int start = -1, afterZero = -1, afterOne = -1, afterKilobytes = -1;
    ProbeItem item(100 * 1024, [&](CBackupDialog* pDlg, HWND) {
        pDlg->SetProgressPos(10);
        start = pDlg->GetProgressPos();
        pDlg->AddProgress(0);
        afterZero = pDlg->GetProgressPos();
        pDlg->AddProgress(1);
        afterOne = pDlg->GetProgressPos();
        pDlg->AddProgress(3 * 1024 + 1023);
        afterKilobytes = pDlg->GetProgressPos();
    });
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_EQ(10, start);
    EXPECT_EQ(10, afterZero);
    EXPECT_EQ(11, afterOne);
    EXPECT_EQ(14, afterKilobytes);
}

TEST_F(ProgressDialogTest, CancelShowsCancellingAtOnceAndTheRunEndsItself)
{
    CString status;
    BOOL cancelled = FALSE;
    bool visible = false;
    HWND hWatched = nullptr;
    ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
        hWatched = hDlg;
        HWND hButton = GetDlgItem(hDlg, IDC_PROGRESS_CANCEL);
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDC_PROGRESS_CANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(hButton));
        status = StatusText(hDlg);
        cancelled = pDlg->IsCancelled();
        visible = IsWindowVisible(hDlg) != FALSE;
    });
    test::MessageLog log;
    log.WatchWindow(&hWatched);
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_EQ(LoadText(IDS_CANCELLING), status);
    EXPECT_EQ(CString(L"Cancelling process ...."), status);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(visible);
    // The dialog closed only after the run's final message.
    auto messages = log.Messages();
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(LoadText(IDS_BACKUP_CANCELLED), messages[0].text);
    EXPECT_TRUE(messages[0].watchedVisible);
    EXPECT_TRUE(m_outcome & CBackup::OutcomeIncomplete);
}

TEST_F(ProgressDialogTest, EscapeAndCloseCancelButDoNotEndTheDialog)
{
    bool visibleAfterEscape = false, visibleAfterClose = false;
    BOOL cancelledByEscape = FALSE;
    CString status;
    ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
        // What the dialog manager sends for the Escape key.
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        visibleAfterEscape = IsWindowVisible(hDlg) != FALSE;
        cancelledByEscape = pDlg->IsCancelled();
        status = StatusText(hDlg);
        SendMessageW(hDlg, WM_CLOSE, 0, 0);
        visibleAfterClose = IsWindowVisible(hDlg) != FALSE;
    });
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_TRUE(visibleAfterEscape);
    EXPECT_TRUE(visibleAfterClose);
    EXPECT_TRUE(cancelledByEscape);
    EXPECT_EQ(LoadText(IDS_CANCELLING), status);
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_CANCELLED)}), log.Texts());
}

TEST_F(ProgressDialogTest, CloseRequestAloneCancels)
{
    BOOL cancelled = FALSE;
    bool visible = false;
    ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
        SendMessageW(hDlg, WM_CLOSE, 0, 0);
        cancelled = pDlg->IsCancelled();
        visible = IsWindowVisible(hDlg) != FALSE;
    });
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(visible);
}

TEST_F(ProgressDialogTest, EnterDoesNotEndTheDialogNorCancel)
{
    bool visible = false;
    BOOL cancelled = TRUE;
    ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
        // What the dialog manager sends for the Enter key.
        SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        visible = IsWindowVisible(hDlg) != FALSE;
        cancelled = pDlg->IsCancelled();
    });
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_TRUE(visible);
    EXPECT_FALSE(cancelled);
    EXPECT_EQ((std::vector<CString>{LoadText(IDS_BACKUP_SUCCEEDED)}), log.Texts());
    EXPECT_EQ(0u, m_outcome);
    EXPECT_EQ(1, test::ReadBackupIni(m_target.Path(), L"BackupComplete"));
}

TEST_F(ProgressDialogTest, UnattendedRunShowsNoMessage)
{
    gAutomatedMode = TRUE;
    CString status;
    ProbeItem item(4096, [&](CBackupDialog*, HWND hDlg) { status = StatusText(hDlg); });
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_EQ(LoadText(IDS_COPYING_FILES), status);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(0u, m_outcome);
}
