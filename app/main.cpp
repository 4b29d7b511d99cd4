// Tessaly: a side bar listing the Desktop, at the left screen edge.
#include <windows.h>

#include "app/Tessal_u.h"
#include "shell/ShellIDFunc.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Programs are opened from folders of any origin: a DLL planted in the
    // current directory must never be loaded.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    SetDllDirectoryW(L"");
    try {
        TShellLibraryScope shellLibrary;
        TApplication application;
        application.Initialize();
        application.SetTitle(L"Tessaly");
        application.CreateForm<TTessal_f>();
        application.Run();
    } catch (const Exception& error) {
        MessageBoxW(nullptr, error.Message().c_str(), L"Tessaly", MB_OK | MB_ICONSTOP);
        return 1;
    }
    return 0;
}
