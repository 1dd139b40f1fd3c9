#pragma once
// The kinds of device the installation registers. The registry holds the
// number as it stands, so a device may carry a value not listed here.

#include <windows.h>

enum EDeviceType : DWORD {
    eDeviceUnknown = 0,
    eDeviceMillingUnit = 1,
    eDeviceScanner = 2,
    eDeviceCamera = 3,
    eDeviceSimulator = 4,
};
