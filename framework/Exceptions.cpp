#include "framework/Exceptions.h"

#include <cwchar>

namespace {

BOOL CopyMessage(const wchar_t* text, wchar_t* pszError, UINT nMaxError)
{
    if (!pszError || nMaxError == 0)
        return FALSE;
    wcsncpy(pszError, text, nMaxError - 1);
    pszError[nMaxError - 1] = L'\0';
    return TRUE;
}

} // namespace

BOOL CException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    if (pszError && nMaxError)
        *pszError = L'\0';
    return FALSE;
}

BOOL CInvalidArgException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    return CopyMessage(L"An invalid argument was encountered.", pszError, nMaxError);
}

BOOL CMemoryException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    return CopyMessage(L"Out of memory.", pszError, nMaxError);
}

BOOL CNotSupportedException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    return CopyMessage(L"Unsupported operation was attempted.", pszError, nMaxError);
}

int CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError) {
    case NO_ERROR:
        return none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
        return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_NETPATH:
        return badPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_NETWORK_ACCESS_DENIED:
        return accessDenied;
    case ERROR_INVALID_HANDLE:
    case ERROR_BAD_FORMAT:
        return invalidFile;
    case ERROR_CURRENT_DIRECTORY:
        return removeCurrentDir;
    case ERROR_CANNOT_MAKE:
        return directoryFull;
    case ERROR_NEGATIVE_SEEK:
    case ERROR_SEEK_ON_DEVICE:
        return badSeek;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
        return hardIO;
    case ERROR_SHARING_VIOLATION:
        return sharingViolation;
    case ERROR_LOCK_VIOLATION:
    case ERROR_DRIVE_LOCKED:
        return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return diskFull;
    case ERROR_HANDLE_EOF:
        return endOfFile;
    default:
        return genericException;
    }
}

BOOL CFileException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    static const wchar_t* const texts[] = {
        L"No error occurred.",
        L"An unspecified error occurred while accessing %s.",
        L"%s was not found.",
        L"%s contains an incorrect path.",
        L"%s could not be opened because there are too many open files.",
        L"Access to %s was denied.",
        L"An incorrect file handle was associated with %s.",
        L"%s could not be removed because it is the current directory.",
        L"%s could not be created because the directory is full.",
        L"Seek failed on %s.",
        L"A hardware I/O error was reported while accessing %s.",
        L"A sharing violation occurred while accessing %s.",
        L"A locking violation occurred while locking %s.",
        L"Disk full while accessing %s.",
        L"An attempt was made to access %s past its end.",
    };
    int cause = (m_cause >= 0 && m_cause <= endOfFile) ? m_cause : genericException;
    CString text;
    text.Format(texts[cause], m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString());
    return CopyMessage(text, pszError, nMaxError);
}

BOOL CArchiveException::GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT*) const
{
    static const wchar_t* const texts[] = {
        L"No error occurred.",
        L"An unexpected error occurred while reading %s.",
        L"An attempt was made to write to the reading %s.",
        L"An attempt was made to access %s past its end.",
        L"An attempt was made to read from the writing %s.",
        L"%s has a bad format.",
        L"%s contained an unexpected object.",
        L"%s contains an incorrect schema.",
    };
    int cause = (m_cause >= 0 && m_cause <= badSchema) ? m_cause : genericException;
    CString text;
    text.Format(texts[cause], m_strFileName.IsEmpty() ? L"an unnamed file" : m_strFileName.GetString());
    return CopyMessage(text, pszError, nMaxError);
}

void AfxThrowInvalidArgException()
{
    throw new CInvalidArgException();
}

void AfxThrowMemoryException()
{
    throw new CMemoryException();
}

void AfxThrowNotSupportedException()
{
    throw new CNotSupportedException();
}

void AfxThrowFileException(int cause, LONG lOsError, const wchar_t* pszFileName)
{
    throw new CFileException(cause, lOsError, pszFileName);
}

void AfxThrowOsFileException(LONG lOsError, const wchar_t* pszFileName)
{
    throw new CFileException(CFileException::OsErrorToException(lOsError), lOsError, pszFileName);
}

void AfxThrowArchiveException(int cause, const wchar_t* pszArchiveName)
{
    throw new CArchiveException(cause, pszArchiveName);
}
