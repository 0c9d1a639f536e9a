// The helper's one real job: move the hand-off values that the installer
// left in the printer setup class key into the device's instance keys.
#ifndef QV_HELPER_DEVICERECORDUPDATE_H
#define QV_HELPER_DEVICERECORDUPDATE_H

#include <windows.h>

#include <string>

class CHelperLog;

// The hand-off values, without their leading underscore, after the read
// defaults have been applied.
struct HandOffValues {
    std::string toPath;
    DWORD updateMode = 0;
    std::string brandSeries;
    std::string deviceDesc;
    DWORD configFlags = 0;
    std::string classGuid;
    std::string driver;
    std::string className;
    std::string mfg;
};

// Reads the hand-off values from the class key, deletes them there and
// writes them into the device's instance keys: below "_ToPath" in update
// mode 0 (USB), below the parallel-port enumerator otherwise. Does nothing
// when the class key does not open. Registry failures are not logged.
void ApplyDeviceRecords(CHelperLog& log);

#endif
