#pragma once
// File-system helpers of the installation, all static. Paths use backslashes;
// a path may be a drive path ("C:\..."), a UNC path ("\\server\share\...") or
// relative. Long-path prefixes ("\\?\") are not supported.

#include "framework/CArray.h"
#include "framework/CString.h"
#include "installation/SDirEntry.h"

#include <functional>
#include <vector>

class CDirectory {
public:
    // dir and name joined with exactly one backslash: trailing backslashes of
    // dir and leading ones of name are dropped. An empty dir gives name as it
    // stands; an empty name gives dir with one trailing backslash. A dir made
    // of backslashes only (the current drive's root "\") is kept whole.
    static CString Concat(const CString& dir, const CString& name);

    // Nonzero when path names an existing directory.
    static BOOL Exist(const CString& path);

    // Creates the directory and every missing parent. Nonzero when the directory
    // exists afterwards. 0 when it cannot be created: a file is in the way, the
    // drive or share does not exist, the name is invalid, access is denied, the
    // medium is full or write-protected. Only device faults (read/write/CRC
    // errors, a failing device) and exhausted memory raise a CFileException.
    static BOOL Make(const CString& path);

    // Deletes the directory with everything below it, read-only, hidden and
    // system entries included. Linked directories (junctions, symbolic links)
    // are removed as links; what they point to is left alone. Raises a
    // CFileException naming the entry that could not be deleted, also when the
    // directory does not exist; a drive or share root is refused (badPath).
    static void Remove(const CString& path);

    // Appends the plain names of the entries of dir that match pattern and mask,
    // in the order the file system lists them, never "." or "..". A directory
    // is taken when mask holds FILE_ATTRIBUTE_DIRECTORY; any other entry when
    // it shares an attribute bit with mask (an entry without attributes counts
    // as FILE_ATTRIBUTE_NORMAL). So 0x10 lists the subdirectories and
    // 0xFFFFFFEF everything else. Returns the number of names appended; a
    // missing or unreadable directory appends nothing.
    static int ListFiles(const CString& dir, CStringArray& names, const CString& pattern, DWORD mask);

    // Appends every entry of dir but "." and "..", directories and files alike,
    // in the order the file system lists them, with the size and attributes
    // the listing reports. Returns the number appended; a missing or
    // unreadable directory appends nothing. One pass where ListFiles with two
    // masks and GetFileSize per file would need several.
    static int ListEntries(const CString& dir, std::vector<SDirEntry>& entries);

    // Size in bytes; 0 when the file cannot be found or read.
    static LONGLONG GetFileSize(const CString& path);

    // Nonzero when Concat(path, name) (path alone when name is empty) is an
    // existing file; a directory is not a file.
    static BOOL FileExist(const CString& path, const CString& name);

    // The extension of the last path component, with its dot ("a\b.c.dat" gives
    // ".dat", "name." gives "."); empty when that component has no dot.
    static CString GetFileExtension(const CString& path);

    // Sets *pEqual nonzero when both files hold the same bytes. file2 (the copy
    // on the backup medium) is read past the system cache, so the comparison
    // sees what the medium really holds. Files of different sizes are unequal
    // without being read. A file that cannot be opened or read raises a
    // CFileException with its name and Win32 error; a failing buffer
    // allocation a CMemoryException.
    static void Compare(const CString& file1, const CString& file2, int* pEqual);
    // The same, telling progress the bytes of each block compared, so that a
    // progress display moves within a large file.
    static void Compare(const CString& file1, const CString& file2, int* pEqual,
                        const std::function<void(DWORD)>& progress);

    // Sets (bSet nonzero) or clears the attribute bits; bits the system does
    // not let a caller change (directory, compressed, ...) are ignored.
    // Nonzero on success.
    static BOOL ModifyFileAttributes(const CString& path, DWORD bits, BOOL bSet);

    // The directory part of a full file name, without trailing backslash, except
    // that a drive root stays "C:\" ("C:" alone would be the drive's current
    // directory). Empty when path holds no backslash.
    static CString SplitPathFromFileNameWithPath(const CString& path);

    // A display name or path turned into one the file system accepts: each
    // character a file name may not hold (< > : " / | ? * and the control
    // characters 1-31) becomes a look-alike character. Backslashes stay, and so
    // does the colon of a leading drive prefix, which is a letter, a colon and a
    // backslash: "C:\" is a drive, a bare "C:" is taken as a name. This makes
    // converting a joined path the same as joining the converted name.
    static CString CreateFileNameForDisk(const CString& name);

    // The inverse of CreateFileNameForDisk: look-alikes become the characters
    // they stand for.
    static CString CreateFileNameForDisplay(const CString& name);
};
