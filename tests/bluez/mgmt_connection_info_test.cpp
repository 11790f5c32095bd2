// SPDX-License-Identifier: MIT
#include "bluez/mgmt_connection_info.h"

#include "../link/link_fixture.h"
#include "fake_kernel.h"

#include <sys/socket.h>

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
};

}  // namespace

TEST(MgmtConnectionInfo, RequestCarriesIndexAddressLittleEndianAndType) {
    EXPECT_EQ(encodeGetConnectionInfo(1, kBand, LeAddressType::Random),
              bytes("31 00 01 00 07 00 56 34 12 EE FF C0 02"));
    EXPECT_FALSE(BdAddress::parse("C0:FF:EE:12:34"));
    EXPECT_FALSE(BdAddress::parse("C0:FF:EE:12:34:5G"));
    EXPECT_EQ(controllerIndexOfAdapterPath("/org/bluez/hci2"), 2);
    EXPECT_FALSE(controllerIndexOfAdapterPath("/org/bluez/hci"));
    EXPECT_FALSE(controllerIndexOfAdapterPath("/org/bluez/hci99999"));
}

TEST(MgmtConnectionInfo, RepliesAreMatchedToTheRequestAndCheckedForLength) {
    using K = ConnectionInfoReply::Kind;
    const std::string ok = "31 00 00 56 34 12 EE FF C0 01 ";
    struct Case {
        const char* what;
        MgmtBytes packet;
        K kind;
        std::optional<int> rssi;
        std::uint8_t status;
    };
    const Case cases[] = {
        {"reply", packet(1, 0, ok + "BA 04 0A"), K::Info, -70, 0},
        {"rssi 127 is no value", packet(1, 0, ok + "7F 04 0A"), K::Info, std::nullopt, 0},
        {"strongest value", packet(1, 0, ok + "7E 04 0A"), K::Info, 126, 0},
        {"failed status", packet(1, 0, "31 00 02 56 34 12 EE FF C0 01 7F 7F 7F"), K::Failed, std::nullopt, 2},
        {"refused", packet(2, 0, "31 00 14"), K::Failed, std::nullopt, 0x14},
        {"pending status", packet(2, 0, "31 00 00"), K::NotOurs, std::nullopt, 0},
        {"wrong opcode", packet(1, 0, "30 00 00 56 34 12 EE FF C0 01 BA 04 0A"), K::NotOurs, std::nullopt, 0},
        {"other controller", packet(1, 1, ok + "BA 04 0A"), K::NotOurs, std::nullopt, 0},
        {"other address", packet(1, 0, "31 00 00 57 34 12 EE FF C0 01 BA 04 0A"), K::NotOurs, std::nullopt, 0},
        {"other event", packet(0x0012, 0, ok + "BA 04 0A"), K::NotOurs, std::nullopt, 0},
        {"short reply", packet(1, 0, ok + "BA 04"), K::Malformed, std::nullopt, 0},
        {"shorter than its length", packet(1, 0, ok + "BA 04 0A", 1), K::Malformed, std::nullopt, 0},
        {"no status", packet(1, 0, "31 00"), K::Malformed, std::nullopt, 0},
        {"half a header", MgmtBytes{1, 0, 0}, K::Malformed, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto r = decodeConnectionInfoReply(c.packet, 0, kBand);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.rssi, c.rssi);
        EXPECT_EQ(r.status, c.status);
    }
    EXPECT_EQ(decodeConnectionInfoReply(packet(1, 0, ok + "BA 04 0A"), 0, kBand).maxTxPower, 10);
}

TEST(MgmtConnectionInfo, ReaderAsksTheKernelSkipsOtherPacketsAndReopensALostSocket) {
    using K = ConnectionRssiReader::Result::Kind;
    KernelPair k;
    k.script = {-61, 127};
    auto r = k.reader.read(0, kBand, LeAddressType::Public);
    EXPECT_EQ(r.kind, K::Value);
    EXPECT_EQ(r.rssi, -61);
    EXPECT_EQ(k.reader.read(0, kBand, LeAddressType::Public).kind, K::NotAvailable);
    {
        std::lock_guard lock(k.kernels[0]->m);
        ASSERT_EQ(k.kernels[0]->requests.size(), 2u);
        EXPECT_EQ(k.kernels[0]->requests[0], encodeGetConnectionInfo(0, kBand, LeAddressType::Public));
    }
    // The socket goes away: one failed read, then a new socket.
    ::shutdown(k.kernels[0]->fd, SHUT_RDWR);
    r = k.reader.read(0, kBand, LeAddressType::Public);
    EXPECT_EQ(r.kind, K::Failed);
    EXPECT_EQ(r.detail, "the management socket was lost");
    k.script = {-80};
    r = k.reader.read(0, kBand, LeAddressType::Public);
    EXPECT_EQ(r.rssi, -80);
    EXPECT_EQ(k.kernels.size(), 2u);

    KernelPair denied;
    denied.deny = true;
    EXPECT_EQ(denied.reader.read(0, kBand, LeAddressType::Public).kind, K::Refused);
    ConnectionRssiReader noSocket([](std::string* e) -> std::unique_ptr<MgmtTransport> {
        *e = "no Bluetooth management socket";
        return nullptr;
    });
    EXPECT_EQ(noSocket.read(0, kBand, LeAddressType::Public).kind, K::Refused);
}

namespace {

/// A connected band whose signal comes from the kernel, as the BlueZ backend reads it.
struct KernelBand : FakePeripheral {
    ConnectionRssiReader* reader = nullptr;
    KernelBand() : FakePeripheral("8A7C2E1F-0000-4000-8000-C0FFEE123456", "Vantro") {}
    void readRSSI() override {
        const auto r = reader->read(0, kBand, LeAddressType::Public);
        currentRssi = r.rssi;
        if (delegate) delegate->peripheralDidUpdateRSSI(*this, std::nullopt);
    }
};

struct KernelAlarm : LinkFixtureT<FakeCentral> {};

}  // namespace

TEST_F(KernelAlarm, KernelReadingsDriveTheOutOfRangeAlarmEpisodes) {
    central = std::make_shared<FakeCentral>();
    load();
    KernelPair k;
    k.script = {-60, -96, -100, 127, -95, -97};
    auto band = std::make_shared<KernelBand>();
    band->reader = &k.reader;
    band->connected = true;
    band->delegate = vc.get();
    app.peripheral = band;
    setFindMe(true);
    const std::vector<std::string> rows = {"-60db", "-96db", "-100db", "--", "-95db", "-97db"};
    const std::vector<size_t> notified = {0, 1, 1, 1, 1, 2};
    for (size_t i = 0; i < rows.size(); ++i) {
        loop.advance(2.0);
        EXPECT_EQ(row(5), rows[i]) << i;
        EXPECT_EQ(notifier.notifications.size(), notified[i]) << i;
    }
}
