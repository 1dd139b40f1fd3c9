#pragma once
// Base of every node of the backup item tree. Each operation's default rule
// visits the children in index order; the concrete items override what
// touches data. A tree is released only by DeleteFromTree on its root.

#include "framework/CArray.h"
#include "items/CTreeItem.h"

class ITreeView;
class IProgressListener;

class CBackupItem : public CTreeItem {
public:
    // How far the current run has got with an item.
    enum : UINT { NotBackedUp = 0, BackedUp = 1, Verified = 2 };

    CBackupItem() = default;
    CBackupItem(const CBackupItem&) = delete;
    CBackupItem& operator=(const CBackupItem&) = delete;

    CString GetName() override;
    virtual ~CBackupItem();
    virtual void SetName(const CString& strName);
    virtual void InsertIntoTree(ITreeView* pTree, CBackupItem* pParent);
    virtual LONGLONG CalculateSize();
    virtual void BackupFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener);
    virtual void Backup(const CString& strDstDir, IProgressListener* pListener);
    virtual void RestoreFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener);
    virtual void Restore(const CString& strSrcDir, IProgressListener* pListener);
    // Deletes the subtree's nodes and objects; this object is gone afterwards.
    virtual void DeleteFromTree(ITreeView* pTree);
    virtual void BuildForBackup() = 0;
    virtual void BuildForRestore(const CString& strPath) = 0;
    virtual void SelectModified();
    virtual void VerifyFile(const CString& strSrcDir, const CString& strDstDir, IProgressListener* pListener);
    virtual void Verify(const CString& strDir, IProgressListener* pListener);
    virtual void DeleteRestorations(IProgressListener* pListener);
    virtual void SelectAll();
    virtual BOOL HasItemsOnDisk(UINT nDisk);
    virtual void OnCopyFailed(const CString& strSrc, const CString& strDst, IProgressListener* pListener);
    virtual BOOL IsTiffImage();
    virtual UINT GetDiskNumber();
    // The files a run over the selection would write: a selected leaf counts
    // one (an archive), a selected parent the sum of its children.
    virtual LONGLONG CountSelectedFiles();

    UINT GetBackupState() const { return m_nBackupState; }
    void SetBackupState(UINT nState) { m_nBackupState = nState; }
    LONGLONG GetSize() const { return m_nSize; }
    const CArray<CBackupItem*, CBackupItem*>& GetChildren() const { return m_arrChildren; }
    // Appends an owned child.
    void AddChild(CBackupItem* pChild) { m_arrChildren.Add(pChild); }

    // This item or a descendant has exactly this name (case-sensitive).
    BOOL ContainsItem(const CString& strName);
    // This item or a descendant has exactly this name and is selected.
    BOOL IsItemChecked(const CString& strName);
    // Bytes of the files under a directory that a patient data backup would copy.
    LONGLONG CalculateDirectorySize(const CString& strDir);
    // A file of this name adds its size to CalculateDirectorySize.
    static BOOL CountsInDirectorySize(const CString& strFile);

    // A backup directory's Backup.ini: the medium's number, and whether no
    // further medium follows. A missing file reads as 0 and FALSE.
    static UINT ReadDiskNumber(const CString& strBackupDir);
    static BOOL ReadBackupComplete(const CString& strBackupDir);

protected:
    CArray<CBackupItem*, CBackupItem*> m_arrChildren;
    LONGLONG m_nSize = 0;
    CString m_strName;
    UINT m_nBackupState = NotBackedUp;
    UINT m_nDiskNumber = 0;
    CString m_strBackupDir;
};
