#include "items/data/PatientDataFiles.h"

#include "installation/CDirectory.h"
#include "installation/CPatient.h"

BOOL IsPatientDataFile(const CString& strName)
{
    if (strName.CompareNoCase(CPatient::GetThumbnailFileName()) == 0)
        return TRUE;
    CString extension = CDirectory::GetFileExtension(strName);
    return extension.CompareNoCase(L".dat") == 0 || extension.CompareNoCase(L".cdt") == 0 ||
           extension.CompareNoCase(L".sdt") == 0;
}

BOOL IsTiffFile(const CString& strName)
{
    return CDirectory::GetFileExtension(strName).CompareNoCase(L".tif") == 0;
}
