// The stand-in printer-installation entry point's decisions: reading its
// command line and finding a model's driver in an INF file. Pure, so that
// the parsing is tested natively.
#ifndef QV_SIM_PRINTUICORE_H
#define QV_SIM_PRINTUICORE_H

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

// A PrintUIEntry command line: switches without a value ("if", "k", "z"),
// and the values of /b /f /r /m /n (quoted or not). Switch names are kept
// in lower case.
struct PrintUiCommand {
    std::set<std::wstring> flags;
    std::map<std::wstring, std::wstring> values;

    bool Has(const std::wstring& flag) const { return flags.count(flag) != 0; }
    std::wstring Value(const std::wstring& name) const;
};

PrintUiCommand ParsePrintUiCommand(const std::wstring& commandLine);

// An INF file's bytes as text: UTF-16LE with its byte order mark, UTF-8
// with its mark, anything else through `ansi` (Latin-1 when not given).
std::wstring DecodeInfText(const std::string& bytes,
                           const std::function<std::wstring(const std::string&)>& ansi = nullptr);

// What an INF file says about one model's driver.
struct InfDriver {
    std::wstring installSection;
    std::wstring driverFile;  // "UNIDRV.DLL" unless the INF names another
    std::wstring configFile;  // "UNIDRVUI.DLL" unless the INF names another
    std::wstring dataFile;    // DataFile=, else the install section's name
    std::wstring helpFile;    // HelpFile=, may be empty
    std::vector<std::wstring> files; // every file the copy lists name, in order, no repeats
};

// Finds the model line "<modelName>" = <section>[, <hardware ids>] (names
// compared ignoring ASCII case, %strings% resolved) and reads its install
// section. False when there is no such model or section.
bool FindInfModel(const std::wstring& infText, const std::wstring& modelName, InfDriver& driver);

// `name` + " (Copy N)" with the lowest N from 1 that is not in `taken`
// (ignoring ASCII case), or `name` itself when it is free.
std::wstring UniquePrinterName(const std::wstring& name, const std::vector<std::wstring>& taken);

// UTF-16 text to UTF-8 bytes (for the call log).
std::string ToUtf8(const std::wstring& text);

#endif
