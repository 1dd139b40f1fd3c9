#pragma once
// Writes the patient data of a demo installation: one directory per patient
// with its case directories (.dat, .cdt, .sdt, .tif and a few files a backup
// ignores) and the hidden "Thumbnail" directory with "Thumbnail.jpg".

#include "tools/DemoOptions.h"
#include "tools/DemoRandom.h"

#include <windows.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

class DemoPatients {
public:
    static constexpr const wchar_t* kThumbnailDirectory = L"Thumbnail";
    static constexpr const wchar_t* kThumbnailFile = L"Thumbnail.jpg";

    explicit DemoPatients(const DemoOptions& options);

    // Throws DemoError when a directory or file cannot be written.
    void Write();

    int Patients() const { return m_patients; }
    int Cases() const { return m_cases; }
    uint64_t Files() const { return m_files; }
    uint64_t Bytes() const { return m_bytes; }

private:
    enum class Kind { CaseData, Construction, Scan, Tiff, Jpeg, Backup };

    std::wstring UniquePatientName(DemoRandom& random);
    void WritePatient(int index);
    void WriteCase(const std::wstring& dir, const std::wstring& patient, const std::wstring& caseName,
                   int64_t day, DemoRandom& random);
    void WriteBinary(const std::wstring& path, Kind kind, uint64_t size, uint64_t seed, const FILETIME& time);
    void WriteText(const std::wstring& path, const std::string& text, const FILETIME& time);
    uint64_t Scaled(DemoRandom& random, uint64_t lowDivisor, uint64_t highDivisor) const;

    const DemoOptions& m_options;
    std::vector<unsigned char> m_buffer;
    // Upper-case forms: the file system does not tell names apart by case.
    std::set<std::wstring> m_usedNames;
    int m_patients = 0;
    int m_cases = 0;
    uint64_t m_files = 0;
    uint64_t m_bytes = 0;
};
