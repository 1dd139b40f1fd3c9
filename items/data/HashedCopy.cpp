#include "items/data/HashedCopy.h"

#include "framework/CBlockHasher.h"
#include "framework/CHandle.h"

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

// The copy; the Win32 error of the step that failed, or ERROR_SUCCESS.
DWORD CopyHashed(const CString& strSrc, const CString& strDst, BOOL bFailIfExists, CSha256::Digest& digest,
                 const HashedCopyProgress& progress)
{
    // Shared as CopyFileW shares it: no one may be writing the source.
    CHandle src(::CreateFileW(strSrc, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!src)
        return ::GetLastError();
    // Only the times and attributes: the whole handle information also looks
    // up the volume's serial number, a costly round trip per file under Wine.
    FILE_BASIC_INFO info = {};
    if (!::GetFileInformationByHandleEx(src.Get(), FileBasicInfo, &info, sizeof info))
        return ::GetLastError();
    CBlockHasher hasher;

    // The copy is created with the source's attributes, as CopyFileW does:
    // a read-only copy is still writable through this handle.
    // An existing target makes CREATE_NEW fail with ERROR_FILE_EXISTS, as
    // CopyFileW does, and stays as it was.
    const DWORD attributes = info.FileAttributes & kCopiedAttributes;
    HANDLE hDst = ::CreateFileW(strDst, GENERIC_WRITE, 0, nullptr, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                                attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hDst == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    CTargetFile dst(strDst, hDst);
    if (!CopyBlocks(src.Get(), dst.Get(), hasher, progress))
        return ::GetLastError();
    const CSha256::Digest copied = hasher.Finish();
    // Set last, as every write moves the last-write time; and the attributes
    // once more, since the creation takes them only for a new file (Wine
    // leaves those of a file it overwrites).
    FILE_BASIC_INFO basic = {};
    basic.LastWriteTime = info.LastWriteTime;
    basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(dst.Get(), FileBasicInfo, &basic, sizeof basic) || !dst.Close())
        return ::GetLastError();
    digest = copied;
    return ERROR_SUCCESS;
}

} // namespace

BOOL CopyFileHashed(const CString& strSrc, const CString& strDst, BOOL bFailIfExists, CSha256::Digest& digest,
                    const HashedCopyProgress& progress)
{
    // Set only once every handle is closed and the hashing thread has ended,
    // so nothing of the clean-up can overwrite it.
    const DWORD error = CopyHashed(strSrc, strDst, bFailIfExists, digest, progress);
    ::SetLastError(error);
    return error == ERROR_SUCCESS;
}
