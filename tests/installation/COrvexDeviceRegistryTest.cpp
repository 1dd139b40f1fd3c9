// The device list against device keys this test writes into the real (Wine)
// registry below HKLM\Software\Tessaro\CADCAM\Devices. The test removes its own
// device keys afterwards, and the parent keys too when it had to create them.

#include "installation/COrvexDeviceRegistry.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

const wchar_t* const kParents[] = {L"Software\\Tessaro", L"Software\\Tessaro\\CADCAM",
                                   L"Software\\Tessaro\\CADCAM\\Devices"};
const wchar_t kPrefix[] = L"OrvexTest ";

bool KeyExists(const wchar_t* path)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

class DeviceKeys : public testing::Test {
protected:
    void SetUp() override
    {
        for (const wchar_t* parent : kParents) {
            if (!m_pszCreated && !KeyExists(parent))
                m_pszCreated = parent;
        }
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kParents[2], 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &m_devices, nullptr));
    }

    void TearDown() override
    {
        for (const CString& name : m_names)
            RegDeleteTreeW(m_devices, name);
        RegCloseKey(m_devices);
        if (m_pszCreated)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, m_pszCreated);
    }

    // A device subkey, named with the test's prefix.
    HKEY AddDevice(const wchar_t* name)
    {
        HKEY h = nullptr;
        m_names.push_back(CString(kPrefix) + name);
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_devices, m_names.back(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                 &h, nullptr));
        m_open.push_back(h);
        return h;
    }

    static void SetRaw(HKEY h, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(h, name, 0, type, static_cast<const BYTE*>(data), bytes));
    }
    static void SetDword(HKEY h, const wchar_t* name, DWORD value) { SetRaw(h, name, REG_DWORD, &value, sizeof value); }

    // The devices the test made by key name, after closing their keys.
    std::map<CString, COrvexDeviceInfo> List(int nHidden)
    {
        for (HKEY h : m_open)
            RegCloseKey(h);
        m_open.clear();
        COrvexDeviceInfoArray all;
        all.Add(COrvexDeviceInfo(L"stale", L"left over", 1, eDeviceScanner, FALSE));
        COrvexDeviceRegistry::ListAllOrvexDevices(all, nHidden);
        std::map<CString, COrvexDeviceInfo> ours;
        for (INT_PTR i = 0; i < all.GetSize(); ++i) {
            EXPECT_NE(CString(L"stale"), all[i].GetKeyName()) << "the list is replaced, not appended to";
            if (all[i].GetKeyName().Left(static_cast<int>(wcslen(kPrefix))) == kPrefix)
                ours.emplace(all[i].GetKeyName().Mid(static_cast<int>(wcslen(kPrefix))), all[i]);
        }
        return ours;
    }

    const wchar_t* m_pszCreated = nullptr;
    HKEY m_devices = nullptr;
    std::vector<CString> m_names;
    std::vector<HKEY> m_open;
};

} // namespace

TEST_F(DeviceKeys, ReadsEveryValueSafelyAndHiddenDevicesOnlyWhenAskedFor)
{
    HKEY mill = AddDevice(L"Mill");
    SetRaw(mill, L"Description", REG_SZ, L"Milling unit", 26);
    SetDword(mill, L"SerialNumber", 4294967295u);
    SetDword(mill, L"Type", eDeviceMillingUnit);
    SetDword(AddDevice(L"Simulator"), L"Hidden", 7);
    AddDevice(L"Bare");
    HKEY odd = AddDevice(L"Odd");
    SetRaw(odd, L"SerialNumber", REG_SZ, L"777", 8);
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw(odd, L"Type", REG_BINARY, eight, sizeof eight);
    SetRaw(odd, L"Hidden", REG_QWORD, eight, sizeof eight);
    SetRaw(odd, L"Description", REG_DWORD, eight, 4);
    SetRaw(AddDevice(L"Short"), L"SerialNumber", REG_DWORD, eight, 2);
    SetRaw(AddDevice(L"Unterminated"), L"Description", REG_SZ, L"Scan", 8);
    // Seven bytes: three characters and half of a fourth.
    SetRaw(AddDevice(L"Odd length"), L"Description", REG_SZ, L"abcd", 7);
    SetRaw(AddDevice(L"Embedded"), L"Description", REG_SZ, L"ab\0cd", 12);
    CString longText(L'x', 100000);
    SetRaw(AddDevice(L"Long"), L"Description", REG_SZ, longText.GetString(), 200002);

    std::map<CString, COrvexDeviceInfo> ours = List(1);
    ASSERT_EQ(9u, ours.size());
    const COrvexDeviceInfo& m = ours.at(L"Mill");
    EXPECT_EQ(CString(L"Milling unit"), m.GetDescription());
    EXPECT_EQ(CString(L"4294967295"), m.GetSerialNumberStr());
    EXPECT_EQ(eDeviceMillingUnit, m.GetDeviceType());
    EXPECT_TRUE(ours.at(L"Simulator").IsHidden());
    // A missing or unreadable description is the key name; other values default to 0.
    const std::map<CString, CString> described = {
        {L"Bare", L"OrvexTest Bare"}, {L"Odd", L"OrvexTest Odd"}, {L"Short", L"OrvexTest Short"},
        {L"Unterminated", L"Scan"},   {L"Odd length", L"abc"},     {L"Embedded", L"ab"}, {L"Long", longText}};
    for (const auto& d : described) {
        const COrvexDeviceInfo& info = ours.at(d.first);
        EXPECT_EQ(d.second, info.GetDescription());
        EXPECT_EQ(0u, info.GetSerialNumber()) << d.first;
        EXPECT_EQ(eDeviceUnknown, info.GetDeviceType()) << d.first;
        EXPECT_FALSE(info.IsHidden()) << d.first;
    }
    ours = List(0);
    EXPECT_EQ(8u, ours.size());
    EXPECT_EQ(0u, ours.count(L"Simulator"));
}
