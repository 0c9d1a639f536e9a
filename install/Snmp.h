// Our own small SNMP version 1 client encoding (RFC 1157 messages in the
// BER of X.690): a GetRequest for a few objects, and the strict reading of
// the GetResponse that comes back. Also the reading of an IEEE 1284 device
// id into its fields. Pure code, no Windows headers.
//
// The installer runs elevated and every byte of a reply comes from the
// network, from whoever answers: the reader refuses anything it does not
// fully understand (lengths past the end, indefinite or over-long lengths,
// a constructed value, a tag in the high-number form, an integer or
// sub-identifier not in its shortest form, a value over kSnmpMaxValueBytes,
// bytes left over) instead of guessing.
#ifndef QV_INSTALL_SNMP_H
#define QV_INSTALL_SNMP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An object identifier, one number per arc ("1.3.6.1" is {1, 3, 6, 1}).
using SnmpOid = std::vector<std::uint32_t>;

// The IEEE 1284 device id of the printer whose index is 1, from the PWG's
// Printer Port Monitor MIB (PWG 5107.1-2005, PRINTER-PORT-MONITOR-MIB):
// ppmPrinterIEEE1284DeviceId is column 3 of ppmPrinterEntry
// {enterprises pwg(2699) mibs(1) ppmMIB(2) ppmMIBObjects(1) ppmPrinter(2)
// ppmPrinterTable(1) ppmPrinterEntry(1)}, an OCTET STRING of 0..1023 octets
// holding the device id without IEEE 1284's two length bytes.
extern const SnmpOid kPpmPrinterIeee1284DeviceIdOid;  // 1.3.6.1.4.1.2699.1.2.1.2.1.1.3.1
// The fall-back for printers without that MIB: the description of device 1
// in the Host Resources MIB (RFC 2790, which the Printer MIB of RFC 3805
// builds its printer on): hrDeviceDescr, column 3 of hrDeviceEntry
// {mib-2(1.3.6.1.2.1) host(25) hrDevice(3) hrDeviceTable(2) hrDeviceEntry(1)},
// a DisplayString of 0..64 characters, on printers usually the model's name.
extern const SnmpOid kHrDeviceDescrOid;  // 1.3.6.1.2.1.25.3.2.1.3.1

// The largest value the reader takes; a longer one makes the message
// malformed. The device id above is at most 1023 octets.
const std::size_t kSnmpMaxValueBytes = 1024;

// PDU tags of SNMP version 1 (context-specific, constructed).
const std::uint8_t kSnmpGetRequest = 0xA0;
const std::uint8_t kSnmpGetNextRequest = 0xA1;
const std::uint8_t kSnmpGetResponse = 0xA2;
const std::uint8_t kSnmpSetRequest = 0xA3;

// Value tags.
const std::uint8_t kBerInteger = 0x02;
const std::uint8_t kBerOctetString = 0x04;
const std::uint8_t kBerNull = 0x05;
const std::uint8_t kBerOid = 0x06;

// error-status values of RFC 1157.
const std::int32_t kSnmpNoError = 0;
const std::int32_t kSnmpNoSuchName = 2;

struct SnmpVarbind {
    SnmpOid oid;
    std::uint8_t tag = kBerNull;  // the value's tag, always a primitive one
    std::string value;            // the value's content bytes
};

// One SNMP message of version 1's layout: version, community and one of the
// four request/response PDUs (the trap PDU has another layout and is not
// read).
struct SnmpMessage {
    std::int32_t version = 0;  // 0 is SNMPv1
    std::string community;
    std::uint8_t pduTag = kSnmpGetRequest;
    std::int32_t requestId = 0;
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    std::vector<SnmpVarbind> varbinds;
};

// The message's bytes; false (and nothing) for what cannot be encoded: an
// OID of fewer than two arcs or with a first arc over 2 (or a second over 39
// under 0 and 1), a tag that is not a PDU tag, a constructed value tag.
bool EncodeSnmpMessage(const SnmpMessage& message, std::string& bytes);

// A GetRequest for `oids` (each with a NULL value), version 1.
bool EncodeSnmpGetRequest(const std::string& community, std::int32_t requestId,
                          const std::vector<SnmpOid>& oids, std::string& bytes);

// Reads exactly one message of the layout above from all `size` bytes;
// false for anything malformed (see the top of this file), with `message`
// then unspecified.
bool DecodeSnmpMessage(const std::uint8_t* data, std::size_t size, SnmpMessage& message);

// How a datagram relates to a GetRequest we sent.
enum class SnmpReplyStatus {
    Answered,    // our GetResponse with error-status 0
    AgentError,  // our GetResponse with an error-status (noSuchName: the agent lacks an object)
    NotOurs,     // well formed, but another version, community or request id, or not a GetResponse
    Malformed,   // refused
};

struct SnmpReply {
    SnmpReplyStatus status = SnmpReplyStatus::Malformed;
    std::int32_t errorStatus = 0;
    std::int32_t errorIndex = 0;
    // For Answered: one entry per requested OID, in the order asked;
    // `present` when the reply carried that OID as an OCTET STRING.
    struct Value {
        bool present = false;
        std::string bytes;
    };
    std::vector<Value> values;
};

// Reads a datagram as the reply to the version 1 GetRequest `requestId` with
// `community` for `requested`. A reply that names an OID twice is malformed;
// an OID we did not ask for is ignored.
SnmpReply ReadSnmpGetResponse(const std::uint8_t* data, std::size_t size, const std::string& community,
                              std::int32_t requestId, const std::vector<SnmpOid>& requested);

// An SNMP text as something safe to show and log: it ends at its first NUL,
// the blanks of ASCII (tab, line feed, vertical tab, form feed, carriage
// return) become spaces, and every other byte outside printable ASCII
// becomes '?'. A device id is ASCII by IEEE 1284 and by the MIB; nothing
// else in it is worth the risk of control characters in a log or a dialog.
std::wstring SnmpDisplayText(const std::string& bytes);

// The device id value as text: as SnmpDisplayText, after dropping the two
// length bytes of IEEE 1284 that the MIB forbids and some agents still send
// (a big-endian count of the whole string, with or without them).
std::wstring DeviceIdText(const std::string& bytes);

// The fields of an IEEE 1284 device id ("MFG:Acme;MDL:AB1234;CMD:PCL,PJL;").
struct DeviceIdFields {
    std::wstring manufacturer;  // MANUFACTURER or MFG
    std::wstring model;         // MODEL or MDL
    std::wstring commandSet;    // COMMAND SET or CMD
    std::wstring deviceClass;   // CLASS or CLS
    std::wstring description;   // DESCRIPTION or DES
};

// Splits `text` into "key:value;" pairs (the last ';' may be missing; keys
// in any letter case; blanks around keys and values, and runs of blanks
// inside a key, do not count) and fills the five fields it knows; other
// keys are skipped. False, with `fields` untouched, when a pair has no ':'
// or an empty key, when one field is given twice with different values
// (under its long or short key), or when none of the five keys is there:
// such a text is no device id (a model's plain description, for one).
bool ParseDeviceId(const std::wstring& text, DeviceIdFields& fields);

#endif
