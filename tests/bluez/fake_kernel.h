// SPDX-License-Identifier: MIT
// A stand-in for the kernel's Bluetooth management socket: the other end of a socket pair.
#pragma once

#include "bluez/mgmt_connection_info.h"

#include "virtual_time.h"

#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantro::testing {

/// Bytes from "31 00 00 ...".
inline bluez::MgmtBytes hexBytes(const std::string& text) {
    return bytes(text);
}

/// Answers as the kernel does: an unrelated event first, then a Command Complete with the address and
/// type asked for and the next scripted RSSI (127 when the script is used up), or when `deny` is set a
/// Command Status "permission denied".
struct FakeKernel {
    int fd;
    std::vector<int> rssi;
    bool deny;
    std::mutex m;
    std::vector<bluez::MgmtBytes> requests;
    std::thread thread;

    FakeKernel(int own, std::vector<int> script, bool refuse) : fd(own), rssi(std::move(script)), deny(refuse) {
        thread = std::thread([this] { serve(); });
    }
    ~FakeKernel() {
        ::shutdown(fd, SHUT_RDWR);
        thread.join();
        ::close(fd);
    }
    void serve() {
        std::uint8_t req[64];
        for (size_t next = 0;;) {
            const ssize_t n = ::recv(fd, req, sizeof req, 0);
            if (n < 13) return;
            std::lock_guard lock(m);
            requests.emplace_back(req, req + n);
            send(hexBytes("12 00 00 00 0D 00 56 34 12 EE FF C0 01 C4 00 00 00 00 00"));  // Device Found
            auto reply = hexBytes(deny ? "02 00 00 00 03 00 31 00 14" : "01 00 00 00 0D 00 31 00 00");
            if (!deny) {
                reply.insert(reply.end(), req + 6, req + 13);
                reply.insert(reply.end(), {static_cast<std::uint8_t>(next < rssi.size() ? rssi[next++] : 127), 4, 10});
            }
            reply[2] = req[2];
            send(reply);
        }
    }
    void send(const bluez::MgmtBytes& p) const { ::send(fd, p.data(), p.size(), MSG_NOSIGNAL); }
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
