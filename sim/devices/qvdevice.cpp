// Plugs virtual printers into a Wine prefix, and unplugs them, by writing and
// removing the registry records that Windows' USB printing class driver and
// parallel-port enumerator keep for a connected printer; and enters a serial
// port (a pseudo-terminal the bench made, see sim/serial/ptycom.py) where
// Windows lists its COM ports. Test equipment only.
//
//   qvdevice plug-usb <hardwareId> <port> <instance> [--symbolic <text> | --no-symbolic]
//            [--no-port-number] [--no-device-params] [--mfg <text>] [--desc <text>]
//   qvdevice unplug-usb <hardwareId> <instance>
//   qvdevice plug-lpt <hardwareId> <instance> [--mfg <text>] [--desc <text>]
//   qvdevice unplug-lpt <hardwareId> <instance>
//   qvdevice plug-com <COMn> <unix device>
//   qvdevice unplug-com <COMn>
//
// Exit code 0 on success, 1 when a record could not be written or removed,
// 2 on a usage error.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "install/SerialPortsCore.h"

namespace {

const wchar_t* const kUsbPrintEnum = L"SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const wchar_t* const kEnum = L"SYSTEM\\CurrentControlSet\\Enum\\";
const wchar_t* const kPortClasses =
    L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const wchar_t* const kPortGuid = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
const wchar_t* const kUsbDeviceGuid = L"{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
const wchar_t* const kPrinterClassGuid = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
const wchar_t* const kUsbClassGuid = L"{36FC9E60-C465-11CF-8056-444553540000}";
// Where every serial port driver enters the ports it serves (a volatile key,
// made again at every start of the system), where the spooler's local port
// monitor finds its ports, and the Wine spooler's own mapping of a port name
// to a file or device of the host.
const wchar_t* const kSerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const wchar_t* const kSpoolerPorts = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports";
const wchar_t* const kWineSpooler = L"Software\\Wine\\Printing\\Spooler";

// Owns one open registry key.
class Key {
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Create(const std::wstring& path)
    {
        return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                               nullptr, &m_key, nullptr) == ERROR_SUCCESS;
    }
    bool Open(const std::wstring& path)
    {
        return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WRITE, &m_key) == ERROR_SUCCESS;
    }
    bool Text(const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ)
    {
        return RegSetValueExW(m_key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
    // A REG_MULTI_SZ of the given strings.
    bool Multi(const wchar_t* name, const std::vector<std::wstring>& items)
    {
        std::wstring data;
        for (const std::wstring& item : items) {
            data += item;
            data += L'\0';
        }
        return Text(name, data, REG_MULTI_SZ);
    }
    bool Number(const wchar_t* name, DWORD value)
    {
        return RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof(value)) == ERROR_SUCCESS;
    }
    bool ReadText(const wchar_t* name, std::wstring& text) const
    {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t), type = 0;
        if (RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
            return false;
        text = buffer;
        return true;
    }
    DWORD ReadNumber(const wchar_t* name, DWORD fallback) const
    {
        DWORD value = 0, size = sizeof(value);
        return RegQueryValueExW(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS
                   ? value : fallback;
    }
    bool Delete(const wchar_t* name) { return RegDeleteValueW(m_key, name) == ERROR_SUCCESS; }

private:
    HKEY m_key = nullptr;
};

// Removes a key with everything below it; a missing key is no failure.
bool DeleteTree(const std::wstring& path)
{
    HKEY key = nullptr;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
    if (status == ERROR_FILE_NOT_FOUND)
        return true;
    if (status != ERROR_SUCCESS)
        return false;
    std::vector<std::wstring> children;
    wchar_t name[512];
    for (DWORD i = 0;; ++i) {
        DWORD length = 512;
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        children.emplace_back(name, length);
    }
    RegCloseKey(key);
    for (const std::wstring& child : children)
        if (!DeleteTree(path + L"\\" + child))
            return false;
    return RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()) == ERROR_SUCCESS;
}

// Removes a key only when nothing is left below it (the hardware-id level).
void DeleteIfEmpty(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    if (subKeys == 0)
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
}

// A stable vendor/product pair for a hardware id, so that plug and unplug
// find the same USB device key without being told it.
std::wstring UsbIdOf(const std::wstring& hardwareId)
{
    unsigned hash = 2166136261u;
    for (wchar_t c : hardwareId)
        hash = (hash ^ static_cast<unsigned>(c)) * 16777619u;
    wchar_t text[32];
    swprintf(text, 32, L"VID_2E1F&PID_%04X", (hash ^ (hash >> 16)) & 0xFFFF);
    return text;
}

// The port's name as the spooler shows it: "USB007".
std::wstring PortName(DWORD port)
{
    wchar_t text[16];
    swprintf(text, 16, L"USB%03lu", static_cast<unsigned long>(port));
    return text;
}

struct Options {
    std::wstring symbolic;
    bool customSymbolic = false, noSymbolic = false, noPortNumber = false, noDeviceParams = false;
    std::wstring mfg = L"Quorvex", desc;
};

bool ParseOptions(int argc, wchar_t** argv, int first, Options& options)
{
    for (int i = first; i < argc; ++i) {
        const std::wstring arg = argv[i];
        auto next = [&](std::wstring& out) {
            if (i + 1 >= argc)
                return false;
            out = argv[++i];
            return true;
        };
        if (arg == L"--symbolic") {
            if (!next(options.symbolic))
                return false;
            options.customSymbolic = true;
        } else if (arg == L"--no-symbolic") options.noSymbolic = true;
        else if (arg == L"--no-port-number") options.noPortNumber = true;
        else if (arg == L"--no-device-params") options.noDeviceParams = true;
        else if (arg == L"--mfg") { if (!next(options.mfg)) return false; }
        else if (arg == L"--desc") { if (!next(options.desc)) return false; }
        else return false;
    }
    return true;
}

// The values a printer's device key carries.
bool WritePrinterDeviceKey(const std::wstring& path, const std::wstring& enumerator,
                           const std::wstring& hardwareId, const Options& options,
                           const std::wstring& location)
{
    Key key;
    const std::wstring desc = options.desc.empty() ? options.mfg + L" " + hardwareId : options.desc;
    return key.Create(path) && key.Text(L"DeviceDesc", desc) && key.Text(L"Mfg", options.mfg) &&
           key.Multi(L"HardwareID", {enumerator + L"\\" + hardwareId, hardwareId}) &&
           key.Multi(L"CompatibleIDs", {enumerator + L"\\GenericPrinter"}) &&
           key.Text(L"Class", L"Printer") && key.Text(L"ClassGUID", kPrinterClassGuid) &&
           key.Number(L"ConfigFlags", 0) && key.Number(L"Capabilities", 0) &&
           key.Text(L"LocationInformation", location);
}

int PlugUsb(const std::wstring& hardwareId, DWORD port, const std::wstring& instance, const Options& options)
{
    const std::wstring usbId = UsbIdOf(hardwareId);
    const std::wstring usbInstancePath = L"USB\\" + usbId + L"\\" + instance;
    const std::wstring reference = L"USB#" + usbId + L"#" + instance + L"#";
    bool ok = true;

    // The USB device itself, handled by the usbprint service.
    {
        Key device;
        ok = device.Create(kEnum + usbInstancePath) && device.Text(L"DeviceDesc", L"USB Printing Support") &&
             device.Text(L"Mfg", L"(Standard USB Host Controller)") &&
             device.Multi(L"HardwareID", {L"USB\\" + usbId + L"&REV_0100", L"USB\\" + usbId}) &&
             device.Multi(L"CompatibleIDs", {L"USB\\Class_07&SubClass_01&Prot_02", L"USB\\Class_07&SubClass_01", L"USB\\Class_07"}) &&
             device.Text(L"Service", L"usbprint") && device.Text(L"Class", L"USB") &&
             device.Text(L"ClassGUID", kUsbClassGuid) && device.Number(L"ConfigFlags", 0) && ok;
    }
    if (!options.noDeviceParams) {
        Key params;
        ok = params.Create(kEnum + usbInstancePath + L"\\Device Parameters") && ok;
        if (!options.noSymbolic)
            ok = params.Text(L"SymbolicName", options.customSymbolic ? options.symbolic
                                                                     : L"\\??\\" + reference + kUsbDeviceGuid) && ok;
    }
    // The printer port interface of the device.
    {
        const std::wstring interfaceKey = std::wstring(kPortClasses) + L"\\##?#" + reference + kPortGuid;
        Key iface, params;
        ok = iface.Create(interfaceKey) &&
             iface.Text(L"DeviceInstance", L"USBPRINT\\" + hardwareId + L"\\" + instance) && ok;
        ok = params.Create(interfaceKey + L"\\#\\Device Parameters") &&
             params.Text(L"Port Description", L"Virtual printer port for USB") &&
             params.Text(L"Base Name", L"USB") && ok;
        if (!options.noPortNumber)
            ok = params.Number(L"Port Number", port) && ok;
    }
    // The printer device the usbprint service enumerated.
    ok = WritePrinterDeviceKey(kEnum + std::wstring(L"USBPRINT\\") + hardwareId + L"\\" + instance, L"USBPRINT",
                               hardwareId, options, PortName(port)) && ok;
    // The service's own list: "Count" and one value per device, "0" first.
    {
        Key list;
        ok = list.Create(kUsbPrintEnum) && ok;
        const DWORD count = list.ReadNumber(L"Count", 0);
        bool present = false;
        for (DWORD i = 0; i < count; ++i) {
            std::wstring existing;
            if (list.ReadText(std::to_wstring(i).c_str(), existing) && existing == usbInstancePath)
                present = true;
        }
        if (!present)
            ok = list.Text(std::to_wstring(count).c_str(), usbInstancePath) && list.Number(L"Count", count + 1) && ok;
    }
    return ok ? 0 : 1;
}

int UnplugUsb(const std::wstring& hardwareId, const std::wstring& instance)
{
    const std::wstring usbId = UsbIdOf(hardwareId);
    const std::wstring usbInstancePath = L"USB\\" + usbId + L"\\" + instance;
    bool ok = DeleteTree(kEnum + usbInstancePath);
    DeleteIfEmpty(kEnum + std::wstring(L"USB\\") + usbId);
    ok = DeleteTree(std::wstring(kPortClasses) + L"\\##?#USB#" + usbId + L"#" + instance + L"#" + kPortGuid) && ok;
    ok = DeleteTree(kEnum + std::wstring(L"USBPRINT\\") + hardwareId + L"\\" + instance) && ok;
    DeleteIfEmpty(kEnum + std::wstring(L"USBPRINT\\") + hardwareId);

    // Take the device out of the service's list and close the gap; the key
    // stays, with "Count" 0 once the last printer is gone.
    Key list;
    if (list.Open(kUsbPrintEnum)) {
        const DWORD count = list.ReadNumber(L"Count", 0);
        std::vector<std::wstring> kept;
        for (DWORD i = 0; i < count; ++i) {
            std::wstring path;
            if (list.ReadText(std::to_wstring(i).c_str(), path) && path != usbInstancePath)
                kept.push_back(path);
            list.Delete(std::to_wstring(i).c_str());
        }
        for (size_t i = 0; i < kept.size(); ++i)
            ok = list.Text(std::to_wstring(i).c_str(), kept[i]) && ok;
        ok = list.Number(L"Count", static_cast<DWORD>(kept.size())) && ok;
    }
    return ok ? 0 : 1;
}

int PlugLpt(const std::wstring& hardwareId, const std::wstring& instance, const Options& options)
{
    return WritePrinterDeviceKey(kEnum + std::wstring(L"LPTENUM\\") + hardwareId + L"\\" + instance, L"LPTENUM",
                                 hardwareId, options, L"LPT1") ? 0 : 1;
}

int UnplugLpt(const std::wstring& hardwareId, const std::wstring& instance)
{
    const bool ok = DeleteTree(kEnum + std::wstring(L"LPTENUM\\") + hardwareId + L"\\" + instance);
    DeleteIfEmpty(kEnum + std::wstring(L"LPTENUM\\") + hardwareId);
    return ok ? 0 : 1;
}

int Usage();

// The value a serial driver of ours enters for port n.
std::wstring SerialDeviceName(unsigned number)
{
    return L"\\Device\\VirtualSerial" + std::to_wstring(number);
}

// The port as Windows lists it once its driver runs: the SERIALCOMM entry
// (the key made volatile, as the system makes it), the spooler's port
// "COMn:" with the Ports class installer's default line "9600,n,8,1" where
// the port is new to it, and Wine's mapping of "COMn:" to the terminal, the
// one way Wine's spooler writes a job to a COM port (its local port monitor
// prints to files and to its own port kinds only).
int PlugCom(const std::wstring& com, const std::wstring& device)
{
    const unsigned number = SerialPortNumber(com);
    if (number == 0 || device.empty() || device[0] != L'/')
        return Usage();
    const std::wstring port = L"COM" + std::to_wstring(number);
    bool ok = true;
    {
        HKEY key = nullptr;
        ok = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSerialComm, 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE, nullptr,
                             &key, nullptr) == ERROR_SUCCESS;
        if (ok) {
            const std::wstring value = SerialDeviceName(number);
            ok = RegSetValueExW(key, value.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                                static_cast<DWORD>((port.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
            RegCloseKey(key);
        }
    }
    {
        Key ports;
        std::wstring line;
        ok = ports.Create(kSpoolerPorts) && (ports.ReadText((port + L":").c_str(), line) ||
                                             ports.Text((port + L":").c_str(), L"9600,n,8,1")) && ok;
    }
    {
        HKEY key = nullptr;
        const bool mapped = RegCreateKeyExW(HKEY_CURRENT_USER, kWineSpooler, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                            nullptr) == ERROR_SUCCESS;
        ok = mapped && ok;
        if (mapped) {
            const std::wstring name = port + L":";
            ok = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(device.c_str()),
                                static_cast<DWORD>((device.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS && ok;
            RegCloseKey(key);
        }
    }
    return ok ? 0 : 1;
}

// Takes the port out of SERIALCOMM and Wine's mapping. The spooler's port
// "COMn:" stays, as Windows keeps it when a serial adapter is unplugged.
int UnplugCom(const std::wstring& com)
{
    const unsigned number = SerialPortNumber(com);
    if (number == 0)
        return Usage();
    const std::wstring name = L"COM" + std::to_wstring(number) + L":";
    bool ok = true;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSerialComm, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        const LONG status = RegDeleteValueW(key, SerialDeviceName(number).c_str());
        ok = (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) && ok;
        RegCloseKey(key);
    }
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kWineSpooler, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
        const LONG status = RegDeleteValueW(key, name.c_str());
        ok = (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) && ok;
        RegCloseKey(key);
    }
    return ok ? 0 : 1;
}

int Usage()
{
    fwprintf(stderr, L"usage: qvdevice plug-usb <hardwareId> <port> <instance> [--symbolic <text>|--no-symbolic]\n"
                     L"                [--no-port-number] [--no-device-params] [--mfg <text>] [--desc <text>]\n"
                     L"       qvdevice unplug-usb <hardwareId> <instance>\n"
                     L"       qvdevice plug-lpt <hardwareId> <instance> [--mfg <text>] [--desc <text>]\n"
                     L"       qvdevice unplug-lpt <hardwareId> <instance>\n"
                     L"       qvdevice plug-com <COMn> <unix device>\n"
                     L"       qvdevice unplug-com <COMn>\n");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return Usage();
    const std::wstring verb = argv[1];
    Options options;
    if (verb == L"plug-usb" && argc >= 5) {
        wchar_t* end = nullptr;
        const unsigned long port = wcstoul(argv[3], &end, 10);
        if (*end != L'\0' || !ParseOptions(argc, argv, 5, options))
            return Usage();
        return PlugUsb(argv[2], port, argv[4], options);
    }
    if (verb == L"plug-lpt" && argc >= 4) {
        if (!ParseOptions(argc, argv, 4, options))
            return Usage();
        return PlugLpt(argv[2], argv[3], options);
    }
    if (verb == L"unplug-usb" && argc == 4)
        return UnplugUsb(argv[2], argv[3]);
    if (verb == L"unplug-lpt" && argc == 4)
        return UnplugLpt(argv[2], argv[3]);
    if (verb == L"plug-com" && argc == 4)
        return PlugCom(argv[2], argv[3]);
    if (verb == L"unplug-com" && argc == 3)
        return UnplugCom(argv[2]);
    return Usage();
}
