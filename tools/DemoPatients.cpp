#include "tools/DemoPatients.h"

#include "tools/DemoError.h"
#include "tools/DemoFile.h"

#include <algorithm>
#include <cstdio>

namespace {

const wchar_t* const kSurnames[] = {
    L"Mueller", L"Müller", L"Schmidt", L"Schneider", L"Fischer", L"Weber", L"Meyer", L"Wagner", L"Becker",
    L"Schulz", L"Hoffmann", L"Schäfer", L"Koch", L"Bauer", L"Richter", L"Klein", L"Wolf", L"Schröder",
    L"Neumann", L"Schwarz", L"Zimmermann", L"Braun", L"Krüger", L"Hofmann", L"Hartmann", L"Lange",
    L"Schmitt", L"Werner", L"Krause", L"Meier", L"Lehmann", L"Köhler", L"Herrmann", L"König", L"Walter",
    L"Huber", L"Kaiser", L"Fuchs", L"Peters", L"Möller", L"Weiß", L"Jung", L"Hahn", L"Vogel", L"Keller",
    L"Günther", L"Frank", L"Berger", L"Roth", L"Groß", L"Böhm", L"Jäger", L"Dvořák", L"Nowak",
    L"Łukasiewicz", L"Öztürk", L"Yılmaz", L"García", L"Núñez", L"Søndergaard", L"Ångström", L"Brenner",
    L"Lorenz", L"Baumann", L"Simon", L"Ludwig", L"Winter", L"Krämer", L"Vogt", L"Stein", L"Sommer",
    L"Haas", L"Graf", L"Dietrich", L"Kühn", L"Pohl", L"Engel", L"Horn", L"Busch", L"Voigt", L"Sauer",
};

const wchar_t* const kFirstNames[] = {
    L"Anna", L"Maria", L"Lena", L"Sophie", L"Hannah", L"Emma", L"Sabine", L"Petra", L"Ursula", L"Monika",
    L"Renée", L"Zoë", L"Jürgen", L"Jörg", L"Björn", L"Hans", L"Klaus", L"Peter", L"Thomas", L"Michael",
    L"Andreas", L"Stefan", L"Lukas", L"Felix", L"Jonas", L"Paul", L"José", L"François", L"Søren",
    L"Günter", L"Bärbel", L"Dörte", L"Karin", L"Heike", L"Uwe", L"Dieter", L"Gerhard", L"Ingrid",
};

// Repeated entries make the common restorations common.
const wchar_t* const kRestorations[] = {
    L"Krone", L"Krone", L"Krone", L"Krone", L"Teilkrone", L"Inlay", L"Inlay", L"Onlay",
    L"Veneer", L"Brücke", L"Brücke", L"Abutment",
};

const char* const kShades[] = {"A1", "A2", "A3", "A3.5", "B1", "B2", "C2", "D3"};
const char* const kMaterials[] = {"Feldspat", "Lithiumdisilikat", "Zirkonoxid", "Hybridkeramik", "PMMA"};

const unsigned char kDataHeader[] = {'T', 'S', 'R', 'O', ' ', 'C', 'A', 'S', 'E', ' ', '3', '\r', '\n', 0x1A};
const unsigned char kConstructionHeader[] = {'T', 'S', 'R', 'O', ' ', 'C', 'D', 'T', ' ', '3', '\r', '\n', 0x1A};
const unsigned char kScanHeader[] = {'T', 'S', 'R', 'O', ' ', 'S', 'D', 'T', ' ', '3', '\r', '\n', 0x1A};
const unsigned char kTiffHeader[] = {'I', 'I', 42, 0, 8, 0, 0, 0};
const unsigned char kJpegHeader[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
const unsigned char kJpegTrailer[] = {0xFF, 0xD9};

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

std::wstring DateText(int64_t days)
{
    int y, m, d;
    CivilFromDays(days, y, m, d);
    wchar_t text[16];
    swprintf(text, 16, L"%04d-%02d-%02d", y, m, d);
    return text;
}

FILETIME FileTimeOf(int64_t days, int64_t seconds)
{
    const int64_t daysFrom1601To1970 = 134774;
    uint64_t ticks = static_cast<uint64_t>((days + daysFrom1601To1970) * 86400 + seconds) * 10000000ull;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr, nullptr);
    return bytes;
}

std::wstring UpperCase(std::wstring text)
{
    if (!text.empty())
        CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// FDI tooth number: quadrant 1..4, tooth 1..8 (first..last of the tooth row).
int Tooth(DemoRandom& random, int lastTooth)
{
    return static_cast<int>(random.Between(1, 4) * 10 + random.Between(1, static_cast<uint64_t>(lastTooth)));
}

} // namespace

DemoPatients::DemoPatients(const DemoOptions& options)
    : m_options(options), m_buffer(1u << 20)
{
}

void DemoPatients::Write()
{
    DemoFile::MakeDirectory(m_options.dataDir);
    DemoFile::MakeDirectory(m_options.dataDir);
    for (int i = 0; i < m_options.patients; ++i)
        WritePatient(i);
}

std::wstring DemoPatients::UniquePatientName(DemoRandom& random)
{
    for (;;) {
        std::wstring name = random.Pick(kSurnames);
        name += L'_';
        name += random.Pick(kFirstNames);
        name += L'_';
        name += DateText(DaysFromCivil(1932, 1, 1) + static_cast<int64_t>(random.Below(80 * 365)));
        if (m_usedNames.insert(UpperCase(name)).second)
            return name;
    }
}

void DemoPatients::WritePatient(int index)
{
    DemoRandom random = DemoRandom::Derive(m_options.seed, static_cast<uint64_t>(index) + 1);
    const std::wstring name = UniquePatientName(random);
    const std::wstring dir = m_options.dataDir + L"\\" + name;
    DemoFile::MakeDirectory(dir);

    const int cases = static_cast<int>(random.Between(1, static_cast<uint64_t>(m_options.maxCases)));
    int64_t day = DaysFromCivil(2009, 1, 1) + static_cast<int64_t>(random.Below(12 * 365));
    for (int c = 0; c < cases; ++c) {
        if (c > 0)
            day += static_cast<int64_t>(random.Between(14, 400));
        const std::wstring restoration = random.Pick(kRestorations);
        wchar_t teeth[16];
        if (restoration == L"Brücke") {
            int first = Tooth(random, 5);
            swprintf(teeth, 16, L"%d-%d", first, first + 2);
        } else {
            swprintf(teeth, 16, L"%d", Tooth(random, 8));
        }
        const std::wstring caseName = DateText(day) + L"_" + restoration + L"_" + teeth;
        WriteCase(dir, name, caseName, day, random);
    }

    const std::wstring thumbnailDir = dir + L"\\" + kThumbnailDirectory;
    DemoFile::MakeDirectory(thumbnailDir);
    WriteBinary(thumbnailDir + L"\\" + kThumbnailFile, Kind::Jpeg, std::min<uint64_t>(random.Between(4096, 24576), m_options.fileSize), random.Next(),
                FileTimeOf(day, 17 * 3600));
    // The installation keeps the thumbnail directory hidden.
    if (!SetFileAttributesW(thumbnailDir.c_str(), FILE_ATTRIBUTE_HIDDEN))
        throw DemoError::FromWin32(L"cannot hide " + thumbnailDir, GetLastError());
    ++m_patients;
}

uint64_t DemoPatients::Scaled(DemoRandom& random, uint64_t lowDivisor, uint64_t highDivisor) const
{
    return random.Between(m_options.fileSize / lowDivisor, m_options.fileSize / highDivisor);
}

void DemoPatients::WriteCase(const std::wstring& patientDir, const std::wstring& patient, const std::wstring& caseName,
                             int64_t day, DemoRandom& random)
{
    const std::wstring dir = patientDir + L"\\" + caseName;
    DemoFile::MakeDirectory(dir);
    int64_t second = static_cast<int64_t>(random.Between(8 * 3600, 16 * 3600));
    auto next = [&]() {
        second += static_cast<int64_t>(random.Between(20, 900));
        return FileTimeOf(day, second);
    };

    const uint64_t caseDataSize = std::min<uint64_t>(random.Between(2048, 49152), m_options.fileSize);
    WriteBinary(dir + L"\\Case.dat", Kind::CaseData, caseDataSize, random.Next(), next());
    WriteBinary(dir + L"\\Preparation.sdt", Kind::Scan, random.Between(m_options.fileSize * 2 / 5, m_options.fileSize), random.Next(), next());
    if (random.Chance(50))
        WriteBinary(dir + L"\\Antagonist.sdt", Kind::Scan, random.Between(m_options.fileSize * 2 / 5, m_options.fileSize), random.Next(), next());
    if (random.Chance(25))
        WriteBinary(dir + L"\\Bite.sdt", Kind::Scan, random.Between(m_options.fileSize * 2 / 5, m_options.fileSize), random.Next(), next());
    WriteBinary(dir + L"\\Restoration.cdt", Kind::Construction, Scaled(random, 64, 8), random.Next(), next());

    const int images = static_cast<int>(random.Below(3));
    for (int i = 1; i <= images; ++i) {
        wchar_t name[32];
        swprintf(name, 32, L"\\Image_%02d.tif", i);
        WriteBinary(dir + name, Kind::Tiff, Scaled(random, 32, 4), random.Next(), next());
    }

    if (random.Chance(50)) {
        std::string notes = "\xEF\xBB\xBF" "Patient: " + Utf8(patient) + "\r\nFall: " + Utf8(caseName) +
                            "\r\nFarbe: " + random.Pick(kShades) + "\r\nMaterial: " + random.Pick(kMaterials) +
                            "\r\nBemerkung: Präparationsgrenze gut sichtbar, Kontakt mesial prüfen.\r\n";
        WriteText(dir + L"\\Notes.txt", notes, next());
    }
    if (random.Chance(35)) {
        std::string log;
        const std::string date = Utf8(DateText(day));
        int lines = static_cast<int>(random.Between(5, 40));
        int64_t at = second;
        for (int i = 0; i < lines; ++i) {
            at += static_cast<int64_t>(random.Between(1, 90));
            char line[128];
            snprintf(line, sizeof line, "%s %02d:%02d:%02d Schleifen Bahn %d von %d, Werkzeug %s\r\n", date.c_str(),
                     static_cast<int>(at / 3600 % 24), static_cast<int>(at / 60 % 60), static_cast<int>(at % 60), i + 1,
                     lines, random.Chance(50) ? "links 12S" : "rechts 12S");
            log += line;
        }
        WriteText(dir + L"\\Mill.log", log, next());
    }
    if (random.Chance(15))
        WriteBinary(dir + L"\\Case.bak", Kind::Backup, caseDataSize, random.Next(), next());
    ++m_cases;
}

void DemoPatients::WriteBinary(const std::wstring& path, Kind kind, uint64_t size, uint64_t seed, const FILETIME& time)
{
    const unsigned char* header = nullptr;
    size_t headerSize = 0;
    switch (kind) {
    case Kind::CaseData:
    case Kind::Backup:
        header = kDataHeader;
        headerSize = sizeof kDataHeader;
        break;
    case Kind::Construction:
        header = kConstructionHeader;
        headerSize = sizeof kConstructionHeader;
        break;
    case Kind::Scan:
        header = kScanHeader;
        headerSize = sizeof kScanHeader;
        break;
    case Kind::Tiff:
        header = kTiffHeader;
        headerSize = sizeof kTiffHeader;
        break;
    case Kind::Jpeg:
        header = kJpegHeader;
        headerSize = sizeof kJpegHeader;
        break;
    }
    const bool jpeg = kind == Kind::Jpeg;
    size = std::max<uint64_t>(size, m_options.minFileSize);
    size = std::max<uint64_t>(size, headerSize + (jpeg ? sizeof kJpegTrailer : 0));

    DemoRandom random(seed);
    DemoFile file(path);
    for (uint64_t done = 0; done < size;) {
        const size_t chunk = static_cast<size_t>(std::min<uint64_t>(m_buffer.size(), size - done));
        random.Fill(m_buffer.data(), chunk);
        for (uint64_t at = done; at < headerSize && at < done + chunk; ++at)
            m_buffer[at - done] = header[at];
        if (jpeg) {
            for (uint64_t at = size - sizeof kJpegTrailer; at < size; ++at) {
                if (at >= done && at < done + chunk)
                    m_buffer[at - done] = kJpegTrailer[at - (size - sizeof kJpegTrailer)];
            }
        }
        file.Write(m_buffer.data(), chunk);
        done += chunk;
    }
    file.SetTime(time);
    ++m_files;
    m_bytes += size;
}

void DemoPatients::WriteText(const std::wstring& path, const std::string& text, const FILETIME& time)
{
    DemoFile file(path);
    file.Write(text.data(), text.size());
    file.SetTime(time);
    ++m_files;
    m_bytes += text.size();
}
