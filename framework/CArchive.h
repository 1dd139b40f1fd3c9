#pragma once
// A buffered binary stream over a CFile, in one direction: storing or loading.
// Values are little-endian; strings and counts use the framework's length
// encodings. Damaged input raises CArchiveException with endOfFile, never
// reads beyond what the file holds and never allocates from an unchecked length.

#include "framework/CFile.h"

#include <vector>

class CArchive {
public:
    enum Mode : UINT { store = 0, load = 1 };

    // The file stays the caller's: Close and Abort leave it open.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096);
    // Discards what is still buffered; call Close to keep it.
    ~CArchive();

    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return m_nMode == load; }
    BOOL IsStoring() const { return m_nMode == store; }
    // Null once the archive is closed.
    CFile* GetFile() const { return m_pFile; }

    // Bytes actually read; fewer than nMax only at the end of the file.
    UINT Read(void* pBuffer, UINT nMax);
    void Write(const void* pBuffer, UINT nCount);

    // Storing: writes the buffer to the file. Loading: drops the buffer and sets
    // the file back to just after the last byte read. Nothing once detached.
    void Flush();
    // Flushes and detaches from the file; nothing happens once detached.
    void Close();
    // Detaches from the file, dropping the buffer; raises nothing.
    void Abort();

    // Bytes still to read: the buffer's rest and the file's rest; 0 when storing.
    ULONGLONG GetRemaining() const;

    // Below 0xFFFF a WORD; else WORD 0xFFFF and a DWORD; from 0xFFFFFFFF on,
    // also DWORD 0xFFFFFFFF and a 64-bit count.
    void WriteCount(DWORD_PTR dwCount);
    DWORD_PTR ReadCount();

    CArchive& operator<<(BYTE by) { return WriteValue(by); }
    CArchive& operator<<(WORD w) { return WriteValue(w); }
    CArchive& operator<<(DWORD dw) { return WriteValue(dw); }
    CArchive& operator<<(LONG l) { return WriteValue(l); }
    CArchive& operator<<(int i) { return WriteValue(i); }
    CArchive& operator<<(UINT u) { return WriteValue(u); }
    CArchive& operator<<(LONGLONG ll) { return WriteValue(ll); }
    CArchive& operator<<(ULONGLONG ull) { return WriteValue(ull); }
    // Always the UTF-16 form: BYTE 0xFF, WORD 0xFFFE, the length, the UTF-16LE units.
    CArchive& operator<<(const CString& str);

    CArchive& operator>>(BYTE& by) { return ReadValue(by); }
    CArchive& operator>>(WORD& w) { return ReadValue(w); }
    CArchive& operator>>(DWORD& dw) { return ReadValue(dw); }
    CArchive& operator>>(LONG& l) { return ReadValue(l); }
    CArchive& operator>>(int& i) { return ReadValue(i); }
    CArchive& operator>>(UINT& u) { return ReadValue(u); }
    CArchive& operator>>(LONGLONG& ll) { return ReadValue(ll); }
    CArchive& operator>>(ULONGLONG& ull) { return ReadValue(ull); }
    // Takes the UTF-16 form and the 8-bit form (widened with the ANSI code page).
    CArchive& operator>>(CString& str);

private:
    template <class T>
    CArchive& WriteValue(T value)
    {
        Write(&value, sizeof value);
        return *this;
    }

    template <class T>
    CArchive& ReadValue(T& value)
    {
        ReadExact(&value, sizeof value);
        return *this;
    }

    // Reads all of nCount bytes or raises endOfFile.
    void ReadExact(void* pBuffer, SIZE_T nCount);
    void WriteLarge(const void* pBuffer, SIZE_T nCount);
    // The UTF-16 tag, then the length in UTF-16 units.
    void WriteStringLength(ULONGLONG nLength);
    // The length in characters; nCharSize becomes 1 or 2.
    ULONGLONG ReadStringLength(UINT& nCharSize);
    void CheckLoading() const;
    void CheckStoring() const;
    [[noreturn]] void Throw(int cause) const;

    CFile* m_pFile;
    UINT m_nMode;
    std::vector<BYTE> m_buffer;
    // Loading: m_nBufPos..m_nBufEnd is unread. Storing: 0..m_nBufPos is unwritten.
    SIZE_T m_nBufPos = 0;
    SIZE_T m_nBufEnd = 0;
};
