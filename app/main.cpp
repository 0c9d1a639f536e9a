#include <windows.h>

#include <string>
#include <vector>

#include "app/DriverApp.h"
#include "install/ProgramCopy.h"
#include "support/SystemLibrary.h"

namespace {

std::wstring CurrentFolder()
{
    const DWORD size = GetCurrentDirectoryW(0, nullptr);
    if (size == 0)
        return std::wstring();
    std::vector<wchar_t> buffer(size + 1);
    const DWORD length = GetCurrentDirectoryW(size + 1, buffer.data());
    return length > 0 && length <= size ? std::wstring(buffer.data(), length) : std::wstring();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // The program's own file, held from here to the end so that nobody can
    // change, rename or delete it: every copy of the installer that this run
    // makes comes from it, checked to be the program that runs. A file that
    // cannot be held or is not this program leaves the run without copies
    // (an installation then ends unregistered), not without its work.
    RunningProgramFile program;
    program.Hold();
    // The folder the program was started in, against which relative paths
    // on its command line are read: the restriction below moves the current
    // folder away.
    const std::wstring startFolder = CurrentFolder();
    // Before anything else can load a DLL: the program runs elevated from
    // the package folder, where anyone may have put a DLL of a system name.
    RestrictDllSearch();
    CDriverApp app(startFolder, program);
    return app.Run();
}
