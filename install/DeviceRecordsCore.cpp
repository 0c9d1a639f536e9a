#include "install/DeviceRecordsCore.h"

#include "context/HelperProtocol.h"

const wchar_t* const kPrinterClassGuid = L"{4D36E979-E325-11CE-BFC1-08002BE10318}";
const std::wstring kPrinterClassKey = WidenAscii(helper_protocol::kPrinterClassKey);

namespace {
// Instance numbers stay within a signed 32-bit value even after the +1.
const long kHighestInstance = 2147483646L;

RegistryValue Text(const std::wstring& name, const std::wstring& text)
{
    return RegistryValue{name, false, text, 0};
}

RegistryValue Number(const std::wstring& name, std::uint32_t number)
{
    return RegistryValue{name, true, std::wstring(), number};
}

std::wstring HandOff(const char* name)
{
    return WidenAscii(name);
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f';
}
}

long LeadingNumber(const std::wstring& name)
{
    std::wstring::size_type i = 0;
    while (i < name.size() && IsBlank(name[i]))
        ++i;
    bool negative = false;
    if (i < name.size() && (name[i] == L'+' || name[i] == L'-')) {
        negative = name[i] == L'-';
        ++i;
    }
    // Worked out in 64 bits: `long` is 32 bits on Windows, where ten digits
    // would already overflow before the clamp.
    long long value = 0;
    for (; i < name.size() && name[i] >= L'0' && name[i] <= L'9'; ++i) {
        value = value * 10 + (name[i] - L'0');
        if (value > kHighestInstance)
            value = kHighestInstance;
    }
    return static_cast<long>(negative ? -value : value);
}

long NextInstanceNumber(const std::vector<std::wstring>& subKeyNames)
{
    long highest = -1;
    for (const std::wstring& name : subKeyNames) {
        const long number = LeadingNumber(name);
        if (number >= highest)
            highest = number;
    }
    return highest + 1;
}

std::wstring InstanceKeyName(long number)
{
    // As "%04d": the zeros go after a sign, which counts towards the width.
    std::wstring text = std::to_wstring(number);
    if (text.size() < 4)
        text.insert(number < 0 ? 1 : 0, 4 - text.size(), L'0');
    return text;
}

std::vector<RegistryValue> ClassKeyValues(const std::wstring& defaultValue)
{
    return {
        Text(L"", defaultValue),
        Text(L"Class", L"Printer"),
        Text(L"Icon", L"-4"),
        Text(L"Installer32", L"ntprint.dll,ClassInstall32"),
        Text(L"NoDisplayClass", L"1"),
        Text(L"EnumPropPages32", L"printui.dll,PrinterPropPageProvider"),
    };
}

std::vector<RegistryValue> UsbInstanceValues(const PrinterModel& model,
                                             const std::wstring& usbIdSuffix)
{
    return {
        Text(L"ProviderName", model.manufacturer),
        Text(L"MatchingDeviceId", L"usbprint\\" + usbIdSuffix),
        Text(L"DriverDesc", model.driverName),
    };
}

std::vector<RegistryValue> LptInstanceValues(const PrinterModel& model,
                                             const std::wstring& lptIdSuffix)
{
    return {
        Text(L"ProviderName", model.manufacturer),
        Text(L"MatchingDeviceId", L"LPTENUM\\" + lptIdSuffix),
        Text(L"DriverDesc", model.driverName),
    };
}

std::vector<RegistryValue> UsbHandOffValues(const PrinterModel& model,
                                            const std::wstring& instanceName,
                                            const std::wstring& deviceKeyName)
{
    const std::wstring driver = std::wstring(kPrinterClassGuid) + L"\\" + instanceName;
    return {
        Text(HandOff(helper_protocol::kDeviceDesc), model.deviceDescription),
        Number(HandOff(helper_protocol::kConfigFlags), 0),
        Text(HandOff(helper_protocol::kClassGuid), kPrinterClassGuid),
        Text(HandOff(helper_protocol::kClass), L"Printer"),
        Text(HandOff(helper_protocol::kDriver), driver),
        Text(HandOff(helper_protocol::kMfg), model.manufacturer),
        Number(HandOff(helper_protocol::kUpdateMode), helper_protocol::kUpdateDevicePath),
        Text(HandOff(helper_protocol::kToPath), WidenAscii(helper_protocol::kEnumKey) + L"\\USBPRINT\\" + deviceKeyName),
    };
}

std::vector<RegistryValue> LptHandOffValues(const PrinterModel& model,
                                            const std::wstring& instanceName,
                                            const std::wstring& deviceKeyName)
{
    const std::wstring driver = std::wstring(kPrinterClassGuid) + L"\\" + instanceName;
    return {
        Text(HandOff(helper_protocol::kDeviceDesc), model.deviceDescription),
        Number(HandOff(helper_protocol::kConfigFlags), 0),
        Text(HandOff(helper_protocol::kClassGuid), kPrinterClassGuid),
        Text(HandOff(helper_protocol::kDriver), driver),
        Text(HandOff(helper_protocol::kClass), L"Printer"),
        Text(HandOff(helper_protocol::kMfg), model.manufacturer),
        Number(HandOff(helper_protocol::kUpdateMode), helper_protocol::kUpdateParallelPorts),
        Text(HandOff(helper_protocol::kBrandSeries), model.manufacturer + model.namePrefix),
        Text(HandOff(helper_protocol::kToPath), WidenAscii(helper_protocol::kLptEnumKey) + L"\\" + deviceKeyName),
    };
}
