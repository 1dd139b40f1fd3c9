// The calibrations item: which keys it saves, where, and the restore tree
// built from the archive files of a backup.

#include "items/data/CBackupItemCalibrations.h"

#include "app/Globals.h"
#include "installation/CDirectory.h"
#include "items/registry/CBackupItemRegistry.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace regtest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kCamera[] = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices\\";
const wchar_t kCaption[] = L"Calibration Data (Tornik, Lumara, Camera)";

CBackupItemRegistry* Child(CBackupItemCalibrations& item, INT_PTR i)
{
    return dynamic_cast<CBackupItemRegistry*>(item.GetChildren()[i]);
}

// Children are released the way a page releases its tree.
struct Tree {
    CBackupItemCalibrations* p = new CBackupItemCalibrations;
    ~Tree() { p->DeleteFromTree(nullptr); }
    CBackupItemCalibrations* operator->() { return p; }
    CBackupItemCalibrations& operator*() { return *p; }
};

class CalibrationsTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_machineKeys.reset(new StashedKey(kMachine, L"Software\\Tessaro"));
    }

    void TearDown() override
    {
        m_machineKeys.reset();
        FlagsFixture::TearDown();
    }

    // Hidden < 0 leaves the value out.
    void AddDevice(const wchar_t* key, const wchar_t* description, DWORD serial, DWORD type, int hidden = -1)
    {
        CString path = CString(kDevices) + key;
        SetString(kMachine, path, L"Description", description);
        SetDword(kMachine, path, L"SerialNumber", serial);
        SetDword(kMachine, path, L"Type", type);
        if (hidden >= 0)
            SetDword(kMachine, path, L"Hidden", static_cast<DWORD>(hidden));
        SetDword(kMachine, path + L"\\Calibration", L"OffsetX", serial * 3);
    }

    void AddCamera()
    {
        SetString(kMachine, kCamera, L"", L"Lumara Camera");
        SetValue(kMachine, CString(kCamera) + L"\\Calibration\\White", L"Reference", REG_BINARY, {1, 2, 3, 4, 5});
    }

    std::unique_ptr<StashedKey> m_machineKeys;
    test::TempDir m_dir;
    TestListener m_listener;
};

TEST_F(CalibrationsTest, WithoutCameraAndQualifyingDeviceTheItemIsEmptyAndDisabled)
{
    AddDevice(L"A_Hidden", L"Lumara Service", 3309215, 2, 1);
    AddDevice(L"B_NoSerial", L"Lumara 3D", 0, 2, 0);
    AddDevice(L"C_Simulator", L"Tornik Simulator", 1, 4);
    Tree item;
    EXPECT_EQ(CString(kCaption), item->GetName());
    item->BuildForBackup();
    EXPECT_EQ(0, item->GetChildren().GetSize());
    EXPECT_FALSE(item->IsEnabled());

    AddCamera();
    Tree camera;
    camera->BuildForBackup();
    ASSERT_EQ(1, camera->GetChildren().GetSize());
    EXPECT_EQ(CString(L"Camera"), camera->GetChildren()[0]->GetName());
}

TEST_F(CalibrationsTest, CameraComesFirstThenEveryQualifyingDeviceInListOrder)
{
    AddCamera();
    AddDevice(L"A_Mill", L"Tornik MC 5", 4102577, 1);
    AddDevice(L"B_Hidden", L"Lumara Service", 3309215, 2, 1);
    AddDevice(L"C_Scanner", L"Lumara 3D", 3309214, 2, 0);
    AddDevice(L"D_NoSerial", L"Tornik MC 5", 0, 1);
    AddDevice(L"E_Simulator", L"Tornik Simulator", 1, 4);
    AddDevice(L"F_Twin", L"Lumara 3D", 3309214, 2);
    Tree item;
    item->BuildForBackup();
    EXPECT_TRUE(item->IsEnabled());
    ASSERT_EQ(4, item->GetChildren().GetSize());

    const struct {
        const wchar_t* name;
        CString path;
    } expected[] = {{L"Camera", kCamera},
                    {L"Tornik MC 5 4102577", CString(kDevices) + L"A_Mill"},
                    {L"Lumara 3D 3309214", CString(kDevices) + L"C_Scanner"},
                    {L"Lumara 3D 3309214", CString(kDevices) + L"F_Twin"}};
    for (int i = 0; i < 4; ++i) {
        CBackupItemRegistry* child = Child(*item, i);
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(CString(expected[i].name), child->GetName()) << i;
        ASSERT_EQ(1, child->GetHives().GetSize());
        EXPECT_EQ(kMachine, child->GetHives()[0].hHive);
        EXPECT_EQ(expected[i].path, child->GetHives()[0].strKeyPath) << i;
        EXPECT_TRUE(child->GetHives()[0].bWithSubKeys);
        // Each child measured its archive while the tree was built.
        EXPECT_GT(child->GetSize(), 8) << i;
    }
    item->SelectAll();
    EXPECT_EQ(Child(*item, 0)->GetSize() + Child(*item, 1)->GetSize() + Child(*item, 2)->GetSize() +
                  Child(*item, 3)->GetSize(),
              item->CalculateSize());
}

TEST_F(CalibrationsTest, BackupWritesOneArchivePerKeyAndRestoreBringsThemBack)
{
    AddCamera();
    AddDevice(L"A_Mill", L"Tornik MC 5", 4102577, 1);
    Tree item;
    item->BuildForBackup();
    item->SelectAll();
    gAutomatedMode = TRUE;
    item->Backup(m_dir.Path(), &m_listener);

    CString dir = m_dir / kCaption;
    EXPECT_TRUE(test::FileExists(dir + L"\\Camera"));
    EXPECT_TRUE(test::FileExists(dir + L"\\Tornik MC 5 4102577"));
    EXPECT_EQ(item->CalculateSize(), m_listener.progress);
    EXPECT_EQ(CBackupItem::BackedUp, item->GetBackupState());

    KeyTree camera = ReadTree(kMachine, kCamera);
    KeyTree mill = ReadTree(kMachine, CString(kDevices) + L"A_Mill");
    DeleteTree(kMachine, L"Software\\Tessaro\\CADCAM");

    WriteBackupIni(m_dir.Path(), 1, 1);
    Tree restore;
    restore->BuildForRestore(dir);
    ASSERT_EQ(2, restore->GetChildren().GetSize());
    EXPECT_EQ(1u, restore->GetDiskNumber());
    // The children decide for themselves: the group's own check is not asked.
    for (INT_PTR i = 0; i < 2; ++i)
        restore->GetChildren()[i]->SetCheck(1);
    TestListener listener;
    restore->Restore(m_dir.Path(), &listener);

    EXPECT_EQ("", Difference(camera, ReadTree(kMachine, kCamera)));
    EXPECT_EQ("", Difference(mill, ReadTree(kMachine, CString(kDevices) + L"A_Mill")));
}

TEST_F(CalibrationsTest, RestoreTreeHasOneChildPerArchiveFileInListOrder)
{
    CString dir = m_dir / kCaption;
    ASSERT_TRUE(CreateDirectoryW(dir, nullptr));
    Tree empty;
    empty->BuildForRestore(dir);
    EXPECT_EQ(0, empty->GetChildren().GetSize());
    EXPECT_TRUE(empty->IsEnabled()) << "an empty calibration directory still shows the item";

    ASSERT_TRUE(CreateDirectoryW(dir + L"\\Not an archive", nullptr));
    test::WriteText(dir + L"\\Camera", "12345678");
    test::WriteText(dir + L"\\Lumara 3D 3309214", "123456789");
    test::WriteText(dir + L"\\Tornik MC 5 4102577", "1234567890");
    WriteBackupIni(m_dir.Path(), 0, 3);

    Tree item;
    item->BuildForRestore(dir);
    CStringArray files;
    CDirectory::ListFiles(dir, files, L"*.*", 0xFFFFFFEF);
    ASSERT_EQ(3, files.GetSize());
    ASSERT_EQ(3, item->GetChildren().GetSize());
    for (INT_PTR i = 0; i < 3; ++i) {
        CBackupItemRegistry* child = Child(*item, i);
        EXPECT_EQ(files[i], child->GetName());
        EXPECT_EQ(CDirectory::GetFileSize(dir + L"\\" + files[i]), child->GetSize());
        EXPECT_EQ(3u, child->GetDiskNumber());
        EXPECT_EQ(0, child->GetHives().GetSize());
    }
    EXPECT_EQ(3u, item->GetDiskNumber());
    EXPECT_TRUE(item->IsEnabled());
}

} // namespace
