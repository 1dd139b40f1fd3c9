#pragma once
// Helpers of the registry item tests: scratch keys below Software\Tessaro
// that go away with the test, installation keys moved aside and brought
// back, snapshots of key trees for comparison, archive bytes built by hand,
// and a progress listener that records what the items report.

#include "app/IProgressListener.h"
#include "framework/CMemFile.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace regtest {

using Bytes = std::vector<unsigned char>;

// A fresh key HKxx\Software\Tessaro\OrvexTest\<unique>, deleted with its
// whole tree when the object goes away.
class ScratchKey {
public:
    explicit ScratchKey(HKEY hRoot = HKEY_CURRENT_USER);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY Root() const { return m_hRoot; }
    // The path below the root, without trailing backslash.
    const CString& Path() const { return m_path; }
    CString Sub(const wchar_t* pszName) const { return m_path + L"\\" + pszName; }

private:
    HKEY m_hRoot;
    CString m_path;
};

// Moves an existing key of the installation aside (into a stash below
// HKCU\Software\Tessaro\OrvexTest) and puts it back, with nothing else left
// at its place, when the object goes away. A key that did not exist is
// removed again at the end.
class StashedKey {
public:
    StashedKey(HKEY hRoot, const CString& strPath);
    ~StashedKey();
    StashedKey(const StashedKey&) = delete;
    StashedKey& operator=(const StashedKey&) = delete;

private:
    void Stash();

    HKEY m_hRoot;
    CString m_path;
    CString m_stash;
    bool m_existed = false;
};

// Removes again what a faulty restore may create at a path outside the test
// keys: the first of the path's keys that did not exist at construction is
// deleted with its tree at destruction, so one failing run spoils no later one.
class UndoCreation {
public:
    UndoCreation(HKEY hRoot, const CString& strPath);
    ~UndoCreation();
    UndoCreation(const UndoCreation&) = delete;
    UndoCreation& operator=(const UndoCreation&) = delete;

private:
    HKEY m_hRoot;
    CString m_missing;
};

// Registry writes that fail the test when they fail.
void SetValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD type, const Bytes& data);
void SetString(HKEY hRoot, const CString& strPath, const wchar_t* pszName, const wchar_t* pszValue);
void SetDword(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD value);
void CreateKey(HKEY hRoot, const CString& strPath);
void DeleteTree(HKEY hRoot, const CString& strPath);
bool KeyExists(HKEY hRoot, const CString& strPath);
bool ValueExists(HKEY hRoot, const CString& strPath, const wchar_t* pszName);
// The value's type and data; false when it is missing.
bool QueryValue(HKEY hRoot, const CString& strPath, const wchar_t* pszName, DWORD& type, Bytes& data);

// A key tree as the registry API reports it: values by name (type, data) and
// sub-keys by name, compared regardless of enumeration order.
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
// The first difference, for a failure message; empty when equal.
std::string Difference(const KeyTree& expected, const KeyTree& actual, const std::string& where = "");

// Archive bytes built field by field.
class ArchiveBytes {
public:
    ArchiveBytes& Dword(DWORD dw);
    ArchiveBytes& Word(WORD w);
    ArchiveBytes& Byte(BYTE b);
    // The UTF-16 string encoding of the archive.
    ArchiveBytes& Str(const std::wstring& text);
    ArchiveBytes& Raw(const Bytes& bytes);
    // An empty key body: no sub-keys, no values.
    ArchiveBytes& EmptyBody();
    const Bytes& Get() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    Bytes m_bytes;
};

Bytes ToBytes(CMemFile& file);
// A memory file holding the bytes, positioned at its start.
void Fill(CMemFile& file, const Bytes& bytes);
Bytes DwordBytes(DWORD dw);

// Records the reports of a run; IsCancelled answers the cancel flag.
class TestListener : public IProgressListener {
public:
    void AddProgress(LONGLONG nBytes) override { progress += nBytes; ++progressCalls; }
    BOOL IsCancelled() override { return cancelled; }
    void Cancel() override { cancelled = TRUE; }
    void SetStatusText(const CString&) override {}
    void ShowError(UINT nStringId) override { errors.push_back(nStringId); }
    void SetProgressPos(int nPos) override { pos = nPos; }
    int GetProgressPos() override { return pos; }
    void Finish() override {}
    void ShowInfo(UINT) override {}
    void ReportFailure(ERunFailure, const CString&) override {}
    void ReportCopied() override {}
    BOOL IsFreshMedium() override { return FALSE; }
    void ShowErrorText(const CString&) override {}

    LONGLONG progress = 0;
    int progressCalls = 0;
    BOOL cancelled = FALSE;
    int pos = 0;
    std::vector<UINT> errors;
};

// Writes the two keys of a backup directory's Backup.ini.
void WriteBackupIni(const CString& strBackupDir, int nComplete, int nDisk);

// Clears the process-wide flags before and after each test; in between, a
// question dialog or message box fails the test unless the test answers it.
class FlagsFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace regtest
