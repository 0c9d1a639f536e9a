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

// Deletes the hand-off values from the printer class key (those that are
// there); false when one of them could not be deleted.
bool ClearHelperHandOff();

#endif
