#include "items/ChecksumFile.h"

#include "framework/CAtomicFile.h"
#include "installation/CDirectory.h"

#include <cwchar>

namespace {

const size_t kHexDigits = 2 * CSha256::kDigestBytes;
// The two characters between digest and path.
const size_t kPathStart = kHexDigits + 2;

// Names Windows takes as devices in any folder, with any extension: opening
// "CON" would read the console, not the medium.
const wchar_t* const kDeviceNames[] = {L"CON",  L"PRN",  L"AUX",  L"NUL",  L"COM1", L"COM2", L"COM3", L"COM4",
                                       L"COM5", L"COM6", L"COM7", L"COM8", L"COM9", L"LPT1", L"LPT2", L"LPT3",
                                       L"LPT4", L"LPT5", L"LPT6", L"LPT7", L"LPT8", L"LPT9"};

bool IsDeviceName(const CString& part)
{
    const int dot = part.Find(L'.');
    CString base = dot < 0 ? part : part.Left(dot);
    base.TrimRight();
    for (const wchar_t* device : kDeviceNames) {
        if (base.CompareNoCase(device) == 0)
            return true;
    }
    return false;
}

// A path of the file ("/"-separated) that names a file below the backup
// folder and nothing else: no root, drive or stream, no "." or "..", and no
// part Windows would change on opening (a trailing dot or space is dropped,
// so "a./b" would be "a/b") or take as a device.
bool IsSafeRelativePath(const CString& path)
{
    if (path.IsEmpty())
        return false;
    for (int i = 0; i < path.GetLength(); ++i) {
        if (path[i] < 0x20 || wcschr(L"\\:*?\"<>|", path[i]))
            return false;
    }
    int start = 0;
    for (;;) {
        const int slash = path.Find(L'/', start);
        const CString part = slash < 0 ? path.Mid(start) : path.Mid(start, slash - start);
        if (part.IsEmpty() || part[part.GetLength() - 1] == L'.' || part[part.GetLength() - 1] == L' ' ||
            IsDeviceName(part))
            return false;
        if (slash < 0)
            return true;
        start = slash + 1;
    }
}

std::string ToUtf8(const CString& text)
{
    if (text.IsEmpty())
        return std::string();
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, text.GetLength(), &utf8[0], n, nullptr, nullptr);
    return utf8;
}

// FALSE for bytes that are not UTF-8.
bool FromUtf8(const char* p, size_t nBytes, CString& text)
{
    if (nBytes == 0) {
        text.Empty();
        return true;
    }
    const int len = static_cast<int>(nBytes);
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p, len, nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, p, len, &wide[0], n);
    text = wide;
    return true;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// One line without its line end; FALSE when it is refused.
bool ParseLine(const char* p, size_t nBytes, SChecksumEntry& entry)
{
    if (nBytes <= kPathStart || p[kHexDigits] != ' ' || (p[kHexDigits + 1] != ' ' && p[kHexDigits + 1] != '*'))
        return false;
    for (size_t i = 0; i < CSha256::kDigestBytes; ++i) {
        const int high = HexValue(p[2 * i]);
        const int low = HexValue(p[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        entry.digest[i] = static_cast<BYTE>(high << 4 | low);
    }
    CString path;
    if (!FromUtf8(p + kPathStart, nBytes - kPathStart, path) || !IsSafeRelativePath(path))
        return false;
    path.Replace(L'/', L'\\');
    entry.strPath = path;
    return true;
}

std::string Line(const CString& strRelativePath, const CSha256::Digest& digest)
{
    CString path = strRelativePath;
    path.Replace(L'\\', L'/');
    if (!IsSafeRelativePath(path))
        AfxThrowInvalidArgException();
    return ToUtf8(CSha256::ToHex(digest)) + "  " + ToUtf8(path) + "\n";
}

} // namespace

ULONGLONG ChecksumLineBytes(const CString& strRelativePath)
{
    CString path = strRelativePath;
    path.Replace(L'\\', L'/');
    return kPathStart + ToUtf8(path).size() + 1;
}

void CChecksumFileWriter::Add(const CString& strRelativePath, const CSha256::Digest& digest)
{
    m_lines += Line(strRelativePath, digest);
}

void CChecksumFileWriter::Write(const CString& strBackupDir) const
{
    CAtomicFile file(CDirectory::Concat(strBackupDir, kChecksumFileName));
    const UINT kChunk = 1024 * 1024;
    for (size_t done = 0; done < m_lines.size(); done += kChunk) {
        const size_t n = m_lines.size() - done < kChunk ? m_lines.size() - done : kChunk;
        file.Write(m_lines.data() + done, static_cast<UINT>(n));
    }
    file.Commit();
}

BOOL ReadChecksumFile(const CString& strBackupDir, SChecksumList& list)
{
    list = SChecksumList();
    const CString path = CDirectory::Concat(strBackupDir, kChecksumFileName);
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::osSequentialScan, &error)) {
        if (error.m_lOsError == ERROR_FILE_NOT_FOUND)
            return FALSE;
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
    }
    const ULONGLONG size = file.GetLength();
    if (size > kMaxChecksumFileBytes)
        AfxThrowFileException(CFileException::invalidFile, ERROR_FILE_TOO_LARGE, path);
    std::string text(static_cast<size_t>(size), '\0');
    size_t got = 0;
    while (got < text.size()) {
        const UINT n = file.Read(&text[got], static_cast<UINT>(text.size() - got));
        if (n == 0)
            break;
        got += n;
    }
    text.resize(got);

    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        size_t length = end - start;
        if (length > 0 && text[end - 1] == '\r')
            --length;
        ++number;
        SChecksumEntry entry;
        if (ParseLine(text.data() + start, length, entry))
            list.entries.push_back(entry);
        else
            list.damagedLines.push_back(number);
        start = end + 1;
    }
    return TRUE;
}
