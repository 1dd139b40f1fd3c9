#pragma once
// A file on disk, owned through its Win32 handle: the destructor closes it.
// Every failure raises CFileException with the cause that belongs to the
// Win32 error, so callers can tell a full medium from a denied one.

#include "framework/CString.h"
#include "framework/Exceptions.h"

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        // Creates the file, or truncates it when it exists.
        modeCreate = 0x1000,
        // With modeCreate: an existing file is opened as it is.
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        osNoBuffer = 0x10000,
        osWriteThrough = 0x20000,
        osRandomAccess = 0x40000,
        osSequentialScan = 0x80000,
    };

    enum SeekPosition : UINT { begin = 0x0, current = 0x1, end = 0x2 };

    CFile() = default;
    // Opens the file; raises CFileException when it cannot be opened.
    CFile(const wchar_t* pszFileName, UINT nOpenFlags);
    virtual ~CFile();

    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // FALSE when the file cannot be opened; pError, when given, then holds the cause.
    virtual BOOL Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // Bytes actually read; 0 at the end of the file.
    virtual UINT Read(void* pBuffer, UINT nCount);
    // Writes all of nCount bytes; fewer written counts as a full disk.
    virtual void Write(const void* pBuffer, UINT nCount);

    // The new position from the start of the file.
    virtual ULONGLONG Seek(LONGLONG lOffset, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual ULONGLONG GetPosition() const;
    // The position is kept, unless it lies beyond the new end: it then moves to the end.
    virtual void SetLength(ULONGLONG nNewLength);

    virtual void Flush();
    // Raises CFileException when the system reports a failure; the handle is released either way.
    virtual void Close();
    // Closes without raising anything; for clean-up paths.
    virtual void Abort();

    // The full path the file was opened with, and its last component.
    const CString& GetFilePath() const { return m_strFilePath; }
    CString GetFileName() const;

    // INVALID_HANDLE_VALUE while no file is open.
    HANDLE GetHandle() const { return m_hFile; }
    operator HANDLE() const { return m_hFile; }

private:
    void CheckOpen() const;
    [[noreturn]] void ThrowLastError() const;

    HANDLE m_hFile = INVALID_HANDLE_VALUE;
    CString m_strFilePath;
};
