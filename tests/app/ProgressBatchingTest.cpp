// The progress dialog moves its bar in batches: whatever the worker reports
// between two moves is summed with each report rounded as it came, and every
// read or set of the position first shows what is still pending. Checked on
// the real dialog with its real worker thread.

#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "items/CBackupItem.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>

namespace {

// An item whose backup runs a probe on the dialog's worker thread.
class ProbeItem : public CBackupItem {
public:
    explicit ProbeItem(std::function<void(CBackupDialog*)> probe) : m_probe(std::move(probe)) { SetName(L"probe"); }

    LONGLONG CalculateSize() override { return 100 * 1024 * 1024; }
    void Backup(const CString&, IProgressListener* pListener) override
    {
        m_probe(dynamic_cast<CBackupDialog*>(pListener));
    }
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}

private:
    std::function<void(CBackupDialog*)> m_probe;
};

// The bar's position read by message, past the dialog's own bookkeeping.
int BarPosition(CBackupDialog* pDlg)
{
    return static_cast<int>(SendMessageW(pDlg->GetDlgItem(IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
}

void RunDialog(ProbeItem& item)
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    test::TempDir target;
    // Unattended: the end of the run shows no message box.
    gAutomatedMode = TRUE;
    CBackupDialog dlg(target.Path(), &item, TRUE);
    EXPECT_EQ(IDOK, dlg.DoModal());
    gAutomatedMode = FALSE;
}

} // namespace

TEST(ProgressBatching, SumsTheReportsAsEachWasRounded)
{
    int start = -1, afterSmall = -1, afterHalves = -1, afterSet = -1;
    ProbeItem item([&](CBackupDialog* pDlg) {
        start = pDlg->GetProgressPos();
        for (int i = 0; i < 1000; ++i)
            pDlg->AddProgress(1);
        afterSmall = pDlg->GetProgressPos();
        // 1.5 KB twice: one unit each, not three for the 3 KB together.
        pDlg->AddProgress(1536);
        pDlg->AddProgress(1536);
        afterHalves = pDlg->GetProgressPos();
        pDlg->AddProgress(50 * 1024);
        pDlg->SetProgressPos(7);
        afterSet = BarPosition(pDlg);
    });
    RunDialog(item);
    EXPECT_EQ(0, start);
    EXPECT_EQ(1000, afterSmall);
    EXPECT_EQ(1002, afterHalves);
    // What was pending before a set is not added on top of it later.
    EXPECT_EQ(7, afterSet);
}

TEST(ProgressBatching, FirstReportMovesAtOnceAndAStatusChangeShowsTheRest)
{
    int first = -1, shownAtStatus = -1;
    ProbeItem item([&](CBackupDialog* pDlg) {
        pDlg->AddProgress(1024);
        first = BarPosition(pDlg);
        for (int i = 0; i < 2000; ++i)
            pDlg->AddProgress(1024);
        pDlg->SetStatusText(L"next step");
        shownAtStatus = BarPosition(pDlg);
    });
    RunDialog(item);
    EXPECT_EQ(1, first);
    EXPECT_EQ(2001, shownAtStatus);
}
