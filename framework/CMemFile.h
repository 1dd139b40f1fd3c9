#pragma once
// A file held in memory. Its storage grows in whole steps of nGrowBytes, so
// many small writes cost few reallocations; the allocated size is always a
// multiple of the step.

#include "framework/CFile.h"

#include <vector>

class CMemFile : public CFile {
public:
    explicit CMemFile(UINT nGrowBytes = 1024);

    // A memory file has no name to open.
    BOOL Open(const wchar_t* pszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

    UINT Read(void* pBuffer, UINT nCount) override;
    // Writing past the end grows the file; a gap left by a seek reads as zeros.
    void Write(const void* pBuffer, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOffset, UINT nFrom) override;
    ULONGLONG GetLength() const override;
    ULONGLONG GetPosition() const override;
    void SetLength(ULONGLONG nNewLength) override;
    void Flush() override;
    // Releases the memory; the file is then empty.
    void Close() override;
    void Abort() override;

    // The file's bytes (GetLength of them); null while it is empty. Valid until the next change.
    const BYTE* GetBuffer() const;
    SIZE_T GetAllocatedSize() const { return m_storage.size(); }
    // Hands the contents over and leaves the file empty.
    std::vector<BYTE> Detach();

private:
    // Makes the file nNewLength bytes long, the new bytes zero.
    void Extend(ULONGLONG nNewLength);

    UINT m_nGrowBytes;
    std::vector<BYTE> m_storage;
    SIZE_T m_nFileSize = 0;
    SIZE_T m_nPosition = 0;
};
