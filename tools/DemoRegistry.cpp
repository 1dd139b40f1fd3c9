#include "tools/DemoRegistry.h"

#include "tools/DemoRandom.h"
#include "tools/DemoRegKey.h"

#include <cstring>
#include <vector>

namespace {

enum DeviceType : DWORD { kMillingUnitType = 1, kScannerType = 2, kCameraType = 3, kSimulatorType = 4 };

std::vector<unsigned char> Blob(DemoRandom& random, size_t size)
{
    std::vector<unsigned char> bytes(size);
    random.Fill(bytes.data(), bytes.size());
    return bytes;
}

// A 3x4 transformation as the devices keep it: twelve doubles near identity.
std::vector<unsigned char> Matrix(DemoRandom& random)
{
    std::vector<unsigned char> bytes(12 * sizeof(double));
    for (int i = 0; i < 12; ++i) {
        double identity = (i % 5 == 0) ? 1.0 : 0.0;
        double v = identity + (static_cast<double>(random.Below(20001)) - 10000.0) * 1e-7;
        std::memcpy(&bytes[i * sizeof(double)], &v, sizeof v);
    }
    return bytes;
}

struct DeviceSpec {
    const wchar_t* key;
    const wchar_t* description;
    DWORD serial;
    DWORD type;
    // -1: no "Hidden" value, which the device library reads as 0.
    int hidden;
};

} // namespace

void DemoRegistry::WriteSettings() const
{
    DemoRandom random = DemoRandom::Derive(m_seed, 0x5E771265);

    DemoRegKey user(HKEY_CURRENT_USER, kRoot);
    user.SetString(L"", L"ORVEX user settings");
    user.SetString(L"Language", L"de-DE");
    user.SetString(L"LastPatient", L"Müller_Anna_1962-03-14");
    user.SetDword(L"ShowToolbar", 1);
    user.SetBinary(L"WindowPlacement", Blob(random, 44));
    {
        DemoRegKey recent = user.SubKey(L"Recent Cases");
        recent.SetString(L"1", L"2021-03-14_Krone_36");
        recent.SetString(L"2", L"2020-11-02_Brücke_44-46");
        recent.SetDword(L"Count", 2);
    }
    {
        DemoRegKey view = user.SubKey(L"Views\\3D");
        view.SetString(L"", L"Perspective");
        view.SetDword(L"Zoom", 150);
        view.SetDword(L"Background", 0x00303030);
        view.SetBinary(L"Camera", Blob(random, 64));
    }

    DemoRegKey machine(HKEY_LOCAL_MACHINE, kRoot);
    machine.SetString(L"", L"ORVEX");
    machine.SetString(L"Version", L"4.2.1.1187");
    machine.SetExpandString(L"InstallDir", L"%ProgramFiles%\\Tessaro\\ORVEX");
    machine.SetDword(L"Build", 1187);
    machine.SetQword(L"InstallTime", 0x01D6F3A1C2B4E000ull);
    machine.SetBinary(L"License", Blob(random, 32));
    machine.SetMultiString(L"Modules", {L"Krone", L"Brücke", L"Inlay", L"Veneer"});
    {
        DemoRegKey settings = machine.SubKey(L"Settings");
        settings.SetString(L"", L"");
        settings.SetString(L"Practice", L"Zahnarztpraxis Dr. Weiß");
        settings.SetDword(L"AutoSave", 1);
        settings.SetDword(L"Units", 0);
        settings.SetBinary(L"Reserved", {});
    }
    {
        DemoRegKey licence = machine.SubKey(L"Licensing\\Modules");
        licence.SetDword(L"Krone", 1);
        licence.SetDword(L"Brücke", 1);
        licence.SetDword(L"Implantat", 0);
    }

    DemoRegKey common(HKEY_LOCAL_MACHINE, kCommon);
    common.SetString(L"", L"CAD/CAM common settings");
    common.SetString(L"MaterialDatabase", L"Materials.mdb");
    common.SetDword(L"NetworkPort", 2870);
    common.SetBinary(L"SiteId", Blob(random, 16));
    {
        DemoRegKey ceramic = common.SubKey(L"Materials\\Feldspat");
        ceramic.SetString(L"", L"Feldspatkeramik");
        ceramic.SetDword(L"Shrinkage", 0);
        ceramic.SetString(L"Shades", L"A1 A2 A3 B1 B2");
    }
    {
        DemoRegKey zirconia = common.SubKey(L"Materials\\Zirkon");
        zirconia.SetString(L"", L"Zirkonoxid – transluzent");
        zirconia.SetDword(L"Shrinkage", 1250);
        zirconia.SetBinary(L"SinterCurve", Blob(random, 48));
    }

    // A backup keeps only this key's own values; the subkey shows that it does.
    DemoRegKey milling(HKEY_LOCAL_MACHINE, kMilling);
    milling.SetString(L"", L"Milling");
    milling.SetString(L"Port", L"COM3");
    milling.SetDword(L"WaterLevel", 80);
    milling.SetBinary(L"ToolLife", Blob(random, 24));
    {
        DemoRegKey tools = milling.SubKey(L"Tools");
        tools.SetString(L"Left", L"Step Bur 12S");
        tools.SetString(L"Right", L"Cylinder Pointed Bur 12S");
    }

    DemoRegKey profil(HKEY_LOCAL_MACHINE, kProfil);
    profil.SetString(L"", L"Standard");
    profil.SetDword(L"Count", 2);
    profil.SetBinary(L"Order", {0, 1});
    {
        DemoRegKey standard = profil.SubKey(L"Standard");
        standard.SetString(L"", L"Standard");
        standard.SetDword(L"Spacer", 80);
        standard.SetDword(L"MarginThickness", 150);
        standard.SetBinary(L"Parameters", Blob(random, 40));
    }
    {
        DemoRegKey fine = profil.SubKey(L"Fein");
        fine.SetString(L"", L"Fein (langsam)");
        fine.SetDword(L"Spacer", 60);
        fine.SetDword(L"MarginThickness", 120);
        fine.SetBinary(L"Parameters", Blob(random, 40));
    }
}

void DemoRegistry::WriteCalibrations() const
{
    DemoRandom random = DemoRandom::Derive(m_seed, 0xCA11B);

    DemoRegKey camera(HKEY_LOCAL_MACHINE, kCamera);
    camera.SetString(L"", L"Lumara Camera");
    camera.SetDword(L"SerialNumber", 5521907);
    camera.SetDword(L"Type", kCameraType);
    camera.SetDword(L"Gain", 12);
    camera.SetString(L"Calibrated", L"2021-02-11");
    camera.SetBinary(L"Calibration", Blob(random, 256));
    {
        DemoRegKey white = camera.SubKey(L"Calibration\\White");
        white.SetBinary(L"Reference", Blob(random, 128));
        white.SetDword(L"Exposure", 33);
    }
    {
        DemoRegKey lens = camera.SubKey(L"Calibration\\Lens");
        lens.SetBinary(L"Distortion", Matrix(random));
        lens.SetQword(L"Timestamp", 0x01D7008F5E0C4000ull);
    }

    const DeviceSpec devices[] = {
        {kMillingUnit, L"Tornik MC 5", 4102577, kMillingUnitType, -1},
        {kScanner, L"Lumara 3D", 3309214, kScannerType, 0},
        {kHiddenScanner, L"Lumara Service", 3309215, kScannerType, 1},
        {kSimulator, L"Tornik Simulator", 1, kSimulatorType, -1},
    };
    for (const DeviceSpec& spec : devices) {
        DemoRegKey device(HKEY_LOCAL_MACHINE, std::wstring(kDevices) + spec.key);
        device.SetString(L"", spec.description);
        device.SetString(L"Description", spec.description);
        device.SetDword(L"SerialNumber", spec.serial);
        device.SetDword(L"Type", spec.type);
        if (spec.hidden >= 0)
            device.SetDword(L"Hidden", static_cast<DWORD>(spec.hidden));
        DemoRegKey calibration = device.SubKey(L"Calibration");
        calibration.SetString(L"", L"Factory");
        calibration.SetString(L"Calibrated", L"2020-09-30");
        calibration.SetBinary(L"Matrix", Matrix(random));
        calibration.SetDword(L"OffsetX", static_cast<DWORD>(random.Below(2000)));
        calibration.SetDword(L"OffsetY", static_cast<DWORD>(random.Below(2000)));
        if (spec.type == kMillingUnitType || spec.type == kSimulatorType) {
            DemoRegKey left = device.SubKey(L"Motors\\Left");
            left.SetDword(L"Steps", 51200);
            left.SetBinary(L"Backlash", Blob(random, 16));
            DemoRegKey right = device.SubKey(L"Motors\\Right");
            right.SetDword(L"Steps", 51200);
            right.SetBinary(L"Backlash", Blob(random, 16));
        } else {
            DemoRegKey lut = device.SubKey(L"Calibration\\Lut");
            lut.SetBinary(L"Red", Blob(random, 512));
            lut.SetBinary(L"Green", Blob(random, 512));
            lut.SetBinary(L"Blue", Blob(random, 512));
        }
    }
}

void DemoRegistry::WriteDataPath(const std::wstring& dataDir) const
{
    DemoRegKey settings(HKEY_LOCAL_MACHINE, std::wstring(kRoot) + L"Settings");
    settings.SetString(L"DataPath", dataDir);
}
