#include "app/CommandLine.h"

#include "context/ConnectionRules.h"
#include "install/NetworkAddress.h"
#include "install/SerialPortsCore.h"

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring Folded(const std::wstring& text)
{
    std::wstring folded;
    folded.reserve(text.size());
    for (wchar_t c : text)
        folded += FoldAscii(c);
    return folded;
}

// The switch an argument names ("model" for "/MODEL" or "-model"); empty
// when the argument is not a switch.
std::wstring SwitchName(const std::wstring& argument)
{
    if (argument.size() < 2 || (argument[0] != L'/' && argument[0] != L'-'))
        return std::wstring();
    return Folded(argument.substr(1));
}

// A process id: decimal digits only, from 1 to the largest 32-bit number.
bool ParseProcessId(const std::wstring& text, unsigned long& processId)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    unsigned long long value = 0;
    for (wchar_t c : text)
        value = value * 10 + static_cast<unsigned>(c - L'0');
    if (value == 0 || value > 0xFFFFFFFFull)
        return false;
    processId = static_cast<unsigned long>(value);
    return true;
}

bool IsKnownSwitch(const std::wstring& name)
{
    for (const wchar_t* known : {L"?", L"quiet", L"force", L"model", L"cable", L"log", L"uninstall", L"cleanup",
                                 L"address", L"port", L"baud", L"flow"})
        if (name == known)
            return true;
    return false;
}

}  // namespace

const wchar_t kAutomaticModel[] = L"auto";

CommandLineOptions ParseCommandLine(const std::vector<std::wstring>& arguments)
{
    CommandLineOptions options;
    const auto fail = [&options](const std::wstring& why) {
        if (options.error.empty())
            options.error = why;
    };
    bool modelGiven = false, cableGiven = false, logGiven = false;
    bool addressGiven = false, portGiven = false, baudGiven = false, flowGiven = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const std::wstring name = SwitchName(argument);
        if (name.empty()) {
            fail(L"unexpected argument \"" + argument + L"\"");
            continue;
        }
        if (name == L"?") {
            options.help = true;
        } else if (name == L"quiet") {
            options.quiet = true;
        } else if (name == L"force") {
            options.force = true;
        } else if (name == L"uninstall") {
            options.uninstall = true;
        } else if (name == L"cleanup") {
            // Removal's own call of a copy of the program (see
            // CommandLineOptions::cleanupProcess): a process id, and nothing else.
            options.cleanup = true;
            unsigned long processId = 0;
            if (arguments.size() != 2 || i != 0 || !ParseProcessId(arguments[i + 1], processId)) {
                fail(L"/cleanup takes a process id and nothing else");
                continue;
            }
            options.cleanupProcess = processId;
            ++i;
        } else if (name == L"model" || name == L"cable" || name == L"log" || name == L"address" || name == L"port" ||
                   name == L"baud" || name == L"flow") {
            // The value is the next argument, unless that is a switch itself.
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                                  !IsKnownSwitch(SwitchName(arguments[i + 1]));
            if (!hasValue) {
                fail(argument + L" needs a value");
                continue;
            }
            const std::wstring& value = arguments[++i];
            bool& given = name == L"model"     ? modelGiven
                          : name == L"cable"   ? cableGiven
                          : name == L"log"     ? logGiven
                          : name == L"address" ? addressGiven
                          : name == L"port"    ? portGiven
                          : name == L"baud"    ? baudGiven
                                               : flowGiven;
            if (given) {
                fail(argument + L" is given twice");
                continue;
            }
            given = true;
            if (name == L"model") {
                options.model = value;
            } else if (name == L"log") {
                options.logPath = value;
            } else if (name == L"address") {
                std::wstring why;
                if (!ParseNetworkAddress(value, options.connection.networkHost, options.connection.networkPort, why))
                    fail(L"/address \"" + value + L"\": " + why);
            } else if (name == L"port") {
                const unsigned number = SerialPortNumber(value);
                if (number == 0)
                    fail(L"/port takes a serial port such as COM3, not \"" + value + L"\"");
                else
                    options.connection.serialPort = L"COM" + std::to_wstring(number);
            } else if (name == L"baud") {
                unsigned baud = 0;
                const bool digits = !value.empty() && value.size() <= 6 &&
                                    value.find_first_not_of(L"0123456789") == std::wstring::npos;
                for (wchar_t c : digits ? value : std::wstring())
                    baud = baud * 10 + static_cast<unsigned>(c - L'0');
                if (!digits || !IsSupportedBaudRate(baud)) {
                    fail(L"/baud takes a speed of the serial line, 110 to 256000 (such as 9600 or 115200), not \"" +
                         value + L"\"");
                } else {
                    options.connection.baud = baud;
                }
            } else if (name == L"flow") {
                const std::wstring flow = Folded(value);
                if (flow == L"none")
                    options.connection.flow = FlowControl::None;
                else if (flow == L"xonxoff")
                    options.connection.flow = FlowControl::XonXoff;
                else if (flow == L"hardware")
                    options.connection.flow = FlowControl::Hardware;
                else
                    fail(L"/flow takes none, xonxoff or hardware, not \"" + value + L"\"");
            } else if (Folded(value) == L"usb" || Folded(value) == L"parallel" || Folded(value) == L"network" ||
                       Folded(value) == L"serial") {
                options.cable = Folded(value);
            } else {
                fail(L"/cable takes usb, parallel, network or serial, not \"" + value + L"\"");
            }
        } else {
            fail(L"unknown switch \"" + argument + L"\"");
        }
    }
    options.connectionGiven = addressGiven || portGiven || baudGiven || flowGiven;
    if (options.help)
        return options;
    if (options.uninstall) {
        if (cableGiven || options.force)
            fail(L"/uninstall takes no /cable or /force");
        else if (options.connectionGiven)
            fail(L"/uninstall takes no /address, /port, /baud or /flow");
        else if (Folded(options.model) == kAutomaticModel)
            fail(L"/uninstall /model takes the name of an installed model, not auto");
        else if (!options.quiet && logGiven)
            fail(L"/log works only with /quiet");
        return options;
    }
    if (options.quiet && !modelGiven)
        fail(L"/quiet needs /model");
    if (!options.quiet && (modelGiven || cableGiven || logGiven || options.force || options.connectionGiven))
        fail(L"/model, /cable, /address, /port, /baud, /flow, /force and /log work only with /quiet");
    if (addressGiven && options.cable != L"network")
        fail(L"/address works only with /cable network");
    if ((portGiven || baudGiven || flowGiven) && options.cable != L"serial")
        fail(L"/port, /baud and /flow work only with /cable serial");
    if (options.cable == L"network" && !addressGiven)
        fail(L"/cable network needs /address HOST[:PORT]");
    if (options.cable == L"serial" && !portGiven)
        fail(L"/cable serial needs /port COMn");
    if (Folded(options.model) == kAutomaticModel && (options.cable == L"network" || options.cable == L"serial"))
        fail(L"/model auto finds printers on USB and parallel cables only; name the model for a network or "
             L"serial printer");
    return options;
}

const PrinterModel* FindNamedModel(const ModelCatalogue& catalogue, const std::wstring& name)
{
    const std::wstring wanted = Folded(name);
    if (wanted.empty())
        return nullptr;
    for (const PrinterModel& model : catalogue)
        if (Folded(model.infBaseName) == wanted || Folded(model.displayName) == wanted)
            return &model;
    return nullptr;
}

bool ChooseConnection(const PrinterModel& model, const std::wstring& cable, std::wstring& connectionType,
                      std::wstring& error)
{
    const bool usb = IsSuffixSupported(model.usbIdSuffix);
    const bool parallel = IsSuffixSupported(model.lptIdSuffix);
    if (cable == L"network" || cable == L"serial") {
        const bool network = cable == L"network";
        if (!OffersConnection(model, network ? L"NET" : L"COM")) {
            error = model.displayName + (network ? L" has no network connection" : L" has no serial connection");
            return false;
        }
        connectionType = network ? L"NET" : L"COM";
        return true;
    }
    if (cable.empty() && !usb && !parallel) {
        error = model.displayName + L" has neither a USB nor a parallel connection" +
                (model.networkConnection || model.serialConnection
                     ? std::wstring(L"; give /cable ") + (model.networkConnection ? L"network" : L"serial")
                     : std::wstring());
        return false;
    }
    if (cable == L"usb" || (cable.empty() && usb)) {
        if (!usb) {
            error = model.displayName + L" has no USB connection";
            return false;
        }
        connectionType = L"USB";
        return true;
    }
    if (cable == L"parallel" || cable.empty()) {
        if (!parallel) {
            error = model.displayName + L" has no parallel connection";
            return false;
        }
        connectionType = L"LPT";
        return true;
    }
    error = L"unknown cable \"" + cable + L"\"";
    return false;
}
