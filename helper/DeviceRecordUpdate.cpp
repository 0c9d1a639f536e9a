// Moving the hand-off values into the device's instance keys.
#include "helper/DeviceRecordUpdate.h"

#include "helper/HelperCore.h"
#include "helper/HelperLog.h"
#include "helper/HelperRegistry.h"

namespace {

const REGSAM kReadAccess = KEY_READ;                // 0x20019
const REGSAM kWriteAccess = KEY_READ | KEY_WRITE;  // 0x2001f

// Reads the nine values in their fixed order, each defaulting when missing.
// The defaults of the mode and the brand series are also written back; they
// go again with the other values right after the read.
HandOffValues ReadHandOffValues(CHelperRegistry& classKey)
{
    HandOffValues values;
    using namespace helper_protocol;
    classKey.ReadString(kToPath, values.toPath);
    if (!classKey.ReadDword(kUpdateMode, values.updateMode)) {
        values.updateMode = kUpdateDevicePath;
        classKey.WriteDword(kUpdateMode, kUpdateDevicePath);
    }
    if (!classKey.ReadString(kBrandSeries, values.brandSeries)) {
        values.brandSeries = kDefaultBrandSeries;
        classKey.WriteString(kBrandSeries, values.brandSeries);
    } else if (values.brandSeries.empty()) {
        values.brandSeries = kDefaultBrandSeries;
    }
    classKey.ReadString(kDeviceDesc, values.deviceDesc);
    classKey.ReadDword(kConfigFlags, values.configFlags);
    classKey.ReadString(kClassGuid, values.classGuid);
    classKey.ReadString(kDriver, values.driver);
    classKey.ReadString(kClass, values.className);
    classKey.ReadString(kMfg, values.mfg);
    return values;
}

void DeleteHandOffValues(CHelperRegistry& classKey)
{
    for (const char* name : helper_protocol::kHandOffNames)
        classKey.DeleteValue(name);
}

// The five values both updates write, in their fixed order.
void WriteFiveValues(CHelperRegistry& key, const HandOffValues& values)
{
    key.WriteDword("ConfigFlags", values.configFlags);
    key.WriteString("ClassGUID", values.classGuid);
    key.WriteString("Driver", values.driver);
    key.WriteString("Class", values.className);
    key.WriteString("Mfg", values.mfg);
}

// Mode 0: every instance key of the device key named by "_ToPath".
void UpdateDevicePath(CHelperLog& log, const HandOffValues& values)
{
    log.Write("dwUpdateMode == 0");
    if (values.toPath.empty())
        return;
    // Only a device key of the USB printing enumerator, and only one that is
    // still there: a device unplugged since the installer looked is not made
    // again, empty, by the system account.
    if (!IsUsbDevicePath(values.toPath)) {
        log.Write("not a USB printer device path: " + values.toPath);
        return;
    }
    CHelperRegistry deviceKey(HKEY_LOCAL_MACHINE, kWriteAccess);
    if (!deviceKey.OpenKey(values.toPath, FALSE))
        return;
    log.Write("write to path = " + values.toPath);
    for (const std::string& instance : deviceKey.ListSubKeys(deviceKey.GetKey())) {
        CHelperRegistry instanceKey(HKEY_LOCAL_MACHINE, kWriteAccess);
        if (!instanceKey.OpenKey(values.toPath + "\\" + instance, FALSE))
            continue;
        instanceKey.WriteString("DeviceDesc", values.deviceDesc);
        WriteFiveValues(instanceKey, values);
    }
}

// Any other mode: the instances of our device key (the one "_ToPath" names)
// and of the generic one below the parallel-port enumerator.
void UpdateParallelPorts(CHelperLog& log, const HandOffValues& values)
{
    log.Write("dwUpdateMode > 0");
    CHelperRegistry enumKey(HKEY_LOCAL_MACHINE, kReadAccess);
    if (!enumKey.OpenKey(kLptEnumKey, FALSE))
        return;
    for (const std::string& device : enumKey.ListSubKeys(enumKey.GetKey())) {
        if (!IsLptDeviceKeySelected(device, values.toPath))
            continue;
        const std::string devicePath = std::string(kLptEnumKey) + "\\" + device;
        CHelperRegistry deviceKey(HKEY_LOCAL_MACHINE, kReadAccess);
        if (!deviceKey.OpenKey(devicePath, FALSE))
            continue;
        for (const std::string& instance : deviceKey.ListSubKeys(deviceKey.GetKey())) {
            CHelperRegistry instanceKey(HKEY_LOCAL_MACHINE, kWriteAccess);
            if (!instanceKey.OpenKey(devicePath + "\\" + instance, FALSE))
                continue;
            std::string mfg;
            const bool hasMfg = static_cast<bool>(instanceKey.ReadString("Mfg", mfg));
            const int writes = LptInstanceWriteCount(device, hasMfg);
            for (int i = 0; i < writes; ++i)
                WriteFiveValues(instanceKey, values);
        }
    }
}

}  // namespace

void ApplyDeviceRecords(CHelperLog& log)
{
    CHelperRegistry classKey(HKEY_LOCAL_MACHINE, kWriteAccess);
    if (!classKey.OpenKey(kPrinterClassKey, FALSE))
        return;
    log.Write(std::string("open ") + kPrinterClassKey);
    const HandOffValues values = ReadHandOffValues(classKey);
    // From here on the values live only in memory.
    DeleteHandOffValues(classKey);
    if (values.updateMode == helper_protocol::kUpdateDevicePath)
        UpdateDevicePath(log, values);
    else
        UpdateParallelPorts(log, values);
}
