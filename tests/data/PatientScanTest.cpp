// The one-walk scan of a patient directory gives exactly what the separate
// steps give: CalculateDirectorySize of the directory, and files items whose
// sizes (and, for a restore, media) are those GetFileSize and Backup.ini name
// for each file.

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "items/data/CBackupItemPatientData.h"
#include "tests/TestSupport.h"
#include "tests/data/DataTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};
using Patient = std::unique_ptr<CBackupItemPatientData, TreeDeleter>;

class PatientScanTest : public test::DataItemsTest {
protected:
    void SetUp() override
    {
        DataItemsTest::SetUp();
        patient = tmp / L"Medium\\Patient Data Index\\Anna";
        test::MakeTree(patient, {
                                    {L"Case1\\a.dat", test::Pattern(1000, 1)},
                                    {L"Case1\\scan.SDT", test::Pattern(70000, 2)},
                                    {L"Case1\\img.tif", test::Pattern(3000, 3)},
                                    {L"Case1\\notes.txt", test::Pattern(40, 4)},
                                    {L"Case1\\Deeper\\hidden.cdt", test::Pattern(500, 5)},
                                    {L"Case2\\b.cdt", test::Pattern(2048, 6)},
                                    {L"Thumbnail\\Thumbnail.jpg", test::Pattern(900, 7)},
                                    {L"loose.dat", test::Pattern(77, 8)},
                                });
    }

    // Every child's size is its file's size, as UpdateSize reads it.
    void ExpectSizesOfFiles(CBackupItemPatientData& item)
    {
        for (INT_PTR i = 0; i < item.GetChildren().GetSize(); ++i) {
            CBackupItem* pChild = item.GetChildren()[i];
            EXPECT_EQ(CDirectory::GetFileSize(CDirectory::Concat(patient, pChild->GetName())), pChild->GetSize())
                << pChild->GetName();
        }
    }

    test::TempDir tmp;
    CString patient;
};

} // namespace

TEST_F(PatientScanTest, BackupScanSizesTheDirectoryAndItsFilesInOneWalk)
{
    for (BOOL tiff : {FALSE, TRUE}) {
        gBackupTiffImages = tiff;
        Patient item(new CBackupItemPatientData(L"Anna"));
        const LONGLONG nDirectorySize = item->ScanForBackup(patient);
        // Deeper files and the loose one count for the directory only.
        EXPECT_EQ(item->CalculateDirectorySize(patient), nDirectorySize);
        EXPECT_EQ(1000 + 70000 + 500 + 2048 + 900 + 77 + (tiff ? 3000 : 0), nDirectorySize);
        ASSERT_EQ(5, item->GetChildren().GetSize());
        ExpectSizesOfFiles(*item);
        EXPECT_EQ(1000 + 70000 + 2048 + 900, item->GetSize());
        EXPECT_EQ(3000, item->GetTiffSize());
    }
}

TEST_F(PatientScanTest, RestoreScanGivesEachFileTheMediumOfItsBackup)
{
    test::WriteText(tmp / L"Medium\\Backup.ini", "[Backup]\r\nBackupComplete=1\r\nDiskNumber=3\r\n");
    Patient item(new CBackupItemPatientData(L"Anna"));
    EXPECT_EQ(item->CalculateDirectorySize(patient), item->ScanForRestore(patient));
    ASSERT_EQ(5, item->GetChildren().GetSize());
    ExpectSizesOfFiles(*item);

    // The same item built file by file, as BuildForRestore of each file does.
    for (INT_PTR i = 0; i < item->GetChildren().GetSize(); ++i) {
        CBackupItem* pChild = item->GetChildren()[i];
        CBackupItemFiles reference(CDirectory::Concat(patient, L"x"), L"y", FALSE);
        reference.SetName(pChild->GetName());
        reference.BuildForRestore(patient);
        EXPECT_EQ(3u, pChild->GetDiskNumber());
        EXPECT_EQ(reference.GetDiskNumber(), pChild->GetDiskNumber());
        EXPECT_EQ(reference.GetSize(), pChild->GetSize());
        EXPECT_TRUE(pChild->HasItemsOnDisk(3));
    }
}

TEST_F(PatientScanTest, MissingDirectoryScansToNothing)
{
    Patient item(new CBackupItemPatientData(L"Nobody"));
    EXPECT_EQ(0, item->ScanForBackup(tmp / L"Nobody"));
    EXPECT_EQ(0, item->GetChildren().GetSize());
    EXPECT_EQ(0, item->GetSize());
}
