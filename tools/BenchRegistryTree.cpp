#include "tools/BenchRegistryTree.h"

#include "framework/UniqueRegKey.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

BenchRegistryTree::BenchRegistryTree(std::wstring strPath, int nValues) : m_path(std::move(strPath)), m_nValues(nValues)
{
}

std::wstring BenchRegistryTree::KeyPath(int nKey) const
{
    wchar_t name[32];
    swprintf(name, 32, L"\\Group %03d", nKey);
    return m_path + name;
}

BenchRegistryTree::SValue BenchRegistryTree::MakeValue(int i)
{
    SValue value{};
    wchar_t name[32];
    swprintf(name, 32, L"Value %05d", i);
    value.name = name;
    // The mix the installation's settings hold: strings, numbers, binary blobs.
    switch (i % 4) {
    case 0:
    case 1: {
        wchar_t text[64];
        swprintf(text, 64, L"C:\\ORVEX\\Data\\Setting-%d-Ä", i * 7919);
        value.type = REG_SZ;
        value.text = text;
        value.size = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
        break;
    }
    case 2: {
        value.type = REG_DWORD;
        const DWORD number = static_cast<DWORD>(i) * 2654435761u;
        std::memcpy(value.bytes, &number, sizeof number);
        value.size = sizeof number;
        break;
    }
    default:
        value.type = REG_BINARY;
        for (DWORD b = 0; b < sizeof value.bytes; ++b)
            value.bytes[b] = static_cast<BYTE>(i * 31 + b * 7);
        value.size = sizeof value.bytes;
        break;
    }
    return value;
}

const BYTE* BenchRegistryTree::Data(const SValue& value)
{
    return value.type == REG_SZ ? reinterpret_cast<const BYTE*>(value.text.c_str()) : value.bytes;
}

void BenchRegistryTree::Create() const
{
    Delete();
    for (int first = 0; first < m_nValues; first += kValuesPerKey) {
        HKEY hKey = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyPath(first / kValuesPerKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &hKey, nullptr) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create the test key");
        UniqueRegKey key(hKey);
        for (int i = first; i < m_nValues && i < first + kValuesPerKey; ++i) {
            const SValue value = MakeValue(i);
            if (RegSetValueExW(key.Get(), value.name.c_str(), 0, value.type, Data(value), value.size) != ERROR_SUCCESS)
                throw std::runtime_error("cannot write a test value");
        }
    }
}

int BenchRegistryTree::CountIntact() const
{
    int intact = 0;
    std::vector<BYTE> data(256);
    for (int first = 0; first < m_nValues; first += kValuesPerKey) {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, KeyPath(first / kValuesPerKey).c_str(), 0, KEY_READ, &hKey) !=
            ERROR_SUCCESS)
            continue;
        UniqueRegKey key(hKey);
        for (int i = first; i < m_nValues && i < first + kValuesPerKey; ++i) {
            const SValue value = MakeValue(i);
            DWORD type = 0;
            DWORD size = static_cast<DWORD>(data.size());
            if (RegQueryValueExW(key.Get(), value.name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS &&
                type == value.type && size == value.size && std::memcmp(data.data(), Data(value), size) == 0)
                ++intact;
        }
    }
    return intact;
}

void BenchRegistryTree::Delete() const
{
    RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, m_path.c_str());
}
