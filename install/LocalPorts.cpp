#include "install/LocalPorts.h"

#include <vector>

#include "context/InstallRecord.h"
#include "install/SpoolerLists.h"
#include "support/Handle.h"

namespace {

// One command of the local port monitor with the port's name as its data.
bool LocalMonitorCommand(const wchar_t* command, const std::wstring& name, DWORD& error)
{
    PRINTER_DEFAULTSW access = {nullptr, nullptr, SERVER_ACCESS_ADMINISTER};
    HANDLE opened = nullptr;
    wchar_t monitor[] = L",XcvMonitor Local Port";
    if (!OpenPrinterW(monitor, &opened, &access)) {
        error = GetLastError();
        return false;
    }
    UniquePrinter xcv(opened);
    DWORD needed = 0, status = ERROR_SUCCESS;
    std::vector<wchar_t> data(name.begin(), name.end());
    data.push_back(L'\0');
    if (!XcvDataW(xcv.Get(), command, reinterpret_cast<PBYTE>(data.data()),
                  static_cast<DWORD>(data.size() * sizeof(wchar_t)), nullptr, 0, &needed, &status)) {
        error = GetLastError();
        return false;
    }
    error = status;
    return status == ERROR_SUCCESS;
}

}  // namespace

bool SpoolerHasPort(const std::wstring& name, bool& listed, DWORD& error)
{
    listed = false;
    std::vector<std::wstring> names;
    if (!ListPorts(names, error))
        return false;
    for (const std::wstring& port : names)
        listed = listed || SameName(port, name);
    return true;
}

bool AddLocalPort(const std::wstring& name, DWORD& error)
{
    return LocalMonitorCommand(L"AddPort", name, error);
}

bool DeleteLocalPort(const std::wstring& name, DWORD& error)
{
    return LocalMonitorCommand(L"DeletePort", name, error);
}
