#pragma once
// The application object. wWinMain hands control to AfxWinMain, which calls
// InitInstance once; when that returns FALSE the process ends with the exit
// code of ExitInstance. The process is a series of modal dialogs, so there is
// no message loop of the application's own.

#include "framework/CCommandLineInfo.h"
#include "framework/CWnd.h"

class CWinApp {
public:
    explicit CWinApp(const wchar_t* pszAppName);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return m_nExitCode; }

    // Hands every argument of the process's command line after the program
    // name to rInfo; arguments starting with '-' or '/' are flags, passed
    // without that character.
    virtual void ParseCommandLine(CCommandLineInfo& rInfo);
    static void ParseArguments(CCommandLineInfo& rInfo, int argc, const wchar_t* const* argv);

    const wchar_t* m_pszAppName;
    HINSTANCE m_hInstance = nullptr;
    // Read by other threads (the worker posts to it), written only at start-up.
    CWnd* m_pMainWnd = nullptr;
    int m_nExitCode = 0;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
const wchar_t* AfxGetAppName();
int AfxWinMain(HINSTANCE hInstance);
