#include "framework/CWinApp.h"

#include "framework/CComApartment.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {
CWinApp* gpApp = nullptr;
}

CWinApp::CWinApp(const wchar_t* pszAppName) : m_pszAppName(pszAppName)
{
    gpApp = this;
}

CWinApp::~CWinApp()
{
    if (gpApp == this)
        gpApp = nullptr;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rInfo)
{
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (!argv)
        return;
    if (argc > 1)
        ParseArguments(rInfo, argc - 1, argv + 1);
    ::LocalFree(argv);
}

void CWinApp::ParseArguments(CCommandLineInfo& rInfo, int argc, const wchar_t* const* argv)
{
    for (int i = 0; i < argc; ++i) {
        const wchar_t* arg = argv[i];
        BOOL bFlag = arg[0] == L'-' || arg[0] == L'/';
        rInfo.ParseParam(bFlag ? arg + 1 : arg, bFlag, i == argc - 1);
    }
}

CWinApp* AfxGetApp()
{
    return gpApp;
}

CWnd* AfxGetMainWnd()
{
    return gpApp ? gpApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    return gpApp && gpApp->m_hInstance ? gpApp->m_hInstance : ::GetModuleHandleW(nullptr);
}

const wchar_t* AfxGetAppName()
{
    return gpApp && gpApp->m_pszAppName ? gpApp->m_pszAppName : L"";
}

int AfxWinMain(HINSTANCE hInstance)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return 1;
    pApp->m_hInstance = hInstance;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    // The folder browser works with the shell's folder objects.
    CComApartment apartment;
    pApp->InitInstance();
    return pApp->ExitInstance();
}
