#pragma once
// The top-level "Settings" item: the program's own settings keys of the user
// and the machine, kept in the archive Settings\Settings of a backup.

#include "items/registry/CBackupItemRegistry.h"

class CBackupItemRegistrySettings : public CBackupItemRegistry {
public:
    CBackupItemRegistrySettings();

    // Called on the user-interface thread. Collects the settings keys that
    // exist and may be changed; without any the item is disabled.
    void BuildForBackup() override;
    // strPath is the item's directory inside a backup.
    void BuildForRestore(const CString& strPath) override;
    LONGLONG CalculateSize() override;

    // Called on the worker thread of a run.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
};
