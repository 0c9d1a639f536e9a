#include "tools/includecheck/IncludeTree.h"

#include <algorithm>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>

namespace fs = std::filesystem;

namespace {

bool IsSourceFile(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".cpp" || ext == ".h" || ext == ".rc";
}

bool ReadText(const fs::path& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The source files below the root, relative and '/' separated, sorted so
// that the findings come out in the same order on every machine.
std::vector<std::string> SourceFiles(const fs::path& root, const IncludeTable& table)
{
    std::vector<std::string> files;
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const std::string relative = it->path().lexically_relative(root).generic_string();
        if (it.depth() == 0 && it->is_directory(ec)) {
            // The build folder holds generated and copied files; hidden
            // folders are version control and editor state unless the
            // table names them.
            const std::string name = it->path().filename().string();
            const auto rule = table.find(name);
            if (name == "build" || (name[0] == '.' && rule == table.end()) ||
                (rule != table.end() && rule->second.unchecked)) {
                it.disable_recursion_pending();
                continue;
            }
        }
        if (it->is_regular_file(ec) && IsSourceFile(it->path()))
            files.push_back(relative);
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The file an include names, relative to the root, or "" when there is
// none: beside the including file first, then below the root.
std::string Resolve(const fs::path& root, const std::string& includer, const std::string& written)
{
    const fs::path folder = fs::path(includer).parent_path();
    for (const fs::path& candidate : {folder / written, fs::path(written)}) {
        const fs::path normal = candidate.lexically_normal();
        if (normal.empty() || normal.is_absolute() || *normal.begin() == "..")
            continue;
        std::error_code ec;
        if (fs::is_regular_file(root / normal, ec))
            return normal.generic_string();
    }
    return "";
}

std::string AllowedList(const LayerRule& rule)
{
    if (rule.mayInclude.empty())
        return "only itself";
    std::string list;
    for (const std::string& layer : rule.mayInclude)
        list += (list.empty() ? "" : " ") + layer;
    return list;
}

int Usage(std::ostream& err)
{
    err << "usage: includecheck --root SOURCE_ROOT --table ALLOWED_INCLUDES\n";
    return 2;
}

}  // namespace

IncludeTreeReport CheckIncludeTree(const fs::path& root, const IncludeTable& table)
{
    IncludeTreeReport report;
    std::set<std::string> unknownLayers;
    for (const std::string& file : SourceFiles(root, table)) {
        const std::string layer = LayerOf(file);
        const auto rule = table.find(layer);
        if (rule == table.end()) {
            if (unknownLayers.insert(layer).second)
                report.findings.push_back(file + ": layer " + layer + " is not in the table");
            continue;
        }
        if (rule->second.unchecked)
            continue;  // unchecked below tools/, or in the root itself
        std::string text;
        if (!ReadText(root / file, text)) {
            report.findings.push_back(file + ": cannot be read");
            continue;
        }
        ++report.filesRead;
        for (const QuotedInclude& include : FindQuotedIncludes(text)) {
            ++report.includesChecked;
            const std::string where = file + ":" + std::to_string(include.line) + ": ";
            const std::string target = Resolve(root, file, include.path);
            if (target.empty()) {
                report.findings.push_back(where + "includes \"" + include.path +
                                          "\", a file that does not exist");
                continue;
            }
            const std::string targetLayer = LayerOf(target);
            const std::vector<std::string>& allowed = rule->second.mayInclude;
            if (targetLayer == layer || std::find(allowed.begin(), allowed.end(), targetLayer) != allowed.end())
                continue;
            report.findings.push_back(
                where + layer + " includes " + target + " of layer " + targetLayer +
                (table.count(targetLayer) ? ", which it may not (allowed: " + AllowedList(rule->second) + ")"
                                          : ", which is not in the table"));
        }
    }
    return report;
}

int RunIncludeCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string root, tablePath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if ((option == "--root" || option == "--table") && i + 1 < args.size())
            (option == "--root" ? root : tablePath) = args[++i];
        else
            return Usage(err);
    }
    if (root.empty() || tablePath.empty())
        return Usage(err);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) {
        err << "includecheck: " << root << " is not a folder\n";
        return 2;
    }
    std::string text;
    if (!ReadText(tablePath, text)) {
        err << "includecheck: cannot read " << tablePath << "\n";
        return 2;
    }
    IncludeTable table;
    std::vector<std::string> errors;
    if (!ParseIncludeTable(text, table, errors)) {
        for (const std::string& e : errors)
            err << tablePath << ": " << e << "\n";
        return 2;
    }

    const IncludeTreeReport report = CheckIncludeTree(root, table);
    for (const std::string& finding : report.findings)
        out << "FAIL " << finding << "\n";
    const std::string counts = std::to_string(report.filesRead) + " files read, " +
                               std::to_string(report.includesChecked) + " includes checked";
    if (report.findings.empty())
        out << "includecheck: " << counts << ", every include allowed\n";
    else
        out << "includecheck: " << report.findings.size() << " findings (" << counts << ")\n";
    return report.findings.empty() ? 0 : 1;
}
