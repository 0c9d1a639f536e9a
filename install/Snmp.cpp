#include "install/Snmp.h"

#include "catalog/InfFields.h"

const SnmpOid kPpmPrinterIeee1284DeviceIdOid = {1, 3, 6, 1, 4, 1, 2699, 1, 2, 1, 2, 1, 1, 3, 1};
const SnmpOid kHrDeviceDescrOid = {1, 3, 6, 1, 2, 1, 25, 3, 2, 1, 3, 1};

namespace {

const std::uint8_t kBerSequence = 0x30;
const std::uint8_t kConstructed = 0x20;
const std::uint8_t kHighTagNumber = 0x1F;
// SNMP caps an OID at 128 arcs (RFC 2578, section 3.5); a reply names a
// handful of objects.
const std::size_t kMaxOidArcs = 128;
const std::size_t kMaxVarbinds = 64;

// ---- reading

// A view of BER bytes that it reads from the front. Every read checks what
// is left first, so nothing is ever read past the end.
class BerReader {
public:
    BerReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_left(size) {}

    bool AtEnd() const { return m_left == 0; }

    // One element of any tag: its tag and a reader of its content.
    bool Next(std::uint8_t& tag, BerReader& content)
    {
        if (m_left < 2)
            return false;
        tag = m_data[0];
        if ((tag & kHighTagNumber) == kHighTagNumber)
            return false;  // tags of 31 and over: nothing in SNMP uses them
        std::size_t used = 2;
        std::size_t length = m_data[1];
        if (length & 0x80) {
            // The long form. 0x80 alone is the indefinite length, which BER
            // allows only for constructed encodings and SNMP never uses.
            // More than four length bytes would count past any datagram.
            // A long form for a short length is accepted: it is unambiguous,
            // and some agents always write two length bytes.
            const std::size_t count = length & 0x7F;
            if (count == 0 || count > 4 || m_left - 2 < count)
                return false;
            length = 0;
            for (std::size_t i = 0; i < count; ++i)
                length = (length << 8) | m_data[2 + i];
            used += count;
        }
        if (length > m_left - used)
            return false;
        content = BerReader(m_data + used, length);
        m_data += used + length;
        m_left -= used + length;
        return true;
    }

    bool Expect(std::uint8_t tag, BerReader& content)
    {
        std::uint8_t found = 0;
        return Next(found, content) && found == tag;
    }

    // The content as it is, and the reader emptied.
    std::string TakeAll()
    {
        std::string bytes(reinterpret_cast<const char*>(m_data), m_left);
        m_data += m_left;
        m_left = 0;
        return bytes;
    }

    bool ReadInteger(std::int32_t& value)
    {
        BerReader content(nullptr, 0);
        return Expect(kBerInteger, content) && content.IntegerContent(value);
    }

    bool ReadOctetString(std::string& bytes)
    {
        BerReader content(nullptr, 0);
        if (!Expect(kBerOctetString, content) || content.m_left > kSnmpMaxValueBytes)
            return false;
        bytes = content.TakeAll();
        return true;
    }

    bool ReadOid(SnmpOid& oid)
    {
        BerReader content(nullptr, 0);
        return Expect(kBerOid, content) && content.OidContent(oid);
    }

private:
    // A two's complement integer of at most 32 bits in its shortest form:
    // a leading 0x00 before a byte below 0x80, or 0xFF before one of 0x80 or
    // more, is a second spelling of the same number and refused.
    bool IntegerContent(std::int32_t& value) const
    {
        if (m_left == 0 || m_left > 4)
            return false;
        if (m_left >= 2 && ((m_data[0] == 0x00 && !(m_data[1] & 0x80)) || (m_data[0] == 0xFF && (m_data[1] & 0x80))))
            return false;
        std::uint32_t bits = (m_data[0] & 0x80) ? 0xFFFFFFFFu : 0u;
        for (std::size_t i = 0; i < m_left; ++i)
            bits = (bits << 8) | m_data[i];
        value = static_cast<std::int32_t>(bits);
        return true;
    }

    bool OidContent(SnmpOid& oid) const
    {
        oid.clear();
        std::size_t i = 0;
        while (i < m_left) {
            // A sub-identifier of base-128 digits, high bit set on all but
            // the last; a leading 0x80 digit adds nothing and is refused.
            if (m_data[i] == 0x80)
                return false;
            std::uint32_t value = 0;
            for (;;) {
                if (i == m_left || value > (0xFFFFFFFFu >> 7))
                    return false;  // cut off, or over 32 bits
                const std::uint8_t digit = m_data[i++];
                value = (value << 7) | (digit & 0x7F);
                if (!(digit & 0x80))
                    break;
            }
            if (oid.empty()) {
                // The first sub-identifier holds the first two arcs.
                const std::uint32_t first = value < 80 ? value / 40 : 2;
                oid.push_back(first);
                oid.push_back(value - first * 40);
            } else {
                oid.push_back(value);
            }
            if (oid.size() > kMaxOidArcs)
                return false;
        }
        return !oid.empty();
    }

    const std::uint8_t* m_data;
    std::size_t m_left;
};

// ---- writing

void AppendLength(std::string& out, std::size_t length)
{
    if (length < 0x80) {
        out += static_cast<char>(length);
        return;
    }
    std::string digits;
    for (; length != 0; length >>= 8)
        digits.insert(digits.begin(), static_cast<char>(length & 0xFF));
    out += static_cast<char>(0x80 | digits.size());
    out += digits;
}

void AppendElement(std::string& out, std::uint8_t tag, const std::string& content)
{
    out += static_cast<char>(tag);
    AppendLength(out, content.size());
    out += content;
}

std::string IntegerContent(std::int32_t value)
{
    std::string bytes;
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i, bits >>= 8)
        bytes.insert(bytes.begin(), static_cast<char>(bits & 0xFF));
    // Drop the leading bytes that only repeat the sign.
    while (bytes.size() > 1) {
        const auto b0 = static_cast<std::uint8_t>(bytes[0]), b1 = static_cast<std::uint8_t>(bytes[1]);
        if ((b0 == 0x00 && !(b1 & 0x80)) || (b0 == 0xFF && (b1 & 0x80)))
            bytes.erase(0, 1);
        else
            break;
    }
    return bytes;
}

void AppendSubidentifier(std::string& out, std::uint32_t value)
{
    std::string digits(1, static_cast<char>(value & 0x7F));
    for (value >>= 7; value != 0; value >>= 7)
        digits.insert(digits.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    out += digits;
}

bool OidContent(const SnmpOid& oid, std::string& out)
{
    if (oid.size() < 2 || oid.size() > kMaxOidArcs || oid[0] > 2 || (oid[0] < 2 && oid[1] > 39) ||
        (oid[0] == 2 && oid[1] > 0xFFFFFFFFu - 80))
        return false;
    AppendSubidentifier(out, oid[0] * 40 + oid[1]);
    for (std::size_t i = 2; i < oid.size(); ++i)
        AppendSubidentifier(out, oid[i]);
    return true;
}

bool IsPduTag(std::uint8_t tag)
{
    return tag >= kSnmpGetRequest && tag <= kSnmpSetRequest;
}

bool IsAsciiBlank(std::uint8_t c)
{
    return c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D;
}

// ---- device ids

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

std::wstring Trim(const std::wstring& text)
{
    std::size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// The key in capitals, with each run of blanks inside it one space.
std::wstring NormalKey(const std::wstring& key)
{
    std::wstring normal;
    bool blank = false;
    for (wchar_t c : Trim(key)) {
        if (IsBlank(c)) {
            blank = true;
            continue;
        }
        if (blank)
            normal += L' ';
        blank = false;
        normal += c;
    }
    return UpperCaseAscii(normal);
}

}  // namespace

bool EncodeSnmpMessage(const SnmpMessage& message, std::string& bytes)
{
    if (!IsPduTag(message.pduTag))
        return false;
    std::string list;
    for (const SnmpVarbind& varbind : message.varbinds) {
        if ((varbind.tag & kConstructed) || (varbind.tag & kHighTagNumber) == kHighTagNumber)
            return false;
        std::string oid, pair;
        if (!OidContent(varbind.oid, oid))
            return false;
        AppendElement(pair, kBerOid, oid);
        AppendElement(pair, varbind.tag, varbind.value);
        AppendElement(list, kBerSequence, pair);
    }
    std::string pdu;
    AppendElement(pdu, kBerInteger, IntegerContent(message.requestId));
    AppendElement(pdu, kBerInteger, IntegerContent(message.errorStatus));
    AppendElement(pdu, kBerInteger, IntegerContent(message.errorIndex));
    AppendElement(pdu, kBerSequence, list);
    std::string body;
    AppendElement(body, kBerInteger, IntegerContent(message.version));
    AppendElement(body, kBerOctetString, message.community);
    AppendElement(body, message.pduTag, pdu);
    bytes.clear();
    AppendElement(bytes, kBerSequence, body);
    return true;
}

bool EncodeSnmpGetRequest(const std::string& community, std::int32_t requestId,
                          const std::vector<SnmpOid>& oids, std::string& bytes)
{
    SnmpMessage message;
    message.community = community;
    message.pduTag = kSnmpGetRequest;
    message.requestId = requestId;
    for (const SnmpOid& oid : oids) {
        SnmpVarbind varbind;
        varbind.oid = oid;
        message.varbinds.push_back(varbind);
    }
    return EncodeSnmpMessage(message, bytes);
}

bool DecodeSnmpMessage(const std::uint8_t* data, std::size_t size, SnmpMessage& message)
{
    // The layout is fixed, four levels deep; nothing is read recursively, so
    // no nesting in a datagram can take the reader deeper than that.
    BerReader all(data, size), body(nullptr, 0), pdu(nullptr, 0), list(nullptr, 0);
    if (!all.Expect(kBerSequence, body) || !all.AtEnd())
        return false;
    if (!body.ReadInteger(message.version) || !body.ReadOctetString(message.community) ||
        !body.Next(message.pduTag, pdu) || !IsPduTag(message.pduTag) || !body.AtEnd())
        return false;
    if (!pdu.ReadInteger(message.requestId) || !pdu.ReadInteger(message.errorStatus) ||
        !pdu.ReadInteger(message.errorIndex) || !pdu.Expect(kBerSequence, list) || !pdu.AtEnd())
        return false;
    message.varbinds.clear();
    while (!list.AtEnd()) {
        if (message.varbinds.size() == kMaxVarbinds)
            return false;
        BerReader pair(nullptr, 0), value(nullptr, 0);
        SnmpVarbind varbind;
        if (!list.Expect(kBerSequence, pair) || !pair.ReadOid(varbind.oid) || !pair.Next(varbind.tag, value) ||
            !pair.AtEnd())
            return false;
        if (varbind.tag & kConstructed)
            return false;  // SNMP's values are all primitive
        varbind.value = value.TakeAll();
        if (varbind.value.size() > kSnmpMaxValueBytes || (varbind.tag == kBerNull && !varbind.value.empty()))
            return false;
        message.varbinds.push_back(varbind);
    }
    return true;
}

SnmpReply ReadSnmpGetResponse(const std::uint8_t* data, std::size_t size, const std::string& community,
                              std::int32_t requestId, const std::vector<SnmpOid>& requested)
{
    SnmpReply reply;
    SnmpMessage message;
    if (!DecodeSnmpMessage(data, size, message))
        return reply;
    if (message.version != 0 || message.community != community || message.pduTag != kSnmpGetResponse ||
        message.requestId != requestId) {
        reply.status = SnmpReplyStatus::NotOurs;
        return reply;
    }
    reply.errorStatus = message.errorStatus;
    reply.errorIndex = message.errorIndex;
    if (message.errorStatus != kSnmpNoError) {
        reply.status = SnmpReplyStatus::AgentError;
        return reply;
    }
    reply.values.resize(requested.size());
    for (std::size_t i = 0; i < requested.size(); ++i) {
        bool seen = false;
        for (const SnmpVarbind& varbind : message.varbinds) {
            if (varbind.oid != requested[i])
                continue;
            if (seen) {
                // Two values for one object: which one would be the truth?
                reply.values.clear();
                return reply;
            }
            seen = true;
            if (varbind.tag == kBerOctetString) {
                reply.values[i].present = true;
                reply.values[i].bytes = varbind.value;
            }
        }
    }
    reply.status = SnmpReplyStatus::Answered;
    return reply;
}

std::wstring SnmpDisplayText(const std::string& bytes)
{
    std::wstring text;
    for (char ch : bytes) {
        const auto c = static_cast<std::uint8_t>(ch);
        if (c == 0)
            break;
        if (c >= 0x20 && c < 0x7F)
            text += static_cast<wchar_t>(c);
        else
            text += IsAsciiBlank(c) ? L' ' : L'?';
    }
    return text;
}

std::wstring DeviceIdText(const std::string& bytes)
{
    if (bytes.size() >= 2) {
        const std::size_t count =
            (static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[0])) << 8) | static_cast<std::uint8_t>(bytes[1]);
        if (count == bytes.size() || count == bytes.size() - 2)
            return SnmpDisplayText(bytes.substr(2));
    }
    return SnmpDisplayText(bytes);
}

bool ParseDeviceId(const std::wstring& text, DeviceIdFields& fields)
{
    struct Field {
        const wchar_t* longKey;
        const wchar_t* shortKey;
        std::wstring DeviceIdFields::*member;
        bool seen;
    };
    Field known[] = {
        {L"MANUFACTURER", L"MFG", &DeviceIdFields::manufacturer, false},
        {L"MODEL", L"MDL", &DeviceIdFields::model, false},
        {L"COMMAND SET", L"CMD", &DeviceIdFields::commandSet, false},
        {L"CLASS", L"CLS", &DeviceIdFields::deviceClass, false},
        {L"DESCRIPTION", L"DES", &DeviceIdFields::description, false},
    };
    DeviceIdFields found;
    bool anyKnown = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L';', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring pair = Trim(text.substr(start, end - start));
        start = end + 1;
        if (pair.empty())
            continue;
        const std::size_t colon = pair.find(L':');
        if (colon == std::wstring::npos)
            return false;
        const std::wstring key = NormalKey(pair.substr(0, colon));
        if (key.empty())
            return false;
        const std::wstring value = Trim(pair.substr(colon + 1));
        for (Field& field : known) {
            if (key != field.longKey && key != field.shortKey)
                continue;
            if (field.seen && found.*field.member != value)
                return false;
            field.seen = true;
            found.*field.member = value;
            anyKnown = true;
        }
    }
    if (!anyKnown)
        return false;
    fields = found;
    return true;
}
