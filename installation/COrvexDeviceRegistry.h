#pragma once
// The installed devices as the registry lists them: one subkey per device
// below HKEY_LOCAL_MACHINE\Software\Tessaro\CADCAM\Devices, holding
//     Description   REG_SZ     display name (the subkey name when absent)
//     SerialNumber  REG_DWORD  0 when absent
//     Type          REG_DWORD  an EDeviceType; 0 when absent
//     Hidden        REG_DWORD  nonzero hides the device; absent means shown
// A value of another type or size counts as absent.

#include "installation/COrvexDeviceInfoArray.h"

class COrvexDeviceRegistry {
public:
    // Replaces the contents of devices with one entry per device subkey, in
    // the registry's enumeration order. Hidden devices are listed only when
    // bIncludeHidden is nonzero. No devices key means no devices; a devices
    // key deleted while it is read ends the list with what was read so far.
    static void ListAllOrvexDevices(COrvexDeviceInfoArray& devices, int bIncludeHidden);

    // The key path of the device's settings below HKEY_LOCAL_MACHINE.
    static CString GetOrvexDeviceRoot(const COrvexDeviceInfo& device);
};
