#include "install/DeviceDetection.h"

#include "support/Registry.h"

int DetectUsbPrinterPort(std::wstring& portDescription, std::wstring& portName)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(kUsbPrintEnumKey, FALSE))
        return UsbDetectNotAvailable;
    DWORD count = 0;
    reg.ReadDword(L"Count", count);
    if (count == 0)
        return UsbDetectNoPrinter;
    // Only the first enumerated printer is looked at, whatever the count.
    std::wstring instancePath;
    reg.ReadString(L"0", instancePath);

    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(DeviceParametersPath(instancePath), FALSE))
        return UsbDetectNotMatched;
    std::wstring symbolicName;
    reg.ReadString(L"SymbolicName", symbolicName);
    const std::wstring interfaceKey =
        PrinterPortInterfaceKeyName(InterfaceReferenceFromSymbolicName(symbolicName, instancePath));

    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!reg.OpenKey(PrinterPortParametersPath(interfaceKey), FALSE))
        return UsbDetectNotMatched;
    DWORD portNumber = 1;
    std::wstring description;
    reg.ReadDword(L"Port Number", portNumber);
    reg.ReadString(L"Port Description", description);
    portDescription = description;
    portName = UsbPortName(portNumber);
    return UsbDetectFound;
}

bool FindDeviceKey(const std::wstring& enumerator, const std::wstring& deviceIdKey,
                   std::wstring& keyName)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!reg.OpenKey(kEnumRootKey + enumerator, FALSE))
        return false;
    const std::vector<std::wstring> names = reg.ListSubKeys(reg.GetKey());
    const int index = FindDeviceKeyIndex(names, deviceIdKey);
    if (index < 0)
        return false;
    keyName = AsciiUpper(names[static_cast<std::size_t>(index)]);
    return true;
}
