// The settings and calibration items over the registry of a demo installation:
// saved into a backup directory, wiped, and brought back.

#include "items/data/CBackupItemCalibrations.h"
#include "items/registry/CBackupItemRegistrySettings.h"

#include "app/Globals.h"
#include "tests/TestSupport.h"
#include "tests/registry/RegistryTestSupport.h"

#include <gtest/gtest.h>

using namespace regtest;

namespace {

const HKEY kUser = HKEY_CURRENT_USER;
const HKEY kMachine = HKEY_LOCAL_MACHINE;
const wchar_t kOrvex[] = L"Software\\Tessaro\\ORVEX";
const wchar_t kTessaro[] = L"Software\\Tessaro";
const wchar_t kMilling[] = L"Software\\Tessaro\\CADCAM\\Device\\Milling";
const wchar_t kCaption[] = L"Calibration Data (Tornik, Lumara, Camera)";

class DemoInstallationTest : public FlagsFixture {
protected:
    void SetUp() override
    {
        FlagsFixture::SetUp();
        m_userKeys.reset(new StashedKey(kUser, kOrvex));
        m_machineKeys.reset(new StashedKey(kMachine, kTessaro));
        ASSERT_EQ(0, test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"), L"--registry-only --seed 7"));
    }

    void TearDown() override
    {
        m_machineKeys.reset();
        m_userKeys.reset();
        FlagsFixture::TearDown();
    }

    std::unique_ptr<StashedKey> m_userKeys;
    std::unique_ptr<StashedKey> m_machineKeys;
    test::TempDir m_dir;
};

TEST_F(DemoInstallationTest, SettingsAndCalibrationsComeBackAsTheyWere)
{
    CBackupItemRegistrySettings* settings = new CBackupItemRegistrySettings;
    CBackupItemCalibrations* calibrations = new CBackupItemCalibrations;
    settings->BuildForBackup();
    calibrations->BuildForBackup();
    ASSERT_EQ(5, settings->GetHives().GetSize());
    ASSERT_EQ(3, calibrations->GetChildren().GetSize());
    EXPECT_EQ(CString(L"Camera"), calibrations->GetChildren()[0]->GetName());
    EXPECT_EQ(CString(L"Lumara 3D 3309214"), calibrations->GetChildren()[1]->GetName());
    EXPECT_EQ(CString(L"Tornik MC 5 4102577"), calibrations->GetChildren()[2]->GetName());

    settings->SelectAll();
    calibrations->SelectAll();
    gAutomatedMode = TRUE;
    TestListener listener;
    settings->Backup(m_dir.Path(), &listener);
    calibrations->Backup(m_dir.Path(), &listener);
    EXPECT_EQ(settings->CalculateSize() + calibrations->CalculateSize(), listener.progress);
    settings->DeleteFromTree(nullptr);
    calibrations->DeleteFromTree(nullptr);

    KeyTree user = ReadTree(kUser, kOrvex);
    KeyTree machine = ReadTree(kMachine, kTessaro);
    ASSERT_TRUE(machine.exists);
    DeleteTree(kUser, kOrvex);
    DeleteTree(kMachine, kTessaro);

    WriteBackupIni(m_dir.Path(), 1, 1);
    settings = new CBackupItemRegistrySettings;
    calibrations = new CBackupItemCalibrations;
    settings->BuildForRestore(m_dir / L"Settings");
    calibrations->BuildForRestore(m_dir / kCaption);
    settings->SelectAll();
    calibrations->SelectAll();
    settings->Restore(m_dir.Path(), &listener);
    calibrations->Restore(m_dir.Path(), &listener);
    settings->DeleteFromTree(nullptr);
    calibrations->DeleteFromTree(nullptr);

    EXPECT_EQ("", Difference(user, ReadTree(kUser, kOrvex)));
    // Everything the installation holds comes back but what a backup leaves
    // out: the milling unit's sub-keys and the devices it does not save.
    KeyTree& cadcam = machine.subKeys[L"CADCAM"];
    ASSERT_EQ(1u, cadcam.subKeys[L"Device"].subKeys[L"Milling"].subKeys.count(L"Tools"));
    cadcam.subKeys[L"Device"].subKeys[L"Milling"].subKeys.clear();
    ASSERT_EQ(4u, cadcam.subKeys[L"Devices"].subKeys.size());
    cadcam.subKeys[L"Devices"].subKeys.erase(L"LumaraService_3309215");
    cadcam.subKeys[L"Devices"].subKeys.erase(L"TornikSimulator_0000001");
    EXPECT_EQ("", Difference(machine, ReadTree(kMachine, kTessaro)));
    EXPECT_TRUE(ValueExists(kMachine, kMilling, L"Port"));
}

} // namespace
