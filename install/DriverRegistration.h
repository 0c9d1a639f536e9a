// Registers the model's driver with the spooler (the direct path of 32-bit
// Windows 2000/XP/2003), from the files that the staging laid down.
#ifndef QV_INSTALL_DRIVERREGISTRATION_H
#define QV_INSTALL_DRIVERREGISTRATION_H

#include <string>

#include "context/InstallContext.h"

// One AddPrinterDriverExW call (level 3, APD_COPY_NEW_FILES) with the
// unidriver as rendering and configuration module, the model's GPD for
// `connectionType` ("LPT" or "USB") as data file and its plug-ins as
// dependent files. `context` gives the environment and the model's
// namePrefix/nameNumber. True when the spooler accepted the driver.
bool RegisterPrinterDriver(const InstallContext& context, const std::wstring& infBaseName,
                           const std::wstring& driverName, const std::wstring& connectionType);

#endif
