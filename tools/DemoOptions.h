#pragma once
// The command line of MakeDemoInstallation.

#include <cstdint>
#include <string>

class DemoOptions {
public:
    enum class Parts { All, RegistryOnly, FilesOnly };

    int patients = 12;
    int maxCases = 4;
    // The largest files (scan data) get between 40% and 100% of this.
    uint64_t fileSize = 1024 * 1024;
    // Binary files drawn smaller are written with this size; 0 keeps every draw.
    uint64_t minFileSize = 0;
    std::wstring dataDir = L"C:\\ORVEX\\Data";
    uint64_t seed = 1;
    Parts parts = Parts::All;
    bool help = false;

    // Fills the options from argv; on a bad command line returns false with
    // error set. dataDir is made absolute.
    bool Parse(int argc, wchar_t** argv, std::wstring& error);

    static const wchar_t* Usage();
};
