#pragma once
// The checksum file of a medium: in the backup folder, one line per file the
// run wrote there, in the text form common checksum tools read and check:
//     <64 lower-case hex digits><two spaces><path>\n
// with the path relative to the backup folder, "/" between its parts, all in
// UTF-8 without a byte order mark. So a medium can be checked without this
// program. In the program paths keep their backslashes; only the file has "/".

#include "framework/CSha256.h"

#include <string>
#include <vector>

inline constexpr const wchar_t* kChecksumFileName = L"Checksums.sha256";
// The largest checksum file a reader takes in, far above the ~200 bytes per
// file of the largest backups: a medium is not trusted to stay in bounds.
inline constexpr ULONGLONG kMaxChecksumFileBytes = 128ull * 1024 * 1024;

struct SChecksumEntry {
    CString strPath; // relative to the backup folder, backslash-separated
    CSha256::Digest digest;
};

// The bytes the line of a file takes, so a medium can keep room for it.
ULONGLONG ChecksumLineBytes(const CString& strRelativePath);

// The lines of one medium, collected while the run writes it. Used on the
// worker thread of a run.
class CChecksumFileWriter {
public:
    // Raises CInvalidArgException for a path a reader would refuse (absolute,
    // with "..", a drive, characters no file name holds): that is a caller's
    // mistake, not the medium's.
    void Add(const CString& strRelativePath, const CSha256::Digest& digest);
    // The bytes the file takes with the lines so far.
    ULONGLONG GetBytes() const { return m_lines.size(); }
    void Clear() { m_lines.clear(); }
    // Writes the lines as the checksum file of strBackupDir, first under a
    // temporary name beside it, replacing an older one only when whole.
    // Raises CFileException when it cannot be written.
    void Write(const CString& strBackupDir) const;

private:
    std::string m_lines;
};

// What a checksum file from a medium holds.
struct SChecksumList {
    std::vector<SChecksumEntry> entries;
    // 1-based numbers of the lines refused: not in the form, or naming a
    // path outside the backup folder or one no file there can have. Their
    // paths are never opened.
    std::vector<int> damagedLines;
};

// Reads the checksum file of strBackupDir. FALSE when there is none. Also
// takes "\r\n" line ends and the "*" before a path that marks binary mode.
// Raises CFileException when it cannot be read, and when it is larger than
// kMaxChecksumFileBytes (cause invalidFile, ERROR_FILE_TOO_LARGE).
BOOL ReadChecksumFile(const CString& strBackupDir, SChecksumList& list);
