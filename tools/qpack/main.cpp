// qpack: stamps the SecurityID of a driver package's INF files and checks a
// package the way the installer will see it. Run "qpack --help".
#include "catalog/CatalogueCore.h"
#include "catalog/InfText.h"
#include "context/ConnectionRules.h"
#include "context/PackageDigests.h"
#include "support/Sha256.h"
#include "tools/qpack/PackCore.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {

enum ExitCode { kOk = 0, kProblems = 1, kCannotRun = 2 };

const char kUsage[] =
    "NAME\n"
    "    qpack - stamp and check the INF files of a Quorvex driver package\n"
    "\n"
    "SYNOPSIS\n"
    "    qpack sign FILE.inf...\n"
    "    qpack connections network|serial|network,serial|none FILE.inf...\n"
    "    qpack check PATH... [--digests LIST]\n"
    "    qpack digests PACKAGE_DIR\n"
    "    qpack --help\n"
    "\n"
    "DESCRIPTION\n"
    "    The installer lists a model only when the \"SecurityID=\" line of its INF\n"
    "    file authenticates the model: the value must decipher, with the key built\n"
    "    into the installer, to the model number (the INF file name from its first\n"
    "    digit, without \".inf\") followed by the last four characters of the USB\n"
    "    hardware id after the model name, at most 15 characters, upper case.\n"
    "\n"
    "    The installer reads each INF file by its byte order mark: UTF-16 LE,\n"
    "    UTF-16 BE or UTF-8. A file without one is read in the code page of the\n"
    "    user's keyboard language; qpack reads such files as Windows-1252. Keep\n"
    "    everything the installer looks at (hardware ids, SecurityID) in ASCII.\n"
    "\n"
    "COMMANDS\n"
    "    sign FILE.inf...\n"
    "        Computes each file's SecurityID and writes it as the value of the\n"
    "        file's first \"SecurityID=\" line, or adds that line at the end of the\n"
    "        [Version] section when there is none. The encoding, the byte order\n"
    "        mark, the line endings and every other byte stay as they were. Sign\n"
    "        again after renaming a file or changing its USB hardware id.\n"
    "\n"
    "    connections WORDS FILE.inf...\n"
    "        Declares the connections the installer offers for each file's model\n"
    "        besides USB and parallel, which come from its hardware id lines:\n"
    "        \"network\" (a printer on the network, raw TCP, Standard TCP/IP port),\n"
    "        \"serial\" (a printer on a COM port), both as \"network,serial\", or\n"
    "        \"none\". The value of the file's first \"QuorvexConnections=\" line is\n"
    "        replaced, or a [QuorvexInstaller] section holding that line is added\n"
    "        at the end of the file; encoding, byte order mark, line endings and\n"
    "        every other byte stay. The SecurityID does not cover the line: a\n"
    "        release's digest list does, like every other byte of the file.\n"
    "\n"
    "    check PATH...\n"
    "        PATH is an INF file or a package folder (every *.inf file in it, in\n"
    "        the installer's list order). For each INF file, prints whether the\n"
    "        installer will list it, why not if it will not, and every field of the\n"
    "        model record the installer builds from it. For a package folder it\n"
    "        also lists, per listed model, each file the installer stages from the\n"
    "        package and whether it is there (names match without regard to case,\n"
    "        as on Windows): QUNI<n>.DLL, QUI<n>.DLL and QRES<n>.DLL in i386, amd64\n"
    "        and ia64; <prefix><n>.INI; gpd/<model>.gpd, gpd/<model>U.gpd,\n"
    "        gpd/Common6.gpd, gpd/CommonU6.gpd, gpd/STDNAMES.GPD; <model>.inf and\n"
    "        <model>.cat.\n"
    "\n"
    "OPTIONS\n"
    "    -h, --help\n"
    "        Prints this text and exits with status 0.\n"
    "\n"
    "EXIT STATUS\n"
    "    0   every file was signed; or every model is listed and, for folders,\n"
    "        complete.\n"
    "    1   some model would not be listed, some package file is missing, or a\n"
    "        file could not be signed.\n"
    "    2   wrong usage, or a file or folder could not be read or written.\n"
    "\n"
    "EXAMPLES\n"
    "    qpack sign package/QX1000.INF package/QX2000.INF\n"
    "    qpack check package\n"
    "    qpack digests package > digests.txt\n"
    "    qpack check package --digests digests.txt\n";

void Print(const std::wstring& text)
{
    std::cout << EncodeUtf8(text);
}

std::wstring PathText(const fs::path& path)
{
#ifdef _WIN32
    return path.wstring();
#else
    // A name that is not UTF-8 is shown byte for byte.
    std::string bytes = path.string();
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::wstring text;
    return DecodeUtf8(data, bytes.size(), text) ? text : DecodeLatin1(data, bytes.size());
#endif
}

std::string Shown(const fs::path& path)
{
    return EncodeUtf8(PathText(path));
}

void Complain(const fs::path& path, const std::string& reason)
{
    std::cerr << "qpack: " << Shown(path) << ": " << reason << "\n";
}

bool ReadBytes(const fs::path& path, std::vector<unsigned char>& bytes, std::string& reason)
{
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        reason = "no such file";
        return false;
    }
    if (!fs::is_regular_file(path, ec)) {
        reason = "not a regular file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        reason = std::string("cannot open: ") + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        reason = "read error";
        return false;
    }
    return true;
}

// Writes beside the file and renames over it, so that a failed write never
// leaves a half-written INF file behind.
bool WriteBytes(const fs::path& path, const std::vector<unsigned char>& bytes, std::string& reason)
{
    fs::path temporary = path;
    temporary += ".qpack-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            reason = std::string("cannot write beside the file: ") + std::strerror(errno);
            return false;
        }
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            reason = "write error";
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, path, ec);
    if (ec) {
        reason = "cannot replace the file: " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

int Sign(const std::vector<fs::path>& files)
{
    int status = kOk;
    for (const fs::path& file : files) {
        std::vector<unsigned char> bytes;
        std::string reason;
        if (!ReadBytes(file, bytes, reason)) {
            Complain(file, reason);
            status = kCannotRun;
            continue;
        }
        SignResult r = SignInfBytes(PathText(file.filename()), bytes);
        if (r.outcome == SignOutcome::Failed) {
            Complain(file, "not signed: " + r.error);
            if (status == kOk)
                status = kProblems;
            continue;
        }
        if (r.outcome != SignOutcome::Unchanged && !WriteBytes(file, bytes, reason)) {
            Complain(file, reason);
            status = kCannotRun;
            continue;
        }
        const char* what = r.outcome == SignOutcome::Replaced ? "SecurityID replaced"
                           : r.outcome == SignOutcome::Added  ? "SecurityID line added to [Version]"
                                                              : "already signed, unchanged";
        std::cout << Shown(file) << ": " << what << " (" << EncodeUtf8(r.securityId)
                  << " for \"" << EncodeUtf8(r.expectedName) << "\")\n";
    }
    return status;
}

int Connections(const std::string& words, const std::vector<fs::path>& files)
{
    bool network = false, serial = false;
    if (words != "none") {
        std::size_t from = 0;
        while (from <= words.size()) {
            std::size_t comma = words.find(',', from);
            if (comma == std::string::npos)
                comma = words.size();
            const std::string word = words.substr(from, comma - from);
            if (word == "network")
                network = true;
            else if (word == "serial")
                serial = true;
            else {
                std::cerr << "qpack: connections: \"" << word
                          << "\" is no connection (network, serial, network,serial or none)\n";
                return kCannotRun;
            }
            from = comma + 1;
        }
    }
    int status = kOk;
    for (const fs::path& file : files) {
        std::vector<unsigned char> bytes;
        std::string reason;
        if (!ReadBytes(file, bytes, reason)) {
            Complain(file, reason);
            status = kCannotRun;
            continue;
        }
        const std::vector<unsigned char> before = bytes;
        if (!SetConnectionsInfBytes(bytes, network, serial, reason)) {
            Complain(file, "not changed: " + reason);
            if (status == kOk)
                status = kProblems;
            continue;
        }
        if (bytes != before && !WriteBytes(file, bytes, reason)) {
            Complain(file, reason);
            status = kCannotRun;
            continue;
        }
        std::cout << Shown(file) << ": " << (bytes == before ? "unchanged, " : "") << "connections besides USB and parallel: "
                  << (network && serial ? "network, serial" : network ? "network" : serial ? "serial" : "none") << "\n";
    }
    return status;
}

void PrintField(const char* name, const std::wstring& value)
{
    std::cout << "    " << name << std::string(19 - std::strlen(name), ' ');
    if (value.empty())
        std::cout << "(empty)";
    else
        Print(L"\"" + value + L"\"");
    std::cout << "\n";
}

std::string RejectionReason(const InfAssessment& a)
{
    if (a.check.accepted && !a.nameUsable)
        return "its printer name \"" + EncodeUtf8(a.model.displayName) +
               "\" holds a character a printer name or the installer's command line cannot carry "
               "(\" , \\ or a control character)";
    if (a.ids.securityId.empty())
        return "it has no \"SecurityID=\" value";
    if (!a.check.wellFormed)
        return "its SecurityID \"" + EncodeUtf8(a.ids.securityId) + "\" is not 32 hexadecimal digits";
    if (!a.check.terminated)
        return "its SecurityID does not decipher to a name (made with another key?)";
    return "its SecurityID stands for \"" + EncodeUtf8(a.check.decodedName) + "\" but the file needs \"" +
           EncodeUtf8(a.check.expectedName) + "\" (renamed, or USB id changed since signing? run qpack sign)";
}

// Reports one INF file; true when the installer will list it.
bool ReportInf(const fs::path& file, const std::wstring& upperName, const std::vector<unsigned char>& bytes,
               InfAssessment& a)
{
    std::size_t mark = 0;
    InfEncoding encoding = DetectInfEncoding(bytes.data(), bytes.size(), mark);
    a = AssessInf(upperName, DecodeForTool(bytes));
    std::cout << Shown(file) << ": " << (a.accepted ? "listed" : "NOT LISTED") << "\n";
    std::cout << "    encoding           " << EncodingName(encoding) << "\n";
    const std::string textProblem = InfTextProblem(bytes);
    if (!a.accepted)
        std::cout << "    reason             the installer skips it: "
                  << (textProblem.empty() ? RejectionReason(a) : textProblem) << "\n";
    const PrinterModel& m = a.model;
    PrintField("manufacturer", m.manufacturer);
    PrintField("namePrefix", m.namePrefix);
    PrintField("nameNumber", m.nameNumber);
    PrintField("infBaseName", m.infBaseName);
    PrintField("deviceDescription", m.deviceDescription);
    PrintField("driverName", m.driverName);
    PrintField("displayName", m.displayName);
    PrintField("connectionType", m.connectionType);
    PrintField("lptIdSuffix", m.lptIdSuffix);
    PrintField("usbIdSuffix", m.usbIdSuffix);
    std::string cables;
    const auto add = [&cables](const char* name) { cables += (cables.empty() ? "" : ", ") + std::string(name); };
    if (IsSuffixSupported(m.usbIdSuffix))
        add("USB");
    if (IsSuffixSupported(m.lptIdSuffix))
        add("parallel");
    if (m.networkConnection)
        add("network");
    if (m.serialConnection)
        add("serial");
    std::cout << "    connections        " << (cables.empty() ? "none (the id lines are missing)" : cables) << "\n";
    bool wordsKnown = true;
    for (const std::wstring& word : a.ids.unknownConnections) {
        std::cout << "    UNKNOWN CONNECTION \"" << EncodeUtf8(word)
                  << "\" in QuorvexConnections= (the installer ignores it; run qpack connections)\n";
        wordsKnown = false;
    }
    return a.accepted && wordsKnown;
}

// Names in a folder by their upper-case form, as Windows matches them.
class FolderIndex {
public:
    bool Has(const fs::path& folder, const std::wstring& name)
    {
        fs::path ignored;
        return Find(folder, name, ignored);
    }

    // The file's path as the folder spells it.
    bool Find(const fs::path& folder, const std::wstring& name, fs::path& found)
    {
        std::wstring key = UpperCaseAscii(PathText(folder));
        auto it = m_folders.find(key);
        if (it == m_folders.end()) {
            std::map<std::wstring, fs::path> names;
            std::error_code ec;
            for (fs::directory_iterator d(folder, ec), end; !ec && d != end; d.increment(ec)) {
                std::error_code ignored;
                if (d->is_regular_file(ignored))
                    names.emplace(UpperCaseAscii(PathText(d->path().filename())), d->path());
            }
            it = m_folders.emplace(key, names).first;
        }
        const auto file = it->second.find(UpperCaseAscii(name));
        if (file == it->second.end())
            return false;
        found = file->second;
        return true;
    }

private:
    std::map<std::wstring, std::map<std::wstring, fs::path>> m_folders;
};

// The SHA-256 of a file's bytes; false when it cannot be read.
bool FileDigest(const fs::path& path, std::string& digest, std::string& reason)
{
    std::vector<unsigned char> bytes;
    if (!ReadBytes(path, bytes, reason))
        return false;
    digest = Sha256Hex(bytes.data(), bytes.size());
    return true;
}

// The package's INF files by upper-case name, in the installer's list order.
bool ListInfFiles(const fs::path& folder, std::vector<std::wstring>& names,
                  std::map<std::wstring, fs::path>& byUpperName)
{
    std::error_code ec;
    for (fs::directory_iterator d(folder, ec), end; !ec && d != end; d.increment(ec)) {
        std::error_code ignored;
        std::wstring name = PathText(d->path().filename());
        if (!d->is_regular_file(ignored) || name.size() < 4 ||
            UpperCaseAscii(name.substr(name.size() - 4)) != L".INF")
            continue;
        byUpperName[UpperCaseAscii(name)] = d->path();
        names.push_back(name);
    }
    if (ec) {
        Complain(folder, "cannot list the folder: " + ec.message());
        return false;
    }
    SortInfNames(names);
    return true;
}

// A list path ("gpd\\X.gpd") as the folder and name FolderIndex looks up.
void SplitListPath(const fs::path& folder, const std::wstring& path, fs::path& inFolder, std::wstring& name)
{
    const std::wstring::size_type slash = path.rfind(L'\\');
    inFolder = slash == std::wstring::npos ? folder : folder / fs::path(path.substr(0, slash));
    name = slash == std::wstring::npos ? path : path.substr(slash + 1);
}

int Digests(const fs::path& folder)
{
    std::vector<std::wstring> names;
    std::map<std::wstring, fs::path> byUpperName;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        Complain(folder, "not a package folder");
        return kCannotRun;
    }
    if (!ListInfFiles(folder, names, byUpperName))
        return kCannotRun;
    int status = kOk, listed = 0;
    FolderIndex index;
    std::vector<DigestLine> lines;
    for (const std::wstring& upperName : names) {
        std::vector<unsigned char> bytes;
        std::string reason;
        if (!ReadBytes(byUpperName[upperName], bytes, reason)) {
            Complain(byUpperName[upperName], reason);
            status = kCannotRun;
            continue;
        }
        const InfAssessment a = AssessInf(upperName, DecodeForTool(bytes));
        if (!a.accepted)
            continue;  // the installer will not list it: nothing of it is installed
        ++listed;
        for (const std::wstring& path : ModelPackagePaths(a.model)) {
            fs::path inFolder, file;
            std::wstring name;
            SplitListPath(folder, path, inFolder, name);
            std::string digest;
            if (!index.Find(inFolder, name, file)) {
                Complain(folder, EncodeUtf8(path) + ": missing, and " + EncodeUtf8(upperName) +
                                     " (listed by the installer) needs it");
                if (status == kOk)
                    status = kProblems;
                continue;
            }
            if (!FileDigest(file, digest, reason)) {
                Complain(file, reason);
                status = kCannotRun;
                continue;
            }
            lines.push_back({digest, path});
        }
    }
    if (listed == 0 && status == kOk) {
        Complain(folder, "the installer would list no model: no digest list");
        status = kProblems;
    }
    std::string text;
    if (status == kOk && !FormatDigestList(lines, text)) {
        Complain(folder, "a file name the digest list cannot hold");
        status = kProblems;
    }
    if (status == kOk)
        std::cout << text;
    return status;
}

int CheckFolder(const fs::path& folder, int& models, const PackageDigestList* digests)
{
    std::map<std::wstring, fs::path> byUpperName;
    std::vector<std::wstring> names;
    if (!ListInfFiles(folder, names, byUpperName))
        return kCannotRun;
    if (names.empty()) {
        Complain(folder, "no INF files: the installer would list no model");
        return kProblems;
    }

    int status = kOk;
    FolderIndex index;
    for (const std::wstring& upperName : names) {
        const fs::path& file = byUpperName[upperName];
        std::vector<unsigned char> bytes;
        std::string reason;
        if (!ReadBytes(file, bytes, reason)) {
            Complain(file, reason);
            status = kCannotRun;
            continue;
        }
        ++models;
        InfAssessment a;
        if (!ReportInf(file, upperName, bytes, a)) {
            if (status == kOk)
                status = kProblems;
            std::cout << "\n";
            continue;
        }
        std::cout << "    files staged from the package:\n";
        bool complete = true;
        bool vouched = true;
        for (const StagedFile& f : PackageFilesFor(a.model)) {
            fs::path inFolder = f.folder.empty() ? folder : folder / fs::path(f.folder), found;
            bool present = index.Find(inFolder, f.name, found);
            complete = complete && present;
            std::cout << "      " << (present ? "present  " : "MISSING  ")
                      << EncodeUtf8(f.folder.empty() ? f.name : f.folder + L"/" + f.name);
            const std::wstring listPath = f.folder.empty() ? f.name : f.folder + L"\\" + f.name;
            std::string digest, reason;
            if (digests && !digests->Lists(listPath)) {
                std::cout << "  NOT IN THE DIGEST LIST";
                vouched = false;
            } else if (digests && present) {
                const bool same = FileDigest(found, digest, reason) && digests->Vouches(listPath, digest);
                std::cout << (same ? "  digest ok" : "  DIGEST DIFFERS");
                vouched = vouched && same;
            }
            std::cout << "\n";
        }
        std::cout << "    " << (complete ? "complete" : "INCOMPLETE: the installer would pass over the missing files")
                  << "\n";
        if (digests && !vouched)
            std::cout << "    NOT VOUCHED FOR: an installer carrying the digest list will not list this model\n";
        std::cout << "\n";
        if ((!complete || (digests && !vouched)) && status == kOk)
            status = kProblems;
    }
    return status;
}

int Check(const std::vector<fs::path>& paths, const PackageDigestList* digests)
{
    int status = kOk, models = 0;
    auto merge = [&status](int s) {
        if (s > status)
            status = s;
    };
    for (const fs::path& path : paths) {
        std::error_code ec;
        if (fs::is_directory(path, ec)) {
            merge(CheckFolder(path, models, digests));
            continue;
        }
        std::vector<unsigned char> bytes;
        std::string reason;
        if (!ReadBytes(path, bytes, reason)) {
            Complain(path, reason);
            merge(kCannotRun);
            continue;
        }
        ++models;
        InfAssessment a;
        if (!ReportInf(path, UpperCaseAscii(PathText(path.filename())), bytes, a))
            merge(kProblems);
        std::cout << "\n";
    }
    std::cout << "qpack: " << models << " INF file(s) checked: "
              << (status == kOk ? "all listed and complete" : "problems found") << "\n";
    return status;
}

int Run(const std::vector<fs::path>& args)
{
    if (args.empty()) {
        std::cerr << "qpack: no command given; run \"qpack --help\"\n";
        return kCannotRun;
    }
    std::string command = EncodeUtf8(PathText(args[0]));
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return kOk;
    }
    std::vector<fs::path> rest(args.begin() + 1, args.end());
    if (command == "digests") {
        if (rest.size() != 1) {
            std::cerr << "qpack: digests needs exactly one package folder\n";
            return kCannotRun;
        }
        return Digests(rest[0]);
    }
    // check's "--digests LIST", anywhere after the command.
    PackageDigestList digests;
    bool withDigests = false;
    if (command == "check") {
        for (std::size_t i = 0; i < rest.size(); ++i) {
            if (PathText(rest[i]) != L"--digests")
                continue;
            std::vector<unsigned char> bytes;
            std::string reason;
            if (i + 1 >= rest.size()) {
                std::cerr << "qpack: --digests needs a list file\n";
                return kCannotRun;
            }
            if (!ReadBytes(rest[i + 1], bytes, reason)) {
                Complain(rest[i + 1], reason);
                return kCannotRun;
            }
            if (!digests.Parse(std::string(bytes.begin(), bytes.end()))) {
                Complain(rest[i + 1], "not a digest list as \"qpack digests\" writes it");
                return kCannotRun;
            }
            withDigests = true;
            rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i), rest.begin() + static_cast<std::ptrdiff_t>(i) + 2);
            break;
        }
    }
    if (command == "connections") {
        if (rest.size() < 2) {
            std::cerr << "qpack: connections needs the connections and at least one INF file\n";
            return kCannotRun;
        }
        return Connections(EncodeUtf8(PathText(rest[0])), std::vector<fs::path>(rest.begin() + 1, rest.end()));
    }
    if (command != "sign" && command != "check") {
        std::cerr << "qpack: unknown command \"" << Shown(args[0]) << "\"; run \"qpack --help\"\n";
        return kCannotRun;
    }
    if (rest.empty()) {
        std::cerr << "qpack: " << command << " needs at least one "
                  << (command == "sign" ? "INF file" : "INF file or package folder") << "\n";
        return kCannotRun;
    }
    return command == "sign" ? Sign(rest) : Check(rest, withDigests ? &digests : nullptr);
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    SetConsoleOutputCP(CP_UTF8);
    return Run(std::vector<fs::path>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv)
{
    return Run(std::vector<fs::path>(argv + 1, argv + argc));
}
#endif
