#include "sim/printui/PrintUiCore.h"

#include <algorithm>

namespace {

wchar_t Lower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring LowerAscii(std::wstring text)
{
    for (wchar_t& c : text)
        c = Lower(c);
    return text;
}

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b)
{
    return LowerAscii(a) == LowerAscii(b);
}

bool IsSpace(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

std::wstring Trim(const std::wstring& text)
{
    std::wstring::size_type begin = 0, end = text.size();
    while (begin < end && IsSpace(text[begin]))
        ++begin;
    while (end > begin && IsSpace(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Removes one pair of surrounding double quotes, and turns "" into ".
std::wstring Unquote(const std::wstring& text)
{
    std::wstring t = Trim(text);
    if (t.size() >= 2 && t.front() == L'"' && t.back() == L'"') {
        t = t.substr(1, t.size() - 2);
        std::wstring out;
        for (std::wstring::size_type i = 0; i < t.size(); ++i) {
            out += t[i];
            if (t[i] == L'"' && i + 1 < t.size() && t[i + 1] == L'"')
                ++i;
        }
        return out;
    }
    return t;
}

// Splits at `separator` outside double quotes.
std::vector<std::wstring> SplitOutsideQuotes(const std::wstring& text, wchar_t separator)
{
    std::vector<std::wstring> parts(1);
    bool quoted = false;
    for (wchar_t c : text) {
        if (c == L'"')
            quoted = !quoted;
        if (c == separator && !quoted)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

struct Entry {
    std::wstring key;   // empty for a line without "="
    std::wstring value; // the text after "=", or the whole line
};

struct Section {
    std::wstring name;
    std::vector<Entry> entries;
};

std::vector<Section> ParseSections(const std::wstring& text)
{
    std::vector<Section> sections;
    std::wstring::size_type pos = 0;
    while (pos <= text.size()) {
        std::wstring::size_type end = text.find(L'\n', pos);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(pos, end - pos);
        pos = end + 1;
        // A ";" outside quotes starts a comment.
        bool quoted = false;
        for (std::wstring::size_type i = 0; i < line.size(); ++i) {
            if (line[i] == L'"')
                quoted = !quoted;
            else if (line[i] == L';' && !quoted) {
                line.erase(i);
                break;
            }
        }
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.front() == L'[') {
            const std::wstring::size_type close = line.find(L']');
            if (close != std::wstring::npos) {
                sections.push_back(Section{Trim(line.substr(1, close - 1)), {}});
                continue;
            }
        }
        if (sections.empty())
            continue;
        const std::vector<std::wstring> halves = SplitOutsideQuotes(line, L'=');
        if (halves.size() >= 2) {
            const std::wstring::size_type eq = halves[0].size();
            sections.back().entries.push_back(Entry{Trim(halves[0]), Trim(line.substr(eq + 1))});
        } else {
            sections.back().entries.push_back(Entry{std::wstring(), line});
        }
    }
    return sections;
}

const Section* FindSection(const std::vector<Section>& sections, const std::wstring& name)
{
    for (const Section& s : sections)
        if (SameIgnoringCase(s.name, name))
            return &s;
    return nullptr;
}

// Replaces %key% by the [Strings] value of that key; "%%" is a percent sign.
std::wstring Substitute(const std::wstring& text, const std::vector<Section>& sections)
{
    const Section* strings = FindSection(sections, L"Strings");
    std::wstring out;
    for (std::wstring::size_type i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            out += text[i];
            continue;
        }
        const std::wstring::size_type close = text.find(L'%', i + 1);
        if (close == std::wstring::npos) {
            out += text.substr(i);
            break;
        }
        const std::wstring key = text.substr(i + 1, close - i - 1);
        std::wstring value = key.empty() ? L"%" : L"%" + key + L"%";
        if (strings && !key.empty())
            for (const Entry& e : strings->entries)
                if (SameIgnoringCase(e.key, key))
                    value = Unquote(e.value);
        out += value;
        i = close;
    }
    return out;
}

void AddFile(std::vector<std::wstring>& files, const std::wstring& name)
{
    if (name.empty())
        return;
    for (const std::wstring& f : files)
        if (SameIgnoringCase(f, name))
            return;
    files.push_back(name);
}

} // namespace

std::wstring PrintUiCommand::Value(const std::wstring& name) const
{
    const auto it = values.find(name);
    return it == values.end() ? std::wstring() : it->second;
}

PrintUiCommand ParsePrintUiCommand(const std::wstring& commandLine)
{
    static const std::set<std::wstring> valued = {L"a", L"b", L"c", L"f", L"h", L"l", L"m",
                                                  L"n", L"r", L"t", L"v"};
    PrintUiCommand command;
    std::wstring::size_type i = 0;
    auto skipSpace = [&] {
        while (i < commandLine.size() && IsSpace(commandLine[i]))
            ++i;
    };
    auto readToken = [&] {
        std::wstring token;
        if (i < commandLine.size() && commandLine[i] == L'"') {
            const std::wstring::size_type close = commandLine.find(L'"', i + 1);
            const std::wstring::size_type end = close == std::wstring::npos ? commandLine.size() : close;
            token = commandLine.substr(i + 1, end - i - 1);
            i = end == commandLine.size() ? end : end + 1;
        } else {
            while (i < commandLine.size() && !IsSpace(commandLine[i]))
                token += commandLine[i++];
        }
        return token;
    };
    for (;;) {
        skipSpace();
        if (i >= commandLine.size())
            break;
        if (commandLine[i] != L'/' && commandLine[i] != L'-') {
            readToken(); // stray word: ignored, as printui does
            continue;
        }
        ++i;
        std::wstring name;
        while (i < commandLine.size() && !IsSpace(commandLine[i]) && commandLine[i] != L'"')
            name += Lower(commandLine[i++]);
        if (valued.count(name)) {
            skipSpace();
            command.values[name] = readToken();
        } else {
            command.flags.insert(name);
        }
    }
    return command;
}

std::wstring DecodeInfText(const std::string& bytes,
                           const std::function<std::wstring(const std::string&)>& ansi)
{
    const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    std::wstring text;
    if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += static_cast<wchar_t>(byte(i) | (byte(i + 1) << 8));
        return text;
    }
    if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
        std::size_t i = 3;
        while (i < bytes.size()) {
            const unsigned lead = byte(i);
            unsigned long code;
            std::size_t extra;
            if (lead < 0x80) { code = lead; extra = 0; }
            else if (lead >= 0xF0) { code = lead & 0x07; extra = 3; }
            else if (lead >= 0xE0) { code = lead & 0x0F; extra = 2; }
            else if (lead >= 0xC0) { code = lead & 0x1F; extra = 1; }
            else { ++i; continue; } // a stray continuation byte
            if (i + extra >= bytes.size())
                break; // a sequence cut off at the end is dropped
            for (std::size_t k = 1; k <= extra; ++k)
                code = (code << 6) | (byte(i + k) & 0x3F);
            i += extra + 1;
            if (code >= 0x10000) {
                code -= 0x10000;
                text += static_cast<wchar_t>(0xD800 + (code >> 10));
                text += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
            } else {
                text += static_cast<wchar_t>(code);
            }
        }
        return text;
    }
    if (ansi)
        return ansi(bytes);
    for (char c : bytes)
        text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

bool FindInfModel(const std::wstring& infText, const std::wstring& modelName, InfDriver& driver)
{
    const std::vector<Section> sections = ParseSections(infText);
    const Section* install = nullptr;
    for (const Section& section : sections) {
        for (const Entry& entry : section.entries) {
            if (entry.key.empty() || !SameIgnoringCase(Unquote(Substitute(entry.key, sections)), modelName))
                continue;
            const std::wstring target = Trim(SplitOutsideQuotes(entry.value, L',')[0]);
            if ((install = FindSection(sections, target)) != nullptr)
                break;
        }
        if (install)
            break;
    }
    if (!install)
        return false;

    InfDriver found;
    found.installSection = install->name;
    found.driverFile = L"UNIDRV.DLL";
    found.configFile = L"UNIDRVUI.DLL";
    found.dataFile = install->name;
    // The install section and the sections its DataSection names.
    std::vector<const Section*> keySections = {install};
    for (const Entry& e : install->entries)
        if (SameIgnoringCase(e.key, L"DataSection"))
            for (const std::wstring& name : SplitOutsideQuotes(e.value, L','))
                if (const Section* s = FindSection(sections, Trim(name)))
                    keySections.push_back(s);
    for (const Section* s : keySections) {
        for (const Entry& e : s->entries) {
            const std::wstring value = Unquote(Substitute(e.value, sections));
            if (SameIgnoringCase(e.key, L"DriverFile")) found.driverFile = value;
            else if (SameIgnoringCase(e.key, L"ConfigFile")) found.configFile = value;
            else if (SameIgnoringCase(e.key, L"DataFile")) found.dataFile = value;
            else if (SameIgnoringCase(e.key, L"HelpFile")) found.helpFile = value;
        }
    }
    for (const Entry& e : install->entries) {
        if (!SameIgnoringCase(e.key, L"CopyFiles"))
            continue;
        for (const std::wstring& part : SplitOutsideQuotes(e.value, L',')) {
            const std::wstring item = Trim(part);
            if (!item.empty() && item[0] == L'@') {
                AddFile(found.files, Trim(item.substr(1)));
            } else if (const Section* list = FindSection(sections, item)) {
                for (const Entry& line : list->entries)
                    if (line.key.empty())
                        AddFile(found.files, Unquote(Trim(SplitOutsideQuotes(line.value, L',')[0])));
            }
        }
    }
    driver = found;
    return true;
}

std::wstring UniquePrinterName(const std::wstring& name, const std::vector<std::wstring>& taken)
{
    auto isTaken = [&taken](const std::wstring& candidate) {
        return std::any_of(taken.begin(), taken.end(),
                           [&](const std::wstring& t) { return SameIgnoringCase(t, candidate); });
    };
    std::wstring candidate = name;
    for (unsigned n = 1; isTaken(candidate); ++n)
        candidate = name + L" (Copy " + std::to_wstring(n) + L")";
    return candidate;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned long c = static_cast<unsigned long>(text[i]) & 0xFFFFu;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
            const unsigned long low = static_cast<unsigned long>(text[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
