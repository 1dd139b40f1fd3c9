#include "items/data/CBackupItemPatientDataIndex.h"

#include "app/BackupException.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "items/ItemNames.h"
#include "items/data/CBackupItemPatientData.h"
#include "items/data/DataPath.h"

#include <memory>

CBackupItemPatientDataIndex::CBackupItemPatientDataIndex()
{
    SetName(kPatientDataIndexName);
}

CBackupItemPatientDataIndex::~CBackupItemPatientDataIndex() = default;

void CBackupItemPatientDataIndex::BuildForBackup()
{
    const CString dataDir = GetDataPath();
    CStringArray patients;
    CDirectory::ListFiles(dataDir, patients, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    for (int i = 0; i < patients.GetSize(); ++i) {
        if (CalculateDirectorySize(CDirectory::Concat(dataDir, patients.GetAt(i))) <= 0)
            continue;
        CBackupItemPatientData* pPatient = new CBackupItemPatientData(patients.GetAt(i));
        pPatient->BuildForBackup();
        AddChild(pPatient);
    }
    if (m_arrChildren.GetSize() == 0)
        Enable(FALSE);
}

void CBackupItemPatientDataIndex::BuildForRestore(const CString& strPath)
{
    CStringArray patients;
    CDirectory::ListFiles(strPath, patients, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
    for (int i = 0; i < patients.GetSize(); ++i) {
        const CString& name = patients.GetAt(i);
        const CString patientDir = CDirectory::Concat(strPath, name);
        if (CalculateDirectorySize(patientDir) <= 0)
            continue;
        BOOL bKnown = FALSE;
        for (int j = 0; j < m_arrChildren.GetSize(); ++j) {
            CBackupItem* pChild = m_arrChildren.GetAt(j);
            if (pChild->GetName() == name) {
                pChild->BuildForRestore(patientDir);
                bKnown = TRUE;
            }
        }
        if (!bKnown) {
            CBackupItemPatientData* pPatient = new CBackupItemPatientData(name);
            AddChild(pPatient);
            pPatient->BuildForRestore(patientDir);
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
    std::unique_ptr<CBackupException> firstFailure;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        try {
            m_arrChildren.GetAt(i)->Verify(strDir, pListener);
        } catch (CBackupException* e) {
            if (firstFailure)
                e->Delete();
            else
                firstFailure.reset(e);
        }
    }
    if (firstFailure)
        throw firstFailure.release();
}
