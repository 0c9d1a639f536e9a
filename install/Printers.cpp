#include "install/Printers.h"

#include <shellapi.h>

#include <vector>

#include "context/InstallRecord.h"
#include "install/CommandLines.h"
#include "install/DriverFileStager.h"
#include "install/FilePlan.h"
#include "install/SpoolerLists.h"
#include "support/Handle.h"
#include "support/MessageLoop.h"
#include "support/SystemLibrary.h"

namespace {

// The system folder, empty when the system cannot say.
std::wstring SystemFolderText()
{
    wchar_t folder[MAX_PATH] = {0};
    return GetSystemFolder(folder) ? std::wstring(folder) : std::wstring();
}

// Starts "rundll32.exe <parameters>" and waits for it to end. The installer
// runs elevated, so both the program and the folder it starts in are the
// system folder: a bare "rundll32.exe" would be searched for in the
// program's folder and the current folder first, and the package folder as
// the current folder would be searched for the DLLs that rundll32.exe and
// printui.dll load by name.
// How long the system's printer installation may take before the run stops
// waiting for it and counts it as failed.
const DWORD kPrintUiLimitMs = 5 * 60 * 1000;

// Waits for `process` to end, at most `limitMs`, dispatching the window
// messages meanwhile so that the wizard's window stays drawn and answers.
// After a quit message (posted again for its loop) the rest of the time is
// waited without dispatching. True when the process ended in time.
bool WaitPumping(HANDLE process, DWORD limitMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            return false;
        const DWORD waited = MsgWaitForMultipleObjects(1, &process, FALSE, limitMs - elapsed, QS_ALLINPUT);
        if (waited == WAIT_OBJECT_0)
            return true;
        if (waited != WAIT_OBJECT_0 + 1)
            return false;
        if (!message_loop::DispatchPending()) {
            const DWORD spent = GetTickCount() - start;
            return spent < limitMs && WaitForSingleObject(process, limitMs - spent) == WAIT_OBJECT_0;
        }
    }
}

bool RunPrintUi(const std::wstring& parameters)
{
    const std::wstring folder = SystemFolderText();
    if (folder.empty() || parameters.empty())
        return false;
    std::wstring program = kPrintUiProgram;
    while (!program.empty() && program.back() == L' ')
        program.pop_back();
    program = folder + L"\\" + program;
    std::wstring copy = parameters;
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpFile = program.c_str();
    info.lpParameters = copy.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOW;
    if (!ShellExecuteExW(&info))
        return false;
    const UniqueKernelHandle process(info.hProcess);
    if (!process)
        return false;
    // Ended in time, and without an error code of its own.
    DWORD exitCode = 0;
    return WaitPumping(process.Get(), kPrintUiLimitMs) && GetExitCodeProcess(process.Get(), &exitCode) &&
           exitCode == 0;
}

} // namespace

bool EnumeratePrinterNames(std::vector<std::wstring>& names, std::uint32_t* errorCode)
{
    names.clear();
    std::vector<ListedPrinter> printers;
    DWORD error = ERROR_SUCCESS;
    if (!ListPrinters(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, printers, error)) {
        if (errorCode)
            *errorCode = error;
        return false;
    }
    for (const ListedPrinter& printer : printers)
        names.push_back(printer.name);
    return true;
}

bool AddPrinterDirect(const std::wstring& printerName, const std::wstring& port, const std::wstring& driverName)
{
    std::wstring name = printerName, share, portName = port, driver = driverName,
                 comment, processor = L"WinPrint", datatype = L"RAW";
    PRINTER_INFO_2W info = {};
    info.pPrinterName = &name[0];
    info.pShareName = &share[0];
    info.pPortName = &portName[0];
    info.pDriverName = &driver[0];
    info.pComment = &comment[0];
    info.pPrintProcessor = &processor[0];
    info.pDatatype = &datatype[0];
    const UniquePrinter printer(AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)));
    return printer.IsValid();
}

bool InstallPrinterWithPrintUI(const InstallContext& context, const std::wstring& printerName,
                               const std::wstring& port, const std::wstring& driverDirectory, bool quiet)
{
    const std::wstring folder =
        driverDirectory.empty() ? GetDriverDirectory(context.environment) : driverDirectory;
    const std::wstring infPath = JoinPath(folder, context.model.infBaseName + L".inf");
    return RunPrintUi(PrintUiInstallParameters(printerName, infPath, port, context.model.driverName, quiet));
}

bool InstallDriverWithPrintUI(const InstallContext& context, const std::wstring& driverDirectory, bool quiet)
{
    const std::wstring folder =
        driverDirectory.empty() ? GetDriverDirectory(context.environment) : driverDirectory;
    const std::wstring infPath = JoinPath(folder, context.model.infBaseName + L".inf");
    return RunPrintUi(PrintUiDriverParameters(infPath, context.model.driverName, quiet));
}

bool FindPrinterOnPort(const std::wstring& driverName, const std::wstring& port, std::wstring& printer)
{
    std::vector<ListedPrinter> printers;
    DWORD error = ERROR_SUCCESS;
    if (!ListPrinters(PRINTER_ENUM_LOCAL, printers, error))
        return false;
    for (const ListedPrinter& p : printers)
        if (SameName(p.driver, driverName) && SameName(p.port, port)) {
            printer = p.name;
            return true;
        }
    return false;
}

bool SetDefaultPrinter(const std::wstring& printerName, const std::wstring& connectionType,
                       const std::wstring& port)
{
    // No entry (a name the entry cannot carry) leaves the default printer as
    // it was rather than clearing it.
    const std::wstring entry = DefaultPrinterEntry(printerName, connectionType, port);
    return !entry.empty() && WriteProfileStringW(L"windows", L"device", entry.c_str()) != FALSE;
}

void PrintTestPage(const std::wstring& printerName)
{
    RunPrintUi(PrintUiTestPageParameters(printerName));
}
