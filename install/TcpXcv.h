// The data the Standard TCP/IP Port monitor exchanges through XcvData
// ("AddPort", "DeletePort", "GetConfigInfo"), laid out as the Windows Driver
// Kit's tcpxcv.h declares it. MinGW-w64 has no tcpxcv.h, so the layouts are
// written here from the documentation of PORT_DATA_1, DELETE_PORT_DATA_1 and
// CONFIG_INFO_DATA_1 (learn.microsoft.com, windows-hardware/drivers/ddi/tcpxcv)
// and the values of its MAX_* lengths. Fixed-width types stand for WCHAR and
// DWORD, so the same layout is built natively and checked there too; none of
// the structures holds a pointer, so they are the same in 32- and 64-bit
// programs.
#ifndef QV_INSTALL_TCPXCV_H
#define QV_INSTALL_TCPXCV_H

#include <cstddef>
#include <cstdint>

namespace tcpxcv {

// Lengths in UTF-16 code units, the terminating NUL included.
const std::size_t kMaxPortNameLen = 64;       // MAX_PORTNAME_LEN (63 + 1)
const std::size_t kMaxNetworkNameLen = 49;    // MAX_NETWORKNAME_LEN (48 + 1)
const std::size_t kMaxSnmpCommunityLen = 33;  // MAX_SNMP_COMMUNITY_STR_LEN (32 + 1)
const std::size_t kMaxQueueNameLen = 33;      // MAX_QUEUENAME_LEN (32 + 1)
const std::size_t kMaxIpAddressLen = 16;      // MAX_IPADDR_STR_LEN (15 + 1)

const std::uint32_t kProtocolRawTcp = 1;  // PROTOCOL_RAWTCP_TYPE
const std::uint32_t kProtocolLpr = 2;     // PROTOCOL_LPR_TYPE

// The monitor's name, as XcvMonitor and the spooler's port list know it.
const wchar_t* const kMonitorName = L"Standard TCP/IP Port";

// PORT_DATA_1: the input of "AddPort", the output of "GetConfigInfo".
struct PortData1 {
    std::uint16_t portName[kMaxPortNameLen];
    std::uint32_t version;    // 1
    std::uint32_t protocol;   // kProtocolRawTcp or kProtocolLpr
    std::uint32_t size;       // sizeof(PortData1)
    std::uint32_t reserved;
    std::uint16_t hostAddress[kMaxNetworkNameLen];  // host name or IP address
    std::uint16_t snmpCommunity[kMaxSnmpCommunityLen];
    std::uint32_t doubleSpool;
    std::uint16_t queue[kMaxQueueNameLen];  // LPR only
    std::uint16_t ipAddress[kMaxIpAddressLen];
    std::uint8_t reserved2[540];
    std::uint32_t portNumber;
    std::uint32_t snmpEnabled;
    std::uint32_t snmpDevIndex;
};

// DELETE_PORT_DATA_1: the input of "DeletePort".
struct DeletePortData1 {
    std::uint16_t portName[kMaxPortNameLen];
    std::uint8_t reserved[98];
    std::uint32_t version;  // 1
    std::uint32_t reserved2;
};

// CONFIG_INFO_DATA_1: the input of "GetConfigInfo".
struct ConfigInfoData1 {
    std::uint8_t reserved[128];  // an empty string
    std::uint32_t version;       // of the PORT_DATA_1 wanted back: 1
};

// The sizes the members add up to with the natural alignment of a DWORD
// (PORT_DATA_1 has two bytes of padding before dwPortNumber, DELETE_PORT_DATA_1
// before dwVersion); a wrong member length or order shows here, in every build.
static_assert(sizeof(PortData1) == 964, "PORT_DATA_1 is 964 bytes");
static_assert(offsetof(PortData1, hostAddress) == 144, "PORT_DATA_1.sztHostAddress at 144");
static_assert(offsetof(PortData1, ipAddress) == 378, "PORT_DATA_1.sztIPAddress at 378");
static_assert(offsetof(PortData1, portNumber) == 952, "PORT_DATA_1.dwPortNumber at 952");
static_assert(sizeof(DeletePortData1) == 236, "DELETE_PORT_DATA_1 is 236 bytes");
static_assert(offsetof(DeletePortData1, version) == 228, "DELETE_PORT_DATA_1.dwVersion at 228");
static_assert(sizeof(ConfigInfoData1) == 132, "CONFIG_INFO_DATA_1 is 132 bytes");

}  // namespace tcpxcv

#endif
