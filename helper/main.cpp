// QPHelper.exe: the helper service of the Quorvex printer driver. Run by the
// service manager it waits to be stopped and then moves the device records
// that the installer prepared; with -i, -s, -k or -u it installs, starts,
// stops or removes itself.
#include <windows.h>

#include "helper/HelperCore.h"
#include "helper/HelperLog.h"
#include "helper/HelperService.h"
#include "support/SystemLibrary.h"

namespace {

// The program's own full path, or an empty text when it does not fit.
std::string OwnPath()
{
    const DWORD kMaxPath = 500;
    char path[kMaxPath + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, kMaxPath);
    // A cut-off path names some other file; better no log and no install
    // path than the wrong ones.
    if (length == 0 || length >= kMaxPath)
        return std::string();
    return std::string(path, length);
}

}  // namespace

int main(int argc, char* argv[])
{
    // The helper runs as the local system: it loads no DLL from anywhere
    // but the system folder either.
    RestrictDllSearch();
    const HelperPaths paths = DeriveHelperPaths(OwnPath());
    CHelperLog log(paths.logPath);
    CHelperService service(paths, log);
    return service.Run(ParseHelperCommand(argc > 1 ? argv[1] : nullptr));
}
