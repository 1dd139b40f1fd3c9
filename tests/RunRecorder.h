#pragma once
// The one stand-in in the engine tests for whoever shows a run: a real driver
// whose status line, messages, progress and end are recorded instead of
// shown, and whose questions the test answers. Items report to it as to any
// run. A question the test did not answer fails the test and is cancelled.

#include "app/Backup.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

namespace test {

// What a run showed and what its items did, in order: "status <text>",
// "error <id>", "error <text>", "info <id>", "info <text>", "pos <n>",
// "finish", "box <text>" (the medium prompt), "disk <n>", "ask <text>".
using Events = std::vector<CString>;

class RunRecorder : public CBackup {
public:
    // The events go to pEvents when given (a list the test items share).
    explicit RunRecorder(Events* pEvents = nullptr) : m_pEvents(pEvents ? pEvents : &events) {}
    using CBackup::GetReport;

    void AddProgress(LONGLONG nBytes) override
    {
        progress += nBytes;
        ++progressCalls;
    }
    void SetStatusText(const CString& strText) override { Note(L"status " + strText); }
    void ShowError(UINT nId) override { Note(L"error", nId); }
    void ShowErrorText(const CString& strText) override { Note(L"error " + strText); }
    void ShowInfo(UINT nId) override { Note(L"info", nId); }
    void ShowInfoText(const CString& strText) override { Note(L"info " + strText); }
    void SetProgressPos(int nPos) override { Note(L"pos", m_nPos = nPos); }
    int GetProgressPos() override { return m_nPos; }
    void Finish() override { Note(L"finish"); }
    void ReportFailure(ERunFailure kind, const CString& strFile, DWORD nError = ERROR_SUCCESS) override
    {
        failures.emplace_back(kind, strFile);
        CBackup::ReportFailure(kind, strFile, nError);
    }
    void ReportCopied(LONGLONG nBytes) override
    {
        ++copies;
        CBackup::ReportCopied(nBytes);
    }
    void ReportWritten(const CString& strPath, LONGLONG nBytes, const CSha256::Digest& digest) override
    {
        ++copies;
        CBackup::ReportWritten(strPath, nBytes, digest);
    }
    void ReportCaseKept(const CString& strCaseDir, ECaseKept reason, DWORD nError = ERROR_SUCCESS) override
    {
        kept.emplace_back(strCaseDir, reason != ECaseKept::NotInBackup);
        CBackup::ReportCaseKept(strCaseDir, reason, nError);
    }
    BOOL AskForMedium(const CString& strText) override
    {
        Note(L"box " + strText);
        if (onMedium)
            return onMedium(strText);
        ADD_FAILURE() << "unexpected medium prompt: " << strText.GetString();
        return FALSE;
    }
    BOOL AskForDisk(UINT nDisk) override
    {
        Note(L"disk", static_cast<int>(nDisk));
        if (onDisk)
            return onDisk(nDisk);
        ADD_FAILURE() << "unexpected prompt for disk " << nDisk;
        return FALSE;
    }

    // The files reported as failed in this way, in report order.
    std::vector<CString> Failed(ERunFailure kind) const
    {
        std::vector<CString> files;
        for (const auto& failure : failures) {
            if (failure.first == kind)
                files.push_back(failure.second);
        }
        return files;
    }

    // The test's answers to the run's questions.
    std::function<BOOL(const CString& strText)> onMedium;
    std::function<BOOL(UINT nDisk)> onDisk;
    std::function<EOverwriteAnswer(const CString& strMessage, BOOL& bRemember)> onOverwrite;

    Events events;
    LONGLONG progress = 0;
    int progressCalls = 0;
    // Files written onto a medium (backup) or back into the installation (restore).
    int copies = 0;
    std::vector<std::pair<ERunFailure, CString>> failures;
    std::vector<std::pair<CString, BOOL>> kept;

    // The reports of the runs go to a folder of the test program, removed
    // with everything in it when the program ends.
    CString GetReportFolder() const override
    {
        static TempDir folder;
        return folder.Path();
    }

protected:
    EOverwriteAnswer ShowOverwriteQuestion(const CString& strMessage, BOOL& bRemember) override
    {
        Note(L"ask " + strMessage);
        if (onOverwrite)
            return onOverwrite(strMessage, bRemember);
        ADD_FAILURE() << "unexpected overwrite question: " << strMessage.GetString();
        return EOverwriteAnswer::Cancel;
    }

private:
    void Note(const CString& strEvent) { m_pEvents->push_back(strEvent); }
    void Note(const wchar_t* pszWhat, int n)
    {
        CString s;
        s.Format(L"%s %d", pszWhat, n);
        m_pEvents->push_back(s);
    }

    Events* m_pEvents;
    int m_nPos = -1;
};

} // namespace test
