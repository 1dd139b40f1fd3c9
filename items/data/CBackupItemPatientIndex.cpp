#include "items/data/CBackupItemPatientIndex.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "framework/CArchive.h"
#include "framework/CAtomicFile.h"
#include "framework/CFile.h"
#include "framework/CMemFile.h"
#include "installation/CDirectory.h"
#include "items/ItemNames.h"
#include "items/data/ArchiveOverwrite.h"
#include "items/data/DataPath.h"

namespace {

const int kBufferSize = 4096;
const UINT kMemFileGrowth = 1024;

// Device names the system reserves in every directory, with or without an
// extension; the superscript digits count as digits there. The console's
// input and output buffers are opened by name too.
bool IsReservedDeviceName(const CString& strName)
{
    int dot = strName.Find(L'.');
    CString base = dot < 0 ? strName : strName.Left(dot);
    base.TrimRight();
    base.MakeUpper();
    if (base == L"CON" || base == L"PRN" || base == L"AUX" || base == L"NUL" || base == L"CONIN$" ||
        base == L"CONOUT$")
        return true;
    if (base.GetLength() != 4)
        return false;
    CString stem = base.Left(3);
    if (stem != L"COM" && stem != L"LPT")
        return false;
    wchar_t digit = base[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

} // namespace

CBackupItemPatientIndex::CBackupItemPatientIndex()
{
    SetName(kPatientIndexName);
}

CBackupItemPatientIndex::~CBackupItemPatientIndex() = default;

void CBackupItemPatientIndex::ListPatients(CStringArray& names)
{
    CDirectory::ListFiles(GetDataPath(), names, L"*.*", FILE_ATTRIBUTE_DIRECTORY);
}

void CBackupItemPatientIndex::BuildForBackup()
{
    m_nSize = 0;
    CStringArray names;
    ListPatients(names);
    if (names.IsEmpty()) {
        Enable(FALSE);
        return;
    }
    CMemFile file(kMemFileGrowth);
    CArchive ar(&file, CArchive::store, kBufferSize);
    names.Serialize(ar);
    ar.Close();
    m_nSize = static_cast<LONGLONG>(file.GetLength());
}

void CBackupItemPatientIndex::BuildForRestore(const CString& strPath)
{
    CString file = CDirectory::Concat(strPath, GetName());
    if (!CDirectory::FileExist(file, CString()))
        return;
    int slash = strPath.ReverseFind(L'\\');
    m_strBackupDir = slash < 0 ? CString() : strPath.Left(slash);
    m_nDiskNumber = ReadDiskNumber(m_strBackupDir);
    m_nSize = CDirectory::GetFileSize(file);
}

void CBackupItemPatientIndex::SelectModified()
{
    // Any new or changed patient may have changed the list.
    if (IsEnabled())
        SetCheck(Checked);
}

LONGLONG CBackupItemPatientIndex::CalculateSize()
{
    return GetCheck() != Unchecked ? m_nSize : 0;
}

void CBackupItemPatientIndex::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    if (GetCheck() == Unchecked || m_nBackupState != NotBackedUp)
        return;
    CString dir = CDirectory::Concat(strDstDir, GetName());
    CString path = CDirectory::Concat(dir, GetName());
    CStringArray names;
    ListPatients(names);
    CDirectory::Make(GetFullPath(dir));
    if (MayWriteArchive(path, pListener)) {
        if (!pListener->KeepRoomFor(path))
            AfxThrowFileException(CFileException::diskFull, ERROR_DISK_FULL, path);
        CAtomicFile file(path);
        CArchive ar(&file, CArchive::store, kBufferSize);
        names.Serialize(ar);
        ar.Close();
        const LONGLONG nBytes = static_cast<LONGLONG>(file.GetLength());
        pListener->ReportWritten(path, nBytes, file.Commit());
    }
    m_nBackupState = BackedUp;
    pListener->AddProgress(CalculateSize());
}

void CBackupItemPatientIndex::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    // A backup directory is known only once the index file was found in it.
    const BOOL bHere =
        GetCheck() != Unchecked && !m_strBackupDir.IsEmpty() && m_nDiskNumber == ReadDiskNumber(m_strBackupDir);
    const CString path = CDirectory::Concat(CDirectory::Concat(strSrcDir, GetName()), GetName());
    if (bHere && !IsDataPathWritable()) {
        // The patient directories would have nowhere to go.
        pListener->ReportFailure(ERunFailure::CopyFailed, path, ERROR_PATH_NOT_FOUND);
    } else if (bHere) {
        CString dataDir = GetDataPath();
        CFile file(path, CFile::modeRead);
        CArchive ar(&file, CArchive::load, kBufferSize);
        CStringArray names;
        names.Serialize(ar);
        for (INT_PTR i = 0; i < names.GetSize() && !pListener->IsCancelled(); ++i) {
            if (IsPlainDirectoryName(names[i]))
                CDirectory::Make(GetFullPath(CDirectory::Concat(dataDir, names[i])));
        }
        ar.Close();
        file.Close();
        pListener->ReportCopied(CalculateSize());
    }
    pListener->AddProgress(CalculateSize());
}

BOOL CBackupItemPatientIndex::IsPlainDirectoryName(const CString& strName)
{
    if (strName.IsEmpty() || strName == L"." || strName == L"..")
        return FALSE;
    // The system drops a trailing dot or blank, so such a name would not
    // create the directory it names.
    wchar_t last = strName[strName.GetLength() - 1];
    if (last == L'.' || last == L' ')
        return FALSE;
    for (int i = 0; i < strName.GetLength(); ++i) {
        wchar_t ch = strName[i];
        if (ch < 32 || wcschr(L"\\/:<>\"|?*", ch))
            return FALSE;
    }
    return IsReservedDeviceName(strName) ? FALSE : TRUE;
}
