#pragma once
// One entry of a directory listing as the file system reported it: the
// listing already carries the size and attributes, so nothing needs to ask
// for them again per file.

#include "framework/CString.h"

struct SDirEntry {
    CString strName;
    DWORD dwAttributes;
    LONGLONG nSize;

    BOOL IsDirectory() const { return (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};
