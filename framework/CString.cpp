#include "framework/CString.h"

#include "framework/Exceptions.h"

#include <cstdarg>
#include <cwchar>
#include <vector>

CString::CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}

CString::CString(const wchar_t* pch, int nLength) : m_str(pch ? pch : L"", pch && nLength > 0 ? nLength : 0) {}

CString::CString(wchar_t ch, int nRepeat) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}

CString::CString(const char* psz)
{
    if (!psz || !*psz)
        return;
    int n = MultiByteToWideChar(CP_ACP, 0, psz, -1, nullptr, 0);
    if (n <= 1)
        return;
    m_str.resize(n - 1);
    MultiByteToWideChar(CP_ACP, 0, psz, -1, &m_str[0], n);
}

wchar_t CString::GetAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    return m_str[nIndex];
}

void CString::SetAt(int nIndex, wchar_t ch)
{
    if (nIndex < 0 || nIndex >= GetLength())
        AfxThrowInvalidArgException();
    m_str[nIndex] = ch;
}

wchar_t* CString::GetBuffer(int nMinLength)
{
    if (nMinLength > GetLength())
        m_str.resize(nMinLength);
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = static_cast<int>(wcsnlen(m_str.c_str(), m_str.size()));
    if (nNewLength < GetLength())
        m_str.resize(nNewLength);
}

int CString::Find(wchar_t ch, int nStart) const
{
    if (nStart < 0 || nStart >= GetLength())
        return -1;
    size_t pos = m_str.find(ch, nStart);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const wchar_t* pszSub, int nStart) const
{
    if (!pszSub || nStart < 0 || nStart > GetLength())
        return -1;
    size_t pos = m_str.find(pszSub, nStart);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const wchar_t* pszCharSet) const
{
    size_t pos = m_str.find_first_of(pszCharSet ? pszCharSet : L"");
    return pos == std::wstring::npos ? -1 : static_cast<int>(pos);
}

CString CString::Left(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    return CString(m_str.substr(0, nCount));
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength());
}

CString CString::Mid(int nFirst, int nCount) const
{
    if (nFirst < 0)
        nFirst = 0;
    if (nCount < 0)
        nCount = 0;
    if (nFirst >= GetLength())
        return CString();
    return CString(m_str.substr(nFirst, nCount));
}

CString CString::Right(int nCount) const
{
    if (nCount < 0)
        nCount = 0;
    if (nCount >= GetLength())
        return *this;
    return CString(m_str.substr(m_str.size() - nCount));
}

int CString::Compare(const wchar_t* psz) const
{
    int r = wcscmp(m_str.c_str(), psz ? psz : L"");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* psz) const
{
    int r = CompareStringOrdinal(m_str.c_str(), GetLength(), psz ? psz : L"", -1, TRUE);
    return r - CSTR_EQUAL;
}

CString& CString::MakeUpper()
{
    if (!m_str.empty())
        CharUpperBuffW(&m_str[0], GetLength());
    return *this;
}

CString& CString::MakeLower()
{
    if (!m_str.empty())
        CharLowerBuffW(&m_str[0], GetLength());
    return *this;
}

int CString::Replace(wchar_t chOld, wchar_t chNew)
{
    int n = 0;
    for (wchar_t& c : m_str) {
        if (c == chOld) {
            c = chNew;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew)
{
    std::wstring from = pszOld ? pszOld : L"";
    std::wstring to = pszNew ? pszNew : L"";
    if (from.empty())
        return 0;
    int n = 0;
    std::wstring out;
    size_t pos = 0;
    for (;;) {
        size_t hit = m_str.find(from, pos);
        if (hit == std::wstring::npos)
            break;
        out.append(m_str, pos, hit - pos);
        out += to;
        pos = hit + from.size();
        ++n;
    }
    if (n) {
        out.append(m_str, pos, std::wstring::npos);
        m_str.swap(out);
    }
    return n;
}

int CString::Remove(wchar_t ch)
{
    size_t before = m_str.size();
    std::wstring out;
    out.reserve(before);
    for (wchar_t c : m_str)
        if (c != ch)
            out += c;
    m_str.swap(out);
    return static_cast<int>(before - m_str.size());
}

int CString::Insert(int nIndex, const wchar_t* psz)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nIndex > GetLength())
        nIndex = GetLength();
    m_str.insert(nIndex, psz ? psz : L"");
    return GetLength();
}

int CString::Delete(int nIndex, int nCount)
{
    if (nIndex < 0)
        nIndex = 0;
    if (nCount > 0 && nIndex < GetLength())
        m_str.erase(nIndex, nCount);
    return GetLength();
}

CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < m_str.size() && iswspace(m_str[i]))
        ++i;
    m_str.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = m_str.size();
    while (n > 0 && iswspace(m_str[n - 1]))
        --n;
    m_str.resize(n);
    return *this;
}

void CString::FormatV(const wchar_t* pszFormat, va_list args)
{
    // The C runtime's own _vsnwprintf reads %s as a wide string, as Windows code expects.
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf.data(), buf.size() - 1, pszFormat, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size() - 1) {
            m_str.assign(buf.data(), n);
            return;
        }
        if (buf.size() > (1u << 24)) {
            m_str.clear();
            return;
        }
        buf.resize(buf.size() * 4);
    }
}

void CString::Format(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::Format(UINT nFormatId, ...)
{
    CString fmt;
    fmt.LoadString(nFormatId);
    va_list args;
    va_start(args, nFormatId);
    FormatV(fmt, args);
    va_end(args);
}

void CString::FormatMessageV(const wchar_t* pszFormat, va_list* args)
{
    wchar_t* out = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, pszFormat, 0, 0,
                               reinterpret_cast<wchar_t*>(&out), 0, args);
    if (n == 0 || !out) {
        m_str.clear();
        if (out)
            LocalFree(out);
        return;
    }
    m_str.assign(out, n);
    LocalFree(out);
}

void CString::FormatMessage(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    FormatMessageV(pszFormat, &args);
    va_end(args);
}

void CString::FormatMessage(UINT nFormatId, ...)
{
    CString fmt;
    fmt.LoadString(nFormatId);
    va_list args;
    va_start(args, nFormatId);
    FormatMessageV(fmt, &args);
    va_end(args);
}

BOOL CString::LoadString(UINT nId)
{
    const wchar_t* p = nullptr;
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself.
    int n = ::LoadStringW(GetModuleHandleW(nullptr), nId, reinterpret_cast<wchar_t*>(&p), 0);
    if (n <= 0 || !p) {
        m_str.clear();
        return FALSE;
    }
    m_str.assign(p, n);
    return TRUE;
}

CString& CString::operator=(const wchar_t* psz)
{
    m_str = psz ? psz : L"";
    return *this;
}

CString& CString::operator+=(const CString& str)
{
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* psz)
{
    if (psz)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(wchar_t ch)
{
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b)
{
    return CString(a.m_str + b.m_str);
}

CString operator+(const CString& a, const wchar_t* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const wchar_t* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, wchar_t b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(wchar_t a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
