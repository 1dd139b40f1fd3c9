#include "app/BackupCheck.h"

#include "app/BackupMedium.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/ChecksumCheck.h"
#include "items/ChecksumFile.h"

BOOL CBackupCheck::Run(IProgressListener* pListener)
{
    const CString strIni = CDirectory::Concat(m_strBackupDir, kBackupIniName);
    SBackupIniState state;
    if (!CBackupMedium::ReadState(strIni, state) || state.nDisk < 1 || state.nDisk > kMaxDiskNumber)
        return FALSE;
    const BOOL bSeveral = state.nDisk > 1 || (!state.nComplete && !state.bCancelled);
    for (int nDisk = 1; nDisk <= kMaxDiskNumber; ++nDisk) {
        // The wrong medium brings the question back; a medium not brought ends the check.
        while (!CBackupMedium::ReadState(strIni, state) || state.nDisk != nDisk) {
            if (pListener->IsCancelled() || !pListener->AskForDisk(static_cast<UINT>(nDisk))) {
                pListener->Cancel();
                return TRUE;
            }
        }
        const SMediumCheck check = CheckMedium(m_strBackupDir, pListener);
        if (check.eOutcome == EMediumCheck::NoChecksums)
            ++m_nWithoutChecksums;
        m_nWhole += check.nWhole;
        Add(m_damaged, check.damaged, nDisk, bSeveral);
        // A line of the checksum file that cannot be taken vouches for nothing.
        std::vector<CString> lines;
        for (int nLine : check.damagedLines) {
            CString strLine;
            strLine.Format(L"%s, line %d", kChecksumFileName, nLine);
            lines.push_back(strLine);
        }
        Add(m_damaged, lines, nDisk, bSeveral);
        Add(m_missing, check.missing, nDisk, bSeveral);
        Add(m_unlisted, check.unlisted, nDisk, bSeveral);
        if (check.eOutcome == EMediumCheck::Cancelled || state.nComplete || state.bCancelled)
            return TRUE;
    }
    return TRUE;
}

void CBackupCheck::Add(std::vector<CString>& list, const std::vector<CString>& paths, int nDisk, BOOL bSeveral)
{
    for (const CString& strPath : paths) {
        if (!bSeveral) {
            list.push_back(strPath);
            continue;
        }
        CString strOnDisk;
        strOnDisk.Format(L"disk %d: %s", nDisk, strPath.GetString());
        list.push_back(strOnDisk);
    }
}
