#include "install/DeviceDetection.h"

#include "support/Registry.h"

namespace {

// More printers than any machine has; a damaged "Count" ends the walk here.
const DWORD kMostUsbPrinters = 256;

// The port of the USB printer whose instance path is `instancePath`.
bool ResolveUsbPort(const std::wstring& instancePath, std::wstring& description, std::wstring& portName)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (instancePath.empty() || !reg.OpenKey(DeviceParametersPath(instancePath), FALSE))
        return false;
    std::wstring symbolicName;
    reg.ReadString(L"SymbolicName", symbolicName);
    const std::wstring interfaceKey =
        PrinterPortInterfaceKeyName(InterfaceReferenceFromSymbolicName(symbolicName, instancePath));

    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(PrinterPortParametersPath(interfaceKey), FALSE))
        return false;
    DWORD portNumber = 1;
    description.clear();
    reg.ReadDword(L"Port Number", portNumber);
    reg.ReadString(L"Port Description", description);
    portName = UsbPortName(portNumber);
    return true;
}

// Whether the model's device key has a printer instance on `portName`.
bool ModelPrinterOnPort(const std::wstring& deviceKeyName, const std::wstring& portName)
{
    std::wstring keyName;
    if (!FindDeviceKey(L"USBPRINT", deviceKeyName, keyName))
        return false;
    const std::wstring devicePath = kEnumRootKey + std::wstring(L"USBPRINT\\") + keyName;
    CRegistry device(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!device.OpenKey(devicePath, FALSE))
        return false;
    for (const std::wstring& instance : device.ListSubKeys(device.GetKey())) {
        CRegistry instanceKey(HKEY_LOCAL_MACHINE, KEY_READ);
        std::wstring location;
        if (instanceKey.OpenKey(devicePath + L"\\" + instance, FALSE))
            instanceKey.ReadString(L"LocationInformation", location);
        if (IsInstanceOnPort(instance, location, portName))
            return true;
    }
    return false;
}

}  // namespace

InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& portDescription,
                         std::wstring& portName)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(kUsbPrintEnumKey, FALSE))
        return InstallResult::UsbNotAvailable;
    DWORD count = 0;
    reg.ReadDword(L"Count", count);
    if (count == 0)
        return InstallResult::UsbNoPrinter;

    // Every enumerated printer is looked at, in the service's order; the
    // first one with a port stands in when none is the model's, so that an
    // installation the user forces goes to the printer that is there.
    bool anyPort = false;
    std::wstring firstDescription, firstPort;
    for (DWORD i = 0; i < count && i < kMostUsbPrinters; ++i) {
        std::wstring instancePath, description, port;
        if (!reg.ReadString(std::to_wstring(i), instancePath) ||
            !ResolveUsbPort(instancePath, description, port))
            continue;
        if (ModelPrinterOnPort(deviceKeyName, port)) {
            portDescription = description;
            portName = port;
            return InstallResult::Success;
        }
        if (!anyPort) {
            anyPort = true;
            firstDescription = description;
            firstPort = port;
        }
    }
    if (anyPort) {
        portDescription = firstDescription;
        portName = firstPort;
    }
    return InstallResult::UsbDeviceNotMatched;
}

bool FindDeviceKey(const std::wstring& enumerator, const std::wstring& deviceKeyName,
                   std::wstring& keyName)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(kEnumRootKey + enumerator, FALSE))
        return false;
    const std::vector<std::wstring> names = reg.ListSubKeys(reg.GetKey());
    const int index = FindDeviceKeyIndex(names, deviceKeyName);
    if (index < 0)
        return false;
    keyName = AsciiUpper(names[static_cast<std::size_t>(index)]);
    return true;
}
