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
    void ShowError(UINT nStringId) override { errors.push_back(nStringId); }
    void SetProgressPos(int nPos) override { position = nPos; }
    int GetProgressPos() override { return position; }
    void Finish() override { ++finishes; }
    void ShowInfo(UINT nStringId) override { infos.push_back(nStringId); }
    void ReportFailure(ERunFailure kind, const CString& strFile) override { failures.emplace_back(kind, strFile); }
    void ReportCopied() override
    {
        ++copies;
        freshMedium = FALSE;
    }
    BOOL IsFreshMedium() override { return freshMedium; }
    void ShowErrorText(const CString& strText) override { errorTexts.push_back(strText); }

    // The files reported with this kind of failure, in report order.
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
    BOOL freshMedium = FALSE;
    int copies = 0;
    int position = 0;
    int finishes = 0;
    std::vector<UINT> errors;
    std::vector<UINT> infos;
    std::vector<CString> errorTexts;
    std::vector<std::pair<ERunFailure, CString>> failures;
};

} // namespace test
