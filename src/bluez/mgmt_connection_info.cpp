// SPDX-License-Identifier: MIT
// The signal strength of a connected link from the kernel's Bluetooth management interface.
#include "bluez/mgmt_connection_info.h"

#include "platform/strprintf.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace vantro::bluez {
namespace {

constexpr int kBtProtoHci = 1;
constexpr unsigned short kHciChannelControl = 3;
// Parameters of a successful reply: opcode, status, address, type, RSSI, TX power, max TX power.
constexpr std::size_t kConnectionInfoReplySize = 2 + 1 + 6 + 1 + 1 + 1 + 1;

// The kernel's sockaddr_hci, written out so no Bluetooth development headers are needed.
struct SockaddrHci {
    sa_family_t family;
    unsigned short dev;
    unsigned short channel;
};

std::uint16_t le16(const MgmtBytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

void putLe16(MgmtBytes& b, std::uint16_t v) {
    b.push_back(static_cast<std::uint8_t>(v & 0xFF));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<BdAddress> BdAddress::parse(std::string_view text) {
    if (text.size() != 17) return std::nullopt;
    BdAddress a;
    for (std::size_t i = 0; i < 6; ++i) {
        const int hi = hexDigit(text[i * 3]);
        const int lo = hexDigit(text[i * 3 + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && text[i * 3 + 2] != ':')) return std::nullopt;
        a.bytes[i] = static_cast<std::uint8_t>(hi << 4 | lo);
    }
    return a;
}

MgmtBytes encodeGetConnectionInfo(std::uint16_t index, const BdAddress& address, LeAddressType type) {
    MgmtBytes out;
    putLe16(out, kMgmtOpGetConnectionInfo);
    putLe16(out, index);
    putLe16(out, 7);
    // The wire carries the address least significant byte first.
    for (auto it = address.bytes.rbegin(); it != address.bytes.rend(); ++it) out.push_back(*it);
    out.push_back(static_cast<std::uint8_t>(type));
    return out;
}

ConnectionInfoReply decodeConnectionInfoReply(const MgmtBytes& packet, std::uint16_t index, const BdAddress& address) {
    using Kind = ConnectionInfoReply::Kind;
    ConnectionInfoReply r;
    if (packet.size() < kMgmtHeaderSize || packet.size() != kMgmtHeaderSize + le16(packet, 4)) {
        r.kind = Kind::Malformed;
        return r;
    }
    const std::uint16_t event = le16(packet, 0);
    if ((event != kMgmtEvCommandComplete && event != kMgmtEvCommandStatus) || le16(packet, 2) != index) return r;
    // Both events start with the command's opcode and a status byte.
    if (packet.size() < kMgmtHeaderSize + 3) {
        r.kind = Kind::Malformed;
        return r;
    }
    if (le16(packet, 6) != kMgmtOpGetConnectionInfo) return r;
    r.status = packet[8];
    if (event == kMgmtEvCommandStatus || r.status != 0) {
        // A Command Status with success only says the answer follows.
        if (r.status != 0) r.kind = Kind::Failed;
        return r;
    }
    if (packet.size() < kMgmtHeaderSize + kConnectionInfoReplySize) {
        r.kind = Kind::Malformed;
        return r;
    }
    for (std::size_t i = 0; i < 6; ++i) {
        if (packet[9 + i] != address.bytes[5 - i]) return r;  // another link's answer
    }
    const auto rssi = static_cast<std::int8_t>(packet[16]);
    r.kind = Kind::Info;
    if (rssi != kMgmtRssiUnavailable) r.rssi = rssi;
    r.txPower = static_cast<std::int8_t>(packet[17]);
    r.maxTxPower = static_cast<std::int8_t>(packet[18]);
    return r;
}

FdMgmtTransport::~FdMgmtTransport() {
    if (m_fd >= 0) ::close(m_fd);
}

std::unique_ptr<FdMgmtTransport> FdMgmtTransport::openKernel(std::string* error) {
    const int fd = ::socket(AF_BLUETOOTH, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, kBtProtoHci);
    if (fd < 0) {
        if (error) *error = strprintf("no Bluetooth management socket (%s)", std::strerror(errno));
        return nullptr;
    }
    SockaddrHci addr{AF_BLUETOOTH, kMgmtIndexNone, kHciChannelControl};
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        if (error) *error = strprintf("the Bluetooth management channel is closed (%s)", std::strerror(errno));
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdMgmtTransport>(fd);
}

bool FdMgmtTransport::send(const MgmtBytes& packet) {
    if (m_lost) return false;
    if (::send(m_fd, packet.data(), packet.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(packet.size())) return true;
    m_lost = true;
    return false;
}

std::optional<MgmtBytes> FdMgmtTransport::receive(int timeoutMs) {
    if (m_lost) return std::nullopt;
    pollfd p{m_fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready == 0 || (ready < 0 && errno == EINTR)) return std::nullopt;
    if (ready < 0 || (p.revents & (POLLERR | POLLNVAL))) {
        m_lost = true;
        return std::nullopt;
    }
    MgmtBytes buffer(kMgmtHeaderSize + 0xFFFF);
    const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return std::nullopt;
    if (n <= 0) {  // 0: the other end is gone
        m_lost = true;
        return std::nullopt;
    }
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

ConnectionRssiReader::Result ConnectionRssiReader::read(std::uint16_t index, const BdAddress& address,
                                                        LeAddressType type) {
    using Kind = Result::Kind;
    if (!m_transport) {
        std::string error;
        m_transport = m_open ? m_open(&error) : nullptr;
        if (!m_transport) return {Kind::Refused, std::nullopt, error};
    }
    // Answers that came after an earlier request timed out would pass for this one's.
    while (m_transport->receive(0)) {
    }
    auto lost = [this] {
        m_transport.reset();
        return Result{Kind::Failed, std::nullopt, "the management socket was lost"};
    };
    if (m_transport->lost() || !m_transport->send(encodeGetConnectionInfo(index, address, type))) return lost();

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return {Kind::Failed, std::nullopt, "no answer from the kernel"};
        const auto packet = m_transport->receive(static_cast<int>(left));
        if (!packet) {
            if (m_transport->lost()) return lost();
            continue;
        }
        const ConnectionInfoReply reply = decodeConnectionInfoReply(*packet, index, address);
        switch (reply.kind) {
            case ConnectionInfoReply::Kind::NotOurs:
                continue;
            case ConnectionInfoReply::Kind::Info:
                return reply.rssi ? Result{Kind::Value, reply.rssi, {}} : Result{Kind::NotAvailable, {}, {}};
            case ConnectionInfoReply::Kind::Failed:
                if (reply.status == kMgmtStatusPermissionDenied) {
                    return {Kind::Refused, std::nullopt, "the kernel refused (the program lacks CAP_NET_ADMIN)"};
                }
                return {Kind::Failed, std::nullopt, strprintf("the kernel answered with status 0x%02x", reply.status),
                        reply.status};
            case ConnectionInfoReply::Kind::Malformed:
                return {Kind::Failed, std::nullopt, "a short reply from the kernel"};
        }
    }
}

std::optional<std::uint16_t> controllerIndexOfAdapterPath(std::string_view path) {
    const auto slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.size() < 4 || name.size() > 8 || name.substr(0, 3) != "hci") return std::nullopt;
    unsigned value = 0;
    for (char c : name.substr(3)) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value >= kMgmtIndexNone) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace vantro::bluez
