#pragma once
// Names the installation gives the parts of a patient's data.

#include "framework/CString.h"

class CPatient {
public:
    // The case directory that holds a patient's thumbnail image.
    static CString GetThumbnailDirectory();
    // The file name every patient's thumbnail image carries.
    static CString GetThumbnailFileName();
};
