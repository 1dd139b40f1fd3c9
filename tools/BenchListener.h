#pragma once
// The driver of an engine-level run for the benchmark: the visible side of
// the progress listener does nothing but count what a progress dialog would
// have been sent, so a run costs only what the engine itself costs.

#include "app/Backup.h"

class BenchListener : public CBackup {
public:
    // Worker side of the listener; nothing is shown.
    void AddProgress(LONGLONG nBytes) override;
    void SetStatusText(const CString&) override { ++m_nMessages; }
    void ShowError(UINT) override { ++m_nErrors; }
    void ShowErrorText(const CString&) override { ++m_nErrors; }
    void ShowInfoText(const CString&) override {}
    void SetProgressPos(int nPos) override;
    int GetProgressPos() override { return m_nPos; }
    void Finish() override {}
    void ShowInfo(UINT) override {}
    // A benchmark run writes into a fresh target on one medium: nothing to ask.
    BOOL AskForMedium(const CString&) override { return FALSE; }
    BOOL AskForDisk(UINT) override { return FALSE; }

    // Progress updates received, and messages a dialog would have been sent
    // for them and for the status line.
    long long GetProgressCalls() const { return m_nProgressCalls; }
    long long GetMessages() const { return m_nMessages; }
    LONGLONG GetProgressBytes() const { return m_nBytes; }
    int GetErrors() const { return m_nErrors; }

protected:
    EOverwriteAnswer ShowOverwriteQuestion(const CString&, BOOL&) override { return EOverwriteAnswer::Cancel; }

private:
    long long m_nProgressCalls = 0;
    long long m_nMessages = 0;
    LONGLONG m_nBytes = 0;
    int m_nPos = 0;
    int m_nErrors = 0;
};
