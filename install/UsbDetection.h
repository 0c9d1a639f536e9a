// Pure rules of device detection: where the USB printer's port record lives,
// the port's name, and which device key belongs to a model.
#ifndef QV_INSTALL_USBDETECTION_H
#define QV_INSTALL_USBDETECTION_H

#include <string>
#include <vector>

#include "app/PrinterModel.h"

// Results of DetectUsbPrinterPort; the numbers are the installation
// sequence's result codes and are passed on unchanged.
enum UsbDetectStatus : int {
    UsbDetectFound = 0,        // port name and description are set
    UsbDetectNoPrinter = 1,    // "Count" is 0 or missing
    UsbDetectNotMatched = 2,   // device parameters or port record not found
    UsbDetectNotAvailable = 10 // the usbprint service has no Enum key
};

// Registry paths below HKEY_LOCAL_MACHINE.
extern const wchar_t* const kUsbPrintEnumKey;      // SYSTEM\...\Services\usbprint\Enum
extern const wchar_t* const kEnumRootKey;          // SYSTEM\CurrentControlSet\Enum\ (trailing "\")
extern const wchar_t* const kPrinterPortClassGuid; // {28d78fad-5a12-11d1-ae5b-0000f803a8c2}

// The interface reference of a device's "SymbolicName": the text before the
// first "{" starting at its first "USB" (exact case), the whole text when it
// has no "{", and the instance path with "\" turned into "#" plus a final
// "#" when that leaves nothing.
std::wstring InterfaceReferenceFromSymbolicName(const std::wstring& symbolicName,
                                                const std::wstring& instancePath);

// "##?#" + reference + the printer-port class GUID.
std::wstring PrinterPortInterfaceKeyName(const std::wstring& reference);

// SYSTEM\CurrentControlSet\Control\DeviceClasses\{28d78fad-...}\<key>\#\Device Parameters
std::wstring PrinterPortParametersPath(const std::wstring& interfaceKeyName);

// SYSTEM\CurrentControlSet\Enum\<instance path>\Device Parameters
std::wstring DeviceParametersPath(const std::wstring& instancePath);

// "USB%03d": 1 gives "USB001", 1234 "USB1234".
std::wstring UsbPortName(unsigned long portNumber);

// ASCII letters upper-cased; other characters as they are.
std::wstring AsciiUpper(const std::wstring& text);

// The model's device-id key: namePrefix + nameNumber, upper-cased.
std::wstring DeviceIdKey(const PrinterModel& model);

// Index of the first name that contains `deviceIdKey` (ignoring ASCII case),
// or -1. An empty key matches the first name.
int FindDeviceKeyIndex(const std::vector<std::wstring>& names, const std::wstring& deviceIdKey);

#endif
