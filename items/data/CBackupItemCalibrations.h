#pragma once
// The calibration data: a grouping item whose children are registry items,
// one for the camera's key and one per installed device, each kept in its own
// archive file in the item's directory of a backup.

#include "items/CBackupItem.h"

class CBackupItemCalibrations : public CBackupItem {
public:
    CBackupItemCalibrations();
    ~CBackupItemCalibrations() override;

    // Called on the user-interface thread. Without a camera or a device that
    // qualifies the item is disabled.
    void BuildForBackup() override;
    // strPath is the item's directory inside a backup: one child per archive file.
    void BuildForRestore(const CString& strPath) override;

    // Called on the worker thread of a run; the children judge their own
    // selection and medium.
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
};
