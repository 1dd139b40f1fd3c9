#include "items/data/CBackupItemPatientDataIndex.h"

#include "app/BackupException.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "items/ItemNames.h"
#include "items/data/CBackupItemPatientData.h"
#include "items/data/CFirstVerifyFailure.h"
#include "items/data/DataPath.h"

#include <vector>

CBackupItemPatientDataIndex::CBackupItemPatientDataIndex()
{
    SetName(kPatientDataIndexName);
}

CBackupItemPatientDataIndex::~CBackupItemPatientDataIndex() = default;

void CBackupItemPatientDataIndex::BuildForBackup()
{
    const CString dataDir = GetDataPath();
    std::vector<SDirEntry> patients;
    CDirectory::ListEntries(dataDir, patients);
    for (const SDirEntry& entry : patients) {
        if (!entry.IsDirectory())
            continue;
        // The walk that finds the patient's files also sizes its directory.
        CBackupItemPatientData* pPatient = new CBackupItemPatientData(entry.strName);
        if (pPatient->ScanForBackup(CDirectory::Concat(dataDir, entry.strName)) <= 0)
            pPatient->DeleteFromTree(nullptr);
        else
            AddChild(pPatient);
    }
    if (m_arrChildren.GetSize() == 0)
        Enable(FALSE);
}

void CBackupItemPatientDataIndex::BuildForRestore(const CString& strPath)
{
    std::vector<SDirEntry> patients;
    CDirectory::ListEntries(strPath, patients);
    for (const SDirEntry& entry : patients) {
        if (!entry.IsDirectory())
            continue;
        const CString& name = entry.strName;
        const CString patientDir = CDirectory::Concat(strPath, name);
        BOOL bKnown = FALSE;
        for (int j = 0; j < m_arrChildren.GetSize() && !bKnown; ++j)
            bKnown = m_arrChildren.GetAt(j)->GetName() == name;
        if (!bKnown) {
            CBackupItemPatientData* pPatient = new CBackupItemPatientData(name);
            if (pPatient->ScanForRestore(patientDir) <= 0)
                pPatient->DeleteFromTree(nullptr);
            else
                AddChild(pPatient);
            continue;
        }
        // A patient met on an earlier medium gains the files of this one.
        if (CalculateDirectorySize(patientDir) <= 0)
            continue;
        for (int j = 0; j < m_arrChildren.GetSize(); ++j) {
            CBackupItem* pChild = m_arrChildren.GetAt(j);
            if (pChild->GetName() == name)
                pChild->BuildForRestore(patientDir);
        }
    }
    Enable(m_arrChildren.GetSize() > 0);
}

void CBackupItemPatientDataIndex::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked)
        return;
    const CString path = CDirectory::Concat(strSrcDir, GetName());
    for (int i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren.GetAt(i)->Restore(path, pListener);
}

void CBackupItemPatientDataIndex::Verify(const CString& strDir, IProgressListener* pListener)
{
    // As within a patient: the rest of this medium is compared while it is
    // still in the drive.
    CFirstVerifyFailure failures;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i)
        failures.Run([&] { m_arrChildren.GetAt(i)->Verify(strDir, pListener); });
    failures.Rethrow();
}
