// The unattended installation's command line: what is accepted, what is
// refused and why, and which model and cable it comes to.
#include <gtest/gtest.h>

#include <cstring>

#include "app/CommandLine.h"
#include "app/LogFileRules.h"

namespace {

CommandLineOptions Parse(std::vector<std::wstring> arguments)
{
    return ParseCommandLine(arguments);
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

PrinterModel Model(const wchar_t* inf, const wchar_t* display, const wchar_t* usb, const wchar_t* lpt)
{
    PrinterModel model;
    model.infBaseName = inf;
    model.displayName = display;
    model.usbIdSuffix = usb;
    model.lptIdSuffix = lpt;
    return model;
}

}  // namespace

TEST(CommandLine, SwitchesInAnyCaseWithSlashOrDash)
{
    const CommandLineOptions options =
        Parse({L"-QUIET", L"/Model", L"Quorvex QX1000", L"/CABLE", L"Parallel", L"-force", L"/log", L"C:\\a b.log"});
    EXPECT_EQ("", Narrow(options.error));
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(options.force);
    EXPECT_EQ("Quorvex QX1000", Narrow(options.model));
    EXPECT_EQ("parallel", Narrow(options.cable));
    EXPECT_EQ("C:\\a b.log", Narrow(options.logPath));
    EXPECT_FALSE(options.IsWizard());

    EXPECT_TRUE(Parse({}).IsWizard());
    const CommandLineOptions help = Parse({L"/?", L"/nonsense"});
    EXPECT_TRUE(help.help) << "the usage is shown whatever else is wrong";

    // Removal: alone (it asks first), or unattended with its log; of one
    // model, either way.
    for (const auto& arguments : {std::vector<std::wstring>{L"-UNINSTALL"},
                                  std::vector<std::wstring>{L"/uninstall", L"/quiet", L"/log", L"r.log"},
                                  std::vector<std::wstring>{L"/uninstall", L"/model", L"QX2000"},
                                  std::vector<std::wstring>{L"/uninstall", L"/model", L"QX2000", L"/quiet"}}) {
        const CommandLineOptions removal = Parse(arguments);
        EXPECT_EQ("", Narrow(removal.error));
        EXPECT_TRUE(removal.uninstall);
        EXPECT_FALSE(removal.IsWizard());
        EXPECT_EQ(arguments.back() == L"/quiet" || arguments.back() == L"r.log", removal.quiet);
        EXPECT_EQ(arguments.size() > 2 && arguments[1] == L"/model" ? "QX2000" : "", Narrow(removal.model));
    }
    // The attached printer's model, and a downgrade asked for.
    const CommandLineOptions automatic = Parse({L"/quiet", L"/model", L"AUTO", L"/force"});
    EXPECT_EQ("", Narrow(automatic.error));
    EXPECT_TRUE(automatic.force);
    const CommandLineOptions cleanup = Parse({L"/cleanup", L"4242"});
    EXPECT_EQ("", Narrow(cleanup.error));
    EXPECT_EQ(4242u, cleanup.cleanupProcess);
    EXPECT_FALSE(cleanup.IsWizard());
    EXPECT_EQ(4294967295u, Parse({L"/cleanup", L"4294967295"}).cleanupProcess);
    EXPECT_TRUE(Parse({L"/cleanup", L"9999999999"}).cleanup) << "a wrong value is still the clean-up's call";
}

TEST(CommandLine, WhatCannotBeFollowedIsExplained)
{
    const struct {
        std::vector<std::wstring> arguments;
        const char* error;
    } cases[] = {
        {{L"/quiet"}, "/quiet needs /model"},
        {{L"/model", L"QX1000"}, "/model, /cable, /address, /port, /baud, /flow, /force and /log work only with /quiet"},
        {{L"/force"}, "/model, /cable, /address, /port, /baud, /flow, /force and /log work only with /quiet"},
        {{L"/quiet", L"/model"}, "/model needs a value"},
        {{L"/quiet", L"/model", L"/force"}, "/model needs a value"},
        {{L"/quiet", L"/model", L"QX1000", L"/log", L""}, "/log needs a value"},
        {{L"/quiet", L"/model", L"QX1000", L"/cable", L"wifi"}, "/cable takes usb, parallel, network or serial, not \"wifi\""},
        // The network and serial printers' settings.
        {{L"/quiet", L"/model", L"QX1000", L"/cable", L"serial"}, "/cable serial needs /port COMn"},
        {{L"/quiet", L"/model", L"QX1000", L"/cable", L"network"}, "/cable network needs /address HOST[:PORT]"},
        {{L"/quiet", L"/model", L"QX1000", L"/address", L"10.0.0.5"}, "/address works only with /cable network"},
        {{L"/quiet", L"/model", L"QX1000", L"/cable", L"network", L"/port", L"COM3", L"/address", L"10.0.0.5"},
         "/port, /baud and /flow work only with /cable serial"},
        {{L"/quiet", L"/model", L"QX1000", L"/cable", L"network", L"/address", L"010.0.0.5"},
         "/address \"010.0.0.5\": "},
        {{L"/quiet", L"/model", L"VKT300", L"/cable", L"serial", L"/port", L"LPT1"},
         "/port takes a serial port such as COM3, not \"LPT1\""},
        {{L"/quiet", L"/model", L"VKT300", L"/cable", L"serial", L"/port", L"COM3", L"/baud", L"9601"},
         "/baud takes a speed of the serial line, 110 to 256000 (such as 9600 or 115200), not \"9601\""},
        {{L"/quiet", L"/model", L"VKT300", L"/cable", L"serial", L"/port", L"COM3", L"/flow", L"rts"},
         "/flow takes none, xonxoff or hardware, not \"rts\""},
        {{L"/quiet", L"/model", L"auto", L"/cable", L"network", L"/address", L"10.0.0.5"},
         "/model auto finds printers on USB and parallel cables only; name the model for a network or serial printer"},
        {{L"/uninstall", L"/address", L"10.0.0.5"}, "/uninstall takes no /address, /port, /baud or /flow"},
        {{L"/quiet", L"/model", L"A", L"/model", L"B"}, "/model is given twice"},
        {{L"/quiet", L"/model", L"QX1000", L"/silent"}, "unknown switch \"/silent\""},
        {{L"/quiet", L"QX1000"}, "unexpected argument \"QX1000\""},
        {{L"/", L"/quiet"}, "unexpected argument \"/\""},
        {{L"/uninstall", L"/quiet", L"/cable", L"usb"}, "/uninstall takes no /cable or /force"},
        {{L"/uninstall", L"/force"}, "/uninstall takes no /cable or /force"},
        {{L"/uninstall", L"/model", L"auto"}, "/uninstall /model takes the name of an installed model, not auto"},
        {{L"/uninstall", L"/log", L"r.log"}, "/log works only with /quiet"},
        {{L"/cleanup"}, "/cleanup takes a process id and nothing else"},
        {{L"/cleanup", L"12x"}, "/cleanup takes a process id and nothing else"},
        {{L"/uninstall", L"/cleanup", L"12"}, "/cleanup takes a process id and nothing else"},
        // Beyond a process id's 32 bits, or none at all: refused, not thrown.
        {{L"/cleanup", L"9999999999"}, "/cleanup takes a process id and nothing else"},
        {{L"/cleanup", L"4294967296"}, "/cleanup takes a process id and nothing else"},
        {{L"/cleanup", L"0"}, "/cleanup takes a process id and nothing else"},
        {{L"/quiet", L"/cleanup"}, "/cleanup takes a process id and nothing else"},
        {{L"/cleanup", L"12345678901"}, "/cleanup takes a process id and nothing else"},
    };
    for (const auto& c : cases) {
        const CommandLineOptions options = ParseCommandLine(c.arguments);
        // A reason that ends in ": " goes on with the address rule's own words.
        const std::string error = Narrow(options.error);
        if (std::string(c.error).back() == ' ')
            EXPECT_EQ(c.error, error.substr(0, std::strlen(c.error))) << error;
        else
            EXPECT_EQ(c.error, error) << Narrow(c.arguments.back());
        EXPECT_FALSE(options.help);
    }
    // The log path is kept even when something else is wrong: the reason
    // goes where the caller looks for it.
    EXPECT_EQ("x.log", Narrow(Parse({L"/quiet", L"/log", L"x.log", L"/bogus"}).logPath));
}

TEST(CommandLine, ALogPathIsReadWhereTheProgramWasStarted)
{
    // The program moves its current folder to the system folder at once, so
    // every path is made full against the folder it was started in, by the
    // program itself; what cannot be read that way is refused.
    const struct {
        const wchar_t* folder;
        const wchar_t* path;
        const char* full;    // empty when refused
        const char* reason;  // a part of the reason it is refused
    } cases[] = {
        {L"C:\\deploy", L"setup.log", "C:\\deploy\\setup.log", ""},
        {L"C:\\", L"logs\\setup.log", "C:\\logs\\setup.log", ""},
        {L"D:\\deploy", L"\\temp\\setup.log", "D:\\temp\\setup.log", ""},
        {L"C:\\deploy", L"E:\\logs\\setup.log", "E:\\logs\\setup.log", ""},
        {L"C:\\deploy", L"", "", ""},
        {L"", L"C:\\logs\\setup.log", "C:\\logs\\setup.log", ""},
        {L"C:\\deploy\\sub\\", L"..\\..\\logs\\.\\setup.log", "C:\\logs\\setup.log", ""},
        {L"C:\\deploy", L"..\\..\\..\\setup.log", "C:\\setup.log", ""},
        {L"C:\\deploy", L"C:/logs//setup.log", "C:\\logs\\setup.log", ""},
        {L"c:\\deploy", L"C:setup.log", "c:\\deploy\\setup.log", ""},
        // A network share is no place for the log, however it is reached;
        // before, a root-relative path there went to the system drive.
        {L"C:\\deploy", L"\\\\server\\logs\\setup.log", "",
         "\"\\\\server\\logs\\setup.log\" cannot be used: it is on a network share"},
        {L"\\\\server\\share", L"setup.log", "",
         "\"\\\\server\\share\\setup.log\" cannot be used: it is on a network share"},
        {L"\\\\server\\share\\deploy", L"\\setup.log", "",
         "\"\\\\server\\share\\setup.log\" cannot be used: it is on a network share"},
        {L"\\\\server\\share\\deploy", L"..\\..\\setup.log", "",
         "\"\\\\server\\share\\setup.log\" cannot be used: it is on a network share"},
        // Nothing to read a relative path against: refused, never the
        // system folder's.
        {L"", L"setup.log", "",
         "\"setup.log\" cannot be used: it is a relative path, and the folder the program was started in is not known"},
        {L"", L"\\setup.log", "", "it is a relative path"},
        {L"C:\\deploy", L"D:setup.log", "",
         "\"D:setup.log\" cannot be used: it is relative to the current folder of drive D:"},
        {L"C:\\deploy", L"logs\\", "", "it names a folder, not a file"},
        {L"C:\\deploy", L"C:", "", "it names a folder, not a file"},
        {L"C:\\deploy", L"..", "", "it names a folder, not a file"},
    };
    for (const auto& c : cases) {
        std::wstring problem;
        const std::wstring full = ResolveLogPath(c.folder, c.path, problem);
        EXPECT_EQ(c.full, Narrow(full)) << Narrow(c.folder) << " + " << Narrow(c.path);
        EXPECT_EQ(*c.reason == 0, problem.empty()) << Narrow(problem);
        EXPECT_NE(std::string::npos, Narrow(problem).find(c.reason)) << Narrow(problem);
    }
}

TEST(CommandLine, TheModelByItsInfNameOrItsDisplayName)
{
    const ModelCatalogue catalogue = {Model(L"VKT300", L"Quorvex VKT300", L"FFFF", L"9A1B"),
                                      Model(L"QX1000", L"Quorvex QX1000", L"7A2B", L"C3D4")};
    EXPECT_EQ(&catalogue[1], FindNamedModel(catalogue, L"qx1000"));
    EXPECT_EQ(&catalogue[1], FindNamedModel(catalogue, L"QUORVEX QX1000"));
    EXPECT_EQ(&catalogue[0], FindNamedModel(catalogue, L"VKT300"));
    for (const wchar_t* unknown : {L"QX100", L"QX1000.INF", L"Quorvex", L"", L"QX1000 "})
        EXPECT_EQ(nullptr, FindNamedModel(catalogue, unknown)) << Narrow(unknown);
}

TEST(CommandLine, TheCableFollowsTheConnectionPagesRule)
{
    const PrinterModel both = Model(L"QX1000", L"Quorvex QX1000", L"7A2B", L"C3D4");
    const PrinterModel parallelOnly = Model(L"VKT300", L"Quorvex VKT300", L"FFFF", L"9A1B");
    const PrinterModel usbOnly = Model(L"QX2000", L"Quorvex QX2000", L"5E6F", L"ffff");
    const PrinterModel neither = Model(L"QX9", L"Quorvex QX9", L"", L"FFFF");
    const struct {
        const PrinterModel* model;
        const wchar_t* cable;
        const char* type;   // empty when refused
        const char* error;
    } cases[] = {
        {&both, L"", "USB", ""},
        {&both, L"parallel", "LPT", ""},
        {&parallelOnly, L"", "LPT", ""},
        {&parallelOnly, L"usb", "", "Quorvex VKT300 has no USB connection"},
        {&usbOnly, L"", "USB", ""},
        {&usbOnly, L"parallel", "", "Quorvex QX2000 has no parallel connection"},
        {&neither, L"", "", "Quorvex QX9 has neither a USB nor a parallel connection"},
    };
    for (const auto& c : cases) {
        std::wstring type, error;
        const bool ok = ChooseConnection(*c.model, c.cable, type, error);
        EXPECT_EQ(std::string(c.type).empty(), !ok) << Narrow(c.model->infBaseName) << " " << Narrow(c.cable);
        EXPECT_EQ(c.type, Narrow(type));
        EXPECT_EQ(c.error, Narrow(error));
    }
}

// A network or serial printer's settings, read from the switches, with the
// defaults where they are not given; the model must offer the connection.
TEST(CommandLine, NetworkAndSerialSettings)
{
    const CommandLineOptions network =
        ParseCommandLine({L"/quiet", L"/model", L"QX1000", L"/cable", L"NETWORK", L"/address", L"printer-7.shop.example:9101"});
    EXPECT_EQ("", Narrow(network.error));
    EXPECT_EQ(L"network", network.cable);
    EXPECT_EQ(L"printer-7.shop.example", network.connection.networkHost);
    EXPECT_EQ(9101u, network.connection.networkPort);
    EXPECT_EQ(9100u, ParseCommandLine({L"/quiet", L"/model", L"QX1000", L"/cable", L"network", L"/address", L"10.0.0.5"})
                         .connection.networkPort);
    const CommandLineOptions serial = ParseCommandLine(
        {L"-quiet", L"-model", L"VKT300", L"-cable", L"serial", L"-port", L"com12", L"-baud", L"19200", L"-flow", L"XonXoff"});
    EXPECT_EQ("", Narrow(serial.error));
    EXPECT_EQ(L"COM12", serial.connection.serialPort);
    EXPECT_EQ(19200u, serial.connection.baud);
    EXPECT_TRUE(serial.connection.flow == FlowControl::XonXoff);
    const CommandLineOptions defaults =
        ParseCommandLine({L"/quiet", L"/model", L"VKT300", L"/cable", L"serial", L"/port", L"COM3"});
    EXPECT_EQ(9600u, defaults.connection.baud);
    EXPECT_TRUE(defaults.connection.flow == FlowControl::Hardware);

    PrinterModel model;
    model.displayName = L"Quorvex VKT300";
    model.usbIdSuffix = L"FFFF";
    model.lptIdSuffix = L"QuorvexVKT3009A1B";
    model.serialConnection = true;
    std::wstring type, why;
    EXPECT_TRUE(ChooseConnection(model, L"serial", type, why));
    EXPECT_EQ(L"COM", type);
    EXPECT_FALSE(ChooseConnection(model, L"network", type, why));
    EXPECT_EQ(L"Quorvex VKT300 has no network connection", why);
    EXPECT_TRUE(ChooseConnection(model, L"", type, why));
    EXPECT_EQ(L"LPT", type) << "network and serial are never the default";
    model.lptIdSuffix = L"FFFF";
    EXPECT_FALSE(ChooseConnection(model, L"", type, why));
    EXPECT_EQ(L"Quorvex VKT300 has neither a USB nor a parallel connection; give /cable serial", why);
}
