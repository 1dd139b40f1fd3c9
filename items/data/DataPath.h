#pragma once
// Where the live patient data lie: the installation's setting "DataPath", read
// afresh at every call (a changed setting counts at the next operation) and
// made absolute against the directory of the program's own executable.

#include "framework/CString.h"

// The patient data directory, ending in a backslash. Without the installation's
// settings key it is "..\Data\", relative to the current directory.
CString GetDataPath();

// A data path as the setting holds it, made absolute for an executable at
// strModuleFile: an absolute path is kept, a rooted one gets the executable's
// drive, leading ".\" and "..\" segments are taken off the executable's
// directory. The result ends in a backslash.
CString ResolveDataPath(const CString& strSetting, const CString& strModuleFile);
