// The device list against device keys this test writes into the real (Wine)
// registry below HKLM\Software\Tessaro\CADCAM\Devices. The test removes its own
// device keys afterwards, and the parent keys too when it had to create them.

#include "installation/COrvexDeviceRegistry.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const wchar_t* const kParents[] = {L"Software\\Tessaro", L"Software\\Tessaro\\CADCAM",
                                   L"Software\\Tessaro\\CADCAM\\Devices"};
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices";
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
        for (const wchar_t* parent : kParents)
            m_created.push_back(!KeyExists(parent));
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDevices, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_devices,
                                  nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override
    {
        for (const CString& name : m_names)
            RegDeleteTreeW(m_devices, name);
        if (m_devices)
            RegCloseKey(m_devices);
        for (int i = 2; i >= 0; --i) {
            if (m_created[i])
                RegDeleteKeyW(HKEY_LOCAL_MACHINE, kParents[i]);
        }
    }

    // A device subkey, named with the test's prefix.
    HKEY AddDevice(const wchar_t* name)
    {
        CString full = CString(kPrefix) + name;
        HKEY h = nullptr;
        EXPECT_EQ(RegCreateKeyExW(m_devices, full, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
        m_names.push_back(full);
        m_open.push_back(h);
        return h;
    }

    static void SetDword(HKEY h, const wchar_t* name, DWORD value)
    {
        ASSERT_EQ(RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
                  ERROR_SUCCESS);
    }

    static void SetRaw(HKEY h, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        ASSERT_EQ(RegSetValueExW(h, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    static void SetString(HKEY h, const wchar_t* name, const wchar_t* text)
    {
        SetRaw(h, name, REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    }

    void CloseAll()
    {
        for (HKEY h : m_open)
            RegCloseKey(h);
        m_open.clear();
    }

    // The devices the test made, in list order.
    static std::vector<COrvexDeviceInfo> Ours(const COrvexDeviceInfoArray& all)
    {
        std::vector<COrvexDeviceInfo> ours;
        for (INT_PTR i = 0; i < all.GetSize(); ++i) {
            if (all[i].GetKeyName().Left(static_cast<int>(wcslen(kPrefix))) == kPrefix)
                ours.push_back(all[i]);
        }
        return ours;
    }

    // The test's subkeys as the registry enumerates them.
    std::vector<CString> EnumeratedNames() const
    {
        std::vector<CString> names;
        wchar_t name[256];
        for (DWORD i = 0;; ++i) {
            DWORD length = 256;
            if (RegEnumKeyExW(m_devices, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (CString(name).Left(static_cast<int>(wcslen(kPrefix))) == kPrefix)
                names.push_back(name);
        }
        return names;
    }

    static const COrvexDeviceInfo* Find(const std::vector<COrvexDeviceInfo>& list, const wchar_t* name)
    {
        CString full = CString(kPrefix) + name;
        for (const COrvexDeviceInfo& d : list) {
            if (d.GetKeyName() == full)
                return &d;
        }
        return nullptr;
    }

    HKEY m_devices = nullptr;
    std::vector<bool> m_created;
    std::vector<CString> m_names;
    std::vector<HKEY> m_open;
};

} // namespace

TEST_F(DeviceKeys, ReadsEveryValueOfAFullyDescribedDevice)
{
    HKEY mill = AddDevice(L"Mill");
    SetString(mill, L"Description", L"Milling unit");
    SetDword(mill, L"SerialNumber", 123456);
    SetDword(mill, L"Type", eDeviceMillingUnit);
    SetDword(mill, L"Hidden", 0);
    HKEY sim = AddDevice(L"Simulator");
    SetString(sim, L"Description", L"Simulator");
    SetDword(sim, L"SerialNumber", 4294967295u);
    SetDword(sim, L"Type", eDeviceSimulator);
    SetDword(sim, L"Hidden", 1);
    CloseAll();

    COrvexDeviceInfoArray all;
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    std::vector<COrvexDeviceInfo> ours = Ours(all);
    ASSERT_EQ(ours.size(), 2u);

    const COrvexDeviceInfo* m = Find(ours, L"Mill");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->GetDescription(), CString(L"Milling unit"));
    EXPECT_EQ(m->GetSerialNumber(), 123456u);
    EXPECT_EQ(m->GetSerialNumberStr(), CString(L"123456"));
    EXPECT_EQ(m->GetDeviceType(), eDeviceMillingUnit);
    EXPECT_FALSE(m->IsHidden());
    EXPECT_EQ(COrvexDeviceRegistry::GetOrvexDeviceRoot(*m),
              CString(L"Software\\Tessaro\\CADCAM\\Devices\\OrvexTest Mill"));

    const COrvexDeviceInfo* s = Find(ours, L"Simulator");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetSerialNumber(), 4294967295u);
    EXPECT_EQ(s->GetSerialNumberStr(), CString(L"4294967295"));
    EXPECT_EQ(s->GetDeviceType(), 4);
    EXPECT_TRUE(s->IsHidden());
}

TEST_F(DeviceKeys, ListsInRegistryEnumerationOrder)
{
    // Created out of alphabetical order, with mixed case.
    for (const wchar_t* name : {L"camera", L"Scanner", L"Mill 2", L"mill 1", L"Alpha"})
        SetDword(AddDevice(name), L"Type", eDeviceCamera);
    CloseAll();

    COrvexDeviceInfoArray all;
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    std::vector<CString> listed;
    for (const COrvexDeviceInfo& d : Ours(all))
        listed.push_back(d.GetKeyName());
    EXPECT_EQ(listed, EnumeratedNames());
    EXPECT_EQ(listed.size(), 5u);
}

TEST_F(DeviceKeys, MissingOrWrongTypedValuesTakeTheirDefaults)
{
    AddDevice(L"Bare");
    HKEY h = AddDevice(L"Odd");
    SetString(h, L"SerialNumber", L"777");
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw(h, L"Type", REG_BINARY, eight, sizeof eight);
    ULONGLONG qword = 1;
    SetRaw(h, L"Hidden", REG_QWORD, &qword, sizeof qword);
    DWORD number = 42;
    SetRaw(h, L"Description", REG_DWORD, &number, sizeof number);
    // A DWORD that is too short.
    HKEY shortKey = AddDevice(L"Short");
    SetRaw(shortKey, L"SerialNumber", REG_DWORD, eight, 2);
    SetString(shortKey, L"Description", L"Camera");
    CloseAll();

    COrvexDeviceInfoArray all;
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    std::vector<COrvexDeviceInfo> ours = Ours(all);
    ASSERT_EQ(ours.size(), 3u);
    for (const wchar_t* name : {L"Bare", L"Odd"}) {
        const COrvexDeviceInfo* d = Find(ours, name);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetDescription(), L"OrvexTest " + CString(name)) << "the key name stands in";
        EXPECT_EQ(d->GetSerialNumber(), 0u);
        EXPECT_EQ(d->GetSerialNumberStr(), CString(L"0"));
        EXPECT_EQ(d->GetDeviceType(), eDeviceUnknown);
        EXPECT_FALSE(d->IsHidden());
    }
    EXPECT_EQ(Find(ours, L"Short")->GetSerialNumber(), 0u);
    EXPECT_EQ(Find(ours, L"Short")->GetDescription(), CString(L"Camera"));
}

TEST_F(DeviceKeys, DescriptionsWithoutTerminatorLongOrOddAreReadSafely)
{
    const wchar_t exact[] = {L'S', L'c', L'a', L'n'};
    SetRaw(AddDevice(L"Unterminated"), L"Description", REG_SZ, exact, sizeof exact);
    // Seven bytes: three characters and half of a fourth.
    SetRaw(AddDevice(L"Odd length"), L"Description", REG_SZ, L"abcd", 7);
    const wchar_t embedded[] = L"ab\0cd";
    SetRaw(AddDevice(L"Embedded"), L"Description", REG_SZ, embedded, sizeof embedded);
    SetRaw(AddDevice(L"Empty"), L"Description", REG_SZ, L"", 0);
    std::wstring longText(100000, L'x');
    longText[99999] = L'!';
    SetString(AddDevice(L"Long"), L"Description", longText.c_str());
    CloseAll();

    COrvexDeviceInfoArray all;
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    std::vector<COrvexDeviceInfo> ours = Ours(all);
    ASSERT_EQ(ours.size(), 5u);
    EXPECT_EQ(Find(ours, L"Unterminated")->GetDescription(), CString(L"Scan"));
    EXPECT_EQ(Find(ours, L"Odd length")->GetDescription(), CString(L"abc"));
    EXPECT_EQ(Find(ours, L"Embedded")->GetDescription(), CString(L"ab"));
    EXPECT_EQ(Find(ours, L"Empty")->GetDescription(), CString(L""));
    EXPECT_EQ(Find(ours, L"Long")->GetDescription(), CString(longText));
}

TEST_F(DeviceKeys, HiddenDevicesOnlyWhenAskedFor)
{
    SetDword(AddDevice(L"Shown"), L"Hidden", 0);
    SetDword(AddDevice(L"Hidden"), L"Hidden", 7);
    CloseAll();

    COrvexDeviceInfoArray all;
    all.Add(COrvexDeviceInfo(L"stale", L"left over", 1, eDeviceScanner, FALSE));
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 0);
    for (INT_PTR i = 0; i < all.GetSize(); ++i)
        EXPECT_NE(all[i].GetKeyName(), CString(L"stale")) << "the list is replaced, not appended to";
    std::vector<COrvexDeviceInfo> ours = Ours(all);
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].GetKeyName(), CString(L"OrvexTest Shown"));

    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    ours = Ours(all);
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_TRUE(Find(ours, L"Hidden")->IsHidden());
}

TEST(COrvexDeviceRegistry, NoDevicesKeyMeansNoDevices)
{
    if (KeyExists(kDevices))
        GTEST_SKIP() << "this prefix already has a devices key";
    COrvexDeviceInfoArray all;
    all.Add(COrvexDeviceInfo(L"stale", L"left over", 1, eDeviceScanner, FALSE));
    COrvexDeviceRegistry::ListAllOrvexDevices(all, 1);
    EXPECT_EQ(all.GetSize(), 0);
}
