#include "framework/CArchive.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

// Longest piece handed to one CFile call.
const SIZE_T kMaxChunk = 0x40000000;

} // namespace

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize) : m_pFile(pFile), m_nMode(nMode)
{
    if (!pFile || (nMode != store && nMode != load) || nBufSize <= 0)
        AfxThrowInvalidArgException();
    m_buffer.resize(static_cast<SIZE_T>(nBufSize));
}

CArchive::~CArchive()
{
    Abort();
}

UINT CArchive::Read(void* pBuffer, UINT nMax)
{
    CheckLoading();
    BYTE* out = static_cast<BYTE*>(pBuffer);
    UINT done = 0;
    while (done < nMax) {
        if (m_nBufPos == m_nBufEnd) {
            m_nBufPos = m_nBufEnd = 0;
            m_nBufEnd = m_pFile->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
            if (m_nBufEnd == 0)
                break;
        }
        SIZE_T n = std::min<SIZE_T>(nMax - done, m_nBufEnd - m_nBufPos);
        memcpy(out + done, m_buffer.data() + m_nBufPos, n);
        m_nBufPos += n;
        done += static_cast<UINT>(n);
    }
    return done;
}

void CArchive::Write(const void* pBuffer, UINT nCount)
{
    CheckStoring();
    const BYTE* in = static_cast<const BYTE*>(pBuffer);
    while (nCount > 0) {
        if (m_nBufPos == m_buffer.size())
            Flush();
        SIZE_T n = std::min<SIZE_T>(nCount, m_buffer.size() - m_nBufPos);
        memcpy(m_buffer.data() + m_nBufPos, in, n);
        m_nBufPos += n;
        in += n;
        nCount -= static_cast<UINT>(n);
    }
}

void CArchive::Flush()
{
    if (!m_pFile)
        return;
    if (IsStoring()) {
        if (m_nBufPos > 0) {
            // Emptied first, so a failed write is not repeated by a later flush.
            SIZE_T n = m_nBufPos;
            m_nBufPos = 0;
            m_pFile->Write(m_buffer.data(), static_cast<UINT>(n));
        }
    } else {
        SIZE_T unread = m_nBufEnd - m_nBufPos;
        m_nBufPos = m_nBufEnd = 0;
        if (unread > 0)
            m_pFile->Seek(-static_cast<LONGLONG>(unread), CFile::current);
    }
}

void CArchive::Close()
{
    if (!m_pFile)
        return;
    Flush();
    m_pFile = nullptr;
}

void CArchive::Abort()
{
    m_pFile = nullptr;
    m_nBufPos = m_nBufEnd = 0;
}

ULONGLONG CArchive::GetRemaining() const
{
    if (!m_pFile || IsStoring())
        return 0;
    ULONGLONG length = m_pFile->GetLength();
    ULONGLONG position = m_pFile->GetPosition();
    ULONGLONG inFile = length > position ? length - position : 0;
    return (m_nBufEnd - m_nBufPos) + inFile;
}

void CArchive::WriteCount(DWORD_PTR dwCount)
{
    if (dwCount < 0xFFFF) {
        *this << static_cast<WORD>(dwCount);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (dwCount < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(dwCount);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF);
    *this << static_cast<ULONGLONG>(dwCount);
}

DWORD_PTR CArchive::ReadCount()
{
    WORD w;
    *this >> w;
    if (w != 0xFFFF)
        return w;
    DWORD dw;
    *this >> dw;
    if (dw != 0xFFFFFFFF)
        return dw;
    ULONGLONG qw;
    *this >> qw;
    return static_cast<DWORD_PTR>(qw);
}

CArchive& CArchive::operator<<(const CString& str)
{
    const std::wstring& text = str.Str();
    WriteStringLength(text.size());
    WriteLarge(text.data(), text.size() * sizeof(wchar_t));
    return *this;
}

CArchive& CArchive::operator>>(CString& str)
{
    UINT charSize = 1;
    ULONGLONG length = ReadStringLength(charSize);
    // The length comes from the medium: it has to fit into what is left before
    // anything is allocated for it.
    if (length > GetRemaining() / charSize)
        Throw(CArchiveException::endOfFile);
    if (length > INT_MAX)
        Throw(CArchiveException::genericException);
    SIZE_T n = static_cast<SIZE_T>(length);
    if (charSize == 2) {
        std::wstring text(n, L'\0');
        ReadExact(&text[0], n * sizeof(wchar_t));
        str = CString(text);
        return *this;
    }
    std::string narrow(n, '\0');
    ReadExact(&narrow[0], n);
    std::wstring text;
    if (n > 0) {
        int wide = MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(n), nullptr, 0);
        text.resize(static_cast<SIZE_T>(wide));
        if (wide > 0)
            MultiByteToWideChar(CP_ACP, 0, narrow.data(), static_cast<int>(n), &text[0], wide);
    }
    str = CString(text);
    return *this;
}

void CArchive::ReadExact(void* pBuffer, SIZE_T nCount)
{
    BYTE* out = static_cast<BYTE*>(pBuffer);
    while (nCount > 0) {
        UINT chunk = static_cast<UINT>(std::min(nCount, kMaxChunk));
        if (Read(out, chunk) != chunk)
            Throw(CArchiveException::endOfFile);
        out += chunk;
        nCount -= chunk;
    }
}

void CArchive::WriteLarge(const void* pBuffer, SIZE_T nCount)
{
    const BYTE* in = static_cast<const BYTE*>(pBuffer);
    while (nCount > 0) {
        UINT chunk = static_cast<UINT>(std::min(nCount, kMaxChunk));
        Write(in, chunk);
        in += chunk;
        nCount -= chunk;
    }
}

void CArchive::WriteStringLength(ULONGLONG nLength)
{
    *this << static_cast<BYTE>(0xFF);
    *this << static_cast<WORD>(0xFFFE);
    if (nLength < 0xFF) {
        *this << static_cast<BYTE>(nLength);
        return;
    }
    *this << static_cast<BYTE>(0xFF);
    if (nLength < 0xFFFE) {
        *this << static_cast<WORD>(nLength);
        return;
    }
    *this << static_cast<WORD>(0xFFFF);
    if (nLength < 0xFFFFFFFF) {
        *this << static_cast<DWORD>(nLength);
        return;
    }
    *this << static_cast<DWORD>(0xFFFFFFFF);
    *this << nLength;
}

ULONGLONG CArchive::ReadStringLength(UINT& nCharSize)
{
    nCharSize = 1;
    BYTE b;
    *this >> b;
    if (b < 0xFF)
        return b;
    WORD w;
    *this >> w;
    if (w == 0xFFFE) {
        // The UTF-16 tag; the length follows from the start. A second tag
        // cannot follow, so here 0xFFFE is a length like any WORD below 0xFFFF.
        nCharSize = 2;
        *this >> b;
        if (b < 0xFF)
            return b;
        *this >> w;
    }
    if (w < 0xFFFF)
        return w;
    DWORD dw;
    *this >> dw;
    if (dw < 0xFFFFFFFF)
        return dw;
    ULONGLONG qw;
    *this >> qw;
    return qw;
}

void CArchive::CheckLoading() const
{
    if (!m_pFile)
        Throw(CArchiveException::genericException);
    if (!IsLoading())
        Throw(CArchiveException::writeOnly);
}

void CArchive::CheckStoring() const
{
    if (!m_pFile)
        Throw(CArchiveException::genericException);
    if (!IsStoring())
        Throw(CArchiveException::readOnly);
}

void CArchive::Throw(int cause) const
{
    AfxThrowArchiveException(cause, m_pFile ? m_pFile->GetFilePath().GetString() : nullptr);
}
