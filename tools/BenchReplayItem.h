#pragma once
// A root for the real progress dialog that replays the progress updates of a
// run without copying anything: one AddProgress per file size, as the files
// items send them. Timing the replay inside the dialog gives what progress
// reporting costs a run.

#include "items/CBackupItem.h"

#include <vector>

class BenchReplayItem : public CBackupItem {
public:
    // nPasses: 1 for a backup, 2 for a verifying one (copy, then compare).
    BenchReplayItem(std::vector<LONGLONG> sizes, int nPasses);

    // The sizes' sum, so the bar's range is that of the real run.
    LONGLONG CalculateSize() override;
    // Worker thread of the dialog: sends the updates and times them.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void BuildForBackup() override {}
    void BuildForRestore(const CString&) override {}

    double GetSeconds() const { return m_seconds; }
    long long GetCalls() const { return m_calls; }

private:
    std::vector<LONGLONG> m_sizes;
    int m_nPasses;
    double m_seconds = 0;
    long long m_calls = 0;
};
