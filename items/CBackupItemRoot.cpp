#include "items/CBackupItemRoot.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "items/BackupMedia.h"
#include "items/ItemNames.h"
#include "items/data/CBackupItemCalibrations.h"
#include "items/data/CBackupItemPatientDataIndex.h"
#include "items/data/CBackupItemPatientIndex.h"
#include "items/data/DataPath.h"
#include "items/registry/CBackupItemRegistrySettings.h"
#include "res/resource.h"

#include <algorithm>

namespace {

// The top-level items in the order of the tree and of processing.
const wchar_t* const kTopLevelNames[] = {kSettingsName, kCalibrationsName, kPatientIndexName, kPatientDataIndexName};

} // namespace

CBackupItemRoot::~CBackupItemRoot() = default;

CBackupItem* CBackupItemRoot::CreateItem(const wchar_t* pszName)
{
    CString name = pszName;
    if (name == kSettingsName)
        return new CBackupItemRegistrySettings();
    if (name == kCalibrationsName)
        return new CBackupItemCalibrations();
    if (name == kPatientIndexName)
        return new CBackupItemPatientIndex();
    return new CBackupItemPatientDataIndex();
}

void CBackupItemRoot::BuildForBackup()
{
    CString name;
    name.LoadString(IDS_ORVEX);
    SetName(name);
    for (const wchar_t* pszName : kTopLevelNames)
        AddChild(CreateItem(pszName));
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->BuildForBackup();
}

void CBackupItemRoot::BuildForRestore(const CString& strPath)
{
    SetName(CDirectory::CreateFileNameForDisplay(strPath.Mid(strPath.ReverseFind(L'\\') + 1)));
    UINT disk = 1;
    for (;;) {
        for (const wchar_t* pszName : kTopLevelNames) {
            if (CDirectory::Exist(CDirectory::Concat(strPath, pszName)) && !ContainsItem(pszName))
                AddChild(CreateItem(pszName));
        }
        for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
            m_arrChildren[i]->BuildForRestore(CDirectory::Concat(strPath, m_arrChildren[i]->GetName()));

        // A cancelled run wrote no further medium, whatever BackupComplete says.
        BOOL complete = ReadBackupComplete(strPath) || ReadBackupIniValue(strPath, kCancelledKey) != 0;
        ++disk;
        if (ReadDiskNumber(strPath) != disk) {
            while (!complete) {
                if (!m_pDiskPrompt || !m_pDiskPrompt->AskForDisk(disk))
                    complete = TRUE;
                if (ReadDiskNumber(strPath) == disk)
                    break;
            }
        }
        if (complete)
            break;
    }
    // A number beyond any backup's media bounds no disk loop: such a medium
    // counts as none.
    const int nLast = static_cast<int>(ReadDiskNumber(strPath));
    m_nDiskCount = nLast <= kMaxDiskNumber ? std::max(nLast, 0) : 0;
}

void CBackupItemRoot::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    // Patient data that cannot be found cannot be saved: the run says so
    // instead of ending as if there were none.
    const CString strDataPath = GetDataPath();
    if (!CDirectory::Exist(strDataPath))
        pListener->ReportFailure(ERunFailure::DataPathMissing, strDataPath);
    CDirectory::Make(GetFullPath(strDstDir));
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (pListener->IsCancelled())
            return;
        m_arrChildren[i]->Backup(strDstDir, pListener);
    }
}

void CBackupItemRoot::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    UINT disk = 1;
    for (;;) {
        BOOL finished = FALSE;
        if (!HasItemsOnDisk(disk)) {
            while (static_cast<int>(disk) <= m_nDiskCount) {
                ++disk;
                if (HasItemsOnDisk(disk))
                    break;
            }
        }
        // Once the run is cancelled no further medium is asked for.
        if (static_cast<int>(disk) > m_nDiskCount || pListener->IsCancelled())
            finished = TRUE;
        // The wrong medium brings the prompt back; Cancel abandons the restore.
        while (!finished && ReadDiskNumber(strSrcDir) != disk) {
            if (!pListener->AskForDisk(disk)) {
                pListener->Cancel();
                finished = TRUE;
            }
        }
        if (!finished) {
            pListener->BeginMedium(strSrcDir);
            const CMediumInHand inHand(strSrcDir, disk);
            for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
                m_arrChildren[i]->Restore(strSrcDir, pListener);
        }
        ++disk;
        if (finished)
            return;
    }
}
