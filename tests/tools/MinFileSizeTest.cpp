// MakeDemoInstallation --min-file-size: every binary file of the patient data
// is at least that large, text files keep their sizes, and a minimum the
// command line cannot honour is refused.

#include "framework/CString.h"
#include "tests/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

int RunDemo(const CString& args)
{
    return test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"), args, 300000);
}

bool IsText(const std::wstring& name)
{
    const size_t dot = name.rfind(L'.');
    const std::wstring ext = dot == std::wstring::npos ? L"" : name.substr(dot);
    return ext == L".txt" || ext == L".log";
}

// Relative path -> size of every file below dir.
void Collect(const CString& dir, const std::wstring& prefix, std::map<std::wstring, ULONGLONG>& sizes)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir + L"\\*", &fd);
    if (h == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            Collect(dir + L"\\" + name.c_str(), prefix + name + L"\\", sizes);
        else
            sizes[prefix + name] = (static_cast<ULONGLONG>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
}

} // namespace

TEST(MakeDemoInstallationMinFileSize, RaisesSmallBinaryFilesOnly)
{
    test::TempDir temp;
    const CString common = L"--files-only --patients 4 --cases 3 --file-size 64K --seed 5 --data-dir ";
    ASSERT_EQ(0, RunDemo(common + L"\"" + (temp / L"Plain") + L"\""));
    ASSERT_EQ(0, RunDemo(L"--min-file-size 20K " + common + L"\"" + (temp / L"Raised") + L"\""));

    std::map<std::wstring, ULONGLONG> plain;
    std::map<std::wstring, ULONGLONG> raised;
    Collect(temp / L"Plain", L"", plain);
    Collect(temp / L"Raised", L"", raised);
    ASSERT_FALSE(plain.empty());
    // The same files, each binary one at least the minimum and otherwise as drawn.
    ASSERT_EQ(plain.size(), raised.size());
    int grown = 0;
    for (const auto& file : plain) {
        ASSERT_EQ(1u, raised.count(file.first)) << file.first;
        const ULONGLONG size = raised[file.first];
        if (IsText(file.first)) {
            EXPECT_EQ(file.second, size) << file.first;
            continue;
        }
        EXPECT_EQ(file.second < 20 * 1024 ? 20 * 1024 : file.second, size) << file.first;
        if (file.second < 20 * 1024)
            ++grown;
    }
    EXPECT_GT(grown, 0);
}

TEST(MakeDemoInstallationMinFileSize, RefusesAMinimumAboveTheScaleOrMalformed)
{
    test::TempDir temp;
    const CString dir = L" --files-only --patients 1 --data-dir \"" + (temp / L"Data") + L"\"";
    EXPECT_EQ(2, RunDemo(L"--file-size 1M --min-file-size 2M" + dir));
    EXPECT_EQ(2, RunDemo(L"--min-file-size 10Q" + dir));
    EXPECT_EQ(2, RunDemo(L"--min-file-size"));
    EXPECT_FALSE(test::DirExists(temp / L"Data"));
    EXPECT_EQ(0, RunDemo(L"--file-size 8K --min-file-size 8K" + dir));
}
