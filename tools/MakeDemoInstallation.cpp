// MakeDemoInstallation: creates a realistic ORVEX installation (registry and
// patient data) on the machine it runs on, for trying out and benchmarking
// backups. See DemoOptions::Usage for the options.

#include "tools/DemoError.h"
#include "tools/DemoFile.h"
#include "tools/DemoOptions.h"
#include "tools/DemoPatients.h"
#include "tools/DemoRegistry.h"

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

// Wide text reaches a console unchanged; a pipe or file gets UTF-8.
void Print(DWORD stream, const std::wstring& text)
{
    HANDLE handle = GetStdHandle(stream);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    DemoOptions options;
    std::wstring error;
    if (!options.Parse(argc, argv, error)) {
        Print(STD_ERROR_HANDLE, L"MakeDemoInstallation: " + error + L"\nTry --help.\n");
        return 2;
    }
    if (options.help) {
        Print(STD_OUTPUT_HANDLE, DemoOptions::Usage());
        return 0;
    }

    try {
        const bool files = options.parts != DemoOptions::Parts::RegistryOnly;
        const bool registry = options.parts != DemoOptions::Parts::FilesOnly;
        DemoPatients patients(options);
        DemoRegistry demoRegistry(options.seed);
        // The data directory first: a path that cannot be made fails before the
        // registry is touched.
        if (files)
            DemoFile::MakeDirectory(options.dataDir);
        if (registry) {
            demoRegistry.WriteSettings();
            demoRegistry.WriteCalibrations();
            demoRegistry.WriteDataPath(options.dataDir);
        }
        if (files)
            patients.Write();

        wchar_t summary[160];
        swprintf(summary, 160, L"%d patients, %d cases, %llu files, %llu bytes", patients.Patients(), patients.Cases(),
                 static_cast<unsigned long long>(patients.Files()), static_cast<unsigned long long>(patients.Bytes()));
        Print(STD_OUTPUT_HANDLE, std::wstring(L"MakeDemoInstallation: ") + summary + L" in " + options.dataDir +
                                     (registry ? L", registry written\n" : L", registry unchanged\n"));
        return 0;
    } catch (const DemoError& e) {
        Print(STD_ERROR_HANDLE, L"MakeDemoInstallation: " + e.Message() + L"\n");
        return 1;
    }
}
