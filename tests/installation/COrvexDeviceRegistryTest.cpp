// The device list against device keys this test writes into the real (Wine)
// registry. Meanwhile the machine keys of the process are a scratch key of the
// current user, so the prefix's own devices are neither listed nor touched.

#include "installation/COrvexDeviceRegistry.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace {

const wchar_t kScratch[] = L"Software\\OrvexTest Machine";
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices";

class DeviceKeys : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, kScratch, &m_scratch));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_scratch));
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
        RegCloseKey(m_scratch);
        RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    }

    // Creates the device's key when it is missing.
    static void SetRaw(const wchar_t* device, const wchar_t* name, DWORD type, const void* data, DWORD bytes)
    {
        const CString key = CString(kDevices) + L"\\" + device;
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, name, type, data, bytes));
    }
    static void SetDword(const wchar_t* device, const wchar_t* name, DWORD value)
    {
        SetRaw(device, name, REG_DWORD, &value, sizeof value);
    }

    // The listed devices by key name.
    static std::map<CString, COrvexDeviceInfo> List(int nHidden)
    {
        COrvexDeviceInfoArray all;
        all.Add(COrvexDeviceInfo(L"stale", L"left over", 1, eDeviceScanner, FALSE));
        COrvexDeviceRegistry::ListAllOrvexDevices(all, nHidden);
        std::map<CString, COrvexDeviceInfo> devices;
        for (INT_PTR i = 0; i < all.GetSize(); ++i)
            devices.emplace(all[i].GetKeyName(), all[i]);
        EXPECT_EQ(0u, devices.count(L"stale")) << "the list is replaced, not appended to";
        return devices;
    }

    HKEY m_scratch = nullptr;
};

} // namespace

TEST_F(DeviceKeys, ReadsEveryValueSafelyAndHiddenDevicesOnlyWhenAskedFor)
{
    SetRaw(L"Mill", L"Description", REG_SZ, L"Milling unit", 26);
    SetDword(L"Mill", L"SerialNumber", 4294967295u);
    SetDword(L"Mill", L"Type", eDeviceMillingUnit);
    SetDword(L"Simulator", L"Hidden", 7);
    SetRaw(L"Bare", nullptr, REG_SZ, L"", 2); // only the key's default value
    SetRaw(L"Odd", L"SerialNumber", REG_SZ, L"777", 8);
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw(L"Odd", L"Type", REG_BINARY, eight, sizeof eight);
    SetRaw(L"Odd", L"Hidden", REG_QWORD, eight, sizeof eight);
    SetRaw(L"Odd", L"Description", REG_DWORD, eight, 4);
    SetRaw(L"Short", L"SerialNumber", REG_DWORD, eight, 2);
    SetRaw(L"Unterminated", L"Description", REG_SZ, L"Scan", 8);
    // Seven bytes: three characters and half of a fourth.
    SetRaw(L"Odd length", L"Description", REG_SZ, L"abcd", 7);
    SetRaw(L"Embedded", L"Description", REG_SZ, L"ab\0cd", 12);
    CString longText(L'x', 100000);
    SetRaw(L"Long", L"Description", REG_SZ, longText.GetString(), 200002);

    std::map<CString, COrvexDeviceInfo> ours = List(1);
    ASSERT_EQ(9u, ours.size());
    const COrvexDeviceInfo& m = ours.at(L"Mill");
    EXPECT_EQ(CString(L"Milling unit"), m.GetDescription());
    EXPECT_EQ(CString(L"4294967295"), m.GetSerialNumberStr());
    EXPECT_EQ(eDeviceMillingUnit, m.GetDeviceType());
    EXPECT_TRUE(ours.at(L"Simulator").IsHidden());
    // A missing or unreadable description is the key name; other values default to 0.
    const std::map<CString, CString> described = {
        {L"Bare", L"Bare"},      {L"Odd", L"Odd"},      {L"Short", L"Short"}, {L"Unterminated", L"Scan"},
        {L"Odd length", L"abc"}, {L"Embedded", L"ab"}, {L"Long", longText}};
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

// The Devices key is deleted and made again while lists are read on a worker:
// a list whose key goes away under it must end. The minute only bounds a list
// that would run through every index.
TEST_F(DeviceKeys, ADevicesKeyDeletedWhileTheListIsReadEndsTheList)
{
    std::atomic<bool> stop{false};
    std::thread mutator([&] {
        for (; !stop; RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDevices)) {
            for (int i = 0; i < 20; ++i)
                SetDword(std::to_wstring(i).c_str(), L"Type", eDeviceScanner);
        }
    });
    auto lists = [](LPVOID) -> DWORD {
        COrvexDeviceInfoArray devices;
        for (int i = 0; i < 300; ++i)
            COrvexDeviceRegistry::ListAllOrvexDevices(devices, 1);
        return 0;
    };
    HANDLE worker = CreateThread(nullptr, 0, lists, nullptr, 0, nullptr);
    const bool ended = WaitForSingleObject(worker, 60000) == WAIT_OBJECT_0;
    stop = true;
    mutator.join();
    if (!ended)
        TerminateThread(worker, 1); // else the hanging list would keep the program from ending
    CloseHandle(worker);
    EXPECT_TRUE(ended) << "the list went on after its key was deleted";
}
