// Ties the connected device to the new driver in the Plug-and-Play records:
// a new instance key under the printer class key and, when the model's
// device is connected, the hand-off values that the helper service moves
// into the device's keys.
#ifndef QV_INSTALL_DEVICERECORDS_H
#define QV_INSTALL_DEVICERECORDS_H

#include <string>

#include "context/InstallContext.h"

// Both read the other model fields from `context.model`. Neither reports
// anything; a write that fails is skipped.
void WriteUsbDeviceRecords(const InstallContext& context, std::wstring usbIdSuffix);
void WriteLptDeviceRecords(const InstallContext& context, std::wstring lptIdSuffix);

#endif
