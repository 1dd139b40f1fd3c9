#include "app/Globals.h"

std::atomic<BOOL> gAutomatedMode{FALSE};
std::atomic<BOOL> gSelectModifiedOnly{FALSE};
std::atomic<BOOL> gDeleteRestorations{FALSE};
std::atomic<BOOL> gBackupTiffImages{FALSE};
std::atomic<BOOL> gVerifyAfterBackup{FALSE};
std::atomic<BOOL> gRememberChoice{FALSE};
std::atomic<BOOL> gOverwriteChoice{FALSE};
CString gTargetPath;
std::atomic<UINT> gUnattendedOutcome{0};

CString GetFullPath(const CString& strPath)
{
    wchar_t buf[MAX_PATH];
    DWORD n = ::GetFullPathNameW(strPath, MAX_PATH, buf, nullptr);
    if (n == 0 || n >= MAX_PATH)
        return strPath;
    return CString(buf, static_cast<int>(n));
}
