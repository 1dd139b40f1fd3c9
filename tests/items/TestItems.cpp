#include "tests/items/TestItems.h"

#include "app/BackupException.h"
#include "installation/CDirectory.h"
#include "res/resource.h"
#include "tests/TestSupport.h"

namespace test {

void RootItem::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren[i]->Backup(strDstDir, pListener);
}

void RootItem::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    m_pEvents->push_back(L"restore from " + strSrcDir);
    for (INT_PTR i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren[i]->Restore(strSrcDir, pListener);
}

FileItem::FileItem(const CString& strSource, Events* pEvents)
    : PlainItem(L"", pEvents), m_strSource(strSource)
{
    SetName(strSource.Mid(strSource.ReverseFind(L'\\') + 1));
    CBackupItem::SetCheck(Checked);
}

void FileItem::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    if (GetBackupState() != NotBackedUp || m_bGaveUp || pListener->IsCancelled())
        return;
    CString strTarget = CDirectory::Concat(strDstDir, GetName());
    if (!::CopyFileW(m_strSource, strTarget, FALSE)) {
        DWORD nError = ::GetLastError();
        ::DeleteFileW(strTarget);
        if (nError != ERROR_DISK_FULL && nError != ERROR_HANDLE_DISK_FULL) {
            Note(L"failed");
            pListener->ReportFailure(ERunFailure::CopyFailed, m_strSource);
            return;
        }
        if (pListener->IsFreshMedium()) {
            Note(L"too large");
            m_bGaveUp = true;
            pListener->ReportFailure(ERunFailure::CopyFailed, m_strSource);
            return;
        }
        Note(L"full at");
        throw new CBackupException(6, CString());
    }
    if (m_bCorruptCopy) {
        std::vector<unsigned char> bytes = ReadBytes(strTarget);
        bytes[0] ^= 0xFF;
        WriteBytes(strTarget, bytes);
    }
    SetBackupState(BackedUp);
    pListener->AddProgress(CDirectory::GetFileSize(m_strSource));
    const std::vector<unsigned char> copy = ReadBytes(strTarget);
    pListener->ReportWritten(strTarget, static_cast<LONGLONG>(copy.size()), CSha256::Of(copy.data(), copy.size()));
    Note(L"copied");
    if (m_onCopied)
        m_onCopied();
}

void FileItem::Verify(const CString& strDir, IProgressListener*)
{
    if (GetBackupState() != BackedUp)
        return;
    int bEqual = 0;
    CDirectory::Compare(m_strSource, CDirectory::Concat(strDir, GetName()), &bEqual);
    SetBackupState(Verified);
    Note(bEqual ? L"verified" : L"differs");
    if (!bEqual)
        throw new CBackupException(1, StringOf(IDS_VERIFY_FAILED));
}

CString StringOf(UINT nId)
{
    CString s;
    s.LoadString(nId);
    return s;
}

} // namespace test
