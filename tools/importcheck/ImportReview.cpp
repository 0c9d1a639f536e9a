#include "tools/importcheck/ImportReview.h"

#include <map>
#include <sstream>

namespace {

struct VersionInfo {
    const char* name;
    int major;  // the NT version its loader knows, for the header check
    int minor;
};

// In order of release. NT 4.0 is here so that a function can say it is
// older than Windows 2000 (the C runtime's); it is not a supported system.
const VersionInfo kVersions[] = {
    {"nt4", 4, 0}, {"2000", 5, 0}, {"xp", 5, 1},  {"2003", 5, 2},
    {"vista", 6, 0}, {"7", 6, 1}, {"8", 6, 2}, {"10", 10, 0},
};

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

const char* KindName(ImportKind kind)
{
    return kind == ImportKind::Delay ? "delay" : "static";
}

std::string Key(const std::string& dll, const std::string& function)
{
    return Lower(dll) + "!" + function;
}

// A comment is a '#' standing alone, at the start of the line or between
// blanks; "#7" is a function imported by ordinal, and a '#' inside an
// address is part of it.
std::size_t CommentStart(const std::string& line)
{
    for (std::size_t i = 0; i < line.size(); ++i) {
        const bool before = i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t';
        const bool after = i + 1 == line.size() || line[i + 1] == ' ' || line[i + 1] == '\t';
        if (line[i] == '#' && before && after)
            return i;
    }
    return line.size();
}

std::string VersionText(int major, int minor)
{
    return std::to_string(major) + "." + std::to_string(minor);
}

}  // namespace

int WindowsVersionRank(const std::string& version)
{
    for (std::size_t i = 0; i < sizeof(kVersions) / sizeof(kVersions[0]); ++i) {
        if (version == kVersions[i].name)
            return static_cast<int>(i);
    }
    return -1;
}

bool ParseReviewedList(const std::string& text, std::vector<ReviewedImport>& list,
                       std::vector<std::string>& errors)
{
    list.clear();
    std::map<std::string, int> firstLine;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        line.erase(CommentStart(line));
        std::istringstream fields(line);
        ReviewedImport entry;
        std::string kind;
        if (!(fields >> entry.dll))
            continue;  // blank or comment
        const std::string where = "line " + std::to_string(number) + ": ";
        if (!(fields >> kind >> entry.function >> entry.since) || !(fields >> std::ws) ||
            !std::getline(fields, entry.source) || entry.source.empty()) {
            errors.push_back(where + "expected <dll> <static|delay> <function> <version> <source>");
            continue;
        }
        while (!entry.source.empty() && (entry.source.back() == ' ' || entry.source.back() == '\t' ||
                                         entry.source.back() == '\r'))
            entry.source.pop_back();
        if (kind != "static" && kind != "delay") {
            errors.push_back(where + "the kind must be static or delay, not " + kind);
            continue;
        }
        if (WindowsVersionRank(entry.since) < 0) {
            errors.push_back(where + "unknown Windows version " + entry.since);
            continue;
        }
        entry.kind = kind == "delay" ? ImportKind::Delay : ImportKind::Static;
        entry.line = number;
        const std::string key = Key(entry.dll, entry.function);
        if (firstLine.count(key)) {
            errors.push_back(where + entry.dll + "!" + entry.function + " is already on line " +
                             std::to_string(firstLine[key]));
            continue;
        }
        firstLine[key] = number;
        list.push_back(entry);
    }
    return errors.empty();
}

std::vector<std::string> CheckImports(const std::vector<ProgramImports>& programs,
                                      const std::vector<ReviewedImport>& list,
                                      const std::string& oldest)
{
    std::vector<std::string> findings;
    const int oldestRank = WindowsVersionRank(oldest);
    if (oldestRank < 0) {
        findings.push_back("unknown oldest Windows version " + oldest);
        return findings;
    }
    const VersionInfo& floor = kVersions[oldestRank];

    std::map<std::string, const ReviewedImport*> reviewed;
    for (const ReviewedImport& entry : list)
        reviewed[Key(entry.dll, entry.function)] = &entry;
    std::map<std::string, bool> used;

    for (const ProgramImports& program : programs) {
        const PeImports& pe = program.imports;
        const std::string& name = program.name;
        if (pe.machine != 0x14c)
            findings.push_back(name + ": not an i386 program");
        const int loaderMajor = pe.subsystemVersionMajor, loaderMinor = pe.subsystemVersionMinor;
        if (loaderMajor > floor.major || (loaderMajor == floor.major && loaderMinor > floor.minor)) {
            findings.push_back(name + ": subsystem version " + VersionText(loaderMajor, loaderMinor) +
                               " in the header; Windows " + floor.name + " loads " +
                               VersionText(floor.major, floor.minor) + " at most");
        }
        if (pe.osVersionMajor > floor.major ||
            (pe.osVersionMajor == floor.major && pe.osVersionMinor > floor.minor)) {
            findings.push_back(name + ": operating system version " +
                               VersionText(pe.osVersionMajor, pe.osVersionMinor) +
                               " in the header is newer than Windows " + floor.name + "'s " +
                               VersionText(floor.major, floor.minor));
        }
        for (const ImportedDll& dll : pe.dlls) {
            for (const std::string& function : dll.unboundFunctions) {
                findings.push_back(name + ": the delay-load slot of " + dll.name + "!" + function +
                                   " does not point to its loading stub, so the first call jumps to nothing "
                                   "(a stub the linker dropped: call the function by name, not through "
                                   "its __imp_ slot)");
            }
            for (const std::string& function : dll.functions) {
                const std::string what = dll.name + "!" + function;
                const auto found = reviewed.find(Key(dll.name, function));
                if (found == reviewed.end()) {
                    findings.push_back(name + ": imports " + what + " (" + KindName(dll.kind) +
                                       "), which is not on the reviewed list: look up the first "
                                       "Windows that has it and add it, or stop using it");
                    continue;
                }
                const ReviewedImport& entry = *found->second;
                used[found->first] = true;
                if (entry.kind != dll.kind) {
                    findings.push_back(name + ": imports " + what +
                                       (dll.kind == ImportKind::Delay ? " delay-loaded" : " at start-up") +
                                       "; the reviewed list (line " + std::to_string(entry.line) +
                                       ") has it as a " + KindName(entry.kind) + " import" +
                                       (entry.kind == ImportKind::Delay
                                            ? " (not a known DLL: it must come from the system folder)"
                                            : ""));
                }
                if (WindowsVersionRank(entry.since) > oldestRank) {
                    findings.push_back(name + ": imports " + what + ", first in Windows " + entry.since +
                                       " (line " + std::to_string(entry.line) + ": " + entry.source +
                                       "), which is newer than Windows " + floor.name);
                }
            }
        }
    }
    for (const ReviewedImport& entry : list) {
        if (!used.count(Key(entry.dll, entry.function))) {
            findings.push_back("line " + std::to_string(entry.line) + ": " + entry.dll + "!" + entry.function +
                               " is imported by no program any more; take it off the list");
        }
    }
    return findings;
}
