#include "tests/items/TestItems.h"

#include "app/BackupException.h"
#include "installation/CDirectory.h"
#include "res/resource.h"

namespace test {

PlainItem::PlainItem(const wchar_t* pszName, Events* pEvents, int* pDeleted)
    : m_pEvents(pEvents), m_pDeleted(pDeleted)
{
    SetName(pszName);
}

PlainItem::~PlainItem()
{
    if (m_pDeleted)
        ++*m_pDeleted;
}

void PlainItem::Note(const wchar_t* pszWhat)
{
    if (m_pEvents)
        m_pEvents->push_back(CString(pszWhat) + L" " + GetName());
}

void PlainItem::SetCheck(UINT nCheck)
{
    Note(L"check");
    CBackupItem::SetCheck(nCheck);
}

void PlainItem::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    Note(L"backup");
    CBackupItem::Backup(strDstDir, pListener);
}

void PlainItem::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    Note(L"restore");
    CBackupItem::Restore(strSrcDir, pListener);
}

void PlainItem::Verify(const CString& strDir, IProgressListener* pListener)
{
    Note(L"verify");
    CBackupItem::Verify(strDir, pListener);
}

void PlainItem::DeleteRestorations(IProgressListener* pListener)
{
    Note(L"delete");
    CBackupItem::DeleteRestorations(pListener);
}

void PlainItem::SelectModified()
{
    Note(L"modified");
    CBackupItem::SelectModified();
}

BOOL PlainItem::HasItemsOnDisk(UINT nDisk)
{
    Note(L"disk");
    return CBackupItem::HasItemsOnDisk(nDisk);
}

void RootItem::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren[i]->Backup(strDstDir, pListener);
}

void RootItem::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    if (m_pEvents)
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
    if (GetCheck() == Unchecked || GetBackupState() != NotBackedUp || m_bGaveUp || pListener->IsCancelled())
        return;
    CString strTarget = CDirectory::Concat(strDstDir, GetName());
    if (m_onCopying)
        m_onCopying();
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
        HANDLE h = ::CreateFileW(strTarget, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        unsigned char b = 0;
        DWORD n = 0;
        ::ReadFile(h, &b, 1, &n, nullptr);
        b ^= 0xFF;
        ::SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        ::WriteFile(h, &b, 1, &n, nullptr);
        ::CloseHandle(h);
    }
    SetBackupState(BackedUp);
    pListener->AddProgress(CDirectory::GetFileSize(m_strSource));
    pListener->ReportCopied();
    Note(L"copied");
    if (m_onCopied)
        m_onCopied();
}

void FileItem::Verify(const CString& strDir, IProgressListener* pListener)
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

void FailingItem::Backup(const CString&, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked || GetBackupState() != NotBackedUp)
        return;
    SetBackupState(BackedUp);
    if (m_kind == ERunFailure::CopyFailed) {
        Note(L"failed");
        pListener->ReportFailure(m_kind, GetName());
    }
}

void FailingItem::Restore(const CString&, IProgressListener* pListener)
{
    Note(L"failed");
    pListener->ReportFailure(ERunFailure::CopyFailed, GetName());
}

void FailingItem::Verify(const CString&, IProgressListener* pListener)
{
    if (m_kind == ERunFailure::VerifyFailed && GetBackupState() == BackedUp) {
        SetBackupState(Verified);
        Note(L"unreadable");
        pListener->ReportFailure(m_kind, GetName());
    }
}

void RecordingRun::ShowError(UINT nId)
{
    CString s;
    s.Format(L"error %u", nId);
    m_pEvents->push_back(s);
}

void RecordingRun::SetProgressPos(int nPos)
{
    m_nPos = nPos;
    CString s;
    s.Format(L"pos %d", nPos);
    m_pEvents->push_back(s);
}

void RecordingRun::ShowInfo(UINT nId)
{
    CString s;
    s.Format(L"info %u", nId);
    m_pEvents->push_back(s);
}

CString StringOf(UINT nId)
{
    CString s;
    s.LoadString(nId);
    return s;
}

} // namespace test
