// The progress dialog with its real worker thread. An item of a given size
// looks at the open dialog from the worker while the run is under way: the
// bar's range, the status line, and whether the dialog is still up after the
// keys and requests that would end an ordinary dialog.

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
        ProbeItem item(nBytes, [&](CBackupDialog*, HWND hDlg) {
            range = static_cast<int>(SendDlgItemMessageW(hDlg, IDC_PROGRESS_BAR, PBM_GETRANGE, FALSE, 0));
        });
        test::MessageLog log;
        EXPECT_EQ(IDOK, Run(item));
        return range;
    }

    test::TempDir m_target;
    UINT m_outcome = 0;
};

} // namespace

TEST_F(ProgressDialogTest, RangeIsTheSizeInKilobytesTwiceWithVerification)
{
    EXPECT_EQ(1, RangeFor(500));
    EXPECT_EQ(0, RangeFor(0));
    EXPECT_EQ(10240, RangeFor(10 * 1024 * 1024));
    gVerifyAfterBackup = TRUE;
    EXPECT_EQ(20480, RangeFor(10 * 1024 * 1024));
    EXPECT_EQ(2, RangeFor(500));
}

TEST_F(ProgressDialogTest, CancelRequestsShowCancellingAtOnceAndTheRunEndsItself)
{
    // Enter, Escape and the close request end an ordinary dialog; here Enter
    // does nothing and the other two cancel like the button. A verifying run
    // cancelled while it copies says the backup was cancelled.
    gVerifyAfterBackup = TRUE;
    std::vector<CString> status;
    std::vector<BOOL> cancelled;
    std::vector<bool> visible;
    HWND hWatched = nullptr;
    auto command = [](HWND hDlg, int nId) { SendMessageW(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), 0); };
    const std::vector<std::function<void(HWND)>> requests = {
        [&](HWND hDlg) { command(hDlg, IDOK); },
        [&](HWND hDlg) { command(hDlg, IDC_PROGRESS_CANCEL); },
        [&](HWND hDlg) { command(hDlg, IDCANCEL); },
        [&](HWND hDlg) { SendMessageW(hDlg, WM_CLOSE, 0, 0); },
    };
    // Each request in a run of its own.
    for (size_t i = 0; i < requests.size(); ++i) {
        ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
            hWatched = hDlg;
            requests[i](hDlg);
            status.push_back(test::ItemText(hDlg, IDC_PROGRESS_STATUS));
            cancelled.push_back(pDlg->IsCancelled());
            visible.push_back(IsWindowVisible(hDlg) != FALSE);
        });
        test::MessageLog log;
        log.WatchWindow(&hWatched);
        EXPECT_EQ(IDOK, Run(item));
        const std::vector<test::SMessage> messages = log.Messages();
        ASSERT_EQ(1u, messages.size());
        EXPECT_TRUE(messages[0].watchedVisible) << "the dialog closed before the run's final message";
        EXPECT_EQ(LoadText(i ? IDS_BACKUP_CANCELLED : IDS_BACKUP_SUCCEEDED), messages[0].text) << i;
        EXPECT_EQ(i ? static_cast<UINT>(CBackup::OutcomeIncomplete) : 0u, m_outcome & CBackup::OutcomeIncomplete);
    }
    EXPECT_EQ((std::vector<bool>{true, true, true, true}), visible);
    EXPECT_EQ((std::vector<BOOL>{FALSE, TRUE, TRUE, TRUE}), cancelled);
    EXPECT_EQ(LoadText(IDS_COPYING_FILES), status[0]);
    EXPECT_EQ(CString(L"Cancelling process ...."), status[1]);
    EXPECT_EQ((std::vector<CString>(3, status[1])), std::vector<CString>(status.begin() + 1, status.end()));
}

TEST_F(ProgressDialogTest, TheRunsQuestionsAreAskedInFrontOfTheDialogAndAnsweredThroughIt)
{
    std::vector<HWND> owners;
    AfxSetDialogResponder([&](HWND hOwner, UINT nIdTemplate, const CString& text) {
        owners.push_back(hOwner);
        EXPECT_EQ(static_cast<UINT>(IDD_OVERWRITE_FILES), nIdTemplate);
        EXPECT_EQ(CString(L"overwrite?"), text);
        return SDialogAnswer{IDOK, TRUE};
    });
    test::MessageLog log({IDOK, IDCANCEL});
    HWND hDialog = nullptr;
    std::vector<BOOL> answers;
    ProbeItem item(4096, [&](CBackupDialog* pDlg, HWND hDlg) {
        hDialog = hDlg;
        answers = {pDlg->AskOverwrite(L"overwrite?", L"a.dat"), pDlg->AskOverwrite(L"overwrite?", L"a.dat"),
                   pDlg->AskForMedium(L"medium?"), pDlg->AskForDisk(2)};
    });
    EXPECT_EQ(IDOK, Run(item));
    // Yes remembered answers the second question; OK, then Cancel.
    EXPECT_EQ((std::vector<BOOL>{TRUE, TRUE, TRUE, FALSE}), answers);
    ASSERT_EQ(1u, owners.size());
    EXPECT_EQ(hDialog, owners[0]);
    const std::vector<test::SMessage> messages = log.Messages();
    ASSERT_EQ(3u, messages.size());
    EXPECT_EQ(CString(L"medium?"), messages[0].text);
    EXPECT_EQ(LoadText(IDS_INSERT_DISK).Left(18), messages[1].text.Left(18));
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(hDialog, messages[i].hOwner) << messages[i].text;
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION), messages[i].type);
    }
    EXPECT_FALSE(gRememberChoice) << "the run forgets the answer when it ends";

    // Something the run did not expect ends it as failed, and the dialog closes.
    test::MessageLog failed;
    ProbeItem throwing(4096, [](CBackupDialog*, HWND) { AfxThrowMemoryException(); });
    EXPECT_EQ(IDOK, Run(throwing));
    EXPECT_EQ(static_cast<UINT>(CBackup::OutcomeFatal), m_outcome);
    // It names what went wrong and offers the run's report.
    ASSERT_EQ(1u, failed.Messages().size());
    EXPECT_EQ(LoadText(IDS_UNKNOWN_ERROR) + L"\n\n" + LoadText(IDS_OPEN_REPORT), failed.Messages()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), failed.Messages()[0].type & MB_TYPEMASK);
}

TEST_F(ProgressDialogTest, TheDetailLinesShowTheFileInHandAndTheBarMovesWithinIt)
{
    std::vector<int> positions;
    CString file, counts;
    ProbeItem item(4 * 1024 * 1024, [&](CBackupDialog* pDlg, HWND hDlg) {
        pDlg->SetCurrentFile(L"X:\\Scans\\big.dat");
        // Blocks of one large file, as a copy reports them, further apart
        // than the bar's updates.
        for (int i = 0; i < 3; ++i) {
            pDlg->AddProgress(1024 * 1024);
            positions.push_back(static_cast<int>(SendDlgItemMessageW(hDlg, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0)));
            Sleep(static_cast<DWORD>(CBackupDialog::kProgressIntervalMs) + 50);
        }
        file = test::ItemText(hDlg, IDC_PROGRESS_FILE);
        counts = test::ItemText(hDlg, IDC_PROGRESS_COUNTS);
    });
    item.SetCheck(1);
    test::MessageLog log;
    EXPECT_EQ(IDOK, Run(item));
    EXPECT_EQ((std::vector<int>{1024, 2048, 3072}), positions);
    EXPECT_EQ(CString(L"X:\\Scans\\big.dat"), file);
    EXPECT_EQ(0, counts.Find(L"1 of 1 files, 3.0 of 4.0 MB, 0:00 elapsed")) << counts.GetString();
}
