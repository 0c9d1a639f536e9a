// The demo: runs the installer from the sample package in a prepared prefix,
// either driven by the user (--interactive) or walking through it alone
// (--walk, with a screenshot of every page), and then prints what changed on
// the machine: printers, the default printer, driver files, device records.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/driver/E2eDriver.h"
#include "wizard/res/resource.h"

using namespace e2e;

namespace {

void Say(const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

void Shot(const char* name)
{
    Sleep(200);
    std::string file = std::string(name) + ".bmp";
    Screenshot(OutputPath(std::wstring(file.begin(), file.end())));
    Say(std::string("  screenshot ") + name);
}

bool Walk(Program& app, const std::wstring& modelLine)
{
    HWND wizard = app.WaitForWizard();
    if (!wizard) {
        Say("the wizard did not appear");
        return false;
    }
    Shot("01-welcome");
    Press(wizard, IDC_NEXT);
    if (!WaitUntil([&] { return ListCount(ActivePage(wizard), IDC_MODEL_LIST) > 0; }, 10000)) {
        Say("no model listed");
        return false;
    }
    HWND page = ActivePage(wizard);
    for (int i = 0; i < ListCount(page, IDC_MODEL_LIST); ++i)
        if (ListLine(page, IDC_MODEL_LIST, i) == modelLine)
            SelectListLine(page, IDC_MODEL_LIST, i);
    WaitUntil([&] { return ControlText(ActivePage(wizard), IDC_MODEL_SELECTED) == modelLine; }, 5000);
    Shot("02-model");
    Press(wizard, IDC_NEXT);
    WaitUntil([&] { return FindControl(ActivePage(wizard), IDC_RADIO_USB) != nullptr; }, 10000);
    Press(ActivePage(wizard), IDC_RADIO_USB);
    Shot("03-connection");
    Press(wizard, IDC_NEXT);
    WaitUntil([&] { return FindControl(ActivePage(wizard), IDC_SETUP_PROGRESS) != nullptr; }, 10000);
    Sleep(600);
    Shot("04-setup-running");
    // The installation ends with Finish enabled, after success and failure alike.
    if (!WaitUntil([&] { return IsEnabled(wizard, IDC_FINISH) || app.WaitForMessageBox(0); }, 180000))
        Say("the installation did not end in time");
    if (HWND box = app.WaitForMessageBox(2000)) {
        Shot("05-setup-message");
        Say("  message: " + Utf8(MessageBoxText(box)));
        AnswerMessageBox(box, IDOK);
        WaitUntil([&] { return IsEnabled(wizard, IDC_FINISH); }, 20000);
    }
    Shot("05-setup-finished");
    HWND setup = ActivePage(wizard);
    if (IsVisible(setup, IDC_TEST_PAGE)) {
        Press(setup, IDC_TEST_PAGE);
        if (HWND dialog = app.WaitForDialog(60000)) {
            Shot("06-test-page");
            AnswerMessageBox(dialog, IDOK);
            WaitUntil([&] { return !IsWindow(dialog); }, 10000);
        }
    }
    Press(wizard, IDC_FINISH);
    return app.WaitForExit(20000);
}

void ReportPrinters()
{
    Say("Printers:");
    DWORD needed = 0, count = 0;
    EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, nullptr, 0, &needed, &count);
    std::vector<BYTE> buffer(needed + 4);
    if (needed && EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, nullptr, 2, buffer.data(), needed,
                                &needed, &count)) {
        PRINTER_INFO_2W* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        for (DWORD i = 0; i < count; ++i)
            Say("  " + Utf8(info[i].pPrinterName) + "  port " + Utf8(info[i].pPortName ? info[i].pPortName : L"") +
                "  driver " + Utf8(info[i].pDriverName ? info[i].pDriverName : L""));
    }
    wchar_t name[512] = {0};
    DWORD size = 512;
    Say("Default printer: " + (GetDefaultPrinterW(name, &size) ? Utf8(name) : std::string("(none)")));
    wchar_t device[512] = {0};
    GetProfileStringW(L"windows", L"device", L"", device, 512);
    Say("  [windows] device=" + Utf8(device));
}

void ListFolder(const std::wstring& folder, const std::string& indent)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring n = data.cFileName;
        if (n == L"." || n == L"..")
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            Say(indent + Utf8(n) + "\\");
            ListFolder(folder + L"\\" + n, indent + "  ");
        } else {
            Say(indent + Utf8(n) + "  (" + std::to_string(data.nFileSizeLow) + " bytes)");
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
}

void ReportDriverFiles()
{
    wchar_t directory[MAX_PATH] = {0};
    DWORD needed = 0;
    GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<LPBYTE>(directory), sizeof(directory), &needed);
    Say("Driver directory " + Utf8(directory) + ":");
    ListFolder(directory, "  ");
}

void ReportKey(HKEY root, const std::wstring& path, const std::string& indent, int depth)
{
    HKEY key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    Say(indent + Utf8(path.substr(path.find_last_of(L'\\') + 1)) + "\\");
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        BYTE data[2048];
        DWORD nameLength = 256, dataLength = sizeof(data) - 2, type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &dataLength) != ERROR_SUCCESS)
            break;
        data[dataLength] = 0;
        data[dataLength + 1] = 0;
        std::string value = type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data))
                                              : "\"" + Utf8(reinterpret_cast<wchar_t*>(data)) + "\"";
        Say(indent + "  " + (nameLength ? Utf8(name) : std::string("(default)")) + " = " + value);
    }
    if (depth > 0) {
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD length = 256;
            if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            ReportKey(root, path + L"\\" + name, indent + "  ", depth - 1);
        }
    }
    RegCloseKey(key);
}

void ReportDeviceRecords()
{
    Say("Printer class key and its instance keys:");
    ReportKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-BFC1-08002BE10318}",
              "  ", 1);
    Say("USB printer devices:");
    ReportKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\USBPRINT", "  ", 2);
    Say("Parallel printer devices:");
    ReportKey(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Enum\\LPTENUM", "  ", 2);
}

}  // namespace

int main(int argc, char** argv)
{
    bool walk = argc > 1 && std::strcmp(argv[1], "--walk") == 0;
    std::wstring exe = L"C:\\QuorvexPackage\\QuorvexSetup.exe";
    Program app;
    if (!app.Start(exe)) {
        Say("cannot start C:\\QuorvexPackage\\QuorvexSetup.exe");
        return 1;
    }
    bool ok = true;
    if (walk) {
        Say("Walking through the wizard (screenshots in the output folder):");
        ok = Walk(app, L"Quorvex QX1000");
    } else {
        Say("The wizard is running on your display; close it to see what changed.");
        app.WaitForExit(INFINITE);
    }
    Say("");
    Say("What the installation changed on this (simulated) machine:");
    ReportPrinters();
    ReportDriverFiles();
    ReportDeviceRecords();
    return ok ? 0 : 1;
}
