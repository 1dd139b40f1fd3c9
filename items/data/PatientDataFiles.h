#pragma once
// Which files of a patient's case directories belong to a backup, judged by
// the plain file name.

#include "framework/CString.h"

// The patient's thumbnail image or a data file (.dat, .cdt, .sdt), in any case.
BOOL IsPatientDataFile(const CString& strName);

// A TIFF image (.tif, in any case); backed up only with the TIFF option.
BOOL IsTiffFile(const CString& strName);
