#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/session/light_control_bus.h"
#include "support/eventually.h"

namespace kelno {
namespace {

// A private message bus for the duration of one test.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        FILE* pipe = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
        if (pipe == nullptr) GTEST_SKIP() << "dbus-daemon cannot be started";
        char line[512] = {};
        if (fgets(line, sizeof line, pipe) != nullptr) address_ = line;
        if (fgets(line, sizeof line, pipe) != nullptr) pid_ = std::atoi(line);
        pclose(pipe);
        while (!address_.empty() && (address_.back() == '\n' || address_.back() == '\r')) address_.pop_back();
        if (address_.empty() || pid_ <= 0) GTEST_SKIP() << "dbus-daemon is not available";
    }
    void TearDown() override {
        if (pid_ > 0) kill(pid_, SIGTERM);
    }

    // Runs the default main context until `done` or a generous hang guard.
    template <typename Predicate>
    bool Pump(Predicate done) {
        return kelno::test::Eventually(
            done, [] { g_main_context_iteration(nullptr, FALSE); }, std::chrono::seconds(30),
            std::chrono::milliseconds(1));
    }

    // A round trip to the bus: match rules sent before it are in force after.
    static void Sync(DbusSignalConnection& connection) {
        GVariant* reply = g_dbus_connection_call_sync(
            connection.Raw(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "GetId", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
        if (reply != nullptr) g_variant_unref(reply);
    }

    std::string address_;
    int pid_ = 0;
};

TEST_F(PrivateBus, AnnouncementsGoOutAndRequestsComeIn) {
    auto ours = DbusSignalConnection::OpenAddress(address_);
    auto peer = DbusSignalConnection::OpenAddress(address_);
    ASSERT_TRUE(ours && peer);

    std::optional<std::pair<uint32_t, uint32_t>> request;
    LightControlBus bus(ours, [&](uint32_t w, uint32_t l) { request = {w, l}; });
    std::optional<std::pair<uint32_t, uint32_t>> announced;
    peer->Subscribe(nullptr, LightControlBus::kInterface, "Announce", nullptr, [&](GVariant* p) {
        guint32 w = 0, l = 0;
        g_variant_get(p, "(uu)", &w, &l);
        announced = {w, l};
    });
    Sync(*peer);
    Sync(*ours);

    ASSERT_TRUE(bus.Announce(1, 1));
    ASSERT_TRUE(Pump([&] { return announced.has_value(); }));
    EXPECT_EQ(*announced, std::make_pair(1u, 1u));

    // A malformed request is ignored; a proper one arrives.
    ASSERT_TRUE(peer->Emit(LightControlBus::kObjectPath, LightControlBus::kInterface, "Request",
                           g_variant_new("(s)", "junk")));
    ASSERT_TRUE(peer->Emit(LightControlBus::kObjectPath, LightControlBus::kInterface, "Request",
                           g_variant_new("(uu)", 1u, 0u)));
    ASSERT_TRUE(Pump([&] { return request.has_value(); }));
    EXPECT_EQ(*request, std::make_pair(1u, 0u));
}

TEST_F(PrivateBus, SleepNoticesComeOnlyFromLogind) {
    auto ours = DbusSignalConnection::OpenAddress(address_);
    auto impostor = DbusSignalConnection::OpenAddress(address_);
    auto logind = DbusSignalConnection::OpenAddress(address_);
    ASSERT_TRUE(ours && impostor && logind);
    GVariant* reply = g_dbus_connection_call_sync(
        logind->Raw(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "RequestName", g_variant_new("(su)", "org.freedesktop.login1", 0u), nullptr,
        G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
    ASSERT_NE(reply, nullptr);
    g_variant_unref(reply);

    std::vector<bool> notices;
    SleepMonitor monitor(ours, [&](bool suspending) { notices.push_back(suspending); });
    Sync(*ours);
    const auto emit = [](DbusSignalConnection& from, bool value) {
        return from.Emit("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                         "PrepareForSleep", g_variant_new("(b)", value));
    };
    ASSERT_TRUE(emit(*impostor, true));
    ASSERT_TRUE(emit(*logind, true));
    ASSERT_TRUE(emit(*logind, false));
    ASSERT_TRUE(Pump([&] { return notices.size() >= 2; }));
    // Let anything else that was sent arrive before checking.
    for (int i = 0; i < 50; ++i) g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(notices, (std::vector<bool>{true, false}));
}

TEST(LightControlBus, WithoutABusEverythingIsANoOp) {
    LightControlBus bus(nullptr, nullptr);
    EXPECT_FALSE(bus.IsConnected());
    EXPECT_FALSE(bus.Announce(1, 1));
    SleepMonitor monitor(nullptr, nullptr);
    EXPECT_FALSE(monitor.IsConnected());
}

}  // namespace
}  // namespace kelno
