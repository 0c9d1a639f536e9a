// Finds, from the registry records that Windows keeps for connected
// printers, the USB printer's port and the chosen model's device key.
// Reads only.
#ifndef QV_INSTALL_DEVICEDETECTION_H
#define QV_INSTALL_DEVICEDETECTION_H

#include <string>

#include "context/InstallResult.h"
#include "install/UsbDetection.h"

// The port of the model's USB printer. Every printer the usbprint service
// enumerated is looked at; the model's is the one whose port carries an
// instance of the model's device key (`deviceKeyName`, see
// ModelDeviceKeyName). Returns
//   Success: `portDescription` and `portName` ("USB%03d") are set;
//   UsbNoPrinter: the service's "Count" is 0 or missing;
//   UsbDeviceNotMatched: no enumerated printer is the model's; when another
//      printer's port could be read, the outputs hold the first such port,
//      for an installation the user forces;
//   UsbNotAvailable: the service has no Enum key.
InstallResult DetectUsbPrinterPort(const std::wstring& deviceKeyName, std::wstring& portDescription,
                         std::wstring& portName);

// The device key under SYSTEM\CurrentControlSet\Enum\<enumerator>
// ("USBPRINT" or "LPTENUM") whose name is `deviceKeyName`, ignoring ASCII
// case. On success `keyName` is that name upper-cased.
bool FindDeviceKey(const std::wstring& enumerator, const std::wstring& deviceKeyName,
                   std::wstring& keyName);

#endif
