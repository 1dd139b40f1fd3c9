#pragma once
// The medium a backup run writes on now. Its Backup.ini is written as soon as
// the medium is started, and a reserve file keeps the room the rest of its
// bookkeeping (the checksum file, growing with every file written) takes, so
// that the bookkeeping has its place even when the files fill the medium to
// the last allocation unit. When the medium is closed the reserve gives its
// room to the checksum file and the medium's part of the run report, and
// Backup.ini is written again, flushed and read back from the medium; the
// last medium keeps room for the report of the whole run, written when the
// run is over. Every Backup.ini of a run carries the run's id, which
// tells the medium just filled from the next one: the volume serial number
// cannot (cloned media share one, and Wine derives it from the drive letter).
// Worker thread.

#include "framework/CHandle.h"
#include "framework/CSha256.h"
#include "items/ChecksumFile.h"

class CRunReport;

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

    // Makes the backup directory on the medium in the drive, writes its
    // Backup.ini as disk nDisk, not complete, and reserves room for the rest
    // of its bookkeeping. FALSE when the medium takes none of it (full,
    // write-protected, missing).
    BOOL Start(int nDisk);
    // Keeps room for the bookkeeping of one more file, to be written at
    // strPath; FALSE when the medium has none left, so the file goes onto
    // the next medium.
    BOOL KeepRoomFor(const CString& strPath);
    // A file the run wrote onto this medium, with the SHA-256 of its bytes.
    // A path outside the backup folder is not listed.
    void AddWritten(const CString& strPath, const CSha256::Digest& digest);
    // Writes the medium's checksum file, its part of the report and its final
    // keys (the disk number and run id are the medium's own), and reads the
    // keys back; FALSE when the medium does not hold the checksums or the
    // keys. A report that cannot be written does not count. The last medium
    // keeps room for the report of the whole run.
    BOOL Close(SBackupIniState state, CRunReport& report, BOOL bLast);
    // Writes the report of the whole run onto this, the run's last medium;
    // ERROR_SUCCESS or the system's error.
    DWORD WriteRunReport(const CRunReport& report);
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
    // Creates the reserve file with nBytes; FALSE without room.
    BOOL OpenReserve(ULONGLONG nBytes);
    // Grows the reserve file to nBytes with written bytes, so the room is
    // taken on every file system; FALSE (the reserve as it was) without room.
    BOOL Reserve(ULONGLONG nBytes);
    void ReleaseReserve();
    // strPath relative to the backup folder; empty when it lies elsewhere.
    CString RelativePath(const CString& strPath) const;

    CString m_strBackupDir;
    CString m_strIni;
    // The backup folder's absolute form with a trailing backslash.
    CString m_strPrefix;
    CString m_strRunId;
    int m_nDisk = 0;
    CChecksumFileWriter m_checksums;
    CHandle m_reserve;
    ULONGLONG m_nReserved = 0;
};
