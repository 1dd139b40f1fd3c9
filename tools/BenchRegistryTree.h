#pragma once
// A key tree of the current user filled with a known set of values, for the
// registry archive round trip: made, checked value by value against what it
// was made with, and deleted.

#include <windows.h>

#include <string>

class BenchRegistryTree {
public:
    // strPath below HKEY_CURRENT_USER; nValues spread over keys of 100 values.
    BenchRegistryTree(std::wstring strPath, int nValues);

    // Replaces whatever lies at the path with the known tree.
    void Create() const;
    // The number of values found with exactly the data they were made with.
    int CountIntact() const;
    void Delete() const;

    const std::wstring& GetPath() const { return m_path; }
    int GetValues() const { return m_nValues; }

    static const int kValuesPerKey = 100;

private:
    struct SValue {
        std::wstring name;
        DWORD type;
        std::wstring text;
        BYTE bytes[48];
        DWORD size;
    };

    std::wstring KeyPath(int nKey) const;
    // Value i of the tree, the same on every call.
    static SValue MakeValue(int i);
    static const BYTE* Data(const SValue& value);

    std::wstring m_path;
    int m_nValues;
};
