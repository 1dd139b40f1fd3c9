#include "app/BackupApp.h"

CBackupApp theApp;

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int)
{
    return AfxWinMain(hInstance);
}
