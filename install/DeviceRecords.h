// Ties the connected device to the new driver in the Plug-and-Play records:
// a new instance key under the printer class key and, when the model's
// device is connected, the hand-off values that the helper service moves
// into the device's keys.
#ifndef QV_INSTALL_DEVICERECORDS_H
#define QV_INSTALL_DEVICERECORDS_H

#include <string>

#include "context/InstallContext.h"

// Both read the other model fields from `context.model`, and return true
// when the device's key was there and the hand-off values were written for
// the helper; false when there is no device to finish or a key could not be
// written.
bool WriteUsbDeviceRecords(const InstallContext& context, std::wstring usbIdSuffix);
bool WriteLptDeviceRecords(const InstallContext& context, std::wstring lptIdSuffix);

// Whether every instance of the model's connected device (USB or, for
// `usb` false, parallel) is tied to a printer class instance made for the
// model (its "Driver" value names one whose device id and driver are the
// model's), or, on the parallel cable, names its maker already (the helper
// leaves such an instance as it is); true as well when no such device is
// connected.
bool DeviceRecordsFinished(const InstallContext& context, bool usb);

// Deletes the hand-off values from the printer class key (those that are
// there); false when one of them could not be deleted.
bool ClearHelperHandOff();

#endif
