#pragma once
// "Patient Data Index": the branch of the item tree with one child per patient
// that has data worth a backup, and the directory of that name in a backup.

#include "items/CBackupItem.h"

class CBackupItemPatientDataIndex : public CBackupItem {
public:
    CBackupItemPatientDataIndex();
    ~CBackupItemPatientDataIndex() override;

    // strSrcDir: the backup directory.
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
    // One patient per directory of the data directory with data to save; the
    // branch is disabled when there is none.
    void BuildForBackup() override;
    // strPath: "Patient Data Index" of one medium's backup; called once per
    // medium, so a patient spread over several media stays one item.
    void BuildForRestore(const CString& strPath) override;
    // Every patient is compared; the first failure is raised after the last one.
    void Verify(const CString& strDir, IProgressListener* pListener) override;
};
