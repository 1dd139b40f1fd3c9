#pragma once
// Writes the registry of a demo installation: the five settings keys, the
// camera key, four devices and the data path.

#include <cstdint>
#include <string>

class DemoRegistry {
public:
    // Installation root below HKCU and HKLM; the data path lies in its Settings key.
    static constexpr const wchar_t* kRoot = L"Software\\Tessaro\\ORVEX\\";
    static constexpr const wchar_t* kCommon = L"Software\\Tessaro\\CADCAM\\Common\\";
    static constexpr const wchar_t* kMilling = L"Software\\Tessaro\\CADCAM\\Device\\Milling";
    static constexpr const wchar_t* kProfil = L"Software\\Tessaro\\CADCAM\\Profil";
    static constexpr const wchar_t* kCamera = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";
    static constexpr const wchar_t* kDevices = L"Software\\Tessaro\\CADCAM\\Devices\\";

    // Device subkeys below kDevices. A backup saves the first two; the third is
    // hidden and the fourth a simulator (type 4), which it skips.
    static constexpr const wchar_t* kMillingUnit = L"TornikMC5_4102577";
    static constexpr const wchar_t* kScanner = L"Lumara3D_3309214";
    static constexpr const wchar_t* kHiddenScanner = L"LumaraService_3309215";
    static constexpr const wchar_t* kSimulator = L"TornikSimulator_0000001";

    explicit DemoRegistry(uint64_t seed) : m_seed(seed) {}

    // Throws DemoError when a key or value cannot be written.
    void WriteSettings() const;
    void WriteCalibrations() const;
    void WriteDataPath(const std::wstring& dataDir) const;

private:
    uint64_t m_seed;
};
