// SPDX-License-Identifier: MIT
#include "bluez/mgmt_connection_info.h"

#include "fake_kernel.h"

#include <gtest/gtest.h>

using namespace vantro;
using namespace vantro::bluez;
using namespace vantro::testing;

namespace {

const BdAddress kBand = *BdAddress::parse("C0:FF:EE:12:34:56");

/// A reader whose every (re)opening makes a new socket pair with a new fake kernel.
struct KernelPair {
    std::vector<std::unique_ptr<FakeKernel>> kernels;
    std::vector<int> script;
    bool deny = false;
    ConnectionRssiReader reader{[this](std::string*) { return openFakeKernel(kernels, script, deny); }};
    ConnectionRssiReader::Result read() { return reader.read(0, kBand, LeAddressType::Public); }
};

}  // namespace

TEST(MgmtConnectionInfo, RequestCarriesIndexAddressLittleEndianAndType) {
    EXPECT_EQ(encodeGetConnectionInfo(1, kBand, LeAddressType::Random),
              hexBytes("31 00 01 00 07 00 56 34 12 EE FF C0 02"));
    EXPECT_FALSE(BdAddress::parse("C0:FF:EE:12:34:5G"));
    EXPECT_EQ(controllerIndexOfAdapterPath("/org/bluez/hci2"), 2);
    EXPECT_FALSE(controllerIndexOfAdapterPath("/org/bluez/hci99999"));
}

TEST(MgmtConnectionInfo, RepliesAreMatchedToTheRequestAndCheckedForLength) {
    using K = ConnectionInfoReply::Kind;
    struct Case {
        const char* what;
        const char* packet;  // event, index, length, then opcode, status, address, type, RSSI, TX powers
        K kind;
        std::optional<int> rssi;
        std::uint8_t status;
    };
    const Case cases[] = {
        {"reply", "01 00 00 00 0D 00 31 00 00 56 34 12 EE FF C0 01 BA 04 0A", K::Info, -70, 0},
        {"rssi 127 is no value", "01 00 00 00 0D 00 31 00 00 56 34 12 EE FF C0 01 7F 04 0A", K::Info, {}, 0},
        {"failed status", "01 00 00 00 0D 00 31 00 02 56 34 12 EE FF C0 01 7F 7F 7F", K::Failed, {}, 2},
        {"refused", "02 00 00 00 03 00 31 00 14", K::Failed, {}, 0x14},
        {"pending status", "02 00 00 00 03 00 31 00 00", K::NotOurs, {}, 0},
        {"wrong opcode", "01 00 00 00 0D 00 30 00 00 56 34 12 EE FF C0 01 BA 04 0A", K::NotOurs, {}, 0},
        {"other controller", "01 00 01 00 0D 00 31 00 00 56 34 12 EE FF C0 01 BA 04 0A", K::NotOurs, {}, 0},
        {"other address", "01 00 00 00 0D 00 31 00 00 57 34 12 EE FF C0 01 BA 04 0A", K::NotOurs, {}, 0},
        {"other event", "12 00 00 00 0D 00 31 00 00 56 34 12 EE FF C0 01 BA 04 0A", K::NotOurs, {}, 0},
        {"short reply", "01 00 00 00 0C 00 31 00 00 56 34 12 EE FF C0 01 BA 04", K::Malformed, {}, 0},
        {"shorter than its length", "01 00 00 00 0E 00 31 00 00 56 34 12 EE FF C0 01 BA 04 0A", K::Malformed, {}, 0},
        {"no status", "01 00 00 00 02 00 31 00", K::Malformed, {}, 0},
        {"half a header", "01 00 00", K::Malformed, {}, 0},
    };
    for (const Case& c : cases) {
        const auto r = decodeConnectionInfoReply(hexBytes(c.packet), 0, kBand);
        EXPECT_EQ(std::tie(r.kind, r.rssi, r.status), std::tie(c.kind, c.rssi, c.status)) << c.what;
    }
}

TEST(MgmtConnectionInfo, ReaderAsksTheKernelSkipsOtherPacketsAndReopensALostSocket) {
    using K = ConnectionRssiReader::Result::Kind;
    KernelPair k;
    k.script = {-61, 127};
    EXPECT_EQ(k.read().rssi, -61);
    EXPECT_EQ(k.read().kind, K::NotAvailable);
    {
        std::lock_guard lock(k.kernels[0]->m);
        ASSERT_EQ(k.kernels[0]->requests.size(), 2u);
        EXPECT_EQ(k.kernels[0]->requests[0], encodeGetConnectionInfo(0, kBand, LeAddressType::Public));
    }
    // The socket goes away: one failed read, then a new socket.
    ::shutdown(k.kernels[0]->fd, SHUT_RDWR);
    EXPECT_EQ(k.read().detail, "the management socket was lost");
    k.script = {-80};
    EXPECT_EQ(k.read().rssi, -80);
    EXPECT_EQ(k.kernels.size(), 2u);

    KernelPair denied;
    denied.deny = true;
    EXPECT_EQ(denied.read().kind, K::Refused);
    ConnectionRssiReader noSocket([](std::string*) { return nullptr; });
    EXPECT_EQ(noSocket.read(0, kBand, LeAddressType::Public).kind, K::Refused);
}
