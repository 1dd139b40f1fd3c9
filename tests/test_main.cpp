#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <set>

namespace {

// Every run of the program leaves a report in the report folder of the
// computer, below the common application data folder; the runs of a test
// program take theirs away again, so the prefix stays as it was.
class ReportFolderGuard : public testing::Environment {
public:
    void SetUp() override
    {
        wchar_t* pszData = nullptr;
        if (FAILED(SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &pszData)))
            return;
        m_root = CString(pszData) + L"\\Tessaro";
        CoTaskMemFree(pszData);
        m_bRootExisted = test::DirExists(m_root);
        m_before = Reports();
    }
    void TearDown() override
    {
        if (m_root.IsEmpty())
            return;
        if (!m_bRootExisted) {
            test::RemoveTree(m_root);
            return;
        }
        for (const std::wstring& name : Reports()) {
            if (!m_before.count(name))
                DeleteFileW(Folder() + L"\\" + name.c_str());
        }
    }

private:
    CString Folder() const { return m_root + L"\\ORVEX\\Backup Reports"; }
    std::set<std::wstring> Reports() const
    {
        std::set<std::wstring> names;
        WIN32_FIND_DATAW fd;
        HANDLE h = FindFirstFileW(Folder() + L"\\*.txt", &fd);
        if (h == INVALID_HANDLE_VALUE)
            return names;
        do
            names.insert(fd.cFileName);
        while (FindNextFileW(h, &fd));
        FindClose(h);
        return names;
    }

    CString m_root;
    bool m_bRootExisted = true;
    std::set<std::wstring> m_before;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new ReportFolderGuard);
    return RUN_ALL_TESTS();
}
