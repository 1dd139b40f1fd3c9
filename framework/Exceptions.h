#pragma once
// The framework's exceptions. They are thrown as pointers to heap objects,
// caught by pointer, and released by the handler with Delete():
//     try { ... } catch (CFileException* e) { ...; e->Delete(); }

#include "framework/CString.h"

class CException {
public:
    virtual ~CException() = default;
    void Delete() { delete this; }
    // Fills pszError with a readable description; FALSE when there is none.
    virtual BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;

protected:
    CException() = default;
    CException(const CException&) = default;
};

class CInvalidArgException : public CException {
public:
    BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CMemoryException : public CException {
public:
    BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CNotSupportedException : public CException {
public:
    BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;
};

class CFileException : public CException {
public:
    // The cause numbers callers test (access denied 5, directory full 8, disk full 13).
    enum {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, const wchar_t* pszFileName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName) {}

    // The cause that belongs to a Win32 error code.
    static int OsErrorToException(LONG lOsError);

    BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CArchiveException : public CException {
public:
    enum {
        none = 0,
        genericException = 1,
        readOnly = 2,
        endOfFile = 3,
        writeOnly = 4,
        badIndex = 5,
        badClass = 6,
        badSchema = 7,
    };

    explicit CArchiveException(int cause = none, const wchar_t* pszFileName = nullptr)
        : m_cause(cause), m_strFileName(pszFileName) {}

    BOOL GetErrorMessage(wchar_t* pszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const override;

    int m_cause;
    CString m_strFileName;
};

[[noreturn]] void AfxThrowInvalidArgException();
[[noreturn]] void AfxThrowMemoryException();
[[noreturn]] void AfxThrowNotSupportedException();
[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, const wchar_t* pszFileName = nullptr);
// Raises the file exception that belongs to a Win32 error code.
[[noreturn]] void AfxThrowOsFileException(LONG lOsError, const wchar_t* pszFileName = nullptr);
[[noreturn]] void AfxThrowArchiveException(int cause, const wchar_t* pszArchiveName = nullptr);
