// Decisions of the helper service program that need no Windows call: where
// its log goes, how an entry looks, what its command line asks for, and
// which parallel-port device instances receive the hand-off values.
// Texts are 8-bit, as everywhere in the helper.
#ifndef QV_HELPER_HELPERCORE_H
#define QV_HELPER_HELPERCORE_H

#include <cstddef>
#include <string>

#include "context/HelperProtocol.h"

// The service's name, keys and value names are the ones the installer uses.
using helper_protocol::kDefaultBrandSeries;
using helper_protocol::kGenericLptDeviceKey;
using helper_protocol::kLptEnumKey;
using helper_protocol::kPrinterClassKey;
using helper_protocol::kServiceName;

// The paths derived from the program's own full path.
struct HelperPaths {
    std::string installPath;  // binary path for "-i"; empty when none
    std::string logPath;      // the log beside the program; empty when none
};

// The program's own path gives the install path, and with its ".exe"
// replaced by ".log" the log path. Both are set only when the path is longer
// than four characters and its fourth-last character is '.'.
HelperPaths DeriveHelperPaths(const std::string& modulePath);

// A moment of local time, as the log shows it.
struct LogTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// "MM/DD/YYYY, hh:mm:ss\n    " followed by the message. No newline is added:
// a message without one runs into the next entry.
std::string FormatLogEntry(const LogTime& time, const std::string& message);

// printf-style composition of a log message.
std::string FormatLogMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// What the command line asks for. Only the first argument counts.
enum class HelperCommand {
    Install,       // -i
    Stop,          // -k
    Remove,        // -u
    Start,         // -s
    RunAsService,  // anything else, or nothing
};

// `firstArgument` is null when the program got no argument.
HelperCommand ParseHelperCommand(const char* firstArgument);

// Parallel-port update: whether device key `deviceKeyName` below the
// enumerator is one of ours. It is when it is the key that the installer
// named in "_ToPath" (a path below the parallel-port enumerator; the names
// are compared ignoring ASCII case, as the registry does), or when it is
// exactly the generic "QuorvexPrinter". A name that merely contains either,
// or the brand series, is another printer's.
bool IsLptDeviceKeySelected(const std::string& deviceKeyName, const std::string& toPath);

// USB update: whether "_ToPath" names one device key directly below the USB
// printing enumerator ("SYSTEM\CurrentControlSet\Enum\USBPRINT\<device>",
// ASCII case ignored). Anything else (another enumerator, a deeper or
// shallower key, "." or "..") is not a path the installer hands over.
bool IsUsbDevicePath(const std::string& toPath);

// How many times an instance of a selected device key receives the five
// values: once when it has no readable "Mfg" value, and once more when the
// device key is named exactly "QuorvexPrinter".
int LptInstanceWriteCount(const std::string& deviceKeyName, bool instanceHasMfg);

#endif
