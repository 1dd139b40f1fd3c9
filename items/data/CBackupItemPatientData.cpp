#include "items/data/CBackupItemPatientData.h"

#include "app/BackupException.h"
#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "items/data/CBackupItemFiles.h"
#include "items/data/CFirstVerifyFailure.h"
#include "items/data/DataPath.h"
#include "items/data/PatientDataFiles.h"

#include <vector>

namespace {

CString DirectoryOf(const CString& path)
{
    return path.Left(path.ReverseFind(L'\\'));
}

} // namespace

CBackupItemPatientData::CBackupItemPatientData(const CString& strName)
{
    m_strName = strName;
}

CBackupItemPatientData::~CBackupItemPatientData() = default;

CBackupItemFiles* CBackupItemPatientData::GetFile(int nIndex) const
{
    // A patient's children are files items only.
    return static_cast<CBackupItemFiles*>(m_arrChildren.GetAt(nIndex));
}

LONGLONG CBackupItemPatientData::CalculateSize()
{
    if (GetCheck() == Unchecked)
        return 0;
    return gBackupTiffImages ? m_nSize + m_nTiffSize : m_nSize;
}

LONGLONG CBackupItemPatientData::AddFiles(const CString& strPatientDir, BOOL bForRestore)
{
    // Every file of the patient directory lies on the medium of that
    // directory: its Backup.ini is read once for all of them.
    CString backupDir;
    UINT nDisk = 0;
    if (bForRestore) {
        backupDir = DirectoryOf(DirectoryOf(strPatientDir));
        nDisk = ReadDiskNumber(backupDir);
    }
    // One listing per directory gives the case directories, the files and
    // their sizes, for the items and for the directory size alike.
    std::vector<SDirEntry> entries;
    CDirectory::ListEntries(strPatientDir, entries);
    LONGLONG nDirectorySize = 0;
    for (const SDirEntry& entry : entries) {
        if (!entry.IsDirectory() && CountsInDirectorySize(entry.strName))
            nDirectorySize += entry.nSize;
    }
    for (const SDirEntry& caseEntry : entries) {
        if (!caseEntry.IsDirectory())
            continue;
        const CString caseDir = CDirectory::Concat(strPatientDir, caseEntry.strName);
        std::vector<SDirEntry> files;
        CDirectory::ListEntries(caseDir, files);
        for (const SDirEntry& file : files) {
            if (file.IsDirectory()) {
                nDirectorySize += CalculateDirectorySize(CDirectory::Concat(caseDir, file.strName));
                continue;
            }
            if (CountsInDirectorySize(file.strName))
                nDirectorySize += file.nSize;
            BOOL bTiff;
            if (IsPatientDataFile(file.strName))
                bTiff = FALSE;
            else if (IsTiffFile(file.strName))
                bTiff = TRUE;
            else
                continue;
            CBackupItemFiles* pFile = new CBackupItemFiles(caseDir, file.strName, bTiff);
            AddChild(pFile);
            if (bForRestore)
                pFile->SetRestoreSource(backupDir, nDisk, file.nSize);
            else
                pFile->SetSize(file.nSize);
        }
    }
    return nDirectorySize;
}

void CBackupItemPatientData::SumSizes()
{
    m_nSize = 0;
    m_nTiffSize = 0;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        CBackupItemFiles* pFile = GetFile(i);
        if (pFile->IsTiffImage())
            m_nTiffSize += pFile->CalculateSize();
        else
            m_nSize += pFile->CalculateSize();
    }
}

void CBackupItemPatientData::BuildForBackup()
{
    ScanForBackup(CDirectory::Concat(GetDataPath(), GetName()));
}

LONGLONG CBackupItemPatientData::ScanForBackup(const CString& strPatientDir)
{
    const LONGLONG nDirectorySize = AddFiles(strPatientDir, FALSE);
    SumSizes();
    return nDirectorySize;
}

void CBackupItemPatientData::BuildForRestore(const CString& strPatientDir)
{
    ScanForRestore(strPatientDir);
}

LONGLONG CBackupItemPatientData::ScanForRestore(const CString& strPatientDir)
{
    const LONGLONG nDirectorySize = AddFiles(strPatientDir, TRUE);
    SumSizes();
    return nDirectorySize;
}

void CBackupItemPatientData::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked)
        return;
    // Each files item creates its own directories and skips itself once done.
    const CString src = CDirectory::Concat(GetDataPath(), GetName());
    const CString dst = CDirectory::Concat(strDstDir, GetName());
    for (int i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren.GetAt(i)->BackupFile(src, dst, pListener);
    m_nBackupState = BackedUp;
}

void CBackupItemPatientData::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked)
        return;
    const CString src = CDirectory::Concat(strSrcDir, GetName());
    const CString dst = CDirectory::Concat(GetDataPath(), GetName());
    if (IsDataPathWritable())
        CDirectory::Make(GetFullPath(dst));
    for (int i = 0; i < m_arrChildren.GetSize() && !pListener->IsCancelled(); ++i)
        m_arrChildren.GetAt(i)->RestoreFile(src, dst, pListener);
}

void CBackupItemPatientData::Verify(const CString& strDstDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked)
        return;
    const CString src = CDirectory::Concat(GetDataPath(), GetName());
    const CString dst = CDirectory::Concat(strDstDir, GetName());
    // Stopping at the first difference would leave the rest of this medium
    // unverified, to be compared later against a medium that lacks them.
    CFirstVerifyFailure failures;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i)
        failures.Run([&] { m_arrChildren.GetAt(i)->VerifyFile(src, dst, pListener); });
    failures.Rethrow();
}

CBackupItemPatientData::ECaseVerdict CBackupItemPatientData::JudgeCaseDirectory(const CString& strPatientDir,
                                                                                 const CString& strCase) const
{
    for (int j = 0; j < m_arrChildren.GetSize(); ++j) {
        CBackupItemFiles* pFile = GetFile(j);
        if (pFile->GetCaseDirectory().CompareNoCase(strCase) == 0 && pFile->HasFailed())
            return ECaseVerdict::KeptFailed;
    }
    const CString caseDir = CDirectory::Concat(strPatientDir, strCase);
    CStringArray entries;
    // Nothing below a case directory's own files is ever backed up.
    if (CDirectory::ListFiles(caseDir, entries, L"*.*", FILE_ATTRIBUTE_DIRECTORY) > 0)
        return ECaseVerdict::KeptNotInBackup;
    CDirectory::ListFiles(caseDir, entries, L"*.*", ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    for (int i = 0; i < entries.GetSize(); ++i) {
        const CString name = CDirectory::Concat(strCase, entries.GetAt(i));
        BOOL bSafe = FALSE;
        for (int j = 0; j < m_arrChildren.GetSize() && !bSafe; ++j) {
            CBackupItemFiles* pFile = GetFile(j);
            bSafe = pFile->GetName().CompareNoCase(name) == 0 && pFile->IsSafelyBackedUp();
        }
        if (!bSafe)
            return ECaseVerdict::KeptNotInBackup;
    }
    return ECaseVerdict::Deletable;
}

void CBackupItemPatientData::DeleteRestorations(IProgressListener* pListener)
{
    if (GetCheck() == Unchecked)
        return;
    const CString patientDir = CDirectory::Concat(GetDataPath(), GetName());
    // Decided for every case directory before the first one goes.
    CStringArray judged;
    CStringArray deletable;
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        const CString caseName = GetFile(i)->GetCaseDirectory();
        BOOL bJudged = FALSE;
        for (int j = 0; j < judged.GetSize() && !bJudged; ++j)
            bJudged = judged.GetAt(j) == caseName;
        if (bJudged)
            continue;
        judged.Add(caseName);
        const ECaseVerdict verdict = JudgeCaseDirectory(patientDir, caseName);
        if (verdict == ECaseVerdict::Deletable)
            deletable.Add(caseName);
        else
            pListener->ReportCaseKept(CDirectory::Concat(patientDir, caseName), verdict == ECaseVerdict::KeptFailed
                                                                                     ? ECaseKept::FileFailed
                                                                                     : ECaseKept::NotInBackup);
    }
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        CBackupItemFiles* pFile = GetFile(i);
        BOOL bDeletable = FALSE;
        for (int j = 0; j < deletable.GetSize() && !bDeletable; ++j)
            bDeletable = deletable.GetAt(j) == pFile->GetCaseDirectory();
        if (bDeletable)
            pFile->DeleteRestoration(patientDir, pListener);
        else
            pListener->AddProgress(pFile->GetDeletionProgress());
    }
}

void CBackupItemPatientData::SelectModified()
{
    const CString patientDir = CDirectory::Concat(GetDataPath(), GetName());
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (GetFile(i)->SelectIfModified(patientDir))
            SetCheck(Checked);
    }
    if (GetCheck() != Unchecked) {
        for (int i = 0; i < m_arrChildren.GetSize(); ++i)
            m_arrChildren.GetAt(i)->SetCheck(Checked);
    }
}

BOOL CBackupItemPatientData::HasItemsOnDisk(UINT nDisk)
{
    for (int i = 0; i < m_arrChildren.GetSize(); ++i) {
        if (m_arrChildren.GetAt(i)->GetDiskNumber() == nDisk)
            return TRUE;
    }
    return FALSE;
}
