#include "context/PackageDigests.h"

#include <algorithm>

#include "context/PackageFiles.h"

namespace {

bool IsDigest(const std::string& digest)
{
    if (digest.size() != 64)
        return false;
    for (char c : digest)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

void Append(std::string& out, unsigned long cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// The path as UTF-8, code unit by code unit (UTF-16 units even where wchar_t
// is wider). False for a path the list cannot hold.
bool PathToUtf8(const std::wstring& path, std::string& out)
{
    out.clear();
    if (path.empty() || path[0] == L'\\' || (path.size() > 1 && path[1] == L':'))
        return false;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const unsigned long unit = static_cast<unsigned long>(path[i]) & 0xFFFFu;
        if (unit < 0x20 || unit == 0x7F || unit == L'/')
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < path.size()) {
            const unsigned long low = static_cast<unsigned long>(path[i + 1]) & 0xFFFFu;
            if (low >= 0xDC00 && low <= 0xDFFF) {
                Append(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        if (unit >= 0xD800 && unit <= 0xDFFF)
            return false;
        Append(out, unit);
    }
    return true;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The lookup key of a path: its UTF-8 form, ASCII letters lowered; empty
// for a path the list cannot hold.
std::string KeyOf(const std::wstring& path)
{
    std::string utf8;
    return PathToUtf8(path, utf8) ? LowerAscii(utf8) : std::string();
}

// Well-formed UTF-8 with no control character, '/' or leading '\\'.
bool IsListPath(const std::string& path)
{
    if (path.empty() || path[0] == '\\' || (path.size() > 1 && path[1] == ':'))
        return false;
    for (std::size_t i = 0; i < path.size();) {
        const unsigned char lead = static_cast<unsigned char>(path[i]);
        if (lead < 0x20 || lead == 0x7F || lead == '/')
            return false;
        std::size_t need = 0;
        unsigned long cp = lead, min = 0;
        if (lead < 0x80) {
            need = 0;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1, cp = lead & 0x1F, min = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2, cp = lead & 0x0F, min = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3, cp = lead & 0x07, min = 0x10000;
        } else {
            return false;
        }
        if (path.size() - i - 1 < need)
            return false;
        for (std::size_t k = 1; k <= need; ++k) {
            const unsigned char next = static_cast<unsigned char>(path[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += need + 1;
    }
    return true;
}

}  // namespace

bool FormatDigestList(std::vector<DigestLine> lines, std::string& text)
{
    text.clear();
    std::vector<std::pair<std::string, std::string>> sorted;  // (key, "digest  path\n")
    for (const DigestLine& line : lines) {
        std::string utf8;
        if (!IsDigest(line.digest) || !PathToUtf8(line.path, utf8))
            return false;
        sorted.emplace_back(LowerAscii(utf8), line.digest + "  " + utf8 + "\n");
    }
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const std::pair<std::string, std::string>& a,
                        const std::pair<std::string, std::string>& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < sorted.size(); ++i)
        if (i == 0 || sorted[i].first != sorted[i - 1].first)
            text += sorted[i].second;
    return true;
}

std::vector<std::wstring> ModelPackagePaths(const PrinterModel& model)
{
    std::vector<std::wstring> paths;
    const std::vector<PackageFile> driverFiles = ModelDriverFiles(model, model.infBaseName);
    for (const wchar_t* arch : kPluginFolders)
        for (const PackageFile& file : driverFiles)
            if (file.folder == PackageFolder::Plugins)
                paths.push_back(std::wstring(arch) + L"\\" + file.name);
    for (const PackageFile& file : driverFiles) {
        if (file.folder == PackageFolder::Gpd)
            paths.push_back(std::wstring(kGpdFolder) + L"\\" + file.name);
        else if (file.folder == PackageFolder::Top)
            paths.push_back(file.name);
    }
    for (const PackageFile& file : ModelInfFiles(model.infBaseName))
        paths.push_back(file.name);
    return paths;
}

std::wstring InfListPath(const std::wstring& infBaseName)
{
    return ModelInfFiles(infBaseName).front().name;
}

bool PackageDigestList::Parse(const std::string& text)
{
    m_digests.clear();
    std::string previous;
    std::size_t at = 0;
    bool wellFormed = true;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            wellFormed = false;  // no final line feed
            break;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.size() < 67 || line.compare(64, 2, "  ") != 0 || !IsDigest(line.substr(0, 64))) {
            wellFormed = false;
            break;
        }
        const std::string path = line.substr(66);
        const std::string key = LowerAscii(path);
        if (!IsListPath(path) || (!m_digests.empty() && !(previous < key))) {
            wellFormed = false;  // unsorted, or a path twice
            break;
        }
        m_digests[key] = line.substr(0, 64);
        previous = key;
    }
    if (!wellFormed) {
        m_digests.clear();
        return false;
    }
    return true;
}

bool PackageDigestList::Lists(const std::wstring& path) const
{
    const std::string key = KeyOf(path);
    return !key.empty() && m_digests.count(key) != 0;
}

bool PackageDigestList::Vouches(const std::wstring& path, const std::string& digest) const
{
    const std::string key = KeyOf(path);
    if (key.empty())
        return false;
    const std::map<std::string, std::string>::const_iterator found = m_digests.find(key);
    return found != m_digests.end() && found->second == digest;
}
