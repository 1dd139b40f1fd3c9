#include "items/data/HashedCopy.h"

#include "framework/CBlockHasher.h"
#include "framework/CHandle.h"

#include <cstring>
#include <vector>

namespace {

// The source's attributes a copy takes, as CopyFileW passes them on.
const DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// The target while it is written: unless Close succeeded, it is removed
// again when this goes away, however the copy ended.
class CTargetFile {
public:
    CTargetFile(const CString& strPath, HANDLE hFile) : m_strPath(strPath), m_hFile(hFile) {}
    ~CTargetFile()
    {
        if (m_bKept)
            return;
        if (m_hFile != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_hFile);
        // It was created with the source's attributes, and a read-only file cannot be deleted.
        ::SetFileAttributesW(m_strPath, FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(m_strPath);
    }
    CTargetFile(const CTargetFile&) = delete;
    CTargetFile& operator=(const CTargetFile&) = delete;

    HANDLE Get() const { return m_hFile; }

    // Gives the open file the name strFinal, which must not exist (the handle
    // has DELETE access); from then on a failure removes it under that name,
    // which no file had before. FALSE with the last error.
    BOOL Rename(const CString& strFinal)
    {
        const DWORD nNameBytes = static_cast<DWORD>(strFinal.GetLength() * sizeof(wchar_t));
        std::vector<BYTE> buffer(sizeof(FILE_RENAME_INFO) + nNameBytes);
        auto* pInfo = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        pInfo->ReplaceIfExists = FALSE;
        pInfo->RootDirectory = nullptr;
        pInfo->FileNameLength = nNameBytes;
        memcpy(pInfo->FileName, strFinal.GetString(), nNameBytes);
        if (!::SetFileInformationByHandle(m_hFile, FileRenameInfo, pInfo, static_cast<DWORD>(buffer.size())))
            return FALSE;
        m_strPath = strFinal;
        return TRUE;
    }

    // Closes the whole file; FALSE (with the last error) when the system
    // reports a late write failure, and the file is then removed.
    BOOL Close()
    {
        HANDLE hFile = m_hFile;
        m_hFile = INVALID_HANDLE_VALUE;
        m_bKept = ::CloseHandle(hFile);
        return m_bKept;
    }

private:
    CString m_strPath;
    HANDLE m_hFile;
    BOOL m_bKept = FALSE;
};

// Fills the buffer as far as the file goes; FALSE with the last error set.
BOOL ReadBlock(HANDLE hFile, BYTE* pBuffer, DWORD nCount, DWORD& nGot)
{
    nGot = 0;
    while (nGot < nCount) {
        DWORD n = 0;
        if (!::ReadFile(hFile, pBuffer + nGot, nCount - nGot, &n, nullptr))
            return FALSE;
        if (n == 0)
            break;
        nGot += n;
    }
    return TRUE;
}

// Reads, hands to the hasher and writes block after block; FALSE with the
// last error set.
BOOL CopyBlocks(HANDLE hSrc, HANDLE hDst, CBlockHasher& hasher, const HashedCopyProgress& progress)
{
    for (;;) {
        BYTE* pBlock = hasher.NextBuffer();
        DWORD nGot = 0;
        if (!ReadBlock(hSrc, pBlock, CBlockHasher::kBlockBytes, nGot))
            return FALSE;
        if (nGot == 0)
            return TRUE;
        hasher.Submit(nGot);
        DWORD nWritten = 0;
        if (!::WriteFile(hDst, pBlock, nGot, &nWritten, nullptr))
            return FALSE;
        // Some devices report success for a partial write when the medium is full.
        if (nWritten != nGot) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        if (progress && !progress(nGot)) {
            ::SetLastError(ERROR_REQUEST_ABORTED);
            return FALSE;
        }
        // A short block is the end of the file; no need to ask again.
        if (nGot < CBlockHasher::kBlockBytes)
            return TRUE;
    }
}

// What a copy does beyond the bytes.
struct SCopyPlan {
    BOOL bFailIfExists = FALSE;
    // Mark the source as saved through the handle that read it.
    BOOL bMarkSource = FALSE;
    // Refuse a copy with another digest, before it takes its final name.
    const CSha256::Digest* pExpected = nullptr;
    // Written under the target's name, the copy takes this one while open.
    const CString* pFinalName = nullptr;
    DWORD nAttributesCleared = 0;
};

struct SCopyEnd {
    DWORD error = ERROR_SUCCESS;
    BOOL bRefused = FALSE;
    BOOL bSourceMarked = FALSE;
};

// Shared as CopyFileW shares it: no one may be writing the source. To mark
// it, the handle also asks to change its attributes; a source the user may
// read but not change (a read-only share; under Wine a file without write
// permission) is copied all the same, and not marked through the handle.
HANDLE OpenSource(const CString& strSrc, BOOL bMark, BOOL& bCanMark)
{
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    bCanMark = FALSE;
    if (bMark) {
        HANDLE h = ::CreateFileW(strSrc, GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            bCanMark = TRUE;
            return h;
        }
        if (::GetLastError() != ERROR_ACCESS_DENIED)
            return INVALID_HANDLE_VALUE;
    }
    return ::CreateFileW(strSrc, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

SCopyEnd CopyHashed(const CString& strSrc, const CString& strDst, const SCopyPlan& plan, CSha256::Digest& digest,
                    const HashedCopyProgress& progress)
{
    SCopyEnd end;
    BOOL bCanMark = FALSE;
    CHandle src(OpenSource(strSrc, plan.bMarkSource, bCanMark));
    if (!src) {
        end.error = ::GetLastError();
        return end;
    }
    // Only the times and attributes: the whole handle information also looks
    // up the volume's serial number, a costly round trip per file under Wine.
    FILE_BASIC_INFO info = {};
    if (!::GetFileInformationByHandleEx(src.Get(), FileBasicInfo, &info, sizeof info)) {
        end.error = ::GetLastError();
        return end;
    }
    CBlockHasher hasher;

    // The copy is created with the source's attributes, as CopyFileW does:
    // a read-only copy is still writable through this handle.
    // An existing target makes CREATE_NEW fail with ERROR_FILE_EXISTS, as
    // CopyFileW does, and stays as it was.
    const DWORD attributes = info.FileAttributes & kCopiedAttributes & ~plan.nAttributesCleared;
    const DWORD access = plan.pFinalName ? GENERIC_WRITE | DELETE : GENERIC_WRITE;
    HANDLE hDst = ::CreateFileW(strDst, access, 0, nullptr, plan.bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                                attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hDst == INVALID_HANDLE_VALUE) {
        end.error = ::GetLastError();
        return end;
    }
    CTargetFile dst(strDst, hDst);
    if (!CopyBlocks(src.Get(), dst.Get(), hasher, progress)) {
        end.error = ::GetLastError();
        return end;
    }
    const CSha256::Digest copied = hasher.Finish();
    if (plan.pExpected && copied != *plan.pExpected) {
        end.bRefused = TRUE;
        return end;
    }
    // A rename counts as a change of the file, and may set its archive bit:
    // the attributes follow it.
    if (plan.pFinalName && !dst.Rename(*plan.pFinalName)) {
        end.error = ::GetLastError();
        return end;
    }
    // Set last, as every write moves the last-write time; and the attributes
    // once more, since the creation takes them only for a new file (Wine
    // leaves those of a file it overwrites).
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime = info.LastWriteTime;
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(dst.Get(), FileBasicInfo, &basic, sizeof basic) || !dst.Close()) {
        end.error = ::GetLastError();
        return end;
    }
    digest = copied;
    // Cleared attributes, the archive bit above all, mark the source as saved.
    if (bCanMark) {
        FILE_BASIC_INFO cleared = {};
        cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        end.bSourceMarked = ::SetFileInformationByHandle(src.Get(), FileBasicInfo, &cleared, sizeof cleared);
    }
    return end;
}

} // namespace

BOOL CopyFileHashed(const CString& strSrc, const CString& strDst, BOOL bFailIfExists, CSha256::Digest& digest,
                    const HashedCopyProgress& progress, BOOL* pbSourceMarked)
{
    SCopyPlan plan;
    plan.bFailIfExists = bFailIfExists;
    plan.bMarkSource = pbSourceMarked != nullptr;
    // Set only once every handle is closed and the hashing thread has ended,
    // so nothing of the clean-up can overwrite it.
    const SCopyEnd end = CopyHashed(strSrc, strDst, plan, digest, progress);
    if (pbSourceMarked)
        *pbSourceMarked = end.bSourceMarked;
    ::SetLastError(end.error);
    return end.error == ERROR_SUCCESS;
}

EHashedCopy CopyFileHashedInto(const CString& strSrc, const CString& strTemp, const CString& strDst,
                               CSha256::Digest& digest, const CSha256::Digest* pExpected,
                               const HashedCopyProgress& progress, DWORD nAttributesCleared)
{
    SCopyPlan plan;
    plan.bFailIfExists = TRUE;
    plan.pExpected = pExpected;
    plan.pFinalName = &strDst;
    plan.nAttributesCleared = nAttributesCleared;
    const SCopyEnd end = CopyHashed(strSrc, strTemp, plan, digest, progress);
    ::SetLastError(end.error);
    if (end.bRefused)
        return EHashedCopy::Refused;
    return end.error == ERROR_SUCCESS ? EHashedCopy::Copied : EHashedCopy::Failed;
}
