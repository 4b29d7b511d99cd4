// A small shell browser built on the shell controls: a combo box of the
// folder path over a folder tree over the folder's contents.
#include <windows.h>

#include "BrowserForm.h"
#include "shell/ShellIDFunc.h"
#include "ui/Application.h"
#include "ui/Exceptions.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    try {
        // OLE and the shell allocator, on this thread, before any control exists
        // and until the last one has gone: the scope outlives the application.
        TShellLibraryScope shellLibrary;
        TApplication application;
        application.Initialize();
        application.SetTitle(L"Shell browser");
        application.CreateForm<TBrowserForm>();
        application.Run();
    } catch (const Exception& error) {
        MessageBoxW(nullptr, error.Message().c_str(), L"Shell browser", MB_OK | MB_ICONSTOP);
        return 1;
    }
    return 0;
}
