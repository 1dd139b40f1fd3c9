#include "items/registry/CBackupItemRegistrySettings.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "framework/UniqueRegKey.h"
#include "installation/CDirectory.h"
#include "installation/COrvexRegistry.h"
#include "items/ItemNames.h"
#include "items/data/ArchiveOverwrite.h"

namespace {

const wchar_t kCadCamRoot[] = L"Software\\Tessaro\\CADCAM\\";

// A key counts when it exists and can be read: a backup needs no more
// rights than that, so a user without administrator rights saves the
// machine's settings too.
bool CanRead(HKEY hRoot, const CString& strPath)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, strPath, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(hKey);
    return true;
}

} // namespace

CBackupItemRegistrySettings::CBackupItemRegistrySettings()
{
    SetName(kSettingsName);
}

void CBackupItemRegistrySettings::BuildForBackup()
{
    m_nSize = 0;
    CString root = gRegistry.GetRegistryRoot();
    CString cadcam = kCadCamRoot;
    struct Probe {
        HKEY hRoot;
        CString strPath;
        BOOL bWithSubKeys;
    };
    const Probe probes[] = {
        {HKEY_CURRENT_USER, root, TRUE},
        {HKEY_LOCAL_MACHINE, root, TRUE},
        {HKEY_LOCAL_MACHINE, cadcam + L"Common\\", TRUE},
        // Only the milling unit's own values: its sub-keys belong to the devices.
        {HKEY_LOCAL_MACHINE, cadcam + L"Device\\Milling", FALSE},
        {HKEY_LOCAL_MACHINE, cadcam + L"Profil", TRUE},
    };
    bool found = false;
    for (const Probe& probe : probes) {
        if (!CanRead(probe.hRoot, probe.strPath))
            continue;
        AddHive(probe.hRoot, probe.strPath, probe.bWithSubKeys);
        found = true;
    }
    if (!found) {
        Enable(FALSE);
        return;
    }
    MeasureArchive();
}

void CBackupItemRegistrySettings::BuildForRestore(const CString& strPath)
{
    // Read for every medium: the archive lies on one of them, and a medium
    // without it keeps the size found on an earlier one.
    CString file = CDirectory::Concat(strPath, GetName());
    if (CDirectory::FileExist(file, CString())) {
        m_nSize = CDirectory::GetFileSize(file);
        int slash = strPath.ReverseFind(L'\\');
        m_strBackupDir = slash < 0 ? CString() : strPath.Left(slash);
        m_nDiskNumber = ReadDiskNumber(m_strBackupDir);
    }
    // A Settings directory without its archive on any medium read so far has
    // nothing to restore: the node is shown but cannot be ticked.
    Enable(!m_strBackupDir.IsEmpty());
}

LONGLONG CBackupItemRegistrySettings::CalculateSize()
{
    return GetCheck() == Checked ? m_nSize : 0;
}

void CBackupItemRegistrySettings::Backup(const CString& strDstDir, IProgressListener* pListener)
{
    // Unlike a device key, the settings are saved even in a run that was
    // already cancelled.
    if (GetCheck() == Unchecked || m_nBackupState != NotBackedUp)
        return;
    CString dir = CDirectory::Concat(strDstDir, GetName());
    CString file = CDirectory::Concat(dir, GetName());
    if (MayWriteArchive(file, pListener)) {
        CDirectory::Make(GetFullPath(dir));
        WriteArchiveFile(file, pListener);
    }
    m_nBackupState = BackedUp;
    pListener->AddProgress(m_nSize);
}

void CBackupItemRegistrySettings::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    // A backup directory is known only once the archive was found in it.
    if (GetCheck() == Unchecked || m_strBackupDir.IsEmpty() || ReadDiskNumber(m_strBackupDir) != m_nDiskNumber)
        return;
    ReadArchiveFile(CDirectory::Concat(CDirectory::Concat(strSrcDir, GetName()), GetName()), pListener);
    pListener->AddProgress(CalculateSize());
}
