// OrvexBenchDialog: what progress reporting costs a run in the real progress
// dialog (scripts/bench). It replays the progress updates of a backup of the
// live installation into the dialog without copying anything and prints one
// line of name=value pairs.
//   OrvexBenchDialog [--verify] [--tiff]
// Without the TIFF option TIFF images are left out, as in the program.

#include "app/BackupDialog.h"
#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/CBackupItemRoot.h"
#include "tools/BenchReplayItem.h"
#include "tools/BenchTimer.h"
#include "tools/BenchTree.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>

namespace {

bool HasFlag(int argc, wchar_t** argv, const wchar_t* pszFlag)
{
    for (int i = 1; i < argc; ++i) {
        if (wcscmp(argv[i], pszFlag) == 0)
            return true;
    }
    return false;
}

int Progress()
{
    CBackupItemRoot* pRoot = new CBackupItemRoot;
    pRoot->BuildForBackup();
    pRoot->SelectAll();
    BenchReplayItem replay(CopiedFileSizes(pRoot), gVerifyAfterBackup ? 2 : 1);
    pRoot->DeleteFromTree(nullptr);

    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    // Unattended, so the end of the run shows no message box.
    gAutomatedMode = TRUE;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    BenchTimer timer;
    {
        CBackupDialog dlg(CDirectory::Concat(temp, L"OrvexBench progress"), &replay, TRUE);
        dlg.DoModal();
    }
    const double dialogSeconds = timer.Seconds();
    printf("progress_calls=%lld progress_seconds=%.3f dialog_seconds=%.3f\n", replay.GetCalls(), replay.GetSeconds(),
           dialogSeconds);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    gBackupTiffImages = HasFlag(argc, argv, L"--tiff");
    gVerifyAfterBackup = HasFlag(argc, argv, L"--verify");
    return Progress();
}
