#pragma once
// Top node of every item tree. For a backup it creates the installation's four
// top-level items; for a restore it reads a backup medium by medium, asking
// for each further medium, and restores the items medium by medium.

#include "app/IProgressListener.h"
#include "items/CBackupItem.h"

class CBackupItemRoot : public CBackupItem {
public:
    ~CBackupItemRoot() override;

    // User-interface thread.
    void BuildForBackup() override;
    // User-interface thread; asks the disk prompt for each further medium.
    void BuildForRestore(const CString& strPath) override;
    // Worker thread.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    // Worker thread; asks the listener for each medium that holds selected items.
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;

    int GetDiskCount() const { return m_nDiskCount; }
    // Who BuildForRestore asks for a further medium; not owned. Without one
    // the tree holds what the medium in the drive holds.
    void SetDiskPrompt(IDiskPrompt* pPrompt) { m_pDiskPrompt = pPrompt; }

private:
    // Creates the top-level item with this directory name.
    static CBackupItem* CreateItem(const wchar_t* pszName);

    int m_nDiskCount = 0;
    IDiskPrompt* m_pDiskPrompt = nullptr;
};
