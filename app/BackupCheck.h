#pragma once
// The check of a whole backup against the checksum files its media carry,
// without the live data: medium after medium, each asked for in turn, every
// listed file read from the medium and hashed. Worker thread of a run.

#include "framework/CString.h"

#include <vector>

class IProgressListener;

class CBackupCheck {
public:
    // strBackupDir: the backup folder as it is named on disk.
    explicit CBackupCheck(const CString& strBackupDir) : m_strBackupDir(strBackupDir) {}

    // Checks disk 1 up to the last one, asking the listener for each medium
    // that is not in the drive. FALSE when the folder holds no valid
    // Backup.ini: it is no backup. A cancel, or a medium the user does not
    // bring, ends the check early (the listener is then cancelled).
    BOOL Run(IProgressListener* pListener);

    // What the check found, paths relative to the backup folder; on a backup
    // of several media each path begins with its disk ("disk 2: ...").
    const std::vector<CString>& GetDamaged() const { return m_damaged; }
    const std::vector<CString>& GetMissing() const { return m_missing; }
    const std::vector<CString>& GetUnlisted() const { return m_unlisted; }
    int GetWhole() const { return m_nWhole; }
    // Media of a backup written before checksums were kept.
    int GetMediaWithoutChecksums() const { return m_nWithoutChecksums; }

private:
    void Add(std::vector<CString>& list, const std::vector<CString>& paths, int nDisk, BOOL bSeveral);

    CString m_strBackupDir;
    std::vector<CString> m_damaged;
    std::vector<CString> m_missing;
    std::vector<CString> m_unlisted;
    int m_nWhole = 0;
    int m_nWithoutChecksums = 0;
};
