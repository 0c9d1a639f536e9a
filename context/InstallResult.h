// The result of one installation run. The values are the ones the run has
// always reported (USB detection's own results among them), so logs and
// callers that read the numbers keep their meaning.
#ifndef QV_CONTEXT_INSTALLRESULT_H
#define QV_CONTEXT_INSTALLRESULT_H

#include <cstdint>

enum class InstallResult : std::int32_t {
    // The program was told to end while the run went on (a quit message, as
    // when Windows shuts down): the run stopped before its next step.
    Interrupted = -1,
    Success = 0,
    UsbNoPrinter = 1,         // the USB printing service lists no printer
    UsbDeviceNotMatched = 2,  // no listed USB printer is the model's
    UsbNotAvailable = 10,     // the USB printing service has never listed one
    FilesNotStaged = 20,
    PrinterNotCreated = 30,
    NetworkNoAnswer = 40,          // nothing answers at the network printer's address and port
    NetworkDeviceNotMatched = 41,  // the network printer says it is another model
    NetworkPortNotCreated = 42,    // the printer's Standard TCP/IP port could not be made
    SerialPortNotOpened = 50,      // the serial port is not there or cannot be opened
    SerialPortNotConfigured = 51,  // its settings could not be set, or the spooler has no port of it
    DriverNotAdded = 60,
    PrinterNotAdded = 70,
    SystemTooOld = 100,
};

inline std::int32_t ResultValue(InstallResult result)
{
    return static_cast<std::int32_t>(result);
}

#endif
