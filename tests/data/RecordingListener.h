#pragma once
// A progress listener that records what the items report, for tests that
// drive the items without the backup driver.

#include "app/IProgressListener.h"

#include <utility>
#include <vector>

namespace test {

class RecordingListener : public IProgressListener {
public:
    void AddProgress(LONGLONG nBytes) override { progress += nBytes; }
    BOOL IsCancelled() override { return cancelled; }
    void Cancel() override { cancelled = TRUE; }
    void SetStatusText(const CString&) override {}
    void ShowError(UINT) override {}
    void SetProgressPos(int) override {}
    int GetProgressPos() override { return 0; }
    void Finish() override {}
    void ShowInfo(UINT) override {}
    void ReportFailure(ERunFailure kind, const CString& strFile) override { failures.emplace_back(kind, strFile); }
    void ReportCopied() override { ++copies; }
    BOOL IsFreshMedium() override { return FALSE; }
    void ShowErrorText(const CString&) override {}
    void ShowInfoText(const CString&) override {}
    void ReportCaseKept(const CString& strCaseDir, BOOL bFailed) override { kept.emplace_back(strCaseDir, bFailed); }

    std::vector<CString> Failed(ERunFailure kind) const
    {
        std::vector<CString> files;
        for (const auto& failure : failures) {
            if (failure.first == kind)
                files.push_back(failure.second);
        }
        return files;
    }

    LONGLONG progress = 0;
    BOOL cancelled = FALSE;
    int copies = 0;
    std::vector<std::pair<ERunFailure, CString>> failures;
    std::vector<std::pair<CString, BOOL>> kept;
};

} // namespace test
