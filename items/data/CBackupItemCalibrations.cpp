#include "items/data/CBackupItemCalibrations.h"

#include "framework/UniqueRegKey.h"
#include "installation/CDirectory.h"
#include "installation/COrvexDeviceRegistry.h"
#include "items/ItemNames.h"
#include "items/registry/CBackupItemRegistry.h"

namespace {

const wchar_t kCameraKey[] = L"Software\\Tessaro\\CADCAM\\Device\\Acquisition\\Camera";

// Devices of this type keep no calibration of their own.
const EDeviceType kUncalibratedType = eDeviceSimulator;

// Every entry that is not a directory.
const DWORD kAnyFile = 0xFFFFFFEF;

// The camera is saved when its key exists and can be read; writing it back
// is the restore's business (and needs administrator rights).
bool CameraKeyUsable()
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCameraKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    UniqueRegKey key(hKey);
    return true;
}

} // namespace

CBackupItemCalibrations::CBackupItemCalibrations()
{
    SetName(kCalibrationsName);
}

CBackupItemCalibrations::~CBackupItemCalibrations() = default;

void CBackupItemCalibrations::BuildForBackup()
{
    m_nBackupState = NotBackedUp;
    if (CameraKeyUsable())
        AddChild(new CBackupItemRegistry(HKEY_LOCAL_MACHINE, kCameraKey, L"Camera"));

    COrvexDeviceInfoArray devices;
    COrvexDeviceRegistry::ListAllOrvexDevices(devices, 1);
    for (INT_PTR i = 0; i < devices.GetSize(); ++i) {
        COrvexDeviceInfo device = devices.GetAt(i);
        if (device.IsHidden() || device.GetSerialNumber() == 0 || device.GetDeviceType() == kUncalibratedType)
            continue;
        CString name = device.GetDescription() + L" " + device.GetSerialNumberStr();
        AddChild(new CBackupItemRegistry(HKEY_LOCAL_MACHINE, COrvexDeviceRegistry::GetOrvexDeviceRoot(device), name));
    }

    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->BuildForBackup();
    if (m_arrChildren.IsEmpty())
        Enable(FALSE);
}

void CBackupItemCalibrations::BuildForRestore(const CString& strPath)
{
    CStringArray files;
    CDirectory::ListFiles(strPath, files, L"*.*", kAnyFile);
    int slash = strPath.ReverseFind(L'\\');
    CString backupDir = slash < 0 ? CString() : strPath.Left(slash);
    for (INT_PTR i = 0; i < files.GetSize(); ++i) {
        m_nDiskNumber = ReadDiskNumber(backupDir);
        CBackupItemRegistry* pChild = new CBackupItemRegistry();
        AddChild(pChild);
        pChild->BuildForRestore(CDirectory::Concat(strPath, files[i]));
    }
}

void CBackupItemCalibrations::Restore(const CString& strSrcDir, IProgressListener* pListener)
{
    CString path = CDirectory::Concat(strSrcDir, GetName());
    for (INT_PTR i = 0; i < m_arrChildren.GetSize(); ++i)
        m_arrChildren[i]->Restore(path, pListener);
}
