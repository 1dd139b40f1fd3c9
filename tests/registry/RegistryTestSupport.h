#pragma once
// Helpers of the registry item tests: scratch keys below Software\Tessaro
// that go away with the test, installation keys moved aside and brought
// back, key trees for comparison, and archive bytes built by hand.

#include "framework/CMemFile.h"
#include "tests/RunFlags.h"
#include "tests/RunRecorder.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace regtest {

using Bytes = std::vector<unsigned char>;

using test::StashedKey;
using test::UndoCreation;

// A fresh key HKxx\Software\Tessaro\OrvexTest\<unique>; it goes at the end
// with every key made on the way to it.
class ScratchKey {
public:
    explicit ScratchKey(HKEY hRoot = HKEY_CURRENT_USER);

    const CString& Path() const { return m_path; }
    CString Sub(const wchar_t* pszName) const { return m_path + L"\\" + pszName; }

private:
    CString m_path;
    UndoCreation m_undo;
};

void SetValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD type, const Bytes& data);
void SetString(HKEY hRoot, const CString& strPath, const wchar_t* pszName, const wchar_t* pszValue);
void SetDword(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD value);
void CreateKey(HKEY hRoot, const CString& strPath);
void DeleteTree(HKEY hRoot, const CString& strPath);
bool KeyExists(HKEY hRoot, const CString& strPath);
bool ValueExists(HKEY hRoot, const CString& strPath, const wchar_t* pszName);

// A key tree as the registry reports it, compared regardless of enumeration order.
struct KeyTree {
    bool exists = false;
    std::map<std::wstring, std::pair<DWORD, Bytes>> values;
    std::map<std::wstring, KeyTree> subKeys;
    bool operator==(const KeyTree& other) const
    {
        return exists == other.exists && values == other.values && subKeys == other.subKeys;
    }
};
KeyTree ReadTree(HKEY hRoot, const CString& strPath);

// Archive bytes built field by field.
class ArchiveBytes {
public:
    ArchiveBytes& Dword(DWORD dw);
    ArchiveBytes& Word(WORD w);
    ArchiveBytes& Byte(BYTE b);
    // The archive's UTF-16 string encoding.
    ArchiveBytes& Str(const std::wstring& text);
    // A key body without sub-keys and values.
    ArchiveBytes& EmptyBody() { return Dword(0xFFFFFFFE).Dword(0xFFFFFFFF); }
    // One DWORD value "name" and the end of the values.
    ArchiveBytes& OneValue(const std::wstring& name, DWORD value)
    {
        return Dword(1).Str(name).Dword(REG_DWORD).Dword(4).Dword(value).Dword(0xFFFFFFFF);
    }
    const Bytes& Get() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    Bytes m_bytes;
};

Bytes ToBytes(CMemFile& file);
Bytes DwordBytes(DWORD dw);

using TestListener = test::RunRecorder;

// Backup.ini of a backup folder, as the run writes it.
inline void WriteBackupIni(const CString& strBackupDir, int nComplete, int nDisk)
{
    CBackup::WriteBackupState(nComplete, nDisk, strBackupDir + L"\\Backup.ini");
}

using FlagsFixture = test::FlagsTest;

} // namespace regtest
