#pragma once
// The medium a backup run writes on now. Its Backup.ini is written as soon as
// the medium is started, before any patient file, so that the bookkeeping has
// its place on the medium even when the files fill it to the last allocation
// unit; it is written again, flushed and read back from the medium when the
// medium is closed. Every Backup.ini of a run carries the run's id, which
// tells the medium just filled from the next one: the volume serial number
// cannot (cloned media share one, and Wine derives it from the drive letter).
// Worker thread.

#include "framework/CString.h"

// The keys of one medium's Backup.ini.
struct SBackupIniState {
    int nComplete = 0; // BackupComplete: no further medium follows
    int nDisk = 0;     // DiskNumber, 1-based
    BOOL bCancelled = FALSE;
    int nFailedFiles = 0;
    int nVerifyFailures = 0;
    CString strRunId;

    bool operator==(const SBackupIniState& other) const;
};

class CBackupMedium {
public:
    explicit CBackupMedium(const CString& strBackupDir);
    CBackupMedium(const CBackupMedium&) = delete;
    CBackupMedium& operator=(const CBackupMedium&) = delete;

    // Makes the backup directory on the medium in the drive and writes its
    // Backup.ini as disk nDisk, not complete. FALSE when the medium takes
    // neither (full, write-protected, missing).
    BOOL Start(int nDisk);
    // Writes the medium's final keys (the disk number and run id are the
    // medium's own) and reads them back; FALSE when the medium does not hold them.
    BOOL Close(SBackupIniState state);
    // The disk number of this run's Backup.ini on the medium in the drive;
    // 0 when the medium holds none of this run.
    int DiskInDrive() const;

    int GetDisk() const { return m_nDisk; }
    const CString& GetRunId() const { return m_strRunId; }

    // The keys as they lie in the file, read past any cached copy of the
    // profile functions; FALSE when the file cannot be read or has no
    // DiskNumber. Missing keys read as 0.
    static BOOL ReadState(const CString& strIniPath, SBackupIniState& state);

private:
    BOOL Write(const SBackupIniState& state);

    CString m_strBackupDir;
    CString m_strIni;
    CString m_strRunId;
    int m_nDisk = 0;
};
