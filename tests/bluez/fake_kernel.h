// SPDX-License-Identifier: MIT
// A stand-in for the kernel's Bluetooth management socket: the other end of a socket pair.
#pragma once

#include "bluez/mgmt_connection_info.h"

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantro::testing {

using bluez::kMgmtEvCommandComplete;
using bluez::kMgmtEvCommandStatus;
using bluez::kMgmtHeaderSize;
using bluez::MgmtBytes;

/// Bytes from "31 00 00 ...".
inline std::vector<std::uint8_t> hexBytes(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (size_t i = 0; i + 1 < text.size(); i += 3) {
        out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

/// A management packet: header from the three fields, then the given parameter bytes.
inline MgmtBytes packet(std::uint16_t code, std::uint16_t index, const std::string& params, int lengthDelta = 0) {
    const auto p = hexBytes(params);
    const auto len = static_cast<std::uint16_t>(static_cast<int>(p.size()) + lengthDelta);
    MgmtBytes out{static_cast<std::uint8_t>(code),  static_cast<std::uint8_t>(code >> 8),
                  static_cast<std::uint8_t>(index), static_cast<std::uint8_t>(index >> 8),
                  static_cast<std::uint8_t>(len),   static_cast<std::uint8_t>(len >> 8)};
    out.insert(out.end(), p.begin(), p.end());
    return out;
}

/// Answers on one end of a socket pair as the kernel does: an unrelated event first, then the reply
/// with the next scripted RSSI, or a refusal when `deny` is set.
struct FakeKernel {
    int fd = -1;
    std::vector<int> rssi;
    bool deny = false;
    std::mutex m;
    std::vector<MgmtBytes> requests;
    std::thread thread;

    FakeKernel(int own, std::vector<int> script, bool refuse) : fd(own), rssi(std::move(script)), deny(refuse) {
        thread = std::thread([this] {
            std::uint8_t buf[512];
            size_t next = 0;
            for (;;) {
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) return;
                const MgmtBytes req(buf, buf + n);
                std::lock_guard lock(m);
                requests.push_back(req);
                send(packet(0x0012, 0, "56 34 12 EE FF C0 01 C4 00 00 00 00 00"));  // Device Found
                if (deny) {
                    send(packet(kMgmtEvCommandStatus, req[2], "31 00 14"));
                    continue;
                }
                const int value = next < rssi.size() ? rssi[next++] : 127;
                MgmtBytes reply = packet(kMgmtEvCommandComplete, req[2], "31 00 00");
                reply.insert(reply.end(), req.begin() + 6, req.begin() + 13);  // address and type as asked
                reply.insert(reply.end(), {static_cast<std::uint8_t>(value), 4, 10});
                reply[4] = static_cast<std::uint8_t>(reply.size() - kMgmtHeaderSize);
                send(reply);
            }
        });
    }
    ~FakeKernel() {
        ::shutdown(fd, SHUT_RDWR);
        thread.join();
        ::close(fd);
    }
    void send(const MgmtBytes& p) const { ::send(fd, p.data(), p.size(), MSG_NOSIGNAL); }
};

/// Opens a socket pair whose far end is a new FakeKernel kept in `kernels`.
inline std::unique_ptr<bluez::MgmtTransport> openFakeKernel(std::vector<std::unique_ptr<FakeKernel>>& kernels,
                                                            std::vector<int> script, bool deny) {
    int sv[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, sv) != 0) return nullptr;
    kernels.push_back(std::make_unique<FakeKernel>(sv[1], std::move(script), deny));
    return std::make_unique<bluez::FdMgmtTransport>(sv[0]);
}

}  // namespace vantro::testing
