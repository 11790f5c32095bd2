// SPDX-License-Identifier: MIT
// The signal strength of a connected link from the kernel's Bluetooth management interface.
#pragma once

#include "platform/debug_log.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantro::bluez {

using MgmtBytes = std::vector<std::uint8_t>;

// Every management packet: opcode or event code, controller index, parameter length, 16-bit little-endian.
constexpr std::size_t kMgmtHeaderSize = 6;
constexpr std::uint16_t kMgmtOpGetConnectionInfo = 0x0031;
constexpr std::uint16_t kMgmtEvCommandComplete = 0x0001;
constexpr std::uint16_t kMgmtEvCommandStatus = 0x0002;
constexpr std::uint16_t kMgmtIndexNone = 0xFFFF;
constexpr std::uint8_t kMgmtStatusPermissionDenied = 0x14;
/// The RSSI byte when the controller has no value.
constexpr std::int8_t kMgmtRssiUnavailable = 127;

enum class LeAddressType : std::uint8_t { Public = 1, Random = 2 };

/// A Bluetooth device address, most significant byte first as printed ("AA:BB:CC:DD:EE:FF").
struct BdAddress {
    std::array<std::uint8_t, 6> bytes{};
    static std::optional<BdAddress> parse(std::string_view text);
    bool operator==(const BdAddress&) const = default;
};

/// Get Connection Information for `address` on controller `index`.
MgmtBytes encodeGetConnectionInfo(std::uint16_t index, const BdAddress& address, LeAddressType type);

/// What one packet from the management socket says about our request.
struct ConnectionInfoReply {
    enum class Kind {
        NotOurs,    // another event, another command's answer, another controller or another address
        Info,       // rssi set, or absent when the controller has none (127)
        Failed,     // the kernel turned the request down with `status`
        Malformed,  // shorter than its header or parameter length says
    };
    Kind kind = Kind::NotOurs;
    std::uint8_t status = 0;
    std::optional<int> rssi;
    int txPower = 0;
    int maxTxPower = 0;
};
ConnectionInfoReply decodeConnectionInfoReply(const MgmtBytes& packet, std::uint16_t index, const BdAddress& address);

/// One management socket, or a stand-in for it.
class MgmtTransport {
public:
    virtual ~MgmtTransport() = default;
    /// False when the packet could not be handed over (the socket is gone).
    virtual bool send(const MgmtBytes& packet) = 0;
    /// The next packet within `timeoutMs`; nothing on time-out or when the socket is gone (then lost()).
    virtual std::optional<MgmtBytes> receive(int timeoutMs) = 0;
    virtual bool lost() const = 0;
};

/// A management transport over a packet socket it owns (the kernel's, or one end of a socket pair).
class FdMgmtTransport : public MgmtTransport {
public:
    explicit FdMgmtTransport(int fd) : m_fd(fd) {}
    ~FdMgmtTransport() override;
    FdMgmtTransport(const FdMgmtTransport&) = delete;
    FdMgmtTransport& operator=(const FdMgmtTransport&) = delete;

    /// The kernel's control channel; null with `error` set when the socket cannot be had.
    static std::unique_ptr<FdMgmtTransport> openKernel(std::string* error);

    bool send(const MgmtBytes& packet) override;
    std::optional<MgmtBytes> receive(int timeoutMs) override;
    bool lost() const override { return m_lost; }

private:
    int m_fd;
    bool m_lost = false;
};

/// Reads the RSSI of connected links through a management transport, opened on first use and again
/// after it was lost.
class ConnectionRssiReader {
public:
    using Opener = std::function<std::unique_ptr<MgmtTransport>(std::string* error)>;

    struct Result {
        enum class Kind {
            Value,         // rssi holds the link's strength in dBm
            NotAvailable,  // the link has no current value
            Refused,       // the process may not ask (no CAP_NET_ADMIN): use another source
            Failed,        // no usable answer this time; detail says why
        };
        Kind kind = Kind::Failed;
        std::optional<int> rssi;
        std::string detail;
        std::uint8_t status = 0;  // the kernel's status when it turned the request down
    };

    ConnectionRssiReader(Opener open, int timeoutMs = 300) : m_open(std::move(open)), m_timeoutMs(timeoutMs) {}

    Result read(std::uint16_t index, const BdAddress& address, LeAddressType type);

private:
    Opener m_open;
    int m_timeoutMs;
    std::unique_ptr<MgmtTransport> m_transport;
};

/// The controller index of a BlueZ adapter path ("/org/bluez/hci1" is 1); absent for anything else.
std::optional<std::uint16_t> controllerIndexOfAdapterPath(std::string_view path);

}  // namespace vantro::bluez
