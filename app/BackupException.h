#pragma once
// Ends the work on a medium. The code is a string-table id naming the failure;
// handlers act by where they catch the exception, not by its code.

#include "framework/Exceptions.h"

class CBackupException : public CException {
public:
    CBackupException(UINT nCode, const CString& strText) : m_nCode(nCode), m_strText(strText) {}

    UINT GetCode() const { return m_nCode; }
    const CString& GetText() const { return m_strText; }

private:
    UINT m_nCode;
    CString m_strText;
};
