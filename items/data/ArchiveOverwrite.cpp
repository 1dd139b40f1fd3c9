#include "items/data/ArchiveOverwrite.h"

#include "app/Globals.h"
#include "app/IProgressListener.h"
#include "installation/CDirectory.h"
#include "res/resource.h"

BOOL MayWriteArchive(const CString& strFile, IProgressListener* pListener)
{
    if (!CDirectory::FileExist(strFile, CString()) || gAutomatedMode)
        return TRUE;
    CString message;
    message.FormatMessage(IDS_FILE_EXISTS, strFile.GetString());
    return pListener->AskOverwrite(message, strFile);
}
