#include "tools/qpack/PackCore.h"

#include "context/PackageDigests.h"

#include "catalog/CatalogueCore.h"
#include "catalog/InfFields.h"

namespace {

// Decoded text plus, for every code unit, the offset of the bytes it came
// from (one extra entry for the end), so that an edit found in the text can
// be made in the bytes. Follows DecodeInfText step by step; SignInfBytes
// compares the two before it trusts the offsets.
struct MappedText {
    InfEncoding encoding = InfEncoding::Ansi;
    std::wstring text;
    std::vector<std::size_t> offsets;
};

MappedText DecodeMapped(const std::vector<unsigned char>& bytes)
{
    MappedText m;
    const unsigned char* data = bytes.data();
    std::size_t size = bytes.size(), mark = 0;
    m.encoding = DetectInfEncoding(data, size, mark);
    std::size_t i = mark;
    switch (m.encoding) {
    case InfEncoding::Utf16LE:
    case InfEncoding::Utf16BE:
        m.text = DecodeUtf16(data + mark, size - mark, m.encoding == InfEncoding::Utf16BE);
        for (std::size_t u = 0; u < m.text.size(); ++u)
            m.offsets.push_back(mark + 2 * u);
        i = mark + 2 * m.text.size();
        break;
    case InfEncoding::Utf8:
        if (!DecodeUtf8(data + mark, size - mark, m.text))
            return m;  // no map: SignInfBytes refuses such a file first
        m.offsets.reserve(m.text.size() + 1);
        while (i < size) {
            unsigned char lead = data[i];
            std::size_t need = lead < 0xC0 ? 0 : lead < 0xE0 ? 1 : (lead >= 0xF0 && lead <= 0xF4) ? 3 : 2;
            if (size - i - 1 < need)
                break;
            m.offsets.push_back(i);
            if (need == 3) {
                // A surrogate pair unless the value is outside U+10000..U+10FFFF.
                unsigned long cp = ((lead & 0x07ul) << 18) | ((data[i + 1] & 0x3Ful) << 12);
                if (cp >= 0x10000 && cp <= 0x10FFFF)
                    m.offsets.push_back(i);
            }
            i += need + 1;
        }
        break;
    case InfEncoding::Ansi:
        m.text = DecodeWindows1252(data, size);
        for (std::size_t u = 0; u < size; ++u)
            m.offsets.push_back(u);
        i = size;
        break;
    }
    m.offsets.push_back(i);
    if (m.offsets.size() != m.text.size() + 1)
        m.offsets.clear();  // SignInfBytes refuses to edit without a true map
    return m;
}

std::vector<unsigned char> EncodeAscii(const std::string& ascii, InfEncoding encoding)
{
    std::vector<unsigned char> out;
    for (char ch : ascii) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (encoding == InfEncoding::Utf16LE) {
            out.push_back(c);
            out.push_back(0);
        } else if (encoding == InfEncoding::Utf16BE) {
            out.push_back(0);
            out.push_back(c);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool IsBlankLine(const std::wstring& text, std::size_t from, std::size_t to)
{
    for (std::size_t i = from; i < to; ++i) {
        wchar_t c = text[i];
        if (c != L' ' && c != L'\t' && c != L'\r')
            return false;
    }
    return true;
}

// The first non-blank character of the line starting at `from`.
std::size_t LineContent(const std::wstring& text, std::size_t from, std::size_t to)
{
    while (from < to && (text[from] == L' ' || text[from] == L'\t'))
        ++from;
    return from;
}

// Where to insert a line at the end of the [Version] section's content:
// the text offset just past the section's last non-blank line (including
// its line feed). `needsBreakFirst` when that line ends the text unbroken.
bool FindVersionInsertPoint(const std::wstring& text, std::size_t& at, bool& needsBreakFirst)
{
    bool inVersion = false, found = false;
    std::size_t lineStart = 0;
    while (lineStart < text.size()) {
        std::size_t lineEnd = text.find(L'\n', lineStart);
        std::size_t next = lineEnd == std::wstring::npos ? text.size() : lineEnd + 1;
        std::size_t content = LineContent(text, lineStart, next);
        if (content < text.size() && text[content] == L'[') {
            if (inVersion)
                break;  // the next section starts
            std::wstring head = UpperCaseAscii(text.substr(content, 9));
            if (head == L"[VERSION]") {
                inVersion = found = true;
                at = next;
                needsBreakFirst = lineEnd == std::wstring::npos;
            }
        } else if (inVersion && !IsBlankLine(text, lineStart, lineEnd == std::wstring::npos ? text.size() : lineEnd)) {
            at = next;
            needsBreakFirst = lineEnd == std::wstring::npos;
        }
        lineStart = next;
    }
    return found;
}

std::string Narrow(const std::wstring& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

}  // namespace

std::wstring DecodeForTool(const std::vector<unsigned char>& bytes)
{
    std::wstring text;
    DecodeInfText(bytes.data(), bytes.size(), DecodeWindows1252, text);
    return text;
}

std::string InfTextProblem(const std::vector<unsigned char>& bytes)
{
    std::size_t mark = 0;
    if (DetectInfEncoding(bytes.data(), bytes.size(), mark) != InfEncoding::Utf8)
        return std::string();
    std::wstring text;
    std::size_t at = 0;
    if (DecodeUtf8(bytes.data() + mark, bytes.size() - mark, text, &at))
        return std::string();
    return "its UTF-8 is ill-formed at byte " + std::to_string(mark + at) +
           " (an overlong form, a surrogate, a missing or stray continuation byte, or a sequence cut off at the end)";
}

const char* EncodingName(InfEncoding encoding)
{
    switch (encoding) {
    case InfEncoding::Utf16LE: return "UTF-16 LE with byte order mark";
    case InfEncoding::Utf16BE: return "UTF-16 BE with byte order mark";
    case InfEncoding::Utf8:    return "UTF-8 with byte order mark";
    case InfEncoding::Ansi:    return "ANSI (no byte order mark; read as Windows-1252)";
    }
    return "unknown";
}

SignResult SignInfBytes(const std::wstring& fileName, std::vector<unsigned char>& bytes)
{
    SignResult result;
    result.error = InfTextProblem(bytes);
    if (!result.error.empty())
        return result;
    MappedText m = DecodeMapped(bytes);
    if (m.offsets.empty() || m.text != DecodeForTool(bytes)) {
        result.error = "internal error: the text offsets do not match the decoded text";
        return result;
    }

    std::wstring upperName = UpperCaseAscii(fileName);
    PrinterModel model;
    SplitInfName(upperName, model.infBaseName, model.namePrefix, model.nameNumber);
    if (model.infBaseName.empty()) {
        result.error = "the file name gives no model name (it needs a name before \".inf\")";
        return result;
    }
    InfIds ids = ParseInfIds(m.text, model.infBaseName);
    result.expectedName = ExpectedSecurityName(model.nameNumber, ids.usbIdSuffix);
    if (!MakeSecurityId(result.expectedName, result.securityId)) {
        result.error = "the model name \"" + EncodeUtf8(result.expectedName) +
                       "\" holds characters outside Latin-1 and cannot be signed";
        return result;
    }

    std::vector<unsigned char> signedBytes;
    const std::wstring marker = L"SecurityID=";
    std::size_t g = m.text.find(marker);
    if (g != std::wstring::npos) {
        std::size_t valueStart = g + marker.size();
        std::size_t valueEnd = m.text.find(L'\n', valueStart);
        if (valueEnd == std::wstring::npos)
            valueEnd = m.text.size();
        if (valueEnd > valueStart && m.text[valueEnd - 1] == L'\r')
            --valueEnd;
        std::size_t from = m.offsets[valueStart], to = m.offsets[valueEnd];
        std::vector<unsigned char> value = EncodeAscii(Narrow(result.securityId), m.encoding);
        signedBytes.assign(bytes.begin(), bytes.begin() + from);
        signedBytes.insert(signedBytes.end(), value.begin(), value.end());
        signedBytes.insert(signedBytes.end(), bytes.begin() + to, bytes.end());
        result.outcome = SignOutcome::Replaced;
    } else {
        std::size_t at = 0;
        bool breakFirst = false;
        if (!FindVersionInsertPoint(m.text, at, breakFirst)) {
            result.error = "the file has no [Version] section to hold the SecurityID line";
            return result;
        }
        // Use the file's own line ending: CR LF unless its first line ends in a bare LF.
        std::size_t firstBreak = m.text.find(L'\n');
        std::string eol = (firstBreak != std::wstring::npos && (firstBreak == 0 || m.text[firstBreak - 1] != L'\r'))
                              ? "\n" : "\r\n";
        std::string line = "SecurityID=" + Narrow(result.securityId);
        line = breakFirst ? eol + line : line + eol;
        std::vector<unsigned char> encoded = EncodeAscii(line, m.encoding);
        std::size_t byteAt = m.offsets[at];
        signedBytes.assign(bytes.begin(), bytes.begin() + byteAt);
        signedBytes.insert(signedBytes.end(), encoded.begin(), encoded.end());
        signedBytes.insert(signedBytes.end(), bytes.begin() + byteAt, bytes.end());
        result.outcome = SignOutcome::Added;
    }

    InfAssessment after = AssessInf(upperName, DecodeForTool(signedBytes));
    if (!after.accepted) {
        result.outcome = SignOutcome::Failed;
        result.error = after.check.accepted
                           ? "the stamped file would still be rejected: its printer name holds a character a "
                             "printer name or the installer's command line cannot carry (\" , \\ or a control character)"
                           : "the stamped file would still be rejected (the new SecurityID line changes "
                             "the hardware ids the installer reads, or the value does not stand on a line of its own)";
        return result;
    }
    if (signedBytes == bytes)
        result.outcome = SignOutcome::Unchanged;
    bytes.swap(signedBytes);
    return result;
}

bool SetConnectionsInfBytes(std::vector<unsigned char>& bytes, bool network, bool serial, std::string& error)
{
    error = InfTextProblem(bytes);
    if (!error.empty())
        return false;
    MappedText m = DecodeMapped(bytes);
    if (m.offsets.empty() || m.text != DecodeForTool(bytes)) {
        error = "internal error: the text offsets do not match the decoded text";
        return false;
    }
    std::string value = network ? "Network" : "";
    if (serial)
        value += value.empty() ? "Serial" : ",Serial";
    const std::wstring marker = std::wstring(kConnectionsKey) + L"=";
    std::vector<unsigned char> edited;
    const std::size_t g = m.text.find(marker);
    if (g != std::wstring::npos) {
        const std::size_t valueStart = g + marker.size();
        std::size_t valueEnd = m.text.find(L'\n', valueStart);
        if (valueEnd == std::wstring::npos)
            valueEnd = m.text.size();
        if (valueEnd > valueStart && m.text[valueEnd - 1] == L'\r')
            --valueEnd;
        const std::vector<unsigned char> encoded = EncodeAscii(value, m.encoding);
        edited.assign(bytes.begin(), bytes.begin() + m.offsets[valueStart]);
        edited.insert(edited.end(), encoded.begin(), encoded.end());
        edited.insert(edited.end(), bytes.begin() + m.offsets[valueEnd], bytes.end());
    } else {
        const std::size_t firstBreak = m.text.find(L'\n');
        const std::string eol =
            (firstBreak != std::wstring::npos && (firstBreak == 0 || m.text[firstBreak - 1] != L'\r')) ? "\n" : "\r\n";
        const bool endsBroken = !m.text.empty() && m.text.back() == L'\n';
        const std::string section = (endsBroken ? "" : eol) + eol +
                                    "; Connections the Quorvex installer offers besides USB and parallel." + eol +
                                    "[QuorvexInstaller]" + eol + Narrow(marker) + value + eol;
        const std::vector<unsigned char> encoded = EncodeAscii(section, m.encoding);
        edited = bytes;
        edited.insert(edited.end(), encoded.begin(), encoded.end());
    }
    // What the installer will read from the edited file.
    const InfIds ids = ParseInfIds(DecodeForTool(edited), L"");
    if (ids.network != network || ids.serial != serial || !ids.unknownConnections.empty()) {
        error = "the edited file would not read as these connections (the line's value does not stand alone)";
        return false;
    }
    bytes.swap(edited);
    return true;
}

std::vector<StagedFile> PackageFilesFor(const PrinterModel& model)
{
    // The digest list's paths, split into folder and name.
    std::vector<StagedFile> files;
    for (const std::wstring& path : ModelPackagePaths(model)) {
        const std::wstring::size_type slash = path.rfind(L'\\');
        if (slash == std::wstring::npos)
            files.push_back({L"", path});
        else
            files.push_back({path.substr(0, slash), path.substr(slash + 1)});
    }
    return files;
}
