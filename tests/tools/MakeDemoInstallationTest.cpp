// Runs the real MakeDemoInstallation.exe in the test prefix and checks the
// registry it writes and the patient tree it leaves on disk.

#include "framework/CString.h"
#include "tests/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const wchar_t kSettings[] = L"Software\\Tessaro\\ORVEX\\Settings";
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices\\";

int RunDemo(const CString& args)
{
    return test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"), args, 300000);
}

CString Quoted(const CString& path)
{
    return L"\"" + path + L"\"";
}

// One value of HKLM as stored; type REG_NONE when it is missing.
struct RegValue {
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;
    DWORD Dword() const { return data.size() == 4 ? *reinterpret_cast<const DWORD*>(data.data()) : 0; }
    CString String() const { return data.size() < 2 ? CString() : CString(reinterpret_cast<const wchar_t*>(data.data())); }
};

RegValue Value(const CString& key, const wchar_t* name)
{
    RegValue value;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, nullptr, &size) == 0) {
        value.data.resize(size);
        RegGetValueW(HKEY_LOCAL_MACHINE, key, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, value.data.data(), &size);
    }
    return value;
}

CString DataPath()
{
    return Value(kSettings, L"DataPath").String();
}

// Every file below root by relative path with its bytes; directories end in a backslash.
void Snapshot(const CString& root, const CString& relative, std::map<CString, std::vector<unsigned char>>& entries)
{
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(root + L"\\" + relative + L"*", &fd);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        CString path = relative + fd.cFileName;
        if (CString(fd.cFileName) == L"." || CString(fd.cFileName) == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entries[path + L"\\"];
            Snapshot(root, path + L"\\", entries);
        } else {
            entries[path] = test::ReadBytes(root + L"\\" + path);
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

std::map<CString, std::vector<unsigned char>> Snapshot(const CString& root)
{
    std::map<CString, std::vector<unsigned char>> entries;
    Snapshot(root, CString(), entries);
    return entries;
}

// The names of the subdirectories (or files) directly in dir.
std::vector<CString> Children(const CString& dir, bool directories)
{
    std::vector<CString> names;
    for (const auto& e : Snapshot(dir)) {
        int slash = e.first.Find(L'\\');
        if (directories ? slash == e.first.GetLength() - 1 : slash < 0)
            names.push_back(directories ? e.first.Left(slash) : e.first);
    }
    return names;
}

} // namespace

TEST(MakeDemoInstallation, WritesTheSettingsAndFourDevicesOfWhichABackupSavesTwo)
{
    test::TempDir temp;
    CString dataDir = temp / L"Daten Müller";
    ASSERT_EQ(0, RunDemo(L"--registry-only --data-dir " + Quoted(dataDir)));
    EXPECT_FALSE(test::DirExists(dataDir));
    EXPECT_EQ(dataDir, DataPath());
    const CString root = L"Software\\Tessaro\\ORVEX";
    EXPECT_EQ(DWORD(REG_EXPAND_SZ), Value(root, L"InstallDir").type);
    EXPECT_EQ(DWORD(REG_QWORD), Value(root, L"InstallTime").type);
    const wchar_t modules[] = L"Krone\0Brücke\0Inlay\0Veneer\0";
    EXPECT_EQ(std::vector<unsigned char>(reinterpret_cast<const unsigned char*>(modules),
                                         reinterpret_cast<const unsigned char*>(modules) + sizeof modules),
              Value(root, L"Modules").data);
    EXPECT_EQ(DWORD(REG_BINARY), Value(kSettings, L"Reserved").type);
    const CString camera = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";
    EXPECT_EQ(128u, Value(camera + L"\\Calibration\\White", L"Reference").data.size());

    // Key name, type, Hidden (-1: no value); a backup saves the visible devices that are no simulator.
    const struct {
        const wchar_t* key;
        DWORD type;
        int hidden;
    } devices[] = {{L"TornikMC5_4102577", 1, -1}, {L"Lumara3D_3309214", 2, 0},
                   {L"LumaraService_3309215", 2, 1}, {L"TornikSimulator_0000001", 4, -1}};
    std::vector<CString> saved;
    for (const auto& d : devices) {
        const CString key = kDevices + CString(d.key);
        RegValue hidden = Value(key, L"Hidden"), serial = Value(key, L"SerialNumber");
        EXPECT_EQ(d.type, Value(key, L"Type").Dword()) << d.key;
        EXPECT_EQ(d.hidden >= 0 ? DWORD(REG_DWORD) : DWORD(REG_NONE), hidden.type) << d.key;
        EXPECT_EQ(96u, Value(key + L"\\Calibration", L"Matrix").data.size()) << d.key;
        if (hidden.Dword() == 0 && d.type != 4)
            saved.push_back(Value(key, L"Description").String() + L" " + CString(std::to_wstring(serial.Dword())));
    }
    EXPECT_EQ((std::vector<CString>{L"Tornik MC 5 4102577", L"Lumara 3D 3309214"}), saved);
}

TEST(MakeDemoInstallation, PatientTreeHasTheLayoutABackupReads)
{
    test::TempDir temp;
    CString dataDir = temp / L"Data";
    ASSERT_EQ(0, RunDemo(L"--files-only --patients 6 --cases 3 --file-size 64K --seed 11 --data-dir " + Quoted(dataDir)));
    std::vector<CString> patients = Children(dataDir, true);
    ASSERT_EQ(6u, patients.size());
    EXPECT_TRUE(Children(dataDir, false).empty());
    int tiffs = 0;
    for (const CString& patient : patients) {
        CString patientDir = dataDir + L"\\" + patient;
        EXPECT_NE(0u, GetFileAttributesW(patientDir + L"\\Thumbnail") & FILE_ATTRIBUTE_HIDDEN) << patient;
        std::vector<unsigned char> jpeg = test::ReadBytes(patientDir + L"\\Thumbnail\\Thumbnail.jpg");
        ASSERT_GE(jpeg.size(), 4096u);
        EXPECT_EQ(0xD8FF, jpeg[0] | jpeg[1] << 8);
        EXPECT_TRUE(Children(patientDir, false).empty()) << patient;
        for (const CString& caseName : Children(patientDir, true)) {
            if (caseName == L"Thumbnail")
                continue;
            std::map<CString, int> byExtension;
            for (const CString& file : Children(patientDir + L"\\" + caseName, false)) {
                CString ext = file.Mid(file.ReverseFind(L'.'));
                ++byExtension[ext.MakeLower()];
                std::vector<unsigned char> bytes = test::ReadBytes(patientDir + L"\\" + caseName + L"\\" + file);
                if (ext == L".sdt") {
                    EXPECT_EQ(0, memcmp(bytes.data(), "TSRO SDT 3\r\n\x1A", 13)) << file;
                }
                if (ext == L".tif")
                    tiffs += memcmp(bytes.data(), "II*\0", 4) == 0;
            }
            EXPECT_EQ(1, byExtension[L".dat"]) << caseName;
            EXPECT_EQ(1, byExtension[L".cdt"]) << caseName;
            EXPECT_GE(byExtension[L".sdt"], 1) << caseName;
        }
    }
    EXPECT_GT(tiffs, 0);
}

TEST(MakeDemoInstallation, SameSeedGivesIdenticalFilesAndRunningAgainRestoresChangedOnes)
{
    test::TempDir temp;
    const CString options = L"--files-only --patients 5 --cases 3 --file-size 20000 --data-dir ";
    ASSERT_EQ(0, RunDemo(L"--seed 42 " + options + Quoted(temp / L"A")));
    ASSERT_EQ(0, RunDemo(L"--seed=0x2A --patients=5 --cases=3 --file-size=20000 --files-only --data-dir=" +
                         Quoted(temp / L"B")));
    ASSERT_EQ(0, RunDemo(L"--seed 43 " + options + Quoted(temp / L"C")));
    const auto a = Snapshot(temp / L"A");
    ASSERT_GT(a.size(), 20u);
    EXPECT_TRUE(a == Snapshot(temp / L"B")) << "--name=value and hexadecimal seeds are the same options";
    EXPECT_FALSE(a == Snapshot(temp / L"C"));

    std::vector<CString> files;
    for (const auto& e : a) {
        if (e.first.Right(4) == L".dat")
            files.push_back(temp / L"B\\" + e.first);
    }
    test::WriteText(files[0], "changed by the user");
    ASSERT_TRUE(DeleteFileW(files[1]));
    ASSERT_TRUE(SetFileAttributesW(files[2], FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(0, RunDemo(L"--seed 42 " + options + Quoted(temp / L"B")));
    EXPECT_TRUE(a == Snapshot(temp / L"B"));
}

TEST(MakeDemoInstallation, MinFileSizeRaisesSmallBinaryFilesOnly)
{
    test::TempDir temp;
    const CString options = L"--files-only --patients 4 --cases 3 --file-size 64K --seed 5 --data-dir ";
    ASSERT_EQ(0, RunDemo(options + Quoted(temp / L"Plain")));
    ASSERT_EQ(0, RunDemo(L"--min-file-size 20K " + options + Quoted(temp / L"Raised")));
    const auto plain = Snapshot(temp / L"Plain");
    const auto raised = Snapshot(temp / L"Raised");
    ASSERT_EQ(plain.size(), raised.size());
    int grown = 0;
    for (const auto& file : plain) {
        const bool text = file.first.Right(4) == L".txt" || file.first.Right(4) == L".log";
        const bool directory = file.first.Right(1) == L"\\";
        size_t expected = text || directory ? file.second.size() : std::max<size_t>(file.second.size(), 20 * 1024);
        ASSERT_EQ(1u, raised.count(file.first)) << file.first;
        EXPECT_EQ(expected, raised.at(file.first).size()) << file.first;
        grown += expected != file.second.size();
    }
    EXPECT_GT(grown, 0);
}

TEST(MakeDemoInstallation, RelativeDataDirectoryIsStoredFullAndFilesOnlyKeepsTheDataPath)
{
    test::TempDir temp;
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path()));
    int code = RunDemo(L"--registry-only --data-dir Sub\\..\\Rel\\");
    SetCurrentDirectoryW(cwd);
    ASSERT_EQ(0, code);
    EXPECT_EQ(temp / L"Rel", DataPath());
    ASSERT_EQ(0, RunDemo(L"--files-only --patients 2 --file-size 2048 --data-dir " + Quoted(temp / L"Files")));
    EXPECT_EQ(2u, Children(temp / L"Files", true).size());
    EXPECT_EQ(temp / L"Rel", DataPath());
}

TEST(MakeDemoInstallation, BadCommandLinesFailWithoutTouchingAnything)
{
    test::TempDir temp;
    ASSERT_EQ(0, RunDemo(L"--registry-only --data-dir X:\\Marker"));
    const wchar_t* bad[] = {
        L"--patients abc",  L"--patients -1",   L"--patients 1000001", L"--patients 12x", L"--cases 0",
        L"--cases 100",     L"--file-size 1023", L"--file-size 10Q",   L"--file-size 65G", L"--seed 0xZZ",
        L"--bogus",         L"positional",      L"--registry-only --files-only", L"--seed 99999999999999999999",
        L"--file-size 1M --min-file-size 2M",   L"--min-file-size 10Q",
    };
    for (const wchar_t* args : bad)
        EXPECT_EQ(2, RunDemo(CString(args) + L" --data-dir " + Quoted(temp / L"Data"))) << args;
    EXPECT_EQ(2, RunDemo(L"--data-dir " + Quoted(temp / L"Data") + L" --patients"));
    EXPECT_FALSE(test::DirExists(temp / L"Data"));
    // A data directory that cannot be made fails before the registry is written.
    test::WriteText(temp / L"file", "a file, not a directory");
    EXPECT_EQ(1, RunDemo(L"--patients 1 --data-dir " + Quoted(temp / L"file\\Data")));
    EXPECT_EQ(CString(L"X:\\Marker"), DataPath());
}
