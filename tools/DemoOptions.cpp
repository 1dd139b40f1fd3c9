#include "tools/DemoOptions.h"

#include <windows.h>

#include <cerrno>
#include <cwchar>
#include <vector>

namespace {

bool ParseUnsigned(std::wstring text, uint64_t& value)
{
    // Decimal, or hexadecimal after "0x"; wcstoull alone would also take a
    // sign, blanks, octal and a partial number.
    int base = 10;
    if (text.size() > 2 && text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
        text = text.substr(2);
        base = 16;
    }
    if (text.empty() || !iswxdigit(text[0]))
        return false;
    errno = 0;
    wchar_t* end = nullptr;
    value = wcstoull(text.c_str(), &end, base);
    return errno == 0 && *end == 0;
}

bool ParseSize(std::wstring text, uint64_t& value)
{
    uint64_t unit = 1;
    if (!text.empty()) {
        switch (towupper(text.back())) {
        case L'K': unit = 1ull << 10; break;
        case L'M': unit = 1ull << 20; break;
        case L'G': unit = 1ull << 30; break;
        default: break;
        }
        if (unit != 1)
            text.pop_back();
    }
    if (!ParseUnsigned(text, value) || value > UINT64_MAX / unit)
        return false;
    value *= unit;
    return true;
}

bool MakeAbsolute(const std::wstring& path, std::wstring& full)
{
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return false;
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0 || length >= buffer.size())
        return false;
    full.assign(buffer.data(), length);
    // A drive root keeps its backslash; any other directory is named without one.
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    return true;
}

} // namespace

bool DemoOptions::Parse(int argc, wchar_t** argv, std::wstring& error)
{
    bool registryOnly = false;
    bool filesOnly = false;
    for (int i = 1; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--help" || arg == L"-h" || arg == L"-?" || arg == L"/?") {
            help = true;
            continue;
        }
        if (arg == L"--registry-only") {
            registryOnly = true;
            continue;
        }
        if (arg == L"--files-only") {
            filesOnly = true;
            continue;
        }
        std::wstring name = arg;
        std::wstring value;
        bool hasValue = false;
        size_t equals = arg.find(L'=');
        if (arg.compare(0, 2, L"--") == 0 && equals != std::wstring::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        if (name != L"--patients" && name != L"--cases" && name != L"--file-size" && name != L"--min-file-size" &&
            name != L"--data-dir" && name != L"--seed") {
            error = L"unknown option or argument: " + arg;
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = L"option " + name + L" needs a value";
                return false;
            }
            value = argv[++i];
        }
        uint64_t number = 0;
        if (name == L"--patients") {
            if (!ParseUnsigned(value, number) || number > 1000000) {
                error = L"--patients takes a number from 0 to 1000000, not \"" + value + L"\"";
                return false;
            }
            patients = static_cast<int>(number);
        } else if (name == L"--cases") {
            if (!ParseUnsigned(value, number) || number < 1 || number > 99) {
                error = L"--cases takes a number from 1 to 99, not \"" + value + L"\"";
                return false;
            }
            maxCases = static_cast<int>(number);
        } else if (name == L"--file-size") {
            if (!ParseSize(value, number) || number < 1024 || number > (64ull << 30)) {
                error = L"--file-size takes a byte count from 1024 to 64G (suffix K, M or G allowed), not \"" + value + L"\"";
                return false;
            }
            fileSize = number;
        } else if (name == L"--min-file-size") {
            if (!ParseSize(value, number) || number > (64ull << 30)) {
                error = L"--min-file-size takes a byte count up to 64G (suffix K, M or G allowed), not \"" + value + L"\"";
                return false;
            }
            minFileSize = number;
        } else if (name == L"--seed") {
            if (!ParseUnsigned(value, number)) {
                error = L"--seed takes an unsigned 64-bit number, not \"" + value + L"\"";
                return false;
            }
            seed = number;
        } else {
            if (value.empty() || !MakeAbsolute(value, dataDir)) {
                error = L"--data-dir needs a valid directory path, not \"" + value + L"\"";
                return false;
            }
        }
    }
    if (minFileSize > fileSize) {
        error = L"--min-file-size must not exceed --file-size";
        return false;
    }
    if (registryOnly && filesOnly) {
        error = L"--registry-only and --files-only exclude each other";
        return false;
    }
    parts = registryOnly ? Parts::RegistryOnly : filesOnly ? Parts::FilesOnly : Parts::All;
    if (!MakeAbsolute(dataDir, dataDir)) {
        error = L"invalid data directory: " + dataDir;
        return false;
    }
    return true;
}

const wchar_t* DemoOptions::Usage()
{
    return L"MakeDemoInstallation: creates a demo ORVEX installation on this machine.\n"
           L"\n"
           L"Usage: MakeDemoInstallation [options]\n"
           L"  --patients N      patients to create (default 12)\n"
           L"  --cases N         most cases per patient; each gets 1..N (default 4)\n"
           L"  --file-size SIZE  scale of the largest files, in bytes or with K/M/G;\n"
           L"                    scan data get 40%..100% of it (default 1M)\n"
           L"  --min-file-size SIZE\n"
           L"                    smallest binary file (data, scans, images); smaller\n"
           L"                    draws are raised to it (default 0: none)\n"
           L"  --data-dir PATH   patient data directory (default C:\\ORVEX\\Data)\n"
           L"  --seed N          seed of the generated data (default 1)\n"
           L"  --registry-only   write only the registry, DataPath included\n"
           L"  --files-only      write only the patient data, leave the registry alone\n"
           L"  --help            show this text\n"
           L"\n"
           L"Registry (64-bit view; HKLM needs administrator rights):\n"
           L"  HKCU and HKLM Software\\Tessaro\\ORVEX\\, HKLM Software\\Tessaro\\CADCAM\\Common\\,\n"
           L"  ...\\CADCAM\\Device\\Milling, ...\\CADCAM\\Profil, the camera key\n"
           L"  ...\\CADCAM\\Device\\Acquisition\\Camera, four devices below ...\\CADCAM\\Devices\\\n"
           L"  (a milling unit and a scanner that a backup saves, a hidden scanner and a\n"
           L"  simulator that it skips) and ORVEX\\Settings \"DataPath\" = the data directory.\n"
           L"\n"
           L"The same options always give byte-identical files (file times included).\n"
           L"Running again is safe: the values and files it writes are overwritten, and\n"
           L"everything else (other keys, values, files, more patients of an earlier\n"
           L"larger run) is left as it is.\n"
           L"\n"
           L"Exit code: 0 on success, 1 when the installation could not be written,\n"
           L"2 for a bad command line.\n";
}
