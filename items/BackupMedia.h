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

// Free bytes of the whole volume (not the caller's quota) that holds the
// nearest existing ancestor of strPath; 0 when the system cannot tell.
ULONGLONG GetFreeDiskSpace(const CString& strPath);

// Nonzero when strPath can take a backup. A path below any existing directory
// counts as usable without a test write; only a path none of whose ancestors
// exists is probed by creating (and removing) it.
BOOL CheckBackupPath(const CString& strPath);
