// importcheck: lists what the built Windows programs import and checks it
// against the reviewed list, so that nothing the oldest supported Windows
// lacks, and no DLL the loader would look for in the program's folder, gets
// in unnoticed.
//   importcheck --list reviewed-imports.txt [--oldest 2000] program.exe...
// Exit status 0 when everything is on the list and old enough, 1 when not,
// 2 for a wrong command line or an unreadable file.
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "tools/importcheck/ImportReview.h"

namespace {

bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int Usage()
{
    std::cerr << "usage: importcheck --list FILE [--oldest VERSION] PROGRAM...\n";
    return 2;
}

}  // namespace

int main(int argc, char* argv[])
{
    std::string listPath, oldest = "2000";
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--list" || arg == "--oldest") && i + 1 < argc)
            (arg == "--list" ? listPath : oldest) = argv[++i];
        else if (!arg.empty() && arg[0] == '-')
            return Usage();
        else
            paths.push_back(arg);
    }
    if (listPath.empty() || paths.empty())
        return Usage();

    std::vector<std::uint8_t> listBytes;
    if (!ReadFile(listPath, listBytes)) {
        std::cerr << "importcheck: cannot read " << listPath << "\n";
        return 2;
    }
    std::vector<ReviewedImport> list;
    std::vector<std::string> errors;
    if (!ParseReviewedList(std::string(listBytes.begin(), listBytes.end()), list, errors)) {
        for (const std::string& e : errors)
            std::cerr << listPath << ": " << e << "\n";
        return 2;
    }
    std::map<std::string, std::string> since;
    for (const ReviewedImport& entry : list)
        since[entry.dll + "!" + entry.function] = entry.since;

    std::vector<ProgramImports> programs;
    for (const std::string& path : paths) {
        ProgramImports program;
        program.name = path.substr(path.find_last_of("/\\") + 1);
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (!ReadFile(path, bytes) || !ReadPeImports(bytes, program.imports, error)) {
            std::cerr << "importcheck: " << path << ": " << (error.empty() ? "cannot read" : error) << "\n";
            return 2;
        }
        const PeImports& pe = program.imports;
        std::size_t functions = 0;
        for (const ImportedDll& dll : pe.dlls)
            functions += dll.functions.size();
        std::cout << program.name << ": subsystem " << pe.subsystemVersionMajor << "."
                  << pe.subsystemVersionMinor << ", operating system " << pe.osVersionMajor << "."
                  << pe.osVersionMinor << ", " << pe.dlls.size() << " DLLs, " << functions
                  << " functions\n";
        for (const ImportedDll& dll : pe.dlls) {
            std::cout << "  " << dll.name << (dll.kind == ImportKind::Delay ? " (delay-loaded)" : "") << ":";
            for (const std::string& f : dll.functions) {
                const auto found = since.find(dll.name + "!" + f);
                std::cout << " " << f << "[" << (found == since.end() ? "?" : found->second) << "]";
            }
            std::cout << "\n";
        }
        programs.push_back(program);
    }

    const std::vector<std::string> findings = CheckImports(programs, list, oldest);
    for (const std::string& f : findings)
        std::cout << "FAIL " << f << "\n";
    std::cout << (findings.empty() ? "importcheck: every import reviewed and present on Windows " + oldest
                                   : "importcheck: " + std::to_string(findings.size()) + " findings")
              << "\n";
    return findings.empty() ? 0 : 1;
}
