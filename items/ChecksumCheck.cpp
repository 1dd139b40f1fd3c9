#include "items/ChecksumCheck.h"

#include "app/IProgressListener.h"
#include "framework/CBlockHasher.h"
#include "framework/CHandle.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/ChecksumFile.h"

#include <set>

namespace {

enum class EFileState { Whole, Damaged, Missing, Cancelled };

// Reads the copy with unbuffered reads, so what is compared is what the
// medium holds, not what the system still caches of it.
EFileState CheckFile(const CString& strPath, const CSha256::Digest& expected, IProgressListener* pListener)
{
    CHandle file(::CreateFileW(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? EFileState::Missing
                                                                               : EFileState::Damaged;
    }
    CBlockHasher hasher;
    for (;;) {
        if (pListener->IsCancelled())
            return EFileState::Cancelled;
        // Unbuffered reads ask for whole aligned blocks; only the last comes back short.
        BYTE* pBlock = hasher.NextBuffer();
        DWORD nGot = 0;
        if (!::ReadFile(file.Get(), pBlock, CBlockHasher::kBlockBytes, &nGot, nullptr))
            return EFileState::Damaged;
        if (nGot == 0)
            break;
        hasher.Submit(nGot);
        pListener->AddProgress(nGot);
        if (nGot < CBlockHasher::kBlockBytes)
            break;
    }
    return hasher.Finish() == expected ? EFileState::Whole : EFileState::Damaged;
}

// Appends the files below strDir that are not in listed (upper-case paths:
// file names on Windows do not differ by case alone). Linked folders are not
// entered: they may lead off the medium or in a circle.
void FindUnlisted(const CString& strBackupDir, const CString& strRelativeDir, const std::set<CString>& listed,
                  std::vector<CString>& unlisted)
{
    std::vector<SDirEntry> entries;
    CDirectory::ListEntries(CDirectory::Concat(strBackupDir, strRelativeDir), entries);
    for (const SDirEntry& entry : entries) {
        const CString path = strRelativeDir.IsEmpty() ? entry.strName : strRelativeDir + L"\\" + entry.strName;
        if (entry.IsDirectory()) {
            if (!(entry.dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                FindUnlisted(strBackupDir, path, listed, unlisted);
            continue;
        }
        if (strRelativeDir.IsEmpty() && IsMediumBookkeeping(entry.strName))
            continue;
        CString key = path;
        if (!listed.count(key.MakeUpper()))
            unlisted.push_back(path);
    }
}

} // namespace

SMediumCheck CheckMedium(const CString& strBackupDir, IProgressListener* pListener)
{
    SMediumCheck result;
    SChecksumList list;
    if (!ReadChecksumFile(strBackupDir, list)) {
        result.eOutcome = EMediumCheck::NoChecksums;
        return result;
    }
    result.damagedLines = list.damagedLines;
    std::set<CString> listed;
    for (const SChecksumEntry& entry : list.entries) {
        switch (CheckFile(CDirectory::Concat(strBackupDir, entry.strPath), entry.digest, pListener)) {
        case EFileState::Whole:
            ++result.nWhole;
            break;
        case EFileState::Damaged:
            result.damaged.push_back(entry.strPath);
            break;
        case EFileState::Missing:
            result.missing.push_back(entry.strPath);
            break;
        case EFileState::Cancelled:
            result.eOutcome = EMediumCheck::Cancelled;
            return result;
        }
        CString key = entry.strPath;
        listed.insert(key.MakeUpper());
    }
    FindUnlisted(strBackupDir, CString(), listed, result.unlisted);
    return result;
}

LONGLONG ListedBytes(const CString& strBackupDir)
{
    SChecksumList list;
    try {
        if (!ReadChecksumFile(strBackupDir, list))
            return 0;
    } catch (CFileException* e) {
        e->Delete();
        return 0;
    }
    LONGLONG nBytes = 0;
    for (const SChecksumEntry& entry : list.entries)
        nBytes += CDirectory::GetFileSize(CDirectory::Concat(strBackupDir, entry.strPath));
    return nBytes;
}
