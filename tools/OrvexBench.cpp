// OrvexBench: the engine-level figures of the benchmark (scripts/bench), on
// the engine alone, without windows. Each command prints one line of
// name=value pairs for the script to read.
//   tree [--tiff]                       builds the backup tree of the live data with its sizes
//   backup TARGET [--verify] [--tiff]   a backup run of the engine without windows
//   restore BACKUP DATADIR [--tiff]     restores the patient data of a backup into DATADIR
//   registry [--values N]               registry archive round trip of N values
//   disk-write FILE MIB | disk-read FILE   the disk's sequential speed
//   sha256 [MIB]                        the system's SHA-256 speed on MIB MiB in memory (default 1024)
// Without the TIFF option TIFF images are left out, as in the program.

#include "app/Globals.h"
#include "framework/CFile.h"
#include "framework/CSha256.h"
#include "framework/UniqueRegKey.h"
#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"
#include "items/CBackupItemRoot.h"
#include "items/ItemNames.h"
#include "items/data/CBackupItemFiles.h"
#include "items/registry/CBackupItemRegistry.h"
#include "tools/BenchDisk.h"
#include "tools/BenchListener.h"
#include "tools/BenchRegistryTree.h"
#include "tools/BenchTree.h"
#include "tools/BenchTimer.h"

#include <windows.h>

#include <psapi.h>

#include <cstdarg>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

void Print(const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    vprintf(pszFormat, args);
    va_end(args);
    printf("\n");
    fflush(stdout);
}

double Megabytes(SIZE_T nBytes)
{
    return static_cast<double>(nBytes) / (1024.0 * 1024.0);
}

PROCESS_MEMORY_COUNTERS MemoryCounters()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

bool HasFlag(int argc, wchar_t** argv, const wchar_t* pszFlag)
{
    for (int i = 2; i < argc; ++i) {
        if (wcscmp(argv[i], pszFlag) == 0)
            return true;
    }
    return false;
}

// The n-th argument after the command that is not an option.
std::wstring Argument(int argc, wchar_t** argv, int n)
{
    for (int i = 2; i < argc; ++i) {
        if (wcsncmp(argv[i], L"--", 2) == 0) {
            if (wcscmp(argv[i], L"--values") == 0)
                ++i;
            continue;
        }
        if (n-- == 0)
            return argv[i];
    }
    throw std::runtime_error("missing argument");
}

LONGLONG Sum(const std::vector<LONGLONG>& sizes)
{
    LONGLONG total = 0;
    for (LONGLONG size : sizes)
        total += size;
    return total;
}

// The installation's patient data directory setting, which the restore
// points elsewhere for its run.
class DataPathSetting {
public:
    DataPathSetting()
    {
        HKEY hKey = nullptr;
        const CString path = gRegistry.GetRegistryRoot() + L"Settings";
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_ALL_ACCESS, &hKey) != ERROR_SUCCESS)
            throw std::runtime_error("no installation settings key");
        m_key.Reset(hKey);
        wchar_t value[MAX_PATH] = {};
        DWORD size = sizeof value - sizeof(wchar_t);
        if (RegQueryValueExW(m_key.Get(), L"DataPath", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS)
            throw std::runtime_error("no DataPath setting");
        m_original = value;
    }
    ~DataPathSetting() { Set(m_original); }
    DataPathSetting(const DataPathSetting&) = delete;
    DataPathSetting& operator=(const DataPathSetting&) = delete;

    void Set(const std::wstring& value)
    {
        RegSetValueExW(m_key.Get(), L"DataPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    }

private:
    UniqueRegKey m_key;
    std::wstring m_original;
};

int Tree()
{
    const PROCESS_MEMORY_COUNTERS before = MemoryCounters();
    BenchTimer timer;
    CBackupItemRoot* pRoot = new CBackupItemRoot;
    pRoot->BuildForBackup();
    pRoot->SelectAll();
    const LONGLONG bytes = pRoot->CalculateSize();
    const double seconds = timer.Seconds();
    const PROCESS_MEMORY_COUNTERS after = MemoryCounters();
    const size_t files = CopiedFileSizes(pRoot).size();
    pRoot->DeleteFromTree(nullptr);
    Print("tree_seconds=%.3f files=%zu bytes=%lld start_working_set_mb=%.1f peak_working_set_mb=%.1f "
          "start_private_mb=%.1f peak_private_mb=%.1f",
          seconds, files, bytes, Megabytes(before.WorkingSetSize), Megabytes(after.PeakWorkingSetSize),
          Megabytes(before.PagefileUsage), Megabytes(after.PeakPagefileUsage));
    return 0;
}

int Backup(const std::wstring& target)
{
    BenchTimer buildTimer;
    CBackupItemRoot* pRoot = new CBackupItemRoot;
    pRoot->BuildForBackup();
    pRoot->SelectAll();
    const double buildSeconds = buildTimer.Seconds();
    const std::vector<LONGLONG> sizes = CopiedFileSizes(pRoot);
    BenchListener run;
    run.SetBackupDir(target.c_str());
    run.SetRoot(pRoot);
    BenchTimer timer;
    run.DoBackup(&run);
    const double seconds = timer.Seconds();
    pRoot->DeleteFromTree(nullptr);
    Print("build_seconds=%.3f backup_seconds=%.3f files=%zu bytes=%lld progress_calls=%lld messages=%lld outcome=%u",
          buildSeconds, seconds, sizes.size(), Sum(sizes), run.GetProgressCalls(), run.GetMessages(),
          run.GetOutcome());
    return run.GetOutcome() == 0 ? 0 : 1;
}

int Restore(const std::wstring& backupDir, const std::wstring& dataDir)
{
    DataPathSetting dataPath;
    dataPath.Set(dataDir);
    BenchTimer buildTimer;
    CBackupItemRoot* pRoot = new CBackupItemRoot;
    pRoot->BuildForRestore(backupDir.c_str());
    CBackupItem* pIndex = FindChild(pRoot, kPatientDataIndexName);
    if (!pIndex) {
        pRoot->DeleteFromTree(nullptr);
        throw std::runtime_error("the backup holds no patient data");
    }
    // Only the patient data: the settings would point the data path back.
    pIndex->SelectAll();
    const double buildSeconds = buildTimer.Seconds();
    const std::vector<LONGLONG> sizes = CopiedFileSizes(pRoot);
    BenchListener run;
    run.SetBackupDir(backupDir.c_str());
    run.SetRoot(pRoot);
    BenchTimer timer;
    run.DoRestore(&run);
    const double seconds = timer.Seconds();
    pRoot->DeleteFromTree(nullptr);
    Print("restore_build_seconds=%.3f restore_seconds=%.3f files=%zu bytes=%lld progress_calls=%lld outcome=%u",
          buildSeconds, seconds, sizes.size(), Sum(sizes), run.GetProgressCalls(), run.GetOutcome());
    return run.GetOutcome() == 0 ? 0 : 1;
}

int Registry(int nValues)
{
    BenchRegistryTree tree(gRegistry.GetRegistryRoot().GetString() + std::wstring(L"Benchmark"), nValues);
    tree.Create();
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring archive = std::wstring(temp) + L"OrvexBench registry archive";

    CBackupItemRegistry item(HKEY_CURRENT_USER, tree.GetPath().c_str(), L"Benchmark");
    BenchTimer exportTimer;
    ULONGLONG archiveBytes = 0;
    {
        CFile file(archive.c_str(), CFile::modeCreate | CFile::modeWrite);
        item.WriteRegistry(&file);
        archiveBytes = file.GetLength();
        file.Close();
    }
    const double exportSeconds = exportTimer.Seconds();

    tree.Delete();
    BenchTimer importTimer;
    {
        CFile file(archive.c_str(), CFile::modeRead);
        item.ReadRegistry(&file);
        file.Close();
    }
    const double importSeconds = importTimer.Seconds();
    const int intact = tree.CountIntact();
    tree.Delete();
    DeleteFileW(archive.c_str());
    Print("registry_values=%d export_seconds=%.3f import_seconds=%.3f archive_bytes=%llu intact=%d", nValues,
          exportSeconds, importSeconds, archiveBytes, intact);
    return intact == nValues ? 0 : 1;
}

// Hashes in 1 MiB blocks, as a copy hands them over, from memory, so the
// figure is the hashing alone: the most a hashing copy can reach.
int Sha256(int nMegabytes)
{
    std::vector<BYTE> block(1024 * 1024);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<BYTE>(i * 131 + (i >> 12));
    BenchTimer timer;
    CSha256 hash;
    for (int i = 0; i < nMegabytes; ++i)
        hash.Update(block.data(), block.size());
    hash.Finish();
    const double seconds = timer.Seconds();
    Print("sha256_seconds=%.3f megabytes=%d sha256_mb_per_s=%.1f", seconds, nMegabytes,
          seconds > 0 ? nMegabytes / seconds : 0.0);
    return 0;
}

int Usage()
{
    fprintf(stderr, "usage: OrvexBench tree|backup TARGET|restore BACKUP DATADIR|registry [--values N]|"
                    "disk-write FILE MIB|disk-read FILE|sha256 [MIB]  [--verify] [--tiff]\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring command = argv[1];
    gBackupTiffImages = HasFlag(argc, argv, L"--tiff");
    gVerifyAfterBackup = HasFlag(argc, argv, L"--verify");
    // Nothing may wait for an answer: a full medium ends the run.
    gAutomatedMode = TRUE;
    try {
        if (command == L"tree")
            return Tree();
        if (command == L"backup")
            return Backup(Argument(argc, argv, 0));
        if (command == L"restore")
            return Restore(Argument(argc, argv, 0), Argument(argc, argv, 1));
        if (command == L"registry") {
            int values = 10000;
            for (int i = 2; i + 1 < argc; ++i) {
                if (wcscmp(argv[i], L"--values") == 0)
                    values = _wtoi(argv[i + 1]);
            }
            return Registry(values);
        }
        if (command == L"disk-write") {
            const double seconds = BenchDisk::Write(Argument(argc, argv, 0), _wtoi(Argument(argc, argv, 1).c_str()));
            Print("write_seconds=%.3f megabytes=%d", seconds, _wtoi(Argument(argc, argv, 1).c_str()));
            return 0;
        }
        if (command == L"disk-read") {
            ULONGLONG bytes = 0;
            const double seconds = BenchDisk::Read(Argument(argc, argv, 0), bytes);
            Print("read_seconds=%.3f megabytes=%.0f", seconds, static_cast<double>(bytes) / (1024.0 * 1024.0));
            return 0;
        }
        if (command == L"sha256") {
            const int megabytes = argc > 2 ? _wtoi(argv[2]) : 1024;
            return megabytes > 0 ? Sha256(megabytes) : Usage();
        }
    } catch (const std::exception& e) {
        fprintf(stderr, "OrvexBench: %s\n", e.what());
        return 1;
    } catch (CException* e) {
        fprintf(stderr, "OrvexBench: the run ended with an exception\n");
        e->Delete();
        return 1;
    }
    return Usage();
}
