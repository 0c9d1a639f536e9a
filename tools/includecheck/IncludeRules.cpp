#include "tools/includecheck/IncludeRules.h"

#include <algorithm>
#include <functional>
#include <sstream>

namespace {

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

bool IsWordChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::string Trim(const std::string& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::string LineError(int line, const std::string& message)
{
    return "line " + std::to_string(line) + ": " + message;
}

// Layers that may include each other are one layer in two folders. Returns
// such a loop (first layer repeated at the end), or nothing.
std::vector<std::string> FindCycle(const IncludeTable& table)
{
    enum class Mark { Unseen, OnPath, Done };
    std::map<std::string, Mark> marks;
    std::vector<std::string> path;
    std::vector<std::string> cycle;
    std::function<bool(const std::string&)> visit = [&](const std::string& layer) {
        marks[layer] = Mark::OnPath;
        path.push_back(layer);
        for (const std::string& next : table.at(layer).mayInclude) {
            if (next == layer)
                continue;
            if (marks[next] == Mark::OnPath) {
                cycle.assign(std::find(path.begin(), path.end(), next), path.end());
                cycle.push_back(next);
                return true;
            }
            if (marks[next] == Mark::Unseen && visit(next))
                return true;
        }
        path.pop_back();
        marks[layer] = Mark::Done;
        return false;
    };
    for (const auto& entry : table) {
        if (marks[entry.first] == Mark::Unseen && visit(entry.first))
            break;
    }
    return cycle;
}

}  // namespace

bool ParseIncludeTable(const std::string& text, IncludeTable& table, std::vector<std::string>& errors)
{
    table.clear();
    const std::size_t errorsBefore = errors.size();
    std::map<std::string, int> definedAt;
    std::istringstream lines(text);
    std::string raw;
    for (int number = 1; std::getline(lines, raw); ++number) {
        // No layer name holds a '#', so everything after one is a comment.
        const std::string line = Trim(raw.substr(0, raw.find('#')));
        if (line.empty())
            continue;
        const std::size_t colon = line.find(':');
        const std::string layer = colon == std::string::npos ? std::string() : Trim(line.substr(0, colon));
        if (layer.empty() || layer.find_first_of(" \t") != std::string::npos) {
            errors.push_back(LineError(number, "expected \"<layer>: <layers it may include>\""));
            continue;
        }
        if (!definedAt.emplace(layer, number).second) {
            errors.push_back(LineError(number, layer + " is already defined on line " +
                                                   std::to_string(definedAt[layer])));
            continue;
        }
        LayerRule rule;
        std::istringstream names(line.substr(colon + 1));
        for (std::string name; names >> name;)
            rule.mayInclude.push_back(name);
        if (rule.mayInclude.size() == 1 && rule.mayInclude[0] == "*") {
            rule.unchecked = true;
            rule.mayInclude.clear();
        }
        for (const std::string& name : rule.mayInclude) {
            if (name == "*")
                errors.push_back(LineError(number, "'*' stands alone: a layer is either unchecked or lists what it may include"));
        }
        table[layer] = rule;
    }
    for (const auto& [layer, rule] : table) {
        for (const std::string& name : rule.mayInclude) {
            if (name != "*" && table.count(name) == 0)
                errors.push_back(LineError(definedAt[layer], layer + " may include " + name +
                                                                 ", which the table does not define"));
        }
    }
    if (table.empty() && errors.size() == errorsBefore)
        errors.push_back("the table defines no layer");
    if (errors.size() == errorsBefore) {
        const std::vector<std::string> cycle = FindCycle(table);
        if (!cycle.empty()) {
            std::string path;
            for (const std::string& layer : cycle)
                path += (path.empty() ? "" : " -> ") + layer;
            errors.push_back(LineError(definedAt[cycle[0]], "the layers include each other: " + path));
        }
    }
    return errors.size() == errorsBefore;
}

std::string LayerOf(const std::string& relativePath)
{
    const std::size_t first = relativePath.find('/');
    if (first == std::string::npos)
        return ".";
    const std::string top = relativePath.substr(0, first);
    if (top != "tools")
        return top;
    const std::size_t second = relativePath.find('/', first + 1);
    return second == std::string::npos ? top : relativePath.substr(0, second);
}

std::vector<QuotedInclude> FindQuotedIncludes(const std::string& text)
{
    std::vector<QuotedInclude> includes;
    const std::size_t size = text.size();
    std::size_t i = 0;
    int line = 1;
    bool lineStart = true;  // nothing but blanks yet on this line

    // Moves past an ending marker, counting the lines on the way; to the end
    // of the text when the marker is missing.
    auto skipPast = [&](const std::string& marker) {
        const std::size_t end = text.find(marker, i);
        const std::size_t stop = end == std::string::npos ? size : end + marker.size();
        for (; i < stop; ++i) {
            if (text[i] == '\n')
                ++line;
        }
    };

    while (i < size) {
        const char c = text[i];
        const char next = i + 1 < size ? text[i + 1] : '\0';
        if (c == '\n') {
            ++line;
            lineStart = true;
            ++i;
        } else if (IsSpace(c)) {
            ++i;
        } else if (c == '/' && next == '/') {
            i = text.find('\n', i);
            if (i == std::string::npos)
                i = size;
        } else if (c == '/' && next == '*') {
            // A comment counts as one blank: one that spans lines leaves
            // the rest of its last line in the middle of a line.
            const int before = line;
            i += 2;
            skipPast("*/");
            if (line != before)
                lineStart = false;
        } else if (c == '#' && lineStart) {
            lineStart = false;
            std::size_t j = i + 1;
            while (j < size && IsSpace(text[j]))
                ++j;
            const std::size_t word = j;
            while (j < size && IsWordChar(text[j]))
                ++j;
            if (text.compare(word, j - word, "include") == 0) {
                while (j < size && IsSpace(text[j]))
                    ++j;
                if (j < size && text[j] == '"') {
                    const std::size_t close = text.find_first_of("\"\n", j + 1);
                    if (close != std::string::npos && text[close] == '"') {
                        includes.push_back({line, text.substr(j + 1, close - j - 1)});
                        j = close + 1;
                    }
                }
            }
            i = j;
        } else if (c == '"' || c == '\'') {
            lineStart = false;
            std::size_t word = i;
            while (word > 0 && IsWordChar(text[word - 1]))
                --word;
            const std::string prefix = text.substr(word, i - word);
            ++i;
            if (c == '\'' && !prefix.empty() && prefix[0] >= '0' && prefix[0] <= '9') {
                // A digit separator (1'000), not a character literal.
            } else if (c == '"' && (prefix == "R" || prefix == "LR" || prefix == "uR" || prefix == "UR" ||
                                    prefix == "u8R")) {
                const std::size_t open = text.find('(', i);
                const std::string delimiter = open == std::string::npos ? "" : text.substr(i, open - i);
                i = open == std::string::npos ? size : open + 1;
                skipPast(")" + delimiter + "\"");
            } else {
                // An unterminated literal ends at the end of its line.
                while (i < size && text[i] != c && text[i] != '\n')
                    i += text[i] == '\\' && i + 1 < size && text[i + 1] != '\n' ? 2 : 1;
                if (i < size && text[i] == c)
                    ++i;
            }
        } else {
            lineStart = false;
            ++i;
        }
    }
    return includes;
}
