// Finds, from the registry records that Windows keeps for connected
// printers, the USB printer's port and the chosen model's device key.
// Reads only.
#ifndef QV_INSTALL_DEVICEDETECTION_H
#define QV_INSTALL_DEVICEDETECTION_H

#include <string>

#include "install/UsbDetection.h"

// The port of the first USB printer the usbprint service enumerated.
// Returns a UsbDetectStatus value (0, 1, 2 or 10); `portDescription` and
// `portName` ("USB%03d") are written only when it returns 0.
int DetectUsbPrinterPort(std::wstring& portDescription, std::wstring& portName);

// The first device key under SYSTEM\CurrentControlSet\Enum\<enumerator>
// ("USBPRINT" or "LPTENUM") whose name contains `deviceIdKey`, ignoring
// ASCII case. On success `keyName` is that name upper-cased.
bool FindDeviceKey(const std::wstring& enumerator, const std::wstring& deviceIdKey,
                   std::wstring& keyName);

#endif
