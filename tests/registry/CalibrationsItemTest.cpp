// The calibrations item: which keys it saves, and the restore tree built
// from the archive files of a backup.

#include "items/data/CBackupItemCalibrations.h"

#include "items/registry/CBackupItemRegistry.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace regtest;

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kCamera[] = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices\\";

struct TreeDeleter {
    void operator()(CBackupItem* pItem) const { pItem->DeleteFromTree(nullptr); }
};

class CalibrationsTest : public FlagsFixture {
protected:
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

    StashedKey m_machineKeys{kMachine, L"Software\\Tessaro"};
    test::TempDir m_dir;
    TestListener m_listener;
};

TEST_F(CalibrationsTest, CameraFirstThenEveryQualifyingDeviceAndBackInARestore)
{
    SetValue(kMachine, CString(kCamera) + L"\\Calibration\\White", L"Reference", REG_BINARY, {1, 2, 3, 4, 5});
    AddDevice(L"A_Mill", L"Tornik MC 5", 4102577, 1);
    AddDevice(L"B_Hidden", L"Lumara Service", 3309215, 2, 1);
    AddDevice(L"C_Scanner", L"Lumara 3D", 3309214, 2, 0);
    AddDevice(L"D_NoSerial", L"Tornik MC 5", 0, 1);
    AddDevice(L"E_Simulator", L"Tornik Simulator", 1, 4);
    std::unique_ptr<CBackupItemCalibrations, TreeDeleter> item(new CBackupItemCalibrations);
    item->BuildForBackup();
    const wchar_t* const expected[][2] = {{L"Camera", kCamera},
                                          {L"Tornik MC 5 4102577", L"A_Mill"},
                                          {L"Lumara 3D 3309214", L"C_Scanner"}};
    ASSERT_EQ(3, item->GetChildren().GetSize());
    for (int i = 0; i < 3; ++i) {
        auto* child = dynamic_cast<CBackupItemRegistry*>(item->GetChildren()[i]);
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(CString(expected[i][0]), child->GetName());
        ASSERT_EQ(1, child->GetHives().GetSize());
        EXPECT_EQ(i ? CString(kDevices) + expected[i][1] : CString(kCamera), child->GetHives()[0].strKeyPath);
    }
    item->SelectAll();
    item->Backup(m_dir.Path(), &m_listener);
    EXPECT_EQ(item->CalculateSize(), m_listener.progress);

    KeyTree before = ReadTree(kMachine, L"Software\\Tessaro\\CADCAM");
    DeleteTree(kMachine, L"Software\\Tessaro\\CADCAM");
    WriteBackupIni(m_dir.Path(), 1, 1);
    const CString dir = m_dir / L"Calibration Data (Tornik, Lumara, Camera)";
    std::unique_ptr<CBackupItemCalibrations, TreeDeleter> restore(new CBackupItemCalibrations);
    restore->BuildForRestore(dir);
    ASSERT_EQ(3, restore->GetChildren().GetSize());
    for (INT_PTR i = 0; i < 3; ++i)
        restore->GetChildren()[i]->SetCheck(1);
    restore->Restore(m_dir.Path(), &m_listener);
    // The devices that were not saved are not there again.
    for (const wchar_t* lost : {L"B_Hidden", L"D_NoSerial", L"E_Simulator"})
        before.subKeys[L"Devices"].subKeys.erase(lost);
    EXPECT_TRUE(before == ReadTree(kMachine, L"Software\\Tessaro\\CADCAM"));
}

} // namespace
