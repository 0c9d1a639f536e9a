#include "install/DeviceRecords.h"

#include <vector>

#include "install/DeviceDetection.h"
#include "install/DeviceRecordsCore.h"
#include "support/Registry.h"

namespace {

const REGSAM kReadWrite = KEY_READ | KEY_WRITE;

void WriteValues(CRegistry& reg, const std::vector<RegistryValue>& values)
{
    for (const RegistryValue& value : values) {
        if (value.isNumber)
            reg.WriteDword(value.name, value.number);
        else
            reg.WriteString(value.name, value.text, REG_SZ);
    }
}

// Half one: the class key's own values when it is empty, and a new
// instance key. Returns the instance key's name, empty when the class key
// could not be opened.
std::wstring AddClassInstance(const InstallContext& context,
                              const std::vector<RegistryValue>& instanceValues)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(kPrinterClassKey, TRUE))
        return std::wstring();
    const std::vector<std::wstring> subKeys = reg.ListSubKeys(reg.GetKey());
    if (subKeys.empty())
        WriteValues(reg, ClassKeyValues(context.classKeyDefaultValue));
    const std::wstring instance = InstanceKeyName(NextInstanceNumber(subKeys));
    if (reg.OpenSubKey(reg.GetKey(), instance, kReadWrite, TRUE))
        WriteValues(reg, instanceValues);
    return instance;
}

void WriteHandOff(const std::vector<RegistryValue>& values)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (reg.OpenKey(kPrinterClassKey, TRUE))
        WriteValues(reg, values);
}

} // namespace

void WriteUsbDeviceRecords(const InstallContext& context, std::wstring usbIdSuffix)
{
    const PrinterModel& model = context.model;
    const std::wstring instance = AddClassInstance(context, UsbInstanceValues(model, usbIdSuffix));

    std::wstring deviceKey;
    if (!FindDeviceKey(L"USBPRINT", ModelDeviceKeyName(model, usbIdSuffix), deviceKey))
        return;
    {
        // The device must still be there to be handed over.
        CRegistry device(HKEY_LOCAL_MACHINE, KEY_READ);
        if (!device.OpenKey(std::wstring(kEnumRootKey) + L"USBPRINT\\" + deviceKey, FALSE))
            return;
    }
    WriteHandOff(UsbHandOffValues(model, instance, deviceKey));
}

void WriteLptDeviceRecords(const InstallContext& context, std::wstring lptIdSuffix)
{
    const PrinterModel& model = context.model;
    const std::wstring instance = AddClassInstance(context, LptInstanceValues(model, lptIdSuffix));

    std::wstring deviceKey;
    if (!FindDeviceKey(L"LPTENUM", ModelDeviceKeyName(model, lptIdSuffix), deviceKey))
        return;
    WriteHandOff(LptHandOffValues(model, instance, deviceKey));
}
