#pragma once
// A file copy that yields the SHA-256 of the bytes it wrote, read from the
// source only once. It keeps what CopyFileW gives a copy: the same bytes, the
// source's last-write time and attributes (read-only included), failure
// with ERROR_FILE_EXISTS onto an existing target when asked to, and on any
// failure no file under the target's name and the failing call's last error
// (ERROR_DISK_FULL, ERROR_SHARING_VIOLATION, ...), by which callers decide.
// Unlike Wine's CopyFileW it removes a partial target there too.

#include "framework/CSha256.h"

#include <functional>

// Told the bytes of each block once they are written, so a progress display
// moves within a large file; returning false stops the copy, which then fails
// with ERROR_REQUEST_ABORTED. Called on the copying thread.
using HashedCopyProgress = std::function<bool(DWORD nBytes)>;

// Copies strSrc to strDst and sets digest to the SHA-256 of the copy's
// bytes. FALSE with the last error set when the copy failed; digest is then
// untouched. A source open for writing elsewhere is not copied (a sharing
// violation), as with CopyFileW. Raises CMemoryException or
// CNotSupportedException when memory or the system's hashing fails, also
// without leaving a partial target.
// With pbSourceMarked, a copy that succeeded also marks the source as saved
// (clears its attributes, the archive bit above all) through the handle that
// read it, saving the round trips of opening it once more; *pbSourceMarked
// says whether it did (not when the system let it only read the source).
BOOL CopyFileHashed(const CString& strSrc, const CString& strDst, BOOL bFailIfExists, CSha256::Digest& digest,
                    const HashedCopyProgress& progress = nullptr, BOOL* pbSourceMarked = nullptr);

enum class EHashedCopy { Copied, Failed, Refused };

// A copy into a new file that takes its name only once it is whole: written
// under strTemp (created, failing with ERROR_FILE_EXISTS when that name is
// taken), then, with pExpected, refused when its digest differs, and renamed
// to strDst while still open (failing when strDst exists), taking the
// source's last-write time and attributes less nAttributesCleared after the
// rename. So no call after the copy needs to open it again, and any failure
// or refusal leaves neither name behind. On Failed the last error is set.
EHashedCopy CopyFileHashedInto(const CString& strSrc, const CString& strTemp, const CString& strDst,
                               CSha256::Digest& digest, const CSha256::Digest* pExpected,
                               const HashedCopyProgress& progress, DWORD nAttributesCleared);
