#pragma once
// What the tests of the data items share: the DataPath setting in the real
// registry (saved and put back), literal file trees, a file held open without
// sharing, and a fixture that resets the process-wide flags around each test.

#include "framework/CHandle.h"
#include "framework/CString.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace test {

// Saves HKLM\<ORVEX root>Settings and puts it back (or removes it) at the end.
class SettingsKeyGuard {
public:
    SettingsKeyGuard();
    ~SettingsKeyGuard();
    SettingsKeyGuard(const SettingsKeyGuard&) = delete;
    SettingsKeyGuard& operator=(const SettingsKeyGuard&) = delete;

    static void RemoveKey();
    static void SetDataPath(const CString& path);

private:
    bool m_bSaved = false;
};

using FileTree = std::vector<std::pair<const wchar_t*, std::string>>;
void MakeTree(const CString& root, const FileTree& tree);
std::string ReadText(const CString& path);
// n bytes of a pattern that depends on seed, so two files rarely match.
std::string Pattern(size_t n, unsigned seed);

// The file held open without sharing, so no one else can open it.
CHandle LockFile(const CString& path);

bool IsReadOnly(const CString& path);

// Resets the flags and gives each test a settings key of its own.
class DataItemsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

private:
    static void ResetFlags();
    SettingsKeyGuard m_settings;
};

} // namespace test
