#include "installation/CDirectory.h"

#include "framework/CSparePages.h"

#include <cstring>
#include <memory>

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using UniqueFile = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
    void operator()(HANDLE h) const { FindClose(h); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

// A multiple of every sector size in use, so unbuffered reads of this size at
// multiples of it stay sector-aligned; VirtualAlloc aligns the buffer to the
// 64 KiB allocation granularity, which covers the buffer alignment.
const DWORD kCompareBlock = 1024 * 1024;

// Attributes SetFileAttributesW accepts.
const DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The characters a file name may not hold, beside the control characters,
// each with its stand-in on disk. The stand-ins are modifier letters and
// mathematical signs that look alike and hardly occur in real names.
struct SNameMapping {
    wchar_t display;
    wchar_t disk;
};
const SNameMapping kNameMappings[] = {
    {L'<', L'\x02C2'},  // MODIFIER LETTER LEFT ARROWHEAD
    {L'>', L'\x02C3'},  // MODIFIER LETTER RIGHT ARROWHEAD
    {L':', L'\xA789'},  // MODIFIER LETTER COLON
    {L'"', L'\x02BA'},  // MODIFIER LETTER DOUBLE PRIME
    {L'/', L'\x2215'},  // DIVISION SLASH
    {L'|', L'\x2223'},  // DIVIDES
    {L'?', L'\xFE56'},  // SMALL QUESTION MARK
    {L'*', L'\x2217'},  // ASTERISK OPERATOR
};
// Control characters 1-31 become their pictures, U+2401-U+241F.
const wchar_t kControlPictures = L'\x2400';

bool IsDirectory(const WIN32_FIND_DATAW& fd)
{
    return (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsDriveLetter(wchar_t ch)
{
    return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z');
}

bool IsDotEntry(const wchar_t* name)
{
    return wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0;
}

// Length of the part of path that cannot be created or removed: "C:\" or "C:"
// for a drive, "\\server\share" for a share, "\" for the current drive's root;
// 0 for a relative path.
int RootLength(const CString& path)
{
    int len = path.GetLength();
    if (len >= 2 && path[1] == L':')
        return (len >= 3 && path[2] == L'\\') ? 3 : 2;
    if (len >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        int server = path.Find(L'\\', 2);
        if (server < 0)
            return len;
        int share = path.Find(L'\\', server + 1);
        return share < 0 ? len : share;
    }
    if (len >= 1 && path[0] == L'\\')
        return 1;
    return 0;
}

CString WithoutTrailingBackslashes(const CString& path)
{
    int root = RootLength(path);
    int end = path.GetLength();
    while (end > root && path[end - 1] == L'\\')
        --end;
    return path.Left(end);
}

// Errors that mean a device or the system failed rather than that this
// directory cannot be made.
bool IsDeviceFault(DWORD error)
{
    switch (error) {
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
        return true;
    default:
        return false;
    }
}

BOOL MakeDirectory(const CString& path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? TRUE : FALSE;
    int root = RootLength(path);
    if (path.GetLength() <= root)
        return FALSE;
    int slash = path.ReverseFind(L'\\');
    if (slash >= 0 && !MakeDirectory(path.Left(slash < root ? root : slash)))
        return FALSE;
    if (CreateDirectoryW(path, nullptr))
        return TRUE;
    DWORD error = GetLastError();
    // Another process may have made it in the meantime.
    if (error == ERROR_ALREADY_EXISTS && CDirectory::Exist(path))
        return TRUE;
    if (IsDeviceFault(error))
        AfxThrowOsFileException(static_cast<LONG>(error), path);
    return FALSE;
}

// A listing without the short names, which nothing here reads and which cost
// the system a lookup per entry, fetched in large batches.
HANDLE FindFirst(const CString& pattern, WIN32_FIND_DATAW& fd)
{
    return FindFirstFileExW(pattern, FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr,
                            FIND_FIRST_EX_LARGE_FETCH);
}

void RemoveEntry(const CString& path, DWORD attributes);

void RemoveDirectoryTree(const CString& path)
{
    WIN32_FIND_DATAW fd;
    UniqueFind find(FindFirst(CDirectory::Concat(path, L"*"), fd));
    if (find.get() == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        find.release();
        AfxThrowOsFileException(static_cast<LONG>(error), path);
    }
    do {
        if (!IsDotEntry(fd.cFileName))
            RemoveEntry(CDirectory::Concat(path, fd.cFileName), fd.dwFileAttributes);
    } while (FindNextFileW(find.get(), &fd));
    DWORD error = GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        AfxThrowOsFileException(static_cast<LONG>(error), path);
    find.reset();
    if (!RemoveDirectoryW(path))
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
}

void RemoveEntry(const CString& path, DWORD attributes)
{
    // Read-only entries refuse deletion until the attribute is gone.
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path, attributes & kSettableAttributes & ~FILE_ATTRIBUTE_READONLY);
    BOOL done;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        done = DeleteFileW(path);
    else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        done = RemoveDirectoryW(path);
    else {
        RemoveDirectoryTree(path);
        done = TRUE;
    }
    if (!done)
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
}

UniqueFile OpenForCompare(const CString& path, DWORD flags)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, flags,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
    return UniqueFile(h);
}

// The comparison's two blocks, kept for the next comparison: a verification
// compares thousands of small files one after the other.
CSparePages& ComparePages()
{
    static CSparePages spares(2 * kCompareBlock);
    return spares;
}

LONGLONG SizeOf(HANDLE h, const CString& path)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size))
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
    return size.QuadPart;
}

// Fills up to count bytes; fewer only at the end of the file.
DWORD ReadBlock(HANDLE h, BYTE* buffer, DWORD count, const CString& path)
{
    DWORD total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(h, buffer + total, count - total, &got, nullptr))
            AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

} // namespace

CString CDirectory::Concat(const CString& dir, const CString& name)
{
    if (dir.IsEmpty())
        return name;
    int dirEnd = dir.GetLength();
    while (dirEnd > 0 && dir[dirEnd - 1] == L'\\')
        --dirEnd;
    int nameStart = 0;
    while (nameStart < name.GetLength() && name[nameStart] == L'\\')
        ++nameStart;
    if (dirEnd == 0)
        return dir + name.Mid(nameStart);
    return dir.Left(dirEnd) + L"\\" + name.Mid(nameStart);
}

BOOL CDirectory::Exist(const CString& path)
{
    if (path.IsEmpty())
        return FALSE;
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL CDirectory::Make(const CString& path)
{
    if (path.IsEmpty())
        return FALSE;
    return MakeDirectory(WithoutTrailingBackslashes(path));
}

void CDirectory::Remove(const CString& path)
{
    CString dir = WithoutTrailingBackslashes(path);
    if (dir.GetLength() <= RootLength(dir))
        AfxThrowFileException(CFileException::badPath, ERROR_ACCESS_DENIED, path);
    DWORD attributes = GetFileAttributesW(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), dir);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        AfxThrowOsFileException(ERROR_DIRECTORY, dir);
    RemoveEntry(dir, attributes);
}

int CDirectory::ListFiles(const CString& dir, CStringArray& names, const CString& pattern, DWORD mask)
{
    WIN32_FIND_DATAW fd;
    UniqueFind find(FindFirst(Concat(dir, pattern), fd));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        return 0;
    }
    int added = 0;
    do {
        if (IsDotEntry(fd.cFileName))
            continue;
        bool match;
        if (IsDirectory(fd))
            match = (mask & FILE_ATTRIBUTE_DIRECTORY) != 0;
        else
            match = ((fd.dwFileAttributes ? fd.dwFileAttributes : FILE_ATTRIBUTE_NORMAL) & mask) != 0;
        if (match) {
            names.Add(fd.cFileName);
            ++added;
        }
    } while (FindNextFileW(find.get(), &fd));
    return added;
}

int CDirectory::ListEntries(const CString& dir, std::vector<SDirEntry>& entries)
{
    WIN32_FIND_DATAW fd;
    UniqueFind find(FindFirst(Concat(dir, L"*.*"), fd));
    if (find.get() == INVALID_HANDLE_VALUE) {
        find.release();
        return 0;
    }
    int added = 0;
    do {
        if (IsDotEntry(fd.cFileName))
            continue;
        entries.push_back(SDirEntry{fd.cFileName, fd.dwFileAttributes,
                                    (static_cast<LONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow});
        ++added;
    } while (FindNextFileW(find.get(), &fd));
    return added;
}

LONGLONG CDirectory::GetFileSize(const CString& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<LONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

BOOL CDirectory::FileExist(const CString& path, const CString& name)
{
    CString file = name.IsEmpty() ? path : Concat(path, name);
    if (file.IsEmpty())
        return FALSE;
    DWORD attributes = GetFileAttributesW(file);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString CDirectory::GetFileExtension(const CString& path)
{
    int dot = path.ReverseFind(L'.');
    if (dot < 0 || dot < path.ReverseFind(L'\\'))
        return CString();
    return path.Mid(dot);
}

void CDirectory::Compare(const CString& file1, const CString& file2, int* pEqual)
{
    Compare(file1, file2, pEqual, nullptr);
}

void CDirectory::Compare(const CString& file1, const CString& file2, int* pEqual,
                         const std::function<void(DWORD)>& progress)
{
    if (!pEqual)
        AfxThrowInvalidArgException();
    *pEqual = 0;
    UniqueFile live = OpenForCompare(file1, FILE_FLAG_SEQUENTIAL_SCAN);
    UniqueFile copy = OpenForCompare(file2, FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN);
    LONGLONG remaining = SizeOf(live.get(), file1);
    if (remaining != SizeOf(copy.get(), file2))
        return;

    const CSparePages::Pages pages = ComparePages().Take();
    if (!pages)
        AfxThrowMemoryException();
    BYTE* liveBlock = pages.get();
    BYTE* copyBlock = pages.get() + kCompareBlock;
    while (remaining > 0) {
        DWORD want = remaining < kCompareBlock ? static_cast<DWORD>(remaining) : kCompareBlock;
        // Unbuffered reads must ask for whole blocks at aligned offsets, so the
        // copy is read in one call per block; only the last one comes back short.
        DWORD copyGot = 0;
        if (!ReadFile(copy.get(), copyBlock, kCompareBlock, &copyGot, nullptr))
            AfxThrowOsFileException(static_cast<LONG>(GetLastError()), file2);
        if (copyGot != want)
            return;
        if (ReadBlock(live.get(), liveBlock, want, file1) != want || std::memcmp(liveBlock, copyBlock, want) != 0)
            return;
        remaining -= want;
        if (progress)
            progress(want);
    }
    *pEqual = 1;
}

BOOL CDirectory::ModifyFileAttributes(const CString& path, DWORD bits, BOOL bSet)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    attributes = bSet ? (attributes | bits) : (attributes & ~bits);
    attributes &= kSettableAttributes;
    return SetFileAttributesW(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

CString CDirectory::SplitPathFromFileNameWithPath(const CString& path)
{
    int slash = path.ReverseFind(L'\\');
    if (slash < 0)
        return CString();
    int root = RootLength(path);
    if (root == 3 && slash == 2)
        return path.Left(3);
    return path.Left(slash);
}

CString CDirectory::CreateFileNameForDisk(const CString& name)
{
    CString result = name;
    int start = 0;
    if (result.GetLength() >= 3 && IsDriveLetter(result[0]) && result[1] == L':' && result[2] == L'\\')
        start = 3;
    for (int i = start; i < result.GetLength(); ++i) {
        wchar_t ch = result[i];
        if (ch >= 1 && ch <= 31) {
            result.SetAt(i, static_cast<wchar_t>(kControlPictures + ch));
            continue;
        }
        for (const SNameMapping& m : kNameMappings) {
            if (ch == m.display) {
                result.SetAt(i, m.disk);
                break;
            }
        }
    }
    return result;
}

CString CDirectory::CreateFileNameForDisplay(const CString& name)
{
    CString result = name;
    for (int i = 0; i < result.GetLength(); ++i) {
        wchar_t ch = result[i];
        if (ch > kControlPictures && ch <= kControlPictures + 31) {
            result.SetAt(i, static_cast<wchar_t>(ch - kControlPictures));
            continue;
        }
        for (const SNameMapping& m : kNameMappings) {
            if (ch == m.disk) {
                result.SetAt(i, m.display);
                break;
            }
        }
    }
    return result;
}
