// Decisions of the helper service program that need no Windows call.
#include "helper/HelperCore.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>


HelperPaths DeriveHelperPaths(const std::string& modulePath)
{
    HelperPaths paths;
    const std::size_t n = modulePath.size();
    if (n > 4 && modulePath[n - 4] == '.') {
        paths.installPath = modulePath;
        paths.logPath = modulePath.substr(0, n - 4) + ".log";
    }
    return paths;
}

std::string FormatLogEntry(const LogTime& time, const std::string& message)
{
    return FormatLogMessage("%02d/%02d/%04d, %02d:%02d:%02d\n    ", time.month, time.day,
                            time.year, time.hour, time.minute, time.second) +
           message;
}

std::string FormatLogMessage(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
    return text;
}

HelperCommand ParseHelperCommand(const char* firstArgument)
{
    if (firstArgument == nullptr || firstArgument[0] != '-' || firstArgument[1] == '\0' ||
        firstArgument[2] != '\0') {
        return HelperCommand::RunAsService;
    }
    switch (std::tolower(static_cast<unsigned char>(firstArgument[1]))) {
    case 'i':
        return HelperCommand::Install;
    case 'k':
        return HelperCommand::Stop;
    case 'u':
        return HelperCommand::Remove;
    case 's':
        return HelperCommand::Start;
    default:
        return HelperCommand::RunAsService;
    }
}

namespace {

std::string AsciiUpper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

}  // namespace

bool IsLptDeviceKeySelected(const std::string& deviceKeyName, const std::string& toPath)
{
    if (deviceKeyName == kGenericLptDeviceKey)
        return true;
    const std::string prefix = AsciiUpper(std::string(kLptEnumKey) + "\\");
    const std::string path = AsciiUpper(toPath);
    if (deviceKeyName.empty() || path.compare(0, prefix.size(), prefix) != 0)
        return false;
    return path.substr(prefix.size()) == AsciiUpper(deviceKeyName);
}

bool IsUsbDevicePath(const std::string& toPath)
{
    const std::string prefix = AsciiUpper(std::string(helper_protocol::kEnumKey) + "\\USBPRINT\\");
    const std::string path = AsciiUpper(toPath);
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string device = path.substr(prefix.size());
    return device.find('\\') == std::string::npos && device != "." && device != "..";
}

int LptInstanceWriteCount(const std::string& deviceKeyName, bool instanceHasMfg)
{
    int count = instanceHasMfg ? 0 : 1;
    if (deviceKeyName == kGenericLptDeviceKey)
        ++count;
    return count;
}
