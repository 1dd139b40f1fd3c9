#pragma once
// One key a registry item covers: a predefined root, the path below it, and
// whether the whole sub-key tree goes with the key's own values.

#include "framework/CString.h"

struct SRegHive {
    HKEY hHive;
    CString strKeyPath;
    BOOL bWithSubKeys;
};
