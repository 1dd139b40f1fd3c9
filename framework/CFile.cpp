#include "framework/CFile.h"

#include <vector>

namespace {

// The name as given when it has no full form (the open then fails on its own).
CString FullPath(const wchar_t* pszFileName)
{
    DWORD n = GetFullPathNameW(pszFileName, 0, nullptr, nullptr);
    if (n == 0)
        return CString(pszFileName);
    std::vector<wchar_t> full(n);
    DWORD got = GetFullPathNameW(pszFileName, n, full.data(), nullptr);
    if (got == 0 || got >= n)
        return CString(pszFileName);
    return CString(full.data(), static_cast<int>(got));
}

} // namespace

CFile::CFile(const wchar_t* pszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(pszFileName, nOpenFlags, &error))
        AfxThrowFileException(error.m_cause, error.m_lOsError, error.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
}

BOOL CFile::Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (m_hFile != INVALID_HANDLE_VALUE || !pszFileName)
        AfxThrowInvalidArgException();

    DWORD access = 0;
    switch (nOpenFlags & 0x3) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        AfxThrowInvalidArgException();
    }

    // The compatibility mode has no 32-bit meaning and is taken as exclusive.
    DWORD share = 0;
    switch (nOpenFlags & 0x70) {
    case shareCompat:
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        AfxThrowInvalidArgException();
    }

    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (nOpenFlags & osNoBuffer)
        attributes |= FILE_FLAG_NO_BUFFERING;
    if (nOpenFlags & osWriteThrough)
        attributes |= FILE_FLAG_WRITE_THROUGH;
    if (nOpenFlags & osRandomAccess)
        attributes |= FILE_FLAG_RANDOM_ACCESS;
    if (nOpenFlags & osSequentialScan)
        attributes |= FILE_FLAG_SEQUENTIAL_SCAN;

    SECURITY_ATTRIBUTES sa = {};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = (nOpenFlags & modeNoInherit) ? FALSE : TRUE;

    CString path = FullPath(pszFileName);

    HANDLE h = CreateFileW(pszFileName, access, share, &sa, creation, attributes, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        if (pError) {
            LONG err = static_cast<LONG>(GetLastError());
            pError->m_lOsError = err;
            pError->m_cause = CFileException::OsErrorToException(err);
            pError->m_strFileName = path;
        }
        return FALSE;
    }
    m_hFile = h;
    m_strFilePath = path;
    return TRUE;
}

UINT CFile::Read(void* pBuffer, UINT nCount)
{
    CheckOpen();
    if (nCount == 0)
        return 0;
    DWORD done = 0;
    if (!ReadFile(m_hFile, pBuffer, nCount, &done, nullptr))
        ThrowLastError();
    return done;
}

void CFile::Write(const void* pBuffer, UINT nCount)
{
    CheckOpen();
    if (nCount == 0)
        return;
    DWORD done = 0;
    if (!WriteFile(m_hFile, pBuffer, nCount, &done, nullptr))
        ThrowLastError();
    // Some devices report success for a partial write when the medium is full.
    if (done != nCount)
        AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, m_strFilePath);
}

ULONGLONG CFile::Seek(LONGLONG lOffset, UINT nFrom)
{
    CheckOpen();
    if (nFrom != begin && nFrom != current && nFrom != end)
        AfxThrowInvalidArgException();
    LARGE_INTEGER distance;
    distance.QuadPart = lOffset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_hFile, distance, &position, nFrom))
        ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    CheckOpen();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(m_hFile, &size))
        ThrowLastError();
    return static_cast<ULONGLONG>(size.QuadPart);
}

ULONGLONG CFile::GetPosition() const
{
    CheckOpen();
    LARGE_INTEGER zero = {};
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT))
        ThrowLastError();
    return static_cast<ULONGLONG>(position.QuadPart);
}

void CFile::SetLength(ULONGLONG nNewLength)
{
    ULONGLONG position = GetPosition();
    Seek(static_cast<LONGLONG>(nNewLength), begin);
    if (!SetEndOfFile(m_hFile))
        ThrowLastError();
    if (position < nNewLength)
        Seek(static_cast<LONGLONG>(position), begin);
}

void CFile::Flush()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    if (!FlushFileBuffers(m_hFile))
        ThrowLastError();
}

void CFile::Close()
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        return;
    HANDLE h = m_hFile;
    m_hFile = INVALID_HANDLE_VALUE;
    CString path = m_strFilePath;
    m_strFilePath.Empty();
    if (!CloseHandle(h))
        AfxThrowOsFileException(static_cast<LONG>(GetLastError()), path);
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
    m_strFilePath.Empty();
}

CString CFile::GetFileName() const
{
    size_t separator = m_strFilePath.Str().find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return m_strFilePath;
    return CString(m_strFilePath.Str().substr(separator + 1));
}

void CFile::CheckOpen() const
{
    if (m_hFile == INVALID_HANDLE_VALUE)
        AfxThrowFileException(CFileException::invalidFile, ERROR_INVALID_HANDLE, m_strFilePath);
}

void CFile::ThrowLastError() const
{
    AfxThrowOsFileException(static_cast<LONG>(GetLastError()), m_strFilePath);
}
