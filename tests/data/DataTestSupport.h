#pragma once
// What the tests of the data items share: literal file trees, a file held
// open without sharing, and a fixture that resets the process-wide flags and
// gives each test a settings key of its own.

#include "framework/CHandle.h"
#include "framework/CString.h"
#include "tests/RunFlags.h"
#include "tests/TestSupport.h"

#include <string>
#include <utility>
#include <vector>

namespace test {

using FileTree = std::vector<std::pair<const wchar_t*, std::string>>;
void MakeTree(const CString& root, const FileTree& tree);
// n bytes of a pattern that depends on seed, so two files rarely match.
std::string Pattern(size_t n, unsigned seed);

// The file held open without sharing, so no one else can open it.
CHandle LockFile(const CString& path);

bool IsReadOnly(const CString& path);

// Clears the flags and gives each test a settings key of its own.
class DataItemsTest : public FlagsTest {
    StashedKey m_settings{HKEY_LOCAL_MACHINE, kSettingsKey};
};

} // namespace test
