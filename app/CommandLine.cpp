#include "app/CommandLine.h"

#include "context/ConnectionRules.h"

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
    for (const wchar_t* known : {L"?", L"quiet", L"force", L"model", L"cable", L"log", L"uninstall", L"cleanup"})
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
        } else if (name == L"model" || name == L"cable" || name == L"log") {
            // The value is the next argument, unless that is a switch itself.
            const bool hasValue = i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                                  !IsKnownSwitch(SwitchName(arguments[i + 1]));
            if (!hasValue) {
                fail(argument + L" needs a value");
                continue;
            }
            const std::wstring& value = arguments[++i];
            bool& given = name == L"model" ? modelGiven : name == L"cable" ? cableGiven : logGiven;
            if (given) {
                fail(argument + L" is given twice");
                continue;
            }
            given = true;
            if (name == L"model") {
                options.model = value;
            } else if (name == L"log") {
                options.logPath = value;
            } else if (Folded(value) == L"usb" || Folded(value) == L"parallel") {
                options.cable = Folded(value);
            } else {
                fail(L"/cable takes usb or parallel, not \"" + value + L"\"");
            }
        } else {
            fail(L"unknown switch \"" + argument + L"\"");
        }
    }
    if (options.help)
        return options;
    if (options.uninstall) {
        if (cableGiven || options.force)
            fail(L"/uninstall takes no /cable or /force");
        else if (Folded(options.model) == kAutomaticModel)
            fail(L"/uninstall /model takes the name of an installed model, not auto");
        else if (!options.quiet && logGiven)
            fail(L"/log works only with /quiet");
        return options;
    }
    if (options.quiet && !modelGiven)
        fail(L"/quiet needs /model");
    if (!options.quiet && (modelGiven || cableGiven || logGiven || options.force))
        fail(L"/model, /cable, /force and /log work only with /quiet");
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
    if (cable.empty() && !usb && !parallel) {
        error = model.displayName + L" has neither a USB nor a parallel connection";
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
