#include "framework/CArchive.h"
#include "framework/CArray.h"

void CStringArray::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(GetSize()));
        for (INT_PTR i = 0; i < GetSize(); ++i)
            ar << GetAt(i);
        return;
    }
    RemoveAll();
    DWORD_PTR count = ar.ReadCount();
    // Every string takes at least one byte, so a count beyond the rest of the
    // archive is damage; nothing is reserved for it up front either way.
    if (count > ar.GetRemaining())
        AfxThrowArchiveException(CArchiveException::endOfFile, ar.GetFile()->GetFilePath());
    try {
        for (DWORD_PTR i = 0; i < count; ++i) {
            CString str;
            ar >> str;
            Add(str);
        }
    } catch (CException*) {
        // A damaged archive leaves no half list behind.
        RemoveAll();
        throw;
    }
}
