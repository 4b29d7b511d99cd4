// Keeps the Wine virtual desktop alive for a whole test run; the test
// environment ends it with the wineserver.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    GetDesktopWindow();  // joins this process to the desktop
    Sleep(INFINITE);
    return 0;
}
