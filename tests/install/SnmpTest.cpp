#include <gtest/gtest.h>

#include "install/Snmp.h"

namespace {

// Bytes from a hex text; blanks are for reading only.
std::string Hex(const char* text)
{
    std::string bytes;
    int high = -1;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes += static_cast<char>(high * 16 + digit);
            high = -1;
        }
    }
    return bytes;
}

// One BER element with the shortest length, written independently of the
// encoder under test so that the two cannot share a mistake.
std::string Tlv(unsigned char tag, const std::string& content)
{
    std::string out(1, static_cast<char>(tag));
    const std::size_t n = content.size();
    if (n < 0x80) {
        out += static_cast<char>(n);
    } else if (n < 0x100) {
        out += '\x81';
        out += static_cast<char>(n);
    } else {
        out += '\x82';
        out += static_cast<char>(n >> 8);
        out += static_cast<char>(n & 0xFF);
    }
    return out + content;
}

const std::string kPpmOid = Hex("2B 06 01 04 01 95 0B 01 02 01 02 01 01 03 01");  // 1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1
const std::string kDescrOid = Hex("2B 06 01 02 01 19 03 02 01 03 01");           // 1.3.6.1.2.1.25.3.2.1.3.1
const std::string kId = Hex("02 02 12 34");                                       // request id 0x1234
const std::string kDeviceId = "MFG:Quorvex;MDL:QX1000;CMD:PCL,PJL;CLS:PRINTER;DES:Quorvex QX1000;";

std::string Varbind(const std::string& oid, unsigned char tag, const std::string& value)
{
    return Tlv(0x30, Tlv(0x06, oid) + Tlv(tag, value));
}

// A version 1 message with the elements given as ready bytes.
std::string Message(const std::string& varbinds, const std::string& requestId = kId,
                    const std::string& community = "public", unsigned char pduTag = 0xA2,
                    const std::string& errors = Hex("02 01 00 02 01 00"), const std::string& version = Hex("02 01 00"))
{
    return Tlv(0x30, version + Tlv(0x04, community) + Tlv(pduTag, requestId + errors + Tlv(0x30, varbinds)));
}

SnmpReply Read(const std::string& bytes, const std::vector<SnmpOid>& requested = {kPpmPrinterIeee1284DeviceIdOid})
{
    return ReadSnmpGetResponse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), "public", 0x1234,
                               requested);
}

const char* StatusName(SnmpReplyStatus status)
{
    switch (status) {
    case SnmpReplyStatus::Answered: return "Answered";
    case SnmpReplyStatus::AgentError: return "AgentError";
    case SnmpReplyStatus::NotOurs: return "NotOurs";
    case SnmpReplyStatus::Malformed: return "Malformed";
    }
    return "?";
}

}  // namespace

TEST(Snmp, GetRequestBytesAsTheRfcLaysThemOut)
{
    std::string bytes;
    ASSERT_TRUE(EncodeSnmpGetRequest("public", 0x1234, {kHrDeviceDescrOid}, bytes));
    EXPECT_EQ(Hex("30 2A 02 01 00 04 06 70 75 62 6C 69 63 A0 1D 02 02 12 34 02 01 00 02 01 00"
                  "30 11 30 0F 06 0B 2B 06 01 02 01 19 03 02 01 03 01 05 00"),
              bytes);

    // Two objects, a negative id in its shortest two's complement form.
    ASSERT_TRUE(EncodeSnmpGetRequest("public", -129, {kPpmPrinterIeee1284DeviceIdOid, kHrDeviceDescrOid}, bytes));
    EXPECT_EQ(Message(Varbind(kPpmOid, 0x05, "") + Varbind(kDescrOid, 0x05, ""), Hex("02 02 FF 7F"), "public", 0xA0),
              bytes);
    for (std::int32_t id : {0, 127, 128, -1, -128, 0x7FFFFFFF, static_cast<std::int32_t>(0x80000000)}) {
        ASSERT_TRUE(EncodeSnmpGetRequest("public", id, {kHrDeviceDescrOid}, bytes));
        SnmpMessage message;
        ASSERT_TRUE(DecodeSnmpMessage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), message));
        EXPECT_EQ(id, message.requestId);
    }

    // A long community takes the long length form; arcs up to 32 bits.
    SnmpMessage big;
    big.community = std::string(200, 'c');
    big.pduTag = kSnmpGetResponse;
    big.varbinds.push_back({{2, 999, 0xFFFFFFFFu, 0}, kBerOctetString, std::string(300, 'v')});
    ASSERT_TRUE(EncodeSnmpMessage(big, bytes));
    EXPECT_NE(std::string::npos, bytes.find(Hex("04 81 C8 63 63")));
    EXPECT_NE(std::string::npos, bytes.find(Hex("06 08 88 37 8F FF FF FF 7F 00 04 82 01 2C")));
    SnmpMessage back;
    ASSERT_TRUE(DecodeSnmpMessage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), back));
    EXPECT_EQ(big.community, back.community);
    ASSERT_EQ(1u, back.varbinds.size());
    EXPECT_EQ(big.varbinds[0].oid, back.varbinds[0].oid);
    EXPECT_EQ(big.varbinds[0].value, back.varbinds[0].value);
}

TEST(Snmp, EncoderRefusesWhatHasNoEncoding)
{
    std::string bytes = "untouched";
    for (const SnmpOid& oid : {SnmpOid{}, SnmpOid{1}, SnmpOid{3, 1}, SnmpOid{1, 40}, SnmpOid{0, 40},
                               SnmpOid{2, 0xFFFFFFFFu}, SnmpOid(129, 1)}) {
        EXPECT_FALSE(EncodeSnmpGetRequest("public", 1, {oid}, bytes)) << oid.size();
    }
    SnmpMessage trap;
    trap.pduTag = 0xA4;
    EXPECT_FALSE(EncodeSnmpMessage(trap, bytes));
    SnmpMessage constructed;
    constructed.varbinds.push_back({kHrDeviceDescrOid, 0x30, ""});
    EXPECT_FALSE(EncodeSnmpMessage(constructed, bytes));
    EXPECT_EQ("untouched", bytes);
}

TEST(Snmp, ReplyValuesOfTheRequestedObjects)
{
    const std::vector<SnmpOid> both = {kPpmPrinterIeee1284DeviceIdOid, kHrDeviceDescrOid};
    SnmpReply reply = Read(Message(Varbind(kPpmOid, 0x04, kDeviceId) + Varbind(kDescrOid, 0x04, "QX1000")), both);
    ASSERT_EQ(SnmpReplyStatus::Answered, reply.status);
    ASSERT_EQ(2u, reply.values.size());
    EXPECT_TRUE(reply.values[0].present);
    EXPECT_EQ(kDeviceId, reply.values[0].bytes);
    EXPECT_EQ("QX1000", reply.values[1].bytes);

    // In another order, with an object we did not ask for (ignored) and one
    // of another type (no text, so not present).
    reply = Read(Message(Varbind(Hex("2B 06 01 02 01 01 01 00"), 0x04, "sysDescr") +
                         Varbind(kDescrOid, 0x02, Hex("05")) + Varbind(kPpmOid, 0x04, kDeviceId)),
                 both);
    ASSERT_EQ(SnmpReplyStatus::Answered, reply.status);
    EXPECT_TRUE(reply.values[0].present);
    EXPECT_FALSE(reply.values[1].present);

    // An empty text is a value; SNMPv2's "noSuchObject" (0x80) is none.
    reply = Read(Message(Varbind(kPpmOid, 0x04, "")));
    ASSERT_EQ(SnmpReplyStatus::Answered, reply.status);
    EXPECT_TRUE(reply.values[0].present);
    reply = Read(Message(Varbind(kPpmOid, 0x80, "")));
    ASSERT_EQ(SnmpReplyStatus::Answered, reply.status);
    EXPECT_FALSE(reply.values[0].present);

    // The largest value taken, and lengths in a longer form than needed.
    reply = Read(Message(Varbind(kPpmOid, 0x04, std::string(kSnmpMaxValueBytes, 'x'))));
    ASSERT_EQ(SnmpReplyStatus::Answered, reply.status);
    EXPECT_EQ(kSnmpMaxValueBytes, reply.values[0].bytes.size());
    const std::string body = Hex("02 01 00") + Tlv(0x04, "public") + Tlv(0xA2, kId + Hex("02 01 00 02 01 00") +
                             Tlv(0x30, Varbind(kPpmOid, 0x04, "MDL:X;")));
    std::string longForm = Hex("30 82 00") + std::string(1, static_cast<char>(body.size())) + body;
    EXPECT_EQ(SnmpReplyStatus::Answered, Read(longForm).status);
    longForm = Hex("30 84 00 00 00") + std::string(1, static_cast<char>(body.size())) + body;
    EXPECT_EQ(SnmpReplyStatus::Answered, Read(longForm).status);
}

TEST(Snmp, RepliesToOtherRequestsAndAgentErrors)
{
    const std::string varbinds = Varbind(kPpmOid, 0x04, kDeviceId);
    const struct {
        const char* what;
        std::string bytes;
        SnmpReplyStatus status;
    } cases[] = {
        {"another request id", Message(varbinds, Hex("02 02 12 35")), SnmpReplyStatus::NotOurs},
        {"another community", Message(varbinds, kId, "private"), SnmpReplyStatus::NotOurs},
        {"a community that only starts alike", Message(varbinds, kId, std::string("public\0x", 8)), SnmpReplyStatus::NotOurs},
        {"SNMPv2c", Message(varbinds, kId, "public", 0xA2, Hex("02 01 00 02 01 00"), Hex("02 01 01")),
         SnmpReplyStatus::NotOurs},
        {"our own request reflected", Message(Varbind(kPpmOid, 0x05, ""), kId, "public", 0xA0), SnmpReplyStatus::NotOurs},
        {"a SetRequest", Message(varbinds, kId, "public", 0xA3), SnmpReplyStatus::NotOurs},
        {"noSuchName", Message(varbinds, kId, "public", 0xA2, Hex("02 01 02 02 01 01")), SnmpReplyStatus::AgentError},
        {"genErr", Message(varbinds, kId, "public", 0xA2, Hex("02 01 05 02 01 00")), SnmpReplyStatus::AgentError},
    };
    for (const auto& c : cases) {
        const SnmpReply reply = Read(c.bytes);
        EXPECT_EQ(StatusName(c.status), std::string(StatusName(reply.status))) << c.what;
        EXPECT_TRUE(reply.values.empty()) << c.what;
    }
    const SnmpReply error = Read(Message(varbinds, kId, "public", 0xA2, Hex("02 01 02 02 01 01")));
    EXPECT_EQ(kSnmpNoSuchName, error.errorStatus);
    EXPECT_EQ(1, error.errorIndex);
}

TEST(Snmp, MalformedRepliesAreRefused)
{
    const std::string good = Message(Varbind(kPpmOid, 0x04, kDeviceId));
    ASSERT_EQ(SnmpReplyStatus::Answered, Read(good).status);
    const std::string pduContent = kId + Hex("02 01 00 02 01 00") + Tlv(0x30, Varbind(kPpmOid, 0x04, "x"));
    const std::string head = Hex("02 01 00") + Tlv(0x04, "public");

    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"nothing", ""},
        {"a trailing byte", good + '\0'},
        {"the outer length one short", Hex("30") + static_cast<char>(good[1] - 1) + good.substr(2)},
        {"the outer length one long", Hex("30") + static_cast<char>(good[1] + 1) + good.substr(2)},
        {"not a SEQUENCE", Hex("31") + good.substr(1)},
        {"an indefinite length", Hex("30 80") + good.substr(2) + Hex("00 00")},
        {"five length bytes", Hex("30 85 00 00 00 00") + static_cast<char>(good[1]) + good.substr(2)},
        {"a length past every datagram", Hex("30 84 FF FF FF FF") + good.substr(2)},
        {"a high tag number", Message(Varbind(kPpmOid, 0x1F, Hex("04 01 78")))},
        {"a trap PDU", Message(Varbind(kPpmOid, 0x04, "x"), kId, "public", 0xA4)},
        {"a GetBulk PDU", Message(Varbind(kPpmOid, 0x04, "x"), kId, "public", 0xA5)},
        {"an id with a redundant 00", Message(Varbind(kPpmOid, 0x04, "x"), Hex("02 03 00 12 34"))},
        {"an id with a redundant FF", Message(Varbind(kPpmOid, 0x04, "x"), Hex("02 02 FF 80"))},
        {"an id of five bytes", Message(Varbind(kPpmOid, 0x04, "x"), Hex("02 05 00 80 00 00 00"))},
        {"an empty integer", Message(Varbind(kPpmOid, 0x04, "x"), Hex("02 00"))},
        {"an id that is a string", Message(Varbind(kPpmOid, 0x04, "x"), Hex("04 02 12 34"))},
        {"no error-index", Message(Varbind(kPpmOid, 0x04, "x"), kId, "public", 0xA2, Hex("02 01 00"))},
        {"an element after the list", Tlv(0x30, head + Tlv(0xA2, pduContent + Hex("05 00")))},
        {"an element after the PDU", Tlv(0x30, head + Tlv(0xA2, pduContent) + Hex("05 00"))},
        {"a constructed OCTET STRING", Message(Varbind(kPpmOid, 0x24, Tlv(0x04, "x")))},
        {"a SEQUENCE as a value", Message(Varbind(kPpmOid, 0x30, Varbind(kPpmOid, 0x04, "x")))},
        {"a value over the limit", Message(Varbind(kPpmOid, 0x04, std::string(kSnmpMaxValueBytes + 1, 'x')))},
        {"a community over the limit", Message(Varbind(kPpmOid, 0x04, "x"), kId, std::string(kSnmpMaxValueBytes + 1, 'c'))},
        {"a NULL with content", Message(Varbind(kPpmOid, 0x05, "x"))},
        {"a varbind without a value", Message(Tlv(0x30, Tlv(0x06, kPpmOid)))},
        {"a varbind with a third element", Message(Tlv(0x30, Tlv(0x06, kPpmOid) + Tlv(0x04, "x") + Tlv(0x05, "")))},
        {"a varbind that is no SEQUENCE", Message(Tlv(0x31, Tlv(0x06, kPpmOid) + Tlv(0x04, "x")))},
        {"an empty OID", Message(Varbind("", 0x04, "x"))},
        {"an OID arc with a leading 80", Message(Varbind(Hex("2B 06 80 01"), 0x04, "x"))},
        {"an OID cut in an arc", Message(Varbind(Hex("2B 06 81"), 0x04, "x"))},
        {"an OID arc over 32 bits", Message(Varbind(Hex("2B 90 80 80 80 00"), 0x04, "x"))},
        {"an OID of 129 arcs", Message(Varbind(Hex("2B") + std::string(127, '\x01'), 0x04, "x"))},
        {"the same object twice", Message(Varbind(kPpmOid, 0x04, "a") + Varbind(kPpmOid, 0x04, "b"))},
        {"the same object twice, once as NULL", Message(Varbind(kPpmOid, 0x04, "a") + Varbind(kPpmOid, 0x05, ""))},
    };
    for (const auto& c : cases)
        EXPECT_STREQ("Malformed", StatusName(Read(c.bytes).status)) << c.what;

    // Cut off anywhere, the good reply is malformed.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_STREQ("Malformed", StatusName(Read(good.substr(0, size)).status)) << "cut at " << size;

    // Deep nesting costs nothing: the layout is read, never recursed into.
    std::string nested = Tlv(0x04, "x");
    for (int i = 0; i < 500; ++i)
        nested = Tlv(0x30, nested);
    EXPECT_STREQ("Malformed", StatusName(Read(nested).status));
}

TEST(Snmp, DeviceIdTextIsSafeToShow)
{
    EXPECT_EQ(L"MFG:A;MDL:B;", DeviceIdText("MFG:A;MDL:B;"));
    // IEEE 1284's length bytes, counting themselves or not, are dropped.
    EXPECT_EQ(L"MFG:A;MDL:B;", DeviceIdText(std::string("\x00\x0E", 2) + "MFG:A;MDL:B;"));
    EXPECT_EQ(L"MFG:A;MDL:B;", DeviceIdText(std::string("\x00\x0C", 2) + "MFG:A;MDL:B;"));
    // A C string's end, blanks, control and non-ASCII bytes.
    EXPECT_EQ(L"MDL:B;", DeviceIdText(std::string("MDL:B;\0CMD:X;", 13)));
    EXPECT_EQ(L"MFG:A;  MDL:B; ", DeviceIdText("MFG:A;\r\nMDL:B;\t"));
    EXPECT_EQ(L"MDL:?[2J??;", DeviceIdText("MDL:\x1b[2J\xc3\xa9;"));
    EXPECT_EQ(L"", DeviceIdText(""));
    EXPECT_EQ(L"x", SnmpDisplayText(std::string("x\0y", 3)));
    EXPECT_EQ(L"?", SnmpDisplayText("\x7f"));
}

TEST(Snmp, DeviceIdFields)
{
    DeviceIdFields f;
    ASSERT_TRUE(ParseDeviceId(L"MFG:Quorvex;CMD:PCL,PJL;MDL:QX1000;CLS:PRINTER;DES:Quorvex QX1000 laser;", f));
    EXPECT_EQ(L"Quorvex", f.manufacturer);
    EXPECT_EQ(L"QX1000", f.model);
    EXPECT_EQ(L"PCL,PJL", f.commandSet);
    EXPECT_EQ(L"PRINTER", f.deviceClass);
    EXPECT_EQ(L"Quorvex QX1000 laser", f.description);

    // Long keys in any case, blanks anywhere around, no final ';', a ':'
    // inside a value, keys we do not know.
    ASSERT_TRUE(ParseDeviceId(L" manufacturer : Quorvex ;\r\n Command   Set:PCL;model:QX2000 ;COMMENT:a:b;DES: A:B", f));
    EXPECT_EQ(L"Quorvex", f.manufacturer);
    EXPECT_EQ(L"QX2000", f.model);
    EXPECT_EQ(L"PCL", f.commandSet);
    EXPECT_EQ(L"", f.deviceClass);
    EXPECT_EQ(L"A:B", f.description);

    // The same field twice: fine when it agrees, refused when it does not.
    ASSERT_TRUE(ParseDeviceId(L"MFG:Q;MANUFACTURER:Q;MDL:X;", f));
    const DeviceIdFields before = f;
    for (const wchar_t* text : {L"MDL:QX1000;MODEL:QX2000;", L"MDL:QX1000;MDL:qx1000;", L"Quorvex QX1000",
                                L"MFG:Q;MDL", L":Q;", L"  ;; ", L"", L"COMMENT:x;", L"MFG:Q;stray;MDL:X;"}) {
        EXPECT_FALSE(ParseDeviceId(text, f)) << std::string(text, text + wcslen(text));
        EXPECT_EQ(before.model, f.model);
    }
    ASSERT_TRUE(ParseDeviceId(L"MDL:;", f));
    EXPECT_EQ(L"", f.model);
}
