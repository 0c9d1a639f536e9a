// libFuzzer target: arbitrary bytes as a datagram that came back from a
// printer, through everything the installer does with one: the SNMP reader
// (as the reply to each of our requests, and as any message), and the
// device id's text and fields. Besides crashes and sanitizer reports it
// fails when an invariant breaks: a message read encodes and reads back to
// itself, an answer has one value per object asked for and none over the
// limit, the text shown is printable ASCII no longer than the bytes, and
// parsed fields are trimmed and hold no ';'.
#include "install/Snmp.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();  // reported by libFuzzer as a crash, with the input
}

bool SameMessage(const SnmpMessage& a, const SnmpMessage& b)
{
    if (a.version != b.version || a.community != b.community || a.pduTag != b.pduTag ||
        a.requestId != b.requestId || a.errorStatus != b.errorStatus || a.errorIndex != b.errorIndex ||
        a.varbinds.size() != b.varbinds.size())
        return false;
    for (std::size_t i = 0; i < a.varbinds.size(); ++i) {
        if (a.varbinds[i].oid != b.varbinds[i].oid || a.varbinds[i].tag != b.varbinds[i].tag ||
            a.varbinds[i].value != b.varbinds[i].value)
            return false;
    }
    return true;
}

bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

void CheckField(const std::wstring& field)
{
    Require(field.find(L';') == std::wstring::npos);
    Require(field.empty() || (!IsBlank(field.front()) && !IsBlank(field.back())));
}

void CheckDeviceId(const std::wstring& text)
{
    DeviceIdFields fields;
    if (!ParseDeviceId(text, fields))
        return;
    for (const std::wstring* f : {&fields.manufacturer, &fields.model, &fields.commandSet, &fields.deviceClass,
                                  &fields.description})
        CheckField(*f);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SnmpMessage message;
    if (DecodeSnmpMessage(data, size, message)) {
        std::string bytes, again;
        Require(EncodeSnmpMessage(message, bytes));
        SnmpMessage back;
        Require(DecodeSnmpMessage(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), back));
        Require(SameMessage(message, back));
        Require(EncodeSnmpMessage(back, again) && again == bytes);
        for (const SnmpVarbind& varbind : message.varbinds)
            Require(varbind.value.size() <= kSnmpMaxValueBytes);
    }

    // As the reply to the requests the probe sends (and to one of both
    // objects): the request id is the one in the data, where there is one,
    // so that the checks past it are reached.
    const std::int32_t id = message.requestId;
    const std::vector<std::vector<SnmpOid>> asked = {
        {kPpmPrinterIeee1284DeviceIdOid}, {kHrDeviceDescrOid}, {kPpmPrinterIeee1284DeviceIdOid, kHrDeviceDescrOid}};
    for (const std::vector<SnmpOid>& requested : asked) {
        const SnmpReply reply = ReadSnmpGetResponse(data, size, "public", id, requested);
        if (reply.status == SnmpReplyStatus::Answered) {
            Require(reply.values.size() == requested.size());
            for (const SnmpReply::Value& value : reply.values) {
                Require(value.present || value.bytes.empty());
                Require(value.bytes.size() <= kSnmpMaxValueBytes);
                CheckDeviceId(DeviceIdText(value.bytes));
            }
        } else {
            Require(reply.values.empty());
        }
    }

    // The bytes as a device id value.
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::wstring text = DeviceIdText(raw);
    Require(text.size() <= size);
    for (wchar_t c : text)
        Require(c >= 0x20 && c < 0x7F);
    CheckDeviceId(text);
    // And as UTF-16 text, for the parser's own sake (the probe only hands it
    // printable ASCII, the lead's callers may not).
    std::wstring wide;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        wide += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    CheckDeviceId(wide);
    return 0;
}
