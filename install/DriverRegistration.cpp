#include "install/DriverRegistration.h"

#include <windows.h>
#include <winspool.h>

#include "install/DriverFileStager.h"
#include "install/DriverRecord.h"

bool RegisterPrinterDriver(const InstallContext& context, const std::wstring& infBaseName,
                           const std::wstring& driverName, const std::wstring& connectionType)
{
    DriverRecordTexts texts = MakeDriverRecord(
        GetDriverDirectory(context.environment), context.environment, infBaseName, driverName,
        connectionType, context.model.namePrefix, context.model.nameNumber);

    DRIVER_INFO_3W info = {};
    info.cVersion = 3;
    info.pName = &texts.name[0];
    info.pEnvironment = &texts.environment[0];
    info.pDriverPath = &texts.driverPath[0];
    info.pDataFile = &texts.dataFile[0];
    info.pConfigFile = &texts.configFile[0];
    info.pHelpFile = &texts.helpFile[0];
    info.pDependentFiles = &texts.dependentFiles[0];
    info.pMonitorName = nullptr;
    info.pDefaultDataType = &texts.defaultDataType[0];
    return AddPrinterDriverExW(nullptr, 3, reinterpret_cast<LPBYTE>(&info), APD_COPY_NEW_FILES) != FALSE;
}
