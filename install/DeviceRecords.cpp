#include "install/DeviceRecords.h"

#include <vector>

#include "install/DeviceDetection.h"
#include "context/HelperProtocol.h"
#include "install/DeviceRecordsCore.h"
#include "install/UsbDetection.h"
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

// Half one: the class key's own values when it has no instance yet, and a
// new instance key. Returns the instance key's name, empty when the class
// key could not be opened. Of the class key's values only those that are
// missing are written: Windows keeps its own there on a machine that never
// had a Plug-and-Play printer, and they stay as they are.
std::wstring AddClassInstance(const InstallContext& context,
                              const std::vector<RegistryValue>& instanceValues)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(kPrinterClassKey, TRUE))
        return std::wstring();
    const std::vector<std::wstring> subKeys = reg.ListSubKeys(reg.GetKey());
    if (subKeys.empty()) {
        const std::vector<std::wstring> present = reg.ListValueNames(reg.GetKey());
        std::vector<RegistryValue> missing;
        for (const RegistryValue& value : ClassKeyValues(context.classKeyDefaultValue)) {
            bool there = false;
            for (const std::wstring& name : present)
                there = there || lstrcmpiW(name.c_str(), value.name.c_str()) == 0;
            if (!there)
                missing.push_back(value);
        }
        WriteValues(reg, missing);
    }
    const std::wstring instance = InstanceKeyName(NextInstanceNumber(subKeys));
    if (reg.OpenSubKey(reg.GetKey(), instance, kReadWrite, TRUE))
        WriteValues(reg, instanceValues);
    return instance;
}

bool WriteHandOff(const std::vector<RegistryValue>& values)
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(kPrinterClassKey, FALSE))
        return false;
    bool written = true;
    for (const RegistryValue& value : values)
        written = static_cast<bool>(value.isNumber ? reg.WriteDword(value.name, value.number)
                                                   : reg.WriteString(value.name, value.text, REG_SZ)) &&
                  written;
    return written;
}

} // namespace

bool WriteUsbDeviceRecords(const InstallContext& context, std::wstring usbIdSuffix)
{
    const PrinterModel& model = context.model;
    const std::wstring instance = AddClassInstance(context, UsbInstanceValues(model, usbIdSuffix));
    if (instance.empty())
        return false;

    std::wstring deviceKey;
    if (!FindDeviceKey(L"USBPRINT", ModelDeviceKeyName(model, usbIdSuffix), deviceKey))
        return false;
    {
        // The device must still be there to be handed over.
        CRegistry device(HKEY_LOCAL_MACHINE, KEY_READ);
        if (!device.OpenKey(std::wstring(kEnumRootKey) + L"USBPRINT\\" + deviceKey, FALSE))
            return false;
    }
    return WriteHandOff(UsbHandOffValues(model, instance, deviceKey));
}

bool WriteLptDeviceRecords(const InstallContext& context, std::wstring lptIdSuffix)
{
    const PrinterModel& model = context.model;
    const std::wstring instance = AddClassInstance(context, LptInstanceValues(model, lptIdSuffix));
    if (instance.empty())
        return false;

    std::wstring deviceKey;
    if (!FindDeviceKey(L"LPTENUM", ModelDeviceKeyName(model, lptIdSuffix), deviceKey))
        return false;
    return WriteHandOff(LptHandOffValues(model, instance, deviceKey));
}

bool DeviceRecordsFinished(const InstallContext& context, bool usb)
{
    const PrinterModel& model = context.model;
    const std::wstring enumerator = usb ? L"USBPRINT" : L"LPTENUM";
    const std::wstring suffix = usb ? model.usbIdSuffix : model.lptIdSuffix;
    std::wstring deviceKey;
    if (!FindDeviceKey(enumerator, ModelDeviceKeyName(model, suffix), deviceKey))
        return true;
    std::wstring matchingId;
    for (const RegistryValue& value : usb ? UsbInstanceValues(model, suffix) : LptInstanceValues(model, suffix))
        if (value.name == L"MatchingDeviceId")
            matchingId = value.text;
    const std::wstring devicePath = std::wstring(kEnumRootKey) + enumerator + L"\\" + deviceKey;
    CRegistry device(HKEY_LOCAL_MACHINE, KEY_READ);
    if (!device.OpenKey(devicePath, FALSE))
        return true;
    const std::wstring prefix = std::wstring(kPrinterClassGuid) + L"\\";
    for (const std::wstring& name : device.ListSubKeys(device.GetKey())) {
        CRegistry instance(HKEY_LOCAL_MACHINE, KEY_READ);
        std::wstring driver, matching, description, maker;
        if (!instance.OpenKey(devicePath + L"\\" + name, FALSE))
            return false;
        // A parallel device's instance that names its maker is one the
        // helper leaves as it is: running it again would change nothing there.
        if (!usb && instance.ReadString(L"Mfg", maker))
            continue;
        if (!instance.ReadString(L"Driver", driver) ||
            driver.size() <= prefix.size() || lstrcmpiW(driver.substr(0, prefix.size()).c_str(), prefix.c_str()) != 0)
            return false;
        CRegistry classInstance(HKEY_LOCAL_MACHINE, KEY_READ);
        if (!classInstance.OpenKey(kPrinterClassKey + L"\\" + driver.substr(prefix.size()), FALSE) ||
            !classInstance.ReadString(L"MatchingDeviceId", matching) ||
            lstrcmpiW(matching.c_str(), matchingId.c_str()) != 0 ||
            !classInstance.ReadString(L"DriverDesc", description) ||
            lstrcmpiW(description.c_str(), model.driverName.c_str()) != 0)
            return false;
    }
    return true;
}

bool ClearHelperHandOff()
{
    CRegistry reg(HKEY_LOCAL_MACHINE, kReadWrite);
    if (!reg.OpenKey(kPrinterClassKey, FALSE))
        return true;  // no class key: nothing handed over
    bool cleared = true;
    for (const char* name : helper_protocol::kHandOffNames) {
        const std::wstring value = WidenAscii(name);
        std::wstring text;
        DWORD number = 0;
        if (reg.ReadString(value, text) || reg.ReadDword(value, number))
            cleared = static_cast<bool>(reg.DeleteValue(value)) && cleared;
    }
    return cleared;
}
