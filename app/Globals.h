#pragma once
// Process-wide option flags, all FALSE at start-up. Each is written by one
// thread and polled by another, so each is an atomic 32-bit value.

#include "framework/CString.h"

#include <atomic>

extern std::atomic<BOOL> gAutomatedMode;      // unattended run into gTargetPath
extern std::atomic<BOOL> gSelectModifiedOnly; // -i: only new or modified patient data
extern std::atomic<BOOL> gDeleteRestorations; // -d: delete restoration data after the backup
extern std::atomic<BOOL> gBackupTiffImages;   // -t: include TIFF images
extern std::atomic<BOOL> gVerifyAfterBackup;  // -v: verify the copies after the backup
extern std::atomic<BOOL> gRememberChoice;     // the overwrite question's answer is remembered
extern std::atomic<BOOL> gOverwriteChoice;    // ... and that answer was "overwrite"

// Absolute target folder of an unattended run; written once at start-up.
extern CString gTargetPath;

// The outcome of an unattended run, which becomes the process's exit code: 0
// when everything selected was copied (and verified where asked), otherwise
// the sum of CBackup's outcome bits. Written by start-up and by the Backup page.
extern std::atomic<UINT> gUnattendedOutcome;

// The absolute form of a path (at most MAX_PATH characters); the path as given
// when it cannot be converted.
CString GetFullPath(const CString& strPath);
