#include "installation/CPatient.h"

CString CPatient::GetThumbnailDirectory()
{
    return L"Thumbnail";
}

CString CPatient::GetThumbnailFileName()
{
    return L"Thumbnail.jpg";
}
