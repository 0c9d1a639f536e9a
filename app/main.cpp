#include <windows.h>

#include "app/DriverApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CDriverApp app;
    return app.Run();
}
