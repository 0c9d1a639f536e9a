// Stand-in for the system's printui.dll under Wine, whose PrintUIEntryW does
// not install printers from INF files. Implements what the installer asks
// for: /if (install a printer from an INF file) and /k (print a test page).
// Test equipment only: never shipped, never embedded in the installer.
//
// Every call is appended, as the raw command line in UTF-8, to
// C:\printui-calls.log; the outcome of each call goes to
// C:\printui-results.log ("<verb> ok <details>" or "<verb> failed <why>"),
// and the folder it was started in to C:\printui-folders.log.
#include <windows.h>
#include <winspool.h>

#include <string>
#include <vector>

#include "sim/printui/PrintUiCore.h"

namespace {

const wchar_t* const kCallLog = L"C:\\printui-calls.log";
const wchar_t* const kResultLog = L"C:\\printui-results.log";
const wchar_t* const kFolderLog = L"C:\\printui-folders.log";
// While this file exists, an installation waits (at most a minute) before
// it starts: a test holds a run of the installer in the middle this way.
const wchar_t* const kHoldFile = L"C:\\printui-hold";
// The environment of the process the stand-in is loaded into, as the
// system's own entry point registers drivers for its own platform.
const wchar_t* const kEnvironment = sizeof(void*) == 8 ? L"Windows x64" : L"Windows NT x86";

void AppendLine(const wchar_t* path, const std::wstring& line)
{
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string bytes = ToUtf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

void Result(const std::wstring& verb, bool ok, const std::wstring& details)
{
    AppendLine(kResultLog, verb + (ok ? L" ok " : L" failed ") + details);
}

bool ReadBytes(const std::wstring& path, std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD size = GetFileSize(file, nullptr);
    bytes.resize(size);
    DWORD got = 0;
    const bool ok = size == INVALID_FILE_SIZE ? false
                    : size == 0 ? true
                    : ReadFile(file, &bytes[0], size, &got, nullptr) && got == size;
    CloseHandle(file);
    return ok;
}

std::wstring AnsiToWide(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], length);
    return text;
}

bool IsFile(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the INF's files may lie: beside it, and in the package's sub-folders.
std::wstring Locate(const std::wstring& folder, const std::wstring& name)
{
    static const wchar_t* const subfolders[] = {L"", L"\\gpd", L"\\i386", L"\\amd64"};
    for (const wchar_t* sub : subfolders) {
        const std::wstring path = folder + sub + L"\\" + name;
        if (IsFile(path))
            return path;
    }
    return std::wstring();
}

std::vector<std::wstring> PrinterNames()
{
    std::vector<std::wstring> names;
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(),
                      static_cast<DWORD>(buffer.size()), &needed, &count)) {
        const PRINTER_INFO_2W* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            names.push_back(info[i].pPrinterName ? info[i].pPrinterName : L"");
    }
    return names;
}

// "/if" (a printer on the INF's driver) and "/ia" (the driver alone).
void InstallFromInf(const PrintUiCommand& command, const wchar_t* kind)
{
    const std::wstring infPath = command.Value(L"f");
    const std::wstring model = command.Value(L"m");
    std::string bytes;
    if (infPath.empty() || !ReadBytes(infPath, bytes)) {
        Result(kind, false, L"cannot read INF " + infPath);
        return;
    }
    InfDriver driver;
    if (!FindInfModel(DecodeInfText(bytes, AnsiToWide), model, driver)) {
        Result(kind, false, L"no model \"" + model + L"\" in " + infPath);
        return;
    }
    const std::wstring::size_type slash = infPath.rfind(L'\\');
    const std::wstring folder = slash == std::wstring::npos ? L"." : infPath.substr(0, slash);

    std::wstring dataFile = Locate(folder, driver.dataFile);
    if (dataFile.empty()) {
        Result(kind, false, L"data file " + driver.dataFile + L" missing");
        return;
    }
    auto principal = [&folder](const std::wstring& name) {
        const std::wstring found = Locate(folder, name);
        return found.empty() ? folder + L"\\" + name : found;
    };
    std::wstring driverPath = principal(driver.driverFile), configPath = principal(driver.configFile);
    std::wstring helpPath = driver.helpFile.empty() ? std::wstring() : principal(driver.helpFile);
    std::wstring dependent;
    for (const std::wstring& name : driver.files) {
        const std::wstring path = Locate(folder, name);
        if (path.empty() || path == dataFile || path == driverPath || path == configPath || path == helpPath)
            continue;
        dependent += path;
        dependent += L'\0';
    }
    dependent += L'\0';

    std::wstring name = model, environment = kEnvironment, raw = L"RAW";
    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = &name[0];
    info.pEnvironment = &environment[0];
    info.pDriverPath = &driverPath[0];
    info.pDataFile = &dataFile[0];
    info.pConfigFile = &configPath[0];
    info.pHelpFile = helpPath.empty() ? nullptr : &helpPath[0];
    info.pDependentFiles = &dependent[0];
    info.pDefaultDataType = &raw[0];
    if (!AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES)) {
        Result(kind, false, L"AddPrinterDriverExW error " + std::to_wstring(GetLastError()));
        return;
    }
    if (std::wstring(kind) == L"ia") {
        Result(kind, true, name);
        return;
    }

    // As Windows does, a taken name gets " (Copy N)".
    std::wstring printerName = UniquePrinterName(command.Value(L"b").empty() ? model : command.Value(L"b"),
                                                 PrinterNames());
    std::wstring port = command.Value(L"r"), processor = L"WinPrint", empty;
    PRINTER_INFO_2W printer = {};
    printer.pPrinterName = &printerName[0];
    printer.pShareName = &empty[0];
    printer.pPortName = &port[0];
    printer.pDriverName = &name[0];
    printer.pPrintProcessor = &processor[0];
    printer.pDatatype = &raw[0];
    HANDLE handle = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&printer));
    if (!handle) {
        Result(kind, false, L"AddPrinterW error " + std::to_wstring(GetLastError()));
        return;
    }
    ClosePrinter(handle);
    Result(L"if", true, printerName);
}

void PrintTestPage(const PrintUiCommand& command)
{
    std::wstring name = command.Value(L"n");
    HANDLE printer = nullptr;
    if (name.empty() || !OpenPrinterW(&name[0], &printer, nullptr)) {
        Result(L"k", false, L"cannot open printer \"" + name + L"\"");
        return;
    }
    std::wstring document = L"Test Page", raw = L"RAW";
    DOC_INFO_1W doc = {&document[0], nullptr, &raw[0]};
    const DWORD job = StartDocPrinterW(printer, 1, reinterpret_cast<LPBYTE>(&doc));
    bool ok = job != 0;
    if (ok) {
        const std::string page = "Quorvex stand-in test page for " + ToUtf8(name) + "\r\n\f";
        DWORD written = 0;
        ok = StartPagePrinter(printer) &&
             WritePrinter(printer, const_cast<char*>(page.data()), static_cast<DWORD>(page.size()), &written) &&
             written == page.size();
        EndPagePrinter(printer);
        EndDocPrinter(printer);
    }
    ClosePrinter(printer);
    Result(L"k", ok, ok ? L"job " + std::to_wstring(job) + L" on " + name
                        : L"job error " + std::to_wstring(GetLastError()));
}

} // namespace

extern "C" void CALLBACK PrintUIEntryW(HWND, HINSTANCE, LPWSTR cmdLine, int)
{
    const std::wstring line = cmdLine ? cmdLine : L"";
    AppendLine(kCallLog, line);
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    AppendLine(kFolderLog, length > 0 && length < MAX_PATH ? std::wstring(folder, length) : L"?");
    const PrintUiCommand command = ParsePrintUiCommand(line);
    for (int waited = 0; command.Has(L"if") && waited < 600 && GetFileAttributesW(kHoldFile) != INVALID_FILE_ATTRIBUTES;
         ++waited)
        Sleep(100);
    if (command.Has(L"if"))
        InstallFromInf(command, L"if");
    else if (command.Has(L"ia"))
        InstallFromInf(command, L"ia");
    else if (command.Has(L"k"))
        PrintTestPage(command);
    else
        Result(L"?", false, L"not implemented by the stand-in");
}
