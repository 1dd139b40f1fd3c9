#pragma once
// What ties the media of one backup together: the bookkeeping file that every
// medium's backup directory carries, and the checks of a target's medium.

#include "framework/CString.h"

// The bookkeeping file in each medium's backup directory, with its one section:
// BackupComplete (nonzero: no further medium follows) and DiskNumber (1-based).
inline constexpr const wchar_t* kBackupIniName = L"Backup.ini";
inline constexpr const wchar_t* kBackupIniSection = L"Backup";
inline constexpr const wchar_t* kBackupCompleteKey = L"BackupComplete";
inline constexpr const wchar_t* kDiskNumberKey = L"DiskNumber";
// What a run knows beyond those two, written with them on every medium it
// closes: the run's id, which tells a medium this run wrote on from any
// other, and the run's totals so far: it was cancelled or ended at a full
// medium unattended (1), and how many files could not be copied or failed
// their verification. A backup written without them reads 0 for each.
inline constexpr const wchar_t* kRunIdKey = L"RunId";
inline constexpr const wchar_t* kCancelledKey = L"Cancelled";
inline constexpr const wchar_t* kFailedFilesKey = L"FailedFiles";
inline constexpr const wchar_t* kVerifyFailuresKey = L"VerifyFailures";
// No backup spans more media than this; a medium numbered otherwise is damaged.
inline constexpr int kMaxDiskNumber = 999;

// An integer of the Backup.ini in a backup directory; 0 when the file or the
// key is missing.
int ReadBackupIniValue(const CString& strBackupDir, const wchar_t* pszKey);

// While a medium's items are restored, the medium in the drive is the one
// the restore asked for, and nothing asks for another: its number need not
// be read from its Backup.ini for every file. While this lives, the
// DiskNumber of that backup directory, read on the thread that made it, is
// the number given; every other read goes to the file.
class CMediumInHand {
public:
    CMediumInHand(const CString& strBackupDir, UINT nDisk);
    ~CMediumInHand();
    CMediumInHand(const CMediumInHand&) = delete;
    CMediumInHand& operator=(const CMediumInHand&) = delete;

    // The number of the medium in hand when strBackupDir is its directory
    // and the caller is on its thread; otherwise FALSE.
    static BOOL Lookup(const CString& strBackupDir, UINT& nDisk);

private:
    CString m_strBackupDir;
    UINT m_nDisk;
    DWORD m_nThreadId;
    CMediumInHand* m_pOuter;
};

// While a medium is written, this file in its backup folder keeps the room
// that the medium's bookkeeping (checksum file, report, Backup.ini) takes
// when the medium is closed; it is gone from every closed medium.
inline constexpr const wchar_t* kReserveFileName = L"Bookkeeping.reserve";
// The run reports on a medium: "Backup Report.txt", "Backup Report, disk 2.txt".
inline constexpr const wchar_t* kReportFilePrefix = L"Backup Report";

// The medium's own files in its backup folder, not data of the backup:
// Backup.ini, the checksum file, the reserve and the run reports.
BOOL IsMediumBookkeeping(const CString& strName);

// Room a medium must have beyond a file for that file to go onto it: its
// directories and the medium's bookkeeping.
inline constexpr ULONGLONG kMediumSlackBytes = 64 * 1024;

// Free bytes of the whole volume (not the caller's quota) that holds the
// nearest existing ancestor of strPath; 0 when the system cannot tell.
ULONGLONG GetFreeDiskSpace(const CString& strPath);

// Total bytes of the volume that holds the nearest existing ancestor of
// strPath: what the medium takes when it is empty; 0 when the system cannot tell.
ULONGLONG GetMediumCapacity(const CString& strPath);

// The type of the drive that holds strPath: the first of its parent
// directories, from the nearest up, that the system names as a drive root
// (GetDriveTypeW). A path on no drive at all counts as DRIVE_UNKNOWN.
UINT GetDriveTypeOfPath(const CString& strPath);

// Nonzero when strPath can take a backup. A path below any existing directory
// counts as usable without a test write; only a path none of whose ancestors
// exists is probed by creating (and removing) it.
BOOL CheckBackupPath(const CString& strPath);
