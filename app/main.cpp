#include <windows.h>

#include "app/DriverApp.h"
#include "support/SystemLibrary.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Before anything else can load a DLL: the program runs elevated from
    // the package folder, where anyone may have put a DLL of a system name.
    RestrictDllSearch();
    CDriverApp app;
    return app.Run();
}
