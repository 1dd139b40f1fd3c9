#pragma once
// The folder on this computer that keeps the reports of the last runs, one
// file per run, named so that the names sort by time and say the kind of run:
// "2026-12-07 03-15-00 Backup.txt". It lies below the common application data
// folder, where every account (the lab's users, the account of a scheduled
// task) may write, in the folder named after the installation's registry
// root: %ProgramData%\Tessaro\ORVEX\Backup Reports.

#include "framework/CString.h"

class CRunReport;

class CReportFolder {
public:
    static constexpr int kKeptReports = 100;

    // The folder of this installation; empty when the system names no common
    // application data folder.
    static CString GetDefaultPath();

    explicit CReportFolder(const CString& strPath) : m_strPath(strPath) {}

    // Writes the report as a new file (made and named after the run's start)
    // and then removes the oldest reports beyond kKeptReports; other files in
    // the folder are left alone. Never throws: ERROR_SUCCESS, with strFile the
    // report's full path, or the Win32 error of the failure, with strFile empty.
    // A report that could not be removed is left for a later run.
    DWORD Add(const CRunReport& report, CString& strFile) const;

    const CString& GetPath() const { return m_strPath; }

private:
    CString NewFileName(const CRunReport& report) const;
    void RemoveOldest() const;

    CString m_strPath;
};
