#pragma once
// What the tests of the data items share: the installation's DataPath setting
// in the real registry (saved and put back), literal file trees on disk, a file
// held open without sharing, and a fixture that resets the process-wide flags
// and the scripted answers around every test.

#include "framework/CString.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace test {

// HKLM\<ORVEX root>Settings as the installation keeps it.
CString SettingsKeyPath();

// Saves the whole settings key on construction and puts it back (or removes
// it, when there was none) on destruction.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

    // Deletes the settings key with everything below it.
    static void RemoveKey();
    // Writes DataPath with this type and these raw bytes, creating the key.
    static void SetValue(DWORD type, const void* pData, DWORD bytes);
    // Writes DataPath as a terminated REG_SZ string.
    static void SetDataPath(const CString& path);
    // Creates the key and removes the DataPath value.
    static void RemoveValue();

private:
    bool m_bSaved = false;
};

// A file tree described by relative paths (backslash-separated) and contents.
using FileTree = std::vector<std::pair<const wchar_t*, std::string>>;
void MakeTree(const CString& root, const FileTree& tree);

// The whole content of a file (empty when it cannot be read).
std::string ReadText(const CString& path);

// n bytes of a pattern that depends on seed, so two files rarely match.
std::string Pattern(size_t n, unsigned seed);

// Holds a file open without sharing, so no one else can open it.
class FileLock {
public:
    explicit FileLock(const CString& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool IsHeld() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile;
};

DWORD Attributes(const CString& path);

// Whether the file system lets this file's archive attribute be cleared. Wine
// reports it on every regular file whatever was set, so rules that read it can
// be checked only where this holds.
bool ArchiveBitClears(const CString& path);

// Resets the process-wide flags around each test, answers any message box
// or question that the test did not script with a failure and Cancel, and
// gives each test a settings key of its own.
class DataItemsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    static void ResetFlags();
    SettingsKeyGuard m_settings;
};

} // namespace test
