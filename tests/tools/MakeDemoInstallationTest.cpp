// Runs the real MakeDemoInstallation.exe in the test prefix and checks the
// registry it writes and the patient tree it leaves on disk.

#include "framework/CString.h"
#include "tests/TestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const wchar_t kRoot[] = L"Software\\Tessaro\\ORVEX\\";
const wchar_t kSettings[] = L"Software\\Tessaro\\ORVEX\\Settings";
const wchar_t kDevices[] = L"Software\\Tessaro\\CADCAM\\Devices\\";
const wchar_t kCamera[] = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";

int RunDemo(const CString& args)
{
    return test::RunProgram(test::ProgramPath(L"MakeDemoInstallation.exe"), args, 300000);
}

CString Quoted(const CString& path)
{
    return L"\"" + path + L"\"";
}

// A handle that is closed when the object goes.
class OwnedHandle {
public:
    explicit OwnedHandle(HANDLE h) : m_h(h) {}
    ~OwnedHandle()
    {
        if (m_h != INVALID_HANDLE_VALUE && m_h != nullptr)
            CloseHandle(m_h);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// A directory search that is closed when the object goes.
class FindHandle {
public:
    FindHandle(const CString& dir, WIN32_FIND_DATAW& fd) : m_h(FindFirstFileW(dir + L"\\*", &fd)) {}
    ~FindHandle()
    {
        if (m_h != INVALID_HANDLE_VALUE)
            FindClose(m_h);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAW& fd) { return FindNextFileW(m_h, &fd) != FALSE; }

private:
    HANDLE m_h;
};

// Runs the tool with its standard output and error in a file; returns the
// exit code and the text (UTF-8 decoded).
int RunDemoCaptured(const CString& args, const CString& outputFile, CString& output)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    int code = -2;
    {
        OwnedHandle file(CreateFileW(outputFile, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr));
        if (file.Get() == INVALID_HANDLE_VALUE)
            return -3;
        CString exe = test::ProgramPath(L"MakeDemoInstallation.exe");
        CString cmd = Quoted(exe) + L" " + args;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = nullptr;
        si.hStdOutput = file.Get();
        si.hStdError = file.Get();
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessW(exe, cmd.GetBuffer(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
            return -2;
        cmd.ReleaseBuffer();
        OwnedHandle process(pi.hProcess);
        OwnedHandle thread(pi.hThread);
        if (WaitForSingleObject(process.Get(), 300000) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(process.Get(), &exitCode);
            code = static_cast<int>(exitCode);
        }
    }
    std::vector<unsigned char> bytes = test::ReadBytes(outputFile);
    std::wstring text(bytes.size(), L'\0');
    int length = MultiByteToWideChar(CP_UTF8, 0, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                                     &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(length));
    output = text;
    return code;
}

// One registry value as stored.
struct RegValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<unsigned char> data;

    DWORD Dword() const
    {
        DWORD v = 0;
        if (data.size() == sizeof v)
            memcpy(&v, data.data(), sizeof v);
        return v;
    }
    CString String() const
    {
        std::wstring s(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
        while (!s.empty() && s.back() == L'\0')
            s.pop_back();
        return s;
    }
};

// A registry key opened for reading; closed when the object goes.
class ReadKey {
public:
    ReadKey(HKEY root, const CString& path)
    {
        if (RegOpenKeyExW(root, path, 0, KEY_READ | KEY_WOW64_64KEY, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~ReadKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    ReadKey(const ReadKey&) = delete;
    ReadKey& operator=(const ReadKey&) = delete;

    bool IsOpen() const { return m_key != nullptr; }

    RegValue Value(const wchar_t* name) const
    {
        RegValue value;
        DWORD size = 0;
        if (!m_key || RegQueryValueExW(m_key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
            return value;
        value.data.resize(size);
        if (RegQueryValueExW(m_key, name, nullptr, &value.type, value.data.data(), &size) != ERROR_SUCCESS)
            return value;
        value.data.resize(size);
        value.exists = true;
        return value;
    }

    // Value name -> type, the default value under the empty name.
    std::map<CString, DWORD> ValueTypes() const
    {
        std::map<CString, DWORD> types;
        for (DWORD i = 0; m_key; ++i) {
            wchar_t name[256];
            DWORD nameLength = 256;
            DWORD type = 0;
            if (RegEnumValueW(m_key, i, name, &nameLength, nullptr, &type, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            types[CString(name, static_cast<int>(nameLength))] = type;
        }
        return types;
    }

private:
    HKEY m_key = nullptr;
};

void SetDataPath(const wchar_t* value)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettings, 0, nullptr, 0, KEY_WRITE | KEY_WOW64_64KEY,
                                             nullptr, &key, nullptr));
    RegSetValueExW(key, L"DataPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

CString DataPath()
{
    return ReadKey(HKEY_LOCAL_MACHINE, kSettings).Value(L"DataPath").String();
}

struct Entry {
    bool directory = false;
    std::vector<unsigned char> bytes;
    ULONGLONG writeTime = 0;
    DWORD attributes = 0;
};

// Every file and directory below root, by relative path.
void Snapshot(const CString& root, const CString& relative, std::map<CString, Entry>& entries)
{
    WIN32_FIND_DATAW fd;
    FindHandle find(relative.IsEmpty() ? root : root + L"\\" + relative, fd);
    if (!find.IsOpen())
        return;
    do {
        CString name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        CString path = relative.IsEmpty() ? name : relative + L"\\" + name;
        Entry& entry = entries[path];
        entry.attributes = fd.dwFileAttributes;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            entry.directory = true;
            Snapshot(root, path, entries);
        } else {
            entry.bytes = test::ReadBytes(root + L"\\" + path);
            entry.writeTime = (static_cast<ULONGLONG>(fd.ftLastWriteTime.dwHighDateTime) << 32) | fd.ftLastWriteTime.dwLowDateTime;
        }
    } while (find.Next(fd));
}

std::map<CString, Entry> Snapshot(const CString& root)
{
    std::map<CString, Entry> entries;
    Snapshot(root, CString(), entries);
    return entries;
}

// Same paths, bytes and times.
bool SameTree(const std::map<CString, Entry>& a, const std::map<CString, Entry>& b)
{
    if (a.size() != b.size())
        return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.directory != j->second.directory || i->second.bytes != j->second.bytes ||
            i->second.writeTime != j->second.writeTime)
            return false;
    }
    return true;
}

std::vector<CString> Children(const CString& dir, bool directories)
{
    std::vector<CString> names;
    WIN32_FIND_DATAW fd;
    FindHandle find(dir, fd);
    if (!find.IsOpen())
        return names;
    do {
        CString name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == directories)
            names.push_back(name);
    } while (find.Next(fd));
    return names;
}

CString Extension(const CString& name)
{
    int dot = name.ReverseFind(L'.');
    CString ext = dot < 0 ? CString() : name.Mid(dot);
    return ext.MakeLower();
}

bool IsDate(const CString& s)
{
    if (s.GetLength() != 10 || s[4] != L'-' || s[7] != L'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (s[i] < L'0' || s[i] > L'9')
            return false;
    }
    return true;
}

} // namespace

TEST(MakeDemoInstallation, WritesTheSettingsKeysWithValuesOfSeveralTypes)
{
    test::TempDir temp;
    CString dataDir = temp / L"Daten Müller";
    ASSERT_EQ(0, RunDemo(L"--patients 1 --cases 1 --file-size 4096 --data-dir " + Quoted(dataDir)));

    EXPECT_EQ(dataDir, DataPath());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadKey(HKEY_LOCAL_MACHINE, kSettings).Value(L"DataPath").type);

    struct {
        HKEY root;
        const wchar_t* path;
    } keys[] = {
        {HKEY_CURRENT_USER, kRoot},
        {HKEY_LOCAL_MACHINE, kRoot},
        {HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Common\\"},
        {HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Device\\Milling"},
        {HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Profil"},
        {HKEY_LOCAL_MACHINE, kCamera},
    };
    for (const auto& k : keys) {
        SCOPED_TRACE(k.path);
        ReadKey key(k.root, k.path);
        ASSERT_TRUE(key.IsOpen());
        std::map<CString, DWORD> types = key.ValueTypes();
        ASSERT_TRUE(types.count(CString()));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), types[CString()]);
        std::set<DWORD> kinds;
        for (const auto& t : types)
            kinds.insert(t.second);
        EXPECT_TRUE(kinds.count(REG_SZ) && kinds.count(REG_DWORD) && kinds.count(REG_BINARY));
    }

    ReadKey machine(HKEY_LOCAL_MACHINE, kRoot);
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), machine.Value(L"InstallDir").type);
    EXPECT_EQ(static_cast<DWORD>(REG_QWORD), machine.Value(L"InstallTime").type);
    RegValue modules = machine.Value(L"Modules");
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), modules.type);
    const wchar_t expectedModules[] = L"Krone\0Brücke\0Inlay\0Veneer\0";
    ASSERT_EQ(sizeof expectedModules, modules.data.size());
    EXPECT_EQ(0, memcmp(expectedModules, modules.data.data(), sizeof expectedModules));
    RegValue reserved = ReadKey(HKEY_LOCAL_MACHINE, kSettings).Value(L"Reserved");
    EXPECT_TRUE(reserved.exists);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), reserved.type);
    EXPECT_TRUE(reserved.data.empty());

    // Subkeys: a settings backup covers them, except below the milling key.
    EXPECT_TRUE(ReadKey(HKEY_CURRENT_USER, CString(kRoot) + L"Views\\3D").IsOpen());
    EXPECT_TRUE(ReadKey(HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Common\\Materials\\Zirkon").IsOpen());
    EXPECT_TRUE(ReadKey(HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Device\\Milling\\Tools").IsOpen());
    EXPECT_TRUE(ReadKey(HKEY_LOCAL_MACHINE, L"Software\\Tessaro\\CADCAM\\Profil\\Fein").IsOpen());
    EXPECT_EQ(128u, ReadKey(HKEY_LOCAL_MACHINE, CString(kCamera) + L"\\Calibration\\White").Value(L"Reference").data.size());
}

TEST(MakeDemoInstallation, WritesFourDevicesOfWhichABackupSavesTwo)
{
    test::TempDir temp;
    ASSERT_EQ(0, RunDemo(L"--registry-only --data-dir " + Quoted(temp / L"Data")));

    struct {
        const wchar_t* key;
        DWORD type;
        int hidden;  // -1: no value
    } expected[] = {
        {L"TornikMC5_4102577", 1, -1},
        {L"Lumara3D_3309214", 2, 0},
        {L"LumaraService_3309215", 2, 1},
        {L"TornikSimulator_0000001", 4, -1},
    };
    std::vector<CString> saved;
    for (const auto& e : expected) {
        SCOPED_TRACE(e.key);
        ReadKey device(HKEY_LOCAL_MACHINE, CString(kDevices) + e.key);
        ASSERT_TRUE(device.IsOpen());
        RegValue description = device.Value(L"Description");
        RegValue serial = device.Value(L"SerialNumber");
        RegValue type = device.Value(L"Type");
        RegValue hidden = device.Value(L"Hidden");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), description.type);
        EXPECT_FALSE(description.String().IsEmpty());
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), serial.type);
        EXPECT_NE(0u, serial.Dword());
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type.type);
        EXPECT_EQ(e.type, type.Dword());
        EXPECT_EQ(e.hidden >= 0, hidden.exists);
        if (hidden.exists) {
            EXPECT_EQ(static_cast<DWORD>(REG_DWORD), hidden.type);
            EXPECT_EQ(static_cast<DWORD>(e.hidden), hidden.Dword());
        }
        // The calibration a backup of the device carries.
        ReadKey calibration(HKEY_LOCAL_MACHINE, CString(kDevices) + e.key + L"\\Calibration");
        EXPECT_EQ(96u, calibration.Value(L"Matrix").data.size());
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), calibration.Value(L"Matrix").type);

        if (hidden.Dword() == 0 && serial.Dword() != 0 && type.Dword() != 4)
            saved.push_back(description.String() + L" " + CString(std::to_wstring(serial.Dword())));
    }
    ASSERT_EQ(2u, saved.size());
    EXPECT_EQ(CString(L"Tornik MC 5 4102577"), saved[0]);
    EXPECT_EQ(CString(L"Lumara 3D 3309214"), saved[1]);
}

TEST(MakeDemoInstallation, PatientTreeHasTheLayoutABackupReads)
{
    test::TempDir temp;
    CString dataDir = temp / L"Data";
    const int fileSize = 65536;
    ASSERT_EQ(0, RunDemo(L"--patients 6 --cases 3 --file-size 64K --seed 11 --data-dir " + Quoted(dataDir)));

    std::vector<CString> patients = Children(dataDir, true);
    ASSERT_EQ(6u, patients.size());
    EXPECT_TRUE(Children(dataDir, false).empty());
    int tiffs = 0, ignored = 0;
    for (const CString& patient : patients) {
        SCOPED_TRACE(patient.GetString());
        // Surname_Firstname_yyyy-mm-dd
        int first = patient.Find(L'_');
        int last = patient.ReverseFind(L'_');
        ASSERT_GT(first, 0);
        ASSERT_GT(last, first + 1);
        EXPECT_TRUE(IsDate(patient.Mid(last + 1)));

        CString patientDir = dataDir + L"\\" + patient;
        EXPECT_TRUE(Children(patientDir, false).empty());
        CString thumbnailDir = patientDir + L"\\Thumbnail";
        ASSERT_TRUE(test::DirExists(thumbnailDir));
        EXPECT_NE(0u, GetFileAttributesW(thumbnailDir) & FILE_ATTRIBUTE_HIDDEN);
        std::vector<unsigned char> jpeg = test::ReadBytes(thumbnailDir + L"\\Thumbnail.jpg");
        ASSERT_GE(jpeg.size(), 4096u);
        EXPECT_EQ(0xFF, jpeg[0]);
        EXPECT_EQ(0xD8, jpeg[1]);
        EXPECT_EQ(0xFF, jpeg[jpeg.size() - 2]);
        EXPECT_EQ(0xD9, jpeg[jpeg.size() - 1]);

        std::vector<CString> cases = Children(patientDir, true);
        ASSERT_GE(cases.size(), 2u);
        ASSERT_LE(cases.size(), 4u);
        for (const CString& caseName : cases) {
            if (caseName == L"Thumbnail")
                continue;
            SCOPED_TRACE(caseName.GetString());
            EXPECT_TRUE(IsDate(caseName.Left(10)));
            CString caseDir = patientDir + L"\\" + caseName;
            EXPECT_TRUE(Children(caseDir, true).empty());
            std::map<CString, int> byExtension;
            for (const CString& file : Children(caseDir, false)) {
                CString ext = Extension(file);
                ++byExtension[ext];
                std::vector<unsigned char> bytes = test::ReadBytes(caseDir + L"\\" + file);
                if (ext == L".sdt") {
                    EXPECT_GE(bytes.size(), static_cast<size_t>(fileSize * 2 / 5));
                    EXPECT_LE(bytes.size(), static_cast<size_t>(fileSize));
                    ASSERT_GE(bytes.size(), 13u);
                    EXPECT_EQ(0, memcmp(bytes.data(), "TSRO SDT 3\r\n\x1A", 13));
                } else if (ext == L".tif") {
                    ++tiffs;
                    ASSERT_GE(bytes.size(), 4u);
                    EXPECT_EQ(0, memcmp(bytes.data(), "II*\0", 4));
                } else if (ext != L".dat" && ext != L".cdt") {
                    ++ignored;
                }
            }
            EXPECT_EQ(1, byExtension[L".dat"]);
            EXPECT_EQ(1, byExtension[L".cdt"]);
            EXPECT_GE(byExtension[L".sdt"], 1);
        }
    }
    EXPECT_GT(tiffs, 0);
    EXPECT_GT(ignored, 0);
}

TEST(MakeDemoInstallation, ManyPatientsGetDistinctNamesSomeNotAscii)
{
    test::TempDir temp;
    CString dataDir = temp / L"Data";
    ASSERT_EQ(0, RunDemo(L"--patients 60 --cases 1 --file-size 1024 --files-only --data-dir " + Quoted(dataDir)));
    std::vector<CString> patients = Children(dataDir, true);
    // Names equal but for case would have shared one directory.
    ASSERT_EQ(60u, patients.size());
    int nonAscii = 0;
    for (const CString& name : patients) {
        for (int i = 0; i < name.GetLength(); ++i) {
            if (name[i] > 0x7F) {
                ++nonAscii;
                break;
            }
        }
        EXPECT_EQ(2u, Children(dataDir + L"\\" + name, true).size()) << name.GetString();
    }
    EXPECT_GT(nonAscii, 0);
}

TEST(MakeDemoInstallation, SummaryLineCountsWhatIsOnDisk)
{
    test::TempDir temp;
    CString dataDir = temp / L"Praxis Weiß";
    CString output;
    ASSERT_EQ(0, RunDemoCaptured(L"--patients 4 --cases 2 --file-size 32768 --seed 3 --data-dir " + Quoted(dataDir),
                                 temp / L"out.txt", output));

    std::map<CString, Entry> tree = Snapshot(dataDir);
    size_t files = 0, cases = 0;
    unsigned long long bytes = 0;
    for (const auto& e : tree) {
        if (e.second.directory) {
            int depth = 0;
            for (int i = 0; i < e.first.GetLength(); ++i)
                depth += e.first[i] == L'\\';
            if (depth == 1 && e.first.Right(10) != L"\\Thumbnail")
                ++cases;
        } else {
            ++files;
            bytes += e.second.bytes.size();
        }
    }
    CString expected = CString(L"MakeDemoInstallation: 4 patients, ") + CString(std::to_wstring(cases)) + L" cases, " +
                       CString(std::to_wstring(files)) + L" files, " + CString(std::to_wstring(bytes)) + L" bytes in " +
                       dataDir + L", registry written\n";
    EXPECT_EQ(expected, output);
}

TEST(MakeDemoInstallation, SameSeedGivesIdenticalFilesAnotherSeedDiffers)
{
    test::TempDir temp;
    const CString options = L"--patients 5 --cases 3 --file-size 20000 --files-only ";
    ASSERT_EQ(0, RunDemo(options + L"--seed 42 --data-dir " + Quoted(temp / L"A")));
    ASSERT_EQ(0, RunDemo(options + L"--seed 42 --data-dir " + Quoted(temp / L"B")));
    ASSERT_EQ(0, RunDemo(options + L"--seed 43 --data-dir " + Quoted(temp / L"C")));

    std::map<CString, Entry> a = Snapshot(temp / L"A");
    std::map<CString, Entry> b = Snapshot(temp / L"B");
    std::map<CString, Entry> c = Snapshot(temp / L"C");
    ASSERT_GT(a.size(), 20u);
    EXPECT_TRUE(SameTree(a, b));
    EXPECT_FALSE(SameTree(a, c));
}

TEST(MakeDemoInstallation, RunningAgainRestoresChangedAndReadOnlyFiles)
{
    test::TempDir temp;
    const CString options = L"--patients 3 --cases 2 --file-size 16384 --seed 9 --files-only --data-dir ";
    ASSERT_EQ(0, RunDemo(options + Quoted(temp / L"Fresh")));
    ASSERT_EQ(0, RunDemo(options + Quoted(temp / L"Used")));
    std::map<CString, Entry> fresh = Snapshot(temp / L"Fresh");

    std::vector<CString> files;
    for (const auto& e : fresh) {
        if (!e.second.directory && Extension(e.first) != L".jpg")
            files.push_back(e.first);
    }
    ASSERT_GE(files.size(), 3u);
    CString used = temp / L"Used";
    test::WriteText(used + L"\\" + files[0], "changed by the user");
    ASSERT_TRUE(DeleteFileW(used + L"\\" + files[1]));
    ASSERT_TRUE(SetFileAttributesW(used + L"\\" + files[2], FILE_ATTRIBUTE_READONLY));

    ASSERT_EQ(0, RunDemo(options + Quoted(used)));
    EXPECT_TRUE(SameTree(fresh, Snapshot(used)));
}

TEST(MakeDemoInstallation, RegistryOnlyMakesNoFilesAndFilesOnlyKeepsTheDataPath)
{
    test::TempDir temp;
    CString registryDir = temp / L"RegistryOnly";
    ASSERT_EQ(0, RunDemo(L"--registry-only --data-dir " + Quoted(registryDir)));
    EXPECT_FALSE(test::DirExists(registryDir));
    EXPECT_EQ(registryDir, DataPath());

    CString filesDir = temp / L"FilesOnly";
    ASSERT_EQ(0, RunDemo(L"--files-only --patients 2 --file-size 2048 --data-dir " + Quoted(filesDir)));
    EXPECT_EQ(2u, Children(filesDir, true).size());
    EXPECT_EQ(registryDir, DataPath());

    // The tool runs in the test's current directory; a relative path must not
    // reach the registry as it was typed.
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    ASSERT_TRUE(SetCurrentDirectoryW(temp.Path()));
    int code = RunDemo(L"--registry-only --data-dir Sub\\..\\Rel\\");
    SetCurrentDirectoryW(cwd);
    ASSERT_EQ(0, code);
    EXPECT_EQ(temp / L"Rel", DataPath());
}

TEST(MakeDemoInstallation, BadCommandLinesFailWithoutTouchingAnything)
{
    test::TempDir temp;
    SetDataPath(L"X:\\Marker");
    const wchar_t* bad[] = {
        L"--patients",          L"--patients abc",      L"--patients -1",   L"--patients 1000001", L"--patients 12x",
        L"--cases 0",           L"--cases 100",         L"--file-size 0",   L"--file-size 1023",   L"--file-size 10Q",
        L"--file-size 65G",     L"--seed -5",           L"--seed 0xZZ",     L"--bogus",            L"positional",
        L"--registry-only --files-only",                L"--data-dir=",     L"--seed 99999999999999999999",
    };
    for (const wchar_t* args : bad) {
        CString line = CString(args) + L" --data-dir " + Quoted(temp / L"Data");
        if (CString(args) == L"--patients" || CString(args) == L"--data-dir=")
            line = CString(L"--data-dir ") + Quoted(temp / L"Data") + L" " + args;
        EXPECT_EQ(2, RunDemo(line)) << line.GetString();
    }
    EXPECT_FALSE(test::DirExists(temp / L"Data"));

    // A data directory that cannot be made fails before the registry is written.
    test::WriteText(temp / L"file", "a file, not a directory");
    CString output;
    EXPECT_EQ(1, RunDemoCaptured(L"--patients 1 --data-dir " + Quoted(temp / L"file\\Data"), temp / L"out.txt", output));
    EXPECT_NE(-1, output.Find(L"cannot create directory")) << output.GetString();
    EXPECT_EQ(CString(L"X:\\Marker"), DataPath());
}

TEST(MakeDemoInstallation, HelpAndOptionSyntaxes)
{
    test::TempDir temp;
    CString output;
    EXPECT_EQ(0, RunDemoCaptured(L"--help", temp / L"out.txt", output));
    EXPECT_NE(-1, output.Find(L"--file-size"));
    EXPECT_NE(-1, output.Find(L"DataPath"));

    // "--name=value", hexadecimal seeds and size suffixes are the same options.
    ASSERT_EQ(0, RunDemo(L"--files-only --patients=2 --cases=2 --file-size=8K --seed=0x10 --data-dir=" + Quoted(temp / L"A")));
    ASSERT_EQ(0, RunDemo(L"--files-only --patients 2 --cases 2 --file-size 8192 --seed 16 --data-dir " + Quoted(temp / L"B")));
    std::map<CString, Entry> a = Snapshot(temp / L"A");
    EXPECT_EQ(2u, Children(temp / L"A", true).size());
    EXPECT_TRUE(SameTree(a, Snapshot(temp / L"B")));
}
