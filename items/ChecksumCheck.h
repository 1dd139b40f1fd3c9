#pragma once
// The check of one medium of a backup against its checksum file, without the
// live data: every listed file is read from the medium itself (past the
// system cache, as the verification of a backup reads it) and hashed.

#include "framework/CString.h"

#include <vector>

class IProgressListener;

enum class EMediumCheck {
    Checked,     // every listed file was looked at
    NoChecksums, // the backup folder has no checksum file (a backup from before checksums)
    Cancelled,   // the listener asked to stop; the lists hold what was found so far
};

// Paths are relative to the backup folder, backslash-separated.
struct SMediumCheck {
    EMediumCheck eOutcome = EMediumCheck::Checked;
    int nWhole = 0;                 // listed files whose bytes match their checksum
    std::vector<CString> damaged;   // listed files whose bytes differ or cannot be read
    std::vector<CString> missing;   // listed files that are not on the medium
    std::vector<CString> unlisted;  // files on the medium the checksum file does not list
    std::vector<int> damagedLines;  // lines of the checksum file that were refused
};

// Checks the files of the medium whose backup folder is strBackupDir, in the
// order of its checksum file, then looks for files it does not list (all
// but the medium's bookkeeping: IsMediumBookkeeping). Adds the bytes read to the listener's progress and
// stops when it is cancelled. Raises CFileException when the checksum file
// cannot be read, and CMemoryException or CNotSupportedException when
// memory or the system's hashing fails. Runs on the worker thread of a run.
SMediumCheck CheckMedium(const CString& strBackupDir, IProgressListener* pListener);

// The bytes of the files the checksum file of strBackupDir lists and the
// medium holds: what a check of the medium reads. 0 without a readable
// checksum file.
LONGLONG ListedBytes(const CString& strBackupDir);
