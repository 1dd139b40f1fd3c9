#pragma once
// Helpers shared by the test programs: scratch directories on the real file
// system, whole-file reads and writes, and the paths of the built programs.

#include "framework/CString.h"

#include <ostream>
#include <string>
#include <vector>

// Lets GoogleTest print a CString as readable text in failure messages.
void PrintTo(const CString& s, std::ostream* os);

namespace test {

// A fresh, empty directory below the prefix's temporary folder; removed with
// everything in it when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const CString& Path() const { return m_path; }
    // Path of a name inside the directory (backslash-joined).
    CString operator/(const wchar_t* name) const;

private:
    CString m_path;
};

std::vector<unsigned char> ReadBytes(const CString& path);
std::string ReadText(const CString& path);
void WriteBytes(const CString& path, const std::vector<unsigned char>& bytes);
void WriteText(const CString& path, const std::string& text);
bool FileExists(const CString& path);
bool DirExists(const CString& path);
void RemoveTree(const CString& path);
// The names of the subdirectories of a directory, sorted.
std::vector<CString> SubDirectories(const CString& dir);

// Deletes at the end the first key of the path that did not exist at the
// start, with all below it.
class UndoCreation {
public:
    UndoCreation(HKEY hRoot, const CString& strPath);
    ~UndoCreation();
    UndoCreation(const UndoCreation&) = delete;
    UndoCreation& operator=(const UndoCreation&) = delete;

private:
    HKEY m_hRoot;
    CString m_missing;
};

// Moves a registry key aside, into a stash outside Software\Tessaro (so that
// it may be all of it), and puts it back at the end with nothing else left at
// its place, nor on the way to it: the test may write there freely.
class StashedKey {
public:
    StashedKey(HKEY hRoot, const CString& strPath);
    ~StashedKey();
    StashedKey(const StashedKey&) = delete;
    StashedKey& operator=(const StashedKey&) = delete;

private:
    UndoCreation m_undo;
    HKEY m_hRoot;
    CString m_path;
    CString m_stash;
    bool m_existed = false;
};

// The installation's settings key, whose DataPath names the patient data.
extern const wchar_t kSettingsKey[];
// Sets DataPath (in HKLM), creating the settings key where it is missing.
void SetDataPath(const CString& path);

// The build directory (where OrvexBackup.exe lies) and its programs.
CString BuildDir();
CString ProgramPath(const wchar_t* exeName);

// Runs a program with the given command line tail, waits up to timeoutMs, and
// returns its exit code (or -1 when it did not end in time; it is then killed).
int RunProgram(const CString& exe, const CString& args, DWORD timeoutMs = 60000);

// Runs a command of the Unix shell beside Wine in workDir and returns its exit
// status; -1 when there is no such shell (on Windows) or no answer in time.
int RunUnixShell(const CString& workDir, const CString& command, DWORD timeoutMs = 60000);

// Pumps this thread's messages for the given time, so that windows of this
// thread are created and painted while a test waits.
void PumpMessages(DWORD ms);

} // namespace test
