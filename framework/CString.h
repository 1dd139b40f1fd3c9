#pragma once
// Wide-character string with the operations this program uses: searching,
// slicing, case-insensitive comparison, printf-style and FormatMessage-style
// formatting, and loading from the string table.

#include <windows.h>

#include <string>

class CString {
public:
    CString() = default;
    CString(const wchar_t* psz);
    CString(const wchar_t* pch, int nLength);
    CString(wchar_t ch, int nRepeat = 1);
    // Narrow text is widened with the ANSI code page.
    explicit CString(const char* psz);
    CString(const std::wstring& str) : m_str(str) {}

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    const wchar_t* GetString() const { return m_str.c_str(); }
    operator const wchar_t*() const { return m_str.c_str(); }
    const std::wstring& Str() const { return m_str; }

    // Out of range indexes raise the invalid-argument exception.
    wchar_t GetAt(int nIndex) const;
    void SetAt(int nIndex, wchar_t ch);
    wchar_t operator[](int nIndex) const { return GetAt(nIndex); }

    // A writable buffer of at least nMinLength characters plus terminator;
    // ReleaseBuffer(-1) takes the length up to the first terminator.
    wchar_t* GetBuffer(int nMinLength = 0);
    void ReleaseBuffer(int nNewLength = -1);

    // Searching: -1 when not found.
    int Find(wchar_t ch, int nStart = 0) const;
    int Find(const wchar_t* pszSub, int nStart = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(const wchar_t* pszCharSet) const;

    // Slicing; counts out of range are clamped.
    CString Left(int nCount) const;
    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Right(int nCount) const;

    // Ordinal comparison; CompareNoCase folds case as the system does for file names.
    int Compare(const wchar_t* psz) const;
    int CompareNoCase(const wchar_t* psz) const;

    CString& MakeUpper();
    CString& MakeLower();
    int Replace(wchar_t chOld, wchar_t chNew);
    int Replace(const wchar_t* pszOld, const wchar_t* pszNew);
    int Remove(wchar_t ch);
    int Insert(int nIndex, const wchar_t* psz);
    int Delete(int nIndex, int nCount = 1);
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();

    // printf-style: %s and %c take wide arguments (as %ls and %lc).
    void Format(const wchar_t* pszFormat, ...);
    void Format(UINT nFormatId, ...);
    // Win32 FormatMessage inserts: %1, %2, typed ones such as %1!d!.
    void FormatMessage(const wchar_t* pszFormat, ...);
    void FormatMessage(UINT nFormatId, ...);

    // Loads a string of this module's string table; FALSE (and empty) when missing.
    BOOL LoadString(UINT nId);

    CString& operator=(const wchar_t* psz);
    CString& operator+=(const CString& str);
    CString& operator+=(const wchar_t* psz);
    CString& operator+=(wchar_t ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);
    friend CString operator+(wchar_t a, const CString& b);

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
    friend bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
    friend bool operator!=(const wchar_t* a, const CString& b) { return !(a == b); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

private:
    void FormatV(const wchar_t* pszFormat, va_list args);
    void FormatMessageV(const wchar_t* pszFormat, va_list* args);

    std::wstring m_str;
};
