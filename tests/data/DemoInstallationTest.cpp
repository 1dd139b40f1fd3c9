// A whole patient data backup of a realistic demo installation: every data
// file and TIFF image copied whole, nothing else, verified, and only the case
// directories that hold nothing but saved files deleted afterwards.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "items/data/PatientDataFiles.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"
#include "tests/data/RecordingListener.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<CString> List(const CString& dir, DWORD mask)
{
    CStringArray names;
    CDirectory::ListFiles(dir, names, L"*.*", mask);
    std::vector<CString> result;
    for (INT_PTR i = 0; i < names.GetSize(); ++i)
        result.push_back(names[i]);
    return result;
}

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};

class DemoInstallationTest : public test::DataItemsTest {};

TEST_F(DemoInstallationTest, BackupVerifyAndDeleteOfTheDemoPatients)
{
    test::TempDir tmp;
    const CString data = tmp / L"Data";
    ASSERT_EQ(0, test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"),
                                  L"--files-only --patients 5 --cases 3 --file-size 30K --seed 7 --data-dir \"" + data +
                                      L"\""));
    test::SettingsKeyGuard::SetDataPath(data);
    gBackupTiffImages = TRUE;
    gVerifyAfterBackup = TRUE;

    std::unique_ptr<CBackupItemPatientDataIndex, TreeDeleter> index(new CBackupItemPatientDataIndex);
    index->BuildForBackup();
    ASSERT_EQ(5, index->GetChildren().GetSize());
    index->SelectAll();
    test::RecordingListener listener;
    const CString backup = tmp / L"Backup";
    index->Backup(backup, &listener);
    EXPECT_TRUE(listener.failures.empty());
    EXPECT_EQ(index->CalculateSize(), listener.progress);

    // Which cases hold anything a backup does not take.
    std::vector<CString> mixedCases;
    std::vector<CString> savedCases;
    int copies = 0;
    for (const CString& patient : List(data, FILE_ATTRIBUTE_DIRECTORY)) {
        for (const CString& caseName : List(CDirectory::Concat(data, patient), FILE_ATTRIBUTE_DIRECTORY)) {
            const CString rel = patient + L"\\" + caseName;
            bool mixed = false;
            for (const CString& file : List(CDirectory::Concat(data, rel), ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY))) {
                const CString live = CDirectory::Concat(data, rel + L"\\" + file);
                const CString copy = CDirectory::Concat(backup, L"Patient Data Index\\" + rel + L"\\" + file);
                if (IsPatientDataFile(file) || IsTiffFile(file)) {
                    EXPECT_EQ(test::ReadBytes(live), test::ReadBytes(copy)) << live;
                    ++copies;
                } else {
                    EXPECT_FALSE(test::FileExists(copy)) << copy;
                    mixed = true;
                }
            }
            (mixed ? mixedCases : savedCases).push_back(rel);
        }
    }
    EXPECT_GT(copies, 20);
    ASSERT_FALSE(mixedCases.empty()) << "the demo writes notes and logs into some cases";
    ASSERT_FALSE(savedCases.empty());

    listener.progress = 0;
    index->Verify(CDirectory::Concat(backup, L"Patient Data Index"), &listener);
    EXPECT_EQ(index->CalculateSize(), listener.progress);
    index->DeleteRestorations(&listener);
    for (const CString& rel : savedCases)
        EXPECT_FALSE(test::DirExists(CDirectory::Concat(data, rel))) << rel;
    for (const CString& rel : mixedCases)
        EXPECT_TRUE(test::DirExists(CDirectory::Concat(data, rel))) << rel;
}

} // namespace
