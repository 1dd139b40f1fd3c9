#include "items/BackupMedia.h"

#include "installation/CDirectory.h"

namespace {

// The path without its last component; empty when it has no backslash.
CString CutLastComponent(const CString& strPath)
{
    int nSlash = strPath.ReverseFind(L'\\');
    return nSlash < 0 ? CString() : strPath.Left(nSlash);
}

} // namespace

int ReadBackupIniValue(const CString& strBackupDir, const wchar_t* pszKey)
{
    return static_cast<int>(::GetPrivateProfileIntW(kBackupIniSection, pszKey, 0,
                                                    CDirectory::Concat(strBackupDir, kBackupIniName)));
}

ULONGLONG GetFreeDiskSpace(const CString& strPath)
{
    CString strDir = strPath;
    while (!strDir.IsEmpty() && !CDirectory::Exist(strDir))
        strDir = CutLastComponent(strDir);
    ULARGE_INTEGER totalFree = {};
    if (!::GetDiskFreeSpaceExW(strDir, nullptr, nullptr, &totalFree))
        return 0;
    return totalFree.QuadPart;
}

BOOL CheckBackupPath(const CString& strPath)
{
    try {
        CString strDir = strPath;
        for (;;) {
            BOOL bExists = CDirectory::Exist(strDir);
            if (bExists)
                return bExists;
            if (strDir.IsEmpty())
                break;
            strDir = CutLastComponent(strDir);
        }
        if (!CDirectory::Make(strPath))
            return 0;
        CDirectory::Remove(strPath);
        return 1;
    } catch (CFileException* e) {
        e->Delete();
        return 0;
    }
}
