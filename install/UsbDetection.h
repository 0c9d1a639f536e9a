// Pure rules of device detection: where the USB printer's port record lives,
// the port's name, and which device key belongs to a model.
#ifndef QV_INSTALL_USBDETECTION_H
#define QV_INSTALL_USBDETECTION_H

#include <string>
#include <vector>

#include "context/PrinterModel.h"

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

// The name of the model's device key below an enumerator: the hardware id
// that follows "USBPRINT\" or "LPTENUM\" in its INF file (manufacturer, model
// key and id suffix run together), upper-cased. The suffix ends at the first
// blank, tab, comma or semicolon, where the INF line goes on with something
// else; a hardware id holds none of them.
std::wstring ModelDeviceKeyName(const PrinterModel& model, const std::wstring& idSuffix);

// Index of the first name that equals `deviceKeyName` ignoring ASCII case,
// or -1. Nothing else matches: not a name that merely contains it (model
// "QX100" must not take a "QX1000" printer), and never an empty key.
int FindDeviceKeyIndex(const std::vector<std::wstring>& names, const std::wstring& deviceKeyName);

// Whether a printer instance below USBPRINT is the one on `portName`
// ("USB001"): the USB printing driver ends the instance name with the port
// ("7&2b4c5d6e&0&USB001"); an instance whose "LocationInformation" is the
// port's name counts too. ASCII case is ignored.
bool IsInstanceOnPort(const std::wstring& instanceName, const std::wstring& locationInformation,
                      const std::wstring& portName);

#endif
