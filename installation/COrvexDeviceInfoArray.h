#pragma once
// The installed devices, in the order the registry lists them.

#include "framework/CArray.h"
#include "installation/COrvexDeviceInfo.h"

class COrvexDeviceInfoArray : public CArray<COrvexDeviceInfo, const COrvexDeviceInfo&> {
};
