#include "install/UsbDetection.h"

const wchar_t* const kUsbPrintEnumKey = L"SYSTEM\\CurrentControlSet\\Services\\usbprint\\Enum";
const wchar_t* const kEnumRootKey = L"SYSTEM\\CurrentControlSet\\Enum\\";
const wchar_t* const kPrinterPortClassGuid = L"{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::wstring InterfaceReferenceFromSymbolicName(const std::wstring& symbolicName,
                                                const std::wstring& instancePath)
{
    std::wstring reference = symbolicName;
    const std::wstring::size_type brace = reference.find(L'{');
    if (brace != std::wstring::npos) {
        reference.erase(brace);
        // Drops the "\??\" in front of the device's own name.
        const std::wstring::size_type usb = reference.find(L"USB");
        if (usb != std::wstring::npos)
            reference.erase(0, usb);
    }
    if (reference.empty()) {
        reference = instancePath;
        for (wchar_t& c : reference)
            if (c == L'\\')
                c = L'#';
        reference += L'#';
    }
    return reference;
}

std::wstring PrinterPortInterfaceKeyName(const std::wstring& reference)
{
    return L"##?#" + reference + kPrinterPortClassGuid;
}

std::wstring PrinterPortParametersPath(const std::wstring& interfaceKeyName)
{
    return std::wstring(L"SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\") +
           kPrinterPortClassGuid + L"\\" + interfaceKeyName + L"\\#\\Device Parameters";
}

std::wstring DeviceParametersPath(const std::wstring& instancePath)
{
    return kEnumRootKey + instancePath + L"\\Device Parameters";
}

std::wstring UsbPortName(unsigned long portNumber)
{
    std::wstring digits = std::to_wstring(portNumber);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), L'0');
    return L"USB" + digits;
}

std::wstring AsciiUpper(const std::wstring& text)
{
    std::wstring upper = text;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - L'a' + L'A');
    return upper;
}

std::wstring ModelDeviceKeyName(const PrinterModel& model, const std::wstring& idSuffix)
{
    const std::wstring suffix = idSuffix.substr(0, idSuffix.find_first_of(L" \t,;"));
    return AsciiUpper(model.manufacturer + model.namePrefix + model.nameNumber + suffix);
}

int FindDeviceKeyIndex(const std::vector<std::wstring>& names, const std::wstring& deviceKeyName)
{
    if (deviceKeyName.empty())
        return -1;
    const std::wstring key = AsciiUpper(deviceKeyName);
    for (std::size_t i = 0; i < names.size(); ++i)
        if (AsciiUpper(names[i]) == key)
            return static_cast<int>(i);
    return -1;
}

bool IsInstanceOnPort(const std::wstring& instanceName, const std::wstring& locationInformation,
                      const std::wstring& portName)
{
    if (portName.empty())
        return false;
    const std::wstring port = AsciiUpper(portName);
    const std::wstring instance = AsciiUpper(instanceName);
    const std::wstring::size_type amp = instance.rfind(L'&');
    const bool namedAfterPort = amp != std::wstring::npos && instance.compare(amp + 1, std::wstring::npos, port) == 0;
    return namedAfterPort || AsciiUpper(locationInformation) == port;
}
