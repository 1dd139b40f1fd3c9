#include "items/data/ArchiveOverwrite.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "res/resource.h"
#include "ui/COverwriteFilesDlg.h"

BOOL MayWriteArchive(const CString& strFile, IProgressListener* pListener)
{
    if (!CDirectory::FileExist(strFile, CString()) || gAutomatedMode)
        return TRUE;
    if (gRememberChoice)
        return gOverwriteChoice ? TRUE : FALSE;

    CString message;
    message.FormatMessage(IDS_FILE_EXISTS, strFile.GetString());
    return COverwriteFilesDlg::Ask(message, pListener);
}
