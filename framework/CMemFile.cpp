#include "framework/CMemFile.h"

#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace {

const ULONGLONG kMaxSize = std::numeric_limits<SIZE_T>::max();

} // namespace

CMemFile::CMemFile(UINT nGrowBytes) : m_nGrowBytes(nGrowBytes)
{
    if (nGrowBytes == 0)
        AfxThrowInvalidArgException();
}

BOOL CMemFile::Open(const wchar_t*, UINT, CFileException*)
{
    AfxThrowNotSupportedException();
}

UINT CMemFile::Read(void* pBuffer, UINT nCount)
{
    if (m_nPosition >= m_nFileSize || nCount == 0)
        return 0;
    SIZE_T n = m_nFileSize - m_nPosition;
    if (n > nCount)
        n = nCount;
    memcpy(pBuffer, m_storage.data() + m_nPosition, n);
    m_nPosition += n;
    return static_cast<UINT>(n);
}

void CMemFile::Write(const void* pBuffer, UINT nCount)
{
    if (nCount == 0)
        return;
    if (nCount > kMaxSize - m_nPosition)
        AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL);
    SIZE_T end = m_nPosition + nCount;
    if (end > m_nFileSize)
        Extend(end);
    memcpy(m_storage.data() + m_nPosition, pBuffer, nCount);
    m_nPosition = end;
}

ULONGLONG CMemFile::Seek(LONGLONG lOffset, UINT nFrom)
{
    ULONGLONG base = 0;
    switch (nFrom) {
    case begin:
        base = 0;
        break;
    case current:
        base = m_nPosition;
        break;
    case end:
        base = m_nFileSize;
        break;
    default:
        AfxThrowInvalidArgException();
    }
    ULONGLONG position;
    if (lOffset < 0) {
        // Negated without overflowing at the most negative offset.
        ULONGLONG back = static_cast<ULONGLONG>(-(lOffset + 1)) + 1;
        if (back > base)
            AfxThrowFileException(CFileException::badSeek, ERROR_NEGATIVE_SEEK);
        position = base - back;
    } else {
        if (static_cast<ULONGLONG>(lOffset) > kMaxSize - base)
            AfxThrowFileException(CFileException::badSeek, ERROR_SEEK);
        position = base + static_cast<ULONGLONG>(lOffset);
    }
    m_nPosition = static_cast<SIZE_T>(position);
    return position;
}

ULONGLONG CMemFile::GetLength() const
{
    return m_nFileSize;
}

ULONGLONG CMemFile::GetPosition() const
{
    return m_nPosition;
}

void CMemFile::SetLength(ULONGLONG nNewLength)
{
    if (nNewLength > m_nFileSize)
        Extend(nNewLength);
    m_nFileSize = static_cast<SIZE_T>(nNewLength);
    if (m_nPosition > m_nFileSize)
        m_nPosition = m_nFileSize;
}

void CMemFile::Flush()
{
}

void CMemFile::Close()
{
    std::vector<BYTE>().swap(m_storage);
    m_nFileSize = 0;
    m_nPosition = 0;
}

void CMemFile::Abort()
{
    Close();
}

const BYTE* CMemFile::GetBuffer() const
{
    return m_nFileSize ? m_storage.data() : nullptr;
}

std::vector<BYTE> CMemFile::Detach()
{
    std::vector<BYTE> bytes;
    bytes.swap(m_storage);
    bytes.resize(m_nFileSize);
    m_nFileSize = 0;
    m_nPosition = 0;
    return bytes;
}

void CMemFile::Extend(ULONGLONG nNewLength)
{
    if (nNewLength > m_storage.size()) {
        ULONGLONG steps = nNewLength / m_nGrowBytes + (nNewLength % m_nGrowBytes ? 1 : 0);
        if (steps > kMaxSize / m_nGrowBytes)
            AfxThrowMemoryException();
        try {
            m_storage.resize(static_cast<SIZE_T>(steps * m_nGrowBytes));
        } catch (const std::bad_alloc&) {
            AfxThrowMemoryException();
        } catch (const std::length_error&) {
            AfxThrowMemoryException();
        }
    }
    // Bytes beyond the old end may still hold what a shortening SetLength cut off.
    memset(m_storage.data() + m_nFileSize, 0, static_cast<SIZE_T>(nNewLength) - m_nFileSize);
    m_nFileSize = static_cast<SIZE_T>(nNewLength);
}
