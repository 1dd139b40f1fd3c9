#include "items/CBackupItem.h"

#include "app/Globals.h"
#include "items/ITreeView.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/data/PatientDataFiles.h"

namespace {

CString BackupIniPath(const CString& strBackupDir)
{
    return CDirectory::Concat(strBackupDir, kBackupIniName);
}

} // namespace

CBackupItem::~CBackupItem() = default;

CString CBackupItem::GetName()
{
    return m_strName;
}

void CBackupItem::SetName(const CString& strName)
{
    m_strName = strName;
}

void CBackupItem::InsertIntoTree(ITreeView* pTree, CBackupItem* pParent)
{
    pTree->InsertItem(this, pParent);
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->InsertIntoTree(pTree, this);
    if (!pParent)
        pTree->Expand(GetTreeItem(), TVE_EXPAND);
    // A tree that is shown starts a new run.
    m_nBackupState = NotBackedUp;
}

LONGLONG CBackupItem::CalculateSize()
{
    LONGLONG nSize = 0;
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        nSize += m_arrChildren[i]->CalculateSize();
    m_nSize = nSize;
    return m_nSize;
}

void CBackupItem::BackupFile(const CString&, const CString&, IProgressListener*)
{
}

void CBackupItem::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    // An item done on an earlier medium is not copied again.
    if (GetCheck() == Unchecked || m_nBackupState != NotBackedUp)
        return;
    CString strTarget = CDirectory::Concat(strDstDir, GetName());
    CDirectory::Make(GetFullPath(strTarget));
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->Backup(strTarget, pListener);
    m_nBackupState = BackedUp;
}

void CBackupItem::RestoreFile(const CString&, const CString&, IProgressListener*)
{
}

void CBackupItem::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->Restore(strSrcDir, pListener);
}

void CBackupItem::DeleteFromTree(ITreeView* pTree)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->DeleteFromTree(pTree);
    if (GetTreeItem() && pTree)
        pTree->DeleteItem(GetTreeItem());
    delete this;
}

void CBackupItem::SelectModified()
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->SelectModified();
}

void CBackupItem::VerifyFile(const CString&, const CString&, IProgressListener*)
{
}

void CBackupItem::Verify(const CString& strDir, IProgressListener* pListener)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->Verify(strDir, pListener);
}

void CBackupItem::DeleteRestorations(IProgressListener* pListener)
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->DeleteRestorations(pListener);
}

void CBackupItem::SelectAll()
{
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->SelectAll();
    SetCheck(Checked);
}

BOOL CBackupItem::HasItemsOnDisk(UINT nDisk)
{
    BOOL bChildren = FALSE;
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (m_arrChildren[i]->HasItemsOnDisk(nDisk))
            bChildren = TRUE;
    }
    if (GetCheck() == Checked && m_nDiskNumber == nDisk)
        return TRUE;
    return bChildren;
}

void CBackupItem::OnCopyFailed(const CString&, const CString&, IProgressListener*)
{
}

BOOL CBackupItem::IsTiffImage()
{
    return FALSE;
}

UINT CBackupItem::GetDiskNumber()
{
    return m_nDiskNumber;
}

LONGLONG CBackupItem::CountSelectedFiles()
{
    if (GetCheck() == Unchecked)
        return 0;
    if (m_arrChildren.IsEmpty())
        return 1;
    LONGLONG nFiles = 0;
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        nFiles += m_arrChildren[i]->CountSelectedFiles();
    return nFiles;
}

BOOL CBackupItem::ContainsItem(const CString& strName)
{
    if (GetName() == strName)
        return TRUE;
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (m_arrChildren[i]->ContainsItem(strName))
            return TRUE;
    }
    return FALSE;
}

BOOL CBackupItem::IsItemChecked(const CString& strName)
{
    if (GetName() == strName && GetCheck() != Unchecked)
        return TRUE;
    BOOL bChecked = FALSE;
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (m_arrChildren[i]->IsItemChecked(strName))
            bChecked = TRUE;
    }
    return bChecked;
}

LONGLONG CBackupItem::CalculateDirectorySize(const CString& strDir)
{
    // One listing per directory: it names the subdirectories and carries the
    // files' sizes.
    std::vector<SDirEntry> entries;
    CDirectory::ListEntries(strDir, entries);
    LONGLONG nSize = 0;
    for (const SDirEntry& entry : entries) {
        if (!entry.IsDirectory() && CountsInDirectorySize(entry.strName))
            nSize += entry.nSize;
    }
    for (const SDirEntry& entry : entries) {
        if (entry.IsDirectory())
            nSize += CalculateDirectorySize(CDirectory::Concat(strDir, entry.strName));
    }
    return nSize;
}

BOOL CBackupItem::CountsInDirectorySize(const CString& strFile)
{
    return IsPatientDataFile(strFile) || (gBackupTiffImages && IsTiffFile(strFile));
}

UINT CBackupItem::ReadDiskNumber(const CString& strBackupDir)
{
    UINT nDisk = 0;
    if (CMediumInHand::Lookup(strBackupDir, nDisk))
        return nDisk;
    return ::GetPrivateProfileIntW(kBackupIniSection, kDiskNumberKey, 0, BackupIniPath(strBackupDir));
}

BOOL CBackupItem::ReadBackupComplete(const CString& strBackupDir)
{
    return ::GetPrivateProfileIntW(kBackupIniSection, kBackupCompleteKey, 0, BackupIniPath(strBackupDir)) != 0;
}
