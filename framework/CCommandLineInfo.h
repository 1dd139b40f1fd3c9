#pragma once
// Receives the process's command line, one argument at a time, from
// CWinApp::ParseCommandLine.

#include <windows.h>

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // pszParam is the argument without its leading '-' or '/' when bFlag is TRUE;
    // bLast is TRUE for the last argument.
    virtual void ParseParam(const wchar_t* pszParam, BOOL bFlag, BOOL bLast) = 0;
};
