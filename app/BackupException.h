#pragma once
// Ends the work on a medium. The code is a string-table id naming the failure;
// handlers act by where they catch the exception, not by its code.

#include "framework/Exceptions.h"

class CBackupException : public CException {
public:
    // nNeededBytes: for a full medium, the size of the file that did not fit
    // (0 when unknown), so the next medium can be checked for room before the
    // run goes on.
    CBackupException(UINT nCode, const CString& strText, LONGLONG nNeededBytes = 0)
        : m_nCode(nCode), m_strText(strText), m_nNeededBytes(nNeededBytes)
    {
    }

    UINT GetCode() const { return m_nCode; }
    const CString& GetText() const { return m_strText; }
    LONGLONG GetNeededBytes() const { return m_nNeededBytes; }

private:
    UINT m_nCode;
    CString m_strText;
    LONGLONG m_nNeededBytes;
};
