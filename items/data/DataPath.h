#pragma once
// Where the live patient data lie: the installation's setting "DataPath", read
// afresh at every call (a changed setting counts at the next operation) and
// made absolute against the directory of the program's own executable.

#include "framework/CString.h"

// The patient data directory, ending in a backslash. Without the installation's
// settings key it is "..\Data\", relative to the current directory. While a
// CDataPathPin lives, the directory it read, on the thread that made it.
CString GetDataPath();

// What GetDataPath would make of a "DataPath" value with this type and data:
// a value it cannot take gives the default, and the result is resolved.
CString ResolveDataPathValue(DWORD type, const void* pData, DWORD nBytes);

// Fixes the data path for a restore: it is read once, before anything is
// written, and every patient file of the run goes there, whatever changes the
// setting meanwhile. Made on the worker thread of the run, and seen there only.
class CDataPathPin {
public:
    CDataPathPin();
    ~CDataPathPin();
    CDataPathPin(const CDataPathPin&) = delete;
    CDataPathPin& operator=(const CDataPathPin&) = delete;

private:
    friend CString GetDataPath();
    friend BOOL IsDataPathWritable();

    CString m_strPath;
    // Unknown until the first IsDataPathWritable of the run.
    int m_nWritable = -1;
    CDataPathPin* m_pOuter;
};

// FALSE when the pinned data directory neither exists nor can be created:
// nothing may then be written towards it. It is created at the first call of
// a run, and that answer stands for the whole run; without a pin, TRUE.
BOOL IsDataPathWritable();

// A data path as the setting holds it, made absolute for an executable at
// strModuleFile: an absolute path is kept, a rooted one gets the executable's
// drive, leading ".\" and "..\" segments are taken off the executable's
// directory. The result ends in a backslash.
CString ResolveDataPath(const CString& strSetting, const CString& strModuleFile);
