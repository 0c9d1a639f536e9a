#include "install/SerialPortsCore.h"

#include <algorithm>

unsigned SerialPortNumber(const std::wstring& name)
{
    if (name.size() < 4 || name.size() > 7)
        return 0;
    for (int i = 0; i < 3; ++i) {
        const wchar_t upper = (name[i] >= L'a' && name[i] <= L'z') ? static_cast<wchar_t>(name[i] - 32) : name[i];
        if (upper != L"COM"[i])
            return 0;
    }
    if (name[3] == L'0')
        return 0;
    unsigned number = 0;
    for (std::wstring::size_type i = 3; i < name.size(); ++i) {
        if (name[i] < L'0' || name[i] > L'9')
            return 0;
        number = number * 10 + static_cast<unsigned>(name[i] - L'0');
    }
    return number;
}

std::vector<std::wstring> SortedSerialPortNames(const std::vector<std::wstring>& values)
{
    std::vector<unsigned> numbers;
    for (const std::wstring& value : values) {
        const unsigned number = SerialPortNumber(value);
        if (number != 0)
            numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<std::wstring> names;
    for (unsigned number : numbers)
        names.push_back(L"COM" + std::to_wstring(number));
    return names;
}

bool IsSupportedBaudRate(unsigned baud)
{
    static const unsigned kRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,
                                      14400, 19200, 38400, 57600, 115200, 128000, 256000};
    return std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

SerialLine MakeSerialLine(const SerialSettings& settings)
{
    SerialLine line;
    line.baudRate = settings.baud;
    switch (settings.flow) {
    case FlowControl::XonXoff:
        line.outX = true;
        line.inX = true;
        break;
    case FlowControl::Hardware:
        line.outxCtsFlow = true;
        line.outxDsrFlow = true;
        line.dtrControl = kDtrControlHandshake;
        line.rtsControl = kRtsControlHandshake;
        break;
    case FlowControl::None:
        break;
    }
    return line;
}

SerialSettings ReadSerialLine(const SerialLine& line)
{
    SerialSettings settings;
    settings.baud = line.baudRate;
    if (line.outxCtsFlow && line.rtsControl == kRtsControlHandshake)
        settings.flow = FlowControl::Hardware;
    else if (line.outX && line.inX)
        settings.flow = FlowControl::XonXoff;
    else
        settings.flow = FlowControl::None;
    return settings;
}
