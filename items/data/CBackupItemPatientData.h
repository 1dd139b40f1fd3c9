#pragma once
// One patient: the node the user checks. Its children are the files items of
// the files in its case directories (the subdirectories of its directory) that
// belong to a backup; files lying directly in the patient directory are not
// backed up. TIFF images are kept apart in their own size, because they count
// only while the TIFF option is on.

#include "items/CBackupItem.h"

class CBackupItemFiles;

class CBackupItemPatientData : public CBackupItem {
public:
    // strName: the patient's directory name.
    explicit CBackupItemPatientData(const CString& strName);
    ~CBackupItemPatientData() override;

    // 0 when unchecked; with TIFF images only while the TIFF option is on.
    LONGLONG CalculateSize() override;
    // strDstDir: "Patient Data Index" inside the backup directory.
    void Backup(const CString& strDstDir, IProgressListener* pListener) override;
    // strSrcDir: "Patient Data Index" inside the backup directory.
    void Restore(const CString& strSrcDir, IProgressListener* pListener) override;
    void BuildForBackup() override;
    // strPatientDir: the patient's directory in one medium's backup; called
    // once per medium, adding the files found there.
    void BuildForRestore(const CString& strPatientDir) override;
    // Checks the patient when one of its data files is new or modified.
    void SelectModified() override;
    // strDstDir: "Patient Data Index" inside the backup directory. Every file
    // is compared; the first failure is raised after the last one.
    void Verify(const CString& strDstDir, IProgressListener* pListener) override;
    // Deletes the case directories whose every entry is safely in this backup.
    void DeleteRestorations(IProgressListener* pListener) override;
    // Any of its files lies on that medium.
    BOOL HasItemsOnDisk(UINT nDisk) override;

    // BuildForBackup and BuildForRestore for the patient directory given, in
    // one walk that also returns the patient's CalculateDirectorySize, so a
    // caller that decides by that size need not list the directory again.
    LONGLONG ScanForBackup(const CString& strPatientDir);
    LONGLONG ScanForRestore(const CString& strPatientDir);

    LONGLONG GetTiffSize() const { return m_nTiffSize; }

private:
    CBackupItemFiles* GetFile(int nIndex) const;
    // Appends a files item for each backed-up file of each case directory of
    // strPatientDir, with the size the listing reports; for a restore also
    // with the medium the directory lies on, as BuildForRestore would give
    // it. Returns CalculateDirectorySize(strPatientDir).
    LONGLONG AddFiles(const CString& strPatientDir, BOOL bForRestore);
    // Sums the children's sizes into the two sizes.
    void SumSizes();
    // Whether the live case directory may go with the restoration data: every
    // entry in it is a file of this patient whose copy is safely in this backup.
    enum class ECaseVerdict { Deletable, KeptNotInBackup, KeptFailed };
    ECaseVerdict JudgeCaseDirectory(const CString& strPatientDir, const CString& strCase) const;

    LONGLONG m_nTiffSize = 0;
};
