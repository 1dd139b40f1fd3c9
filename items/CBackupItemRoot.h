#pragma once
// Top node of every item tree. For a backup it creates the installation's four
// top-level items; for a restore it reads a backup medium by medium, asking
// for each further medium, and restores the items medium by medium.

#include "items/CBackupItem.h"

class CBackupItemRoot : public CBackupItem {
public:
    ~CBackupItemRoot() override;

    // User-interface thread.
    void BuildForBackup() override;
    // User-interface thread; prompts for each further medium.
    void BuildForRestore(const CString& strPath) override;
    // Worker thread.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    // Worker thread; prompts for each medium that holds selected items.
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;

    int GetDiskCount() const { return m_nDiskCount; }

private:
    // Creates the top-level item with this directory name.
    static CBackupItem* CreateItem(const wchar_t* pszName);

    int m_nDiskCount = 0;
};
