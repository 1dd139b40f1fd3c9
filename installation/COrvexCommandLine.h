#pragma once
// The parsed command line: plain parameters in their order, and options.
// An option is the whole text after its '-' or '/', so "-dv" is the option
// "dv", not "d" and "v"; the program's options are single letters.

#include "framework/CArray.h"
#include "framework/CCommandLineInfo.h"

class COrvexCommandLine : public CCommandLineInfo {
public:
    void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast) override;

    // The number of arguments that are not options.
    int GetParameterCount() const;
    // The plain parameter at nIndex; an index out of range raises a
    // CInvalidArgException.
    CString GetParameter(int nIndex) const;
    // Nonzero when the option was given; case does not matter ("D" finds "-d").
    BOOL HasOption(const CString& strOption) const;

private:
    CStringArray m_parameters;
    CStringArray m_options;
};

extern COrvexCommandLine gCommandLine;
