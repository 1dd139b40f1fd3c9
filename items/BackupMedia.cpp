#include "items/BackupMedia.h"

#include "installation/CDirectory.h"
#include "items/ChecksumFile.h"

#include <atomic>

namespace {

// The innermost medium in hand; seen by other threads, honoured only on its own.
std::atomic<CMediumInHand*> gpMediumInHand{nullptr};

CString WithoutTrailingBackslash(const CString& strPath)
{
    CString strResult = strPath;
    while (!strResult.IsEmpty() && strResult[strResult.GetLength() - 1] == L'\\')
        strResult = strResult.Left(strResult.GetLength() - 1);
    return strResult;
}

// The path without its last component; empty when it has no backslash.
CString CutLastComponent(const CString& strPath)
{
    int nSlash = strPath.ReverseFind(L'\\');
    return nSlash < 0 ? CString() : strPath.Left(nSlash);
}

CString NearestExistingAncestor(const CString& strPath)
{
    CString strDir = strPath;
    while (!strDir.IsEmpty() && !CDirectory::Exist(strDir))
        strDir = CutLastComponent(strDir);
    return strDir;
}

} // namespace

CMediumInHand::CMediumInHand(const CString& strBackupDir, UINT nDisk)
    : m_strBackupDir(WithoutTrailingBackslash(strBackupDir)), m_nDisk(nDisk), m_nThreadId(::GetCurrentThreadId()),
      m_pOuter(gpMediumInHand.load())
{
    gpMediumInHand = this;
}

CMediumInHand::~CMediumInHand()
{
    gpMediumInHand = m_pOuter;
}

BOOL CMediumInHand::Lookup(const CString& strBackupDir, UINT& nDisk)
{
    const CMediumInHand* pInHand = gpMediumInHand.load();
    if (!pInHand || pInHand->m_nThreadId != ::GetCurrentThreadId() ||
        WithoutTrailingBackslash(strBackupDir).CompareNoCase(pInHand->m_strBackupDir) != 0)
        return FALSE;
    nDisk = pInHand->m_nDisk;
    return TRUE;
}

int ReadBackupIniValue(const CString& strBackupDir, const wchar_t* pszKey)
{
    return static_cast<int>(::GetPrivateProfileIntW(kBackupIniSection, pszKey, 0,
                                                    CDirectory::Concat(strBackupDir, kBackupIniName)));
}

BOOL IsMediumBookkeeping(const CString& strName)
{
    const CString prefix = kReportFilePrefix;
    return strName.CompareNoCase(kBackupIniName) == 0 || strName.CompareNoCase(kChecksumFileName) == 0 ||
           strName.CompareNoCase(kReserveFileName) == 0 ||
           (strName.Left(prefix.GetLength()).CompareNoCase(prefix) == 0 && strName.Right(4).CompareNoCase(L".txt") == 0);
}

ULONGLONG GetFreeDiskSpace(const CString& strPath)
{
    ULARGE_INTEGER totalFree = {};
    if (!::GetDiskFreeSpaceExW(NearestExistingAncestor(strPath), nullptr, nullptr, &totalFree))
        return 0;
    return totalFree.QuadPart;
}

ULONGLONG GetMediumCapacity(const CString& strPath)
{
    ULARGE_INTEGER total = {};
    if (!::GetDiskFreeSpaceExW(NearestExistingAncestor(strPath), nullptr, &total, nullptr))
        return 0;
    return total.QuadPart;
}

UINT GetDriveTypeOfPath(const CString& strPath)
{
    CString rest = strPath;
    for (;;) {
        const int n = rest.ReverseFind(L'\\');
        if (n < 0)
            return DRIVE_UNKNOWN;
        const UINT type = ::GetDriveTypeW(rest.Left(n + 1));
        if (type != DRIVE_NO_ROOT_DIR)
            return type;
        rest = rest.Left(n);
    }
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
