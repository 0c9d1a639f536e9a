// Pure rules of the Plug-and-Play records: the next class instance number,
// and the values written into the printer class key, its new instance key
// and, as hand-off values for the helper service, the class key again.
#ifndef QV_INSTALL_DEVICERECORDSCORE_H
#define QV_INSTALL_DEVICERECORDSCORE_H

#include <cstdint>
#include <string>
#include <vector>

#include "context/PrinterModel.h"

extern const wchar_t* const kPrinterClassGuid; // {4D36E979-E325-11CE-BFC1-08002BE10318}
extern const std::wstring kPrinterClassKey;     // SYSTEM\...\Control\Class\{4D36E979-...}

// One registry value: a REG_SZ text, or a REG_DWORD number.
struct RegistryValue {
    std::wstring name; // empty: the key's unnamed value
    bool isNumber;
    std::wstring text;
    std::uint32_t number;
};

// The leading decimal number of a key name, read as strtol does (leading
// white space and a sign allowed); 0 when the name does not start with one.
// Saturates instead of overflowing.
long LeadingNumber(const std::wstring& name);

// The number of the next class instance key: one more than the highest
// leading number of the existing subkey names, 0 with no subkeys.
long NextInstanceNumber(const std::vector<std::wstring>& subKeyNames);

// "%04d": 5 gives "0005", 12345 gives "12345".
std::wstring InstanceKeyName(long number);

// The six values of an empty class key, in writing order.
std::vector<RegistryValue> ClassKeyValues(const std::wstring& defaultValue);

// "ProviderName", "MatchingDeviceId", "DriverDesc" of the new instance key.
std::vector<RegistryValue> UsbInstanceValues(const PrinterModel& model,
                                             const std::wstring& usbIdSuffix);
std::vector<RegistryValue> LptInstanceValues(const PrinterModel& model,
                                             const std::wstring& lptIdSuffix);

// The hand-off values, in their writing order. `instanceName` is the new
// instance key's name (empty when it could not be made), `deviceKeyName`
// the upper-cased device key name found under the enumerator.
std::vector<RegistryValue> UsbHandOffValues(const PrinterModel& model,
                                            const std::wstring& instanceName,
                                            const std::wstring& deviceKeyName);
std::vector<RegistryValue> LptHandOffValues(const PrinterModel& model,
                                            const std::wstring& instanceName,
                                            const std::wstring& deviceKeyName);

#endif
