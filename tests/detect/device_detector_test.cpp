// Detection on the emulator: slots claimed and freed as devices come and go.
#include "devices/detect/device_detector.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>

#include "devices/detect/emulator_catalogue.h"
#include "devices/hid/command_channel.h"
#include "platform/sim/sim_backend.h"
#include "platform/sim/sim_devices.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;
using sim::SimKind;

// Records what detection delivers; can refuse arrivals and block like a UI
// that is shutting down.
class RecordingObserver final : public IDeviceListObserver {
  public:
    ArrivalResult OnDeviceArrival(size_t slot, const std::stop_token& stop) override {
        std::unique_lock lock(mutex_);
        events_.push_back("arrival " + std::to_string(slot));
        changed_.notify_all();
        if (blockArrivals_) {
            // A UI that no longer answers: only shutdown releases the call.
            std::condition_variable_any released;
            released.wait(lock, stop, [] { return false; });
        }
        return refuseSlot_ == static_cast<int>(slot) ? ArrivalResult::OpenFailed
                                                     : ArrivalResult::Handled;
    }
    void OnDeviceRemoval(size_t slot, const std::stop_token&) override {
        std::lock_guard lock(mutex_);
        events_.push_back("removal " + std::to_string(slot));
        changed_.notify_all();
    }
    void OnFirstPassDone() override {
        std::lock_guard lock(mutex_);
        events_.push_back("first pass");
        changed_.notify_all();
    }

    std::vector<std::string> Events() const {
        std::lock_guard lock(mutex_);
        return events_;
    }
    size_t Count(const std::string& event) const {
        const auto events = Events();
        return static_cast<size_t>(std::count(events.begin(), events.end(), event));
    }
    // Waits (hang guard only) until `done` holds for the events.
    bool WaitUntil(const std::function<bool(const std::vector<std::string>&)>& done) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, 60s, [&] { return done(events_); });
    }
    bool WaitFor(const std::string& event, size_t times = 1) {
        return WaitUntil([&](const std::vector<std::string>& events) {
            return static_cast<size_t>(std::count(events.begin(), events.end(), event)) >= times;
        });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        events_.clear();
    }
    void RefuseSlot(int slot) {
        std::lock_guard lock(mutex_);
        refuseSlot_ = slot;
    }
    void BlockArrivals() {
        std::lock_guard lock(mutex_);
        blockArrivals_ = true;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable_any changed_;
    std::vector<std::string> events_;
    int refuseSlot_ = -1;
    bool blockArrivals_ = false;
};

class Detection : public testing::Test {
  protected:
    explicit Detection(Catalogue catalogue = Catalogue::Shipped())
        : backend(std::make_shared<sim::SimHidBackend>()),
          detector(backend, std::move(catalogue), observer) {}

    std::shared_ptr<sim::SimCommandDevice> Plug(SimKind kind, const std::string& node) {
        auto device = sim::MakeSimDevice(kind);
        EXPECT_TRUE(backend->AddNode(node, device));
        return device;
    }
    std::vector<std::string> ClaimedPaths() const {
        std::vector<std::string> paths;
        for (const auto& [slot, path] : detector.List().Claimed()) paths.push_back(path);
        return paths;
    }

    std::shared_ptr<sim::SimHidBackend> backend;
    RecordingObserver observer;
    DeviceDetector detector;
};

TEST_F(Detection, KeyboardPlugAndUnplugOnTheThread) {
    ASSERT_TRUE(detector.Start());
    ASSERT_TRUE(observer.WaitFor("first pass"));
    auto keyboard = Plug(SimKind::Keyboard, "keyboard");
    ASSERT_TRUE(observer.WaitFor("arrival 0") && observer.WaitFor("arrival 1"));
    const auto paths = backend->Paths("keyboard");
    EXPECT_EQ(detector.List().Slot(0)->path, paths[3]);
    EXPECT_EQ(detector.List().Slot(1)->path, paths[2]);
    EXPECT_EQ(detector.List().Slot(0)->connected, 1);
    EXPECT_EQ(detector.List().Slot(0)->kind, 1);
    EXPECT_EQ(detector.List().Slot(1)->variant, 0xFF);

    keyboard->SetPlugged(false);
    ASSERT_TRUE(observer.WaitFor("removal 0") && observer.WaitFor("removal 1"));
    EXPECT_TRUE(detector.List().Claimed().empty());
    EXPECT_TRUE(DeviceList::IsFree(*detector.List().Slot(0)));

    keyboard->SetPlugged(true);
    ASSERT_TRUE(observer.WaitFor("arrival 0", 2) && observer.WaitFor("arrival 1", 2));
    EXPECT_TRUE(detector.Stop(60s));
    EXPECT_EQ(observer.Count("first pass"), 1u);
    EXPECT_EQ(observer.Count("arrival 0"), 2u);
}

TEST_F(Detection, ASecondIdenticalKeyboardIsIgnoredUntilTheFirstGoes) {
    auto first = Plug(SimKind::Keyboard, "keyboard");
    detector.RunPass();
    auto second = Plug(SimKind::Keyboard, "keyboard-2");
    detector.RunPass();
    detector.RunPass();
    EXPECT_EQ(observer.Events(),
              (std::vector<std::string>{"arrival 1", "arrival 0", "first pass"}));
    EXPECT_EQ(ClaimedPaths(), (std::vector<std::string>{backend->Paths("keyboard")[3],
                                                        backend->Paths("keyboard")[2]}));

    first->SetPlugged(false);
    observer.Clear();
    detector.RunPass();  // removal check
    detector.RunPass();  // the second keyboard takes the free slots
    EXPECT_EQ(observer.Events(),
              (std::vector<std::string>{"removal 0", "removal 1", "arrival 1", "arrival 0"}));
    EXPECT_EQ(ClaimedPaths(), (std::vector<std::string>{backend->Paths("keyboard-2")[3],
                                                        backend->Paths("keyboard-2")[2]}));
}

TEST_F(Detection, AnInterfaceRefusedAtOpenIsRetriedEachPass) {
    Plug(SimKind::Keyboard, "keyboard");
    const std::string vendorPath = backend->Paths("keyboard")[3];
    backend->RefuseOpen(vendorPath, hid::OpenStatus::PermissionDenied);
    for (int pass = 0; pass < 3; ++pass) detector.RunPass();
    const auto attempts = backend->OpenAttempts();
    EXPECT_EQ(std::count(attempts.begin(), attempts.end(), vendorPath), 3);
    EXPECT_EQ(observer.Count("arrival 0"), 0u);
    EXPECT_EQ(observer.Count("arrival 1"), 1u);
    EXPECT_EQ(detector.PermissionDeniedPaths(), std::vector<std::string>{vendorPath});

    backend->RefuseOpen(vendorPath, hid::OpenStatus::Ok);
    detector.RunPass();
    EXPECT_EQ(observer.Count("arrival 0"), 1u);
    EXPECT_TRUE(detector.PermissionDeniedPaths().empty());
    // Once every slot of the product is claimed its interfaces are not
    // opened again; only the other kinds' rows stay free.
    const size_t before = backend->OpenAttempts().size();
    detector.RunPass();
    EXPECT_EQ(backend->OpenAttempts().size(), before);
}

TEST_F(Detection, ADeviceObjectThatCannotOpenFreesItsSlotForTheNextPass) {
    Plug(SimKind::Keyboard, "keyboard");
    observer.RefuseSlot(0);
    detector.RunPass();
    EXPECT_FALSE(detector.List().Slot(0)->connected);
    EXPECT_TRUE(detector.List().Slot(1)->connected);
    detector.RunPass();
    EXPECT_EQ(observer.Count("arrival 0"), 2u);
    EXPECT_EQ(observer.Count("removal 0"), 0u) << "a slot never handled is not removed";
    observer.RefuseSlot(-1);
    detector.RunPass();
    EXPECT_TRUE(detector.List().Slot(0)->connected);
    EXPECT_EQ(observer.Count("arrival 0"), 3u);
}

// Nothing announces the device object's failure: the thread tries again on
// its own, a little later.
TEST_F(Detection, ADeviceObjectThatCannotOpenIsTriedAgainOnTheThread) {
    observer.RefuseSlot(0);
    ASSERT_TRUE(detector.Start());
    Plug(SimKind::Keyboard, "keyboard");
    ASSERT_TRUE(observer.WaitFor("arrival 0"));
    observer.RefuseSlot(-1);
    EXPECT_TRUE(observer.WaitFor("arrival 0", 2));
    EXPECT_TRUE(detector.Stop(60s));
    EXPECT_TRUE(detector.List().Slot(0)->connected);
}

// A backend without hot-plug events (as hidraw where no udev daemon runs).
class NoEventsBackend final : public hid::HidBackend {
  public:
    explicit NoEventsBackend(std::shared_ptr<hid::HidBackend> inner) : inner_(std::move(inner)) {}
    std::optional<std::vector<hid::InterfaceInfo>> Enumerate() override {
        return inner_->Enumerate();
    }
    hid::OpenResult Open(const std::string& path) override { return inner_->Open(path); }
    bool IsPresent(const std::string& path) override { return inner_->IsPresent(path); }

  private:
    std::shared_ptr<hid::HidBackend> inner_;
};

TEST_F(Detection, WithoutHotplugEventsTheThreadListsOnATimer) {
    RecordingObserver timedObserver;
    DeviceDetector timed(std::make_shared<NoEventsBackend>(backend), Catalogue::Shipped(),
                         timedObserver);
    ASSERT_TRUE(timed.Start());
    ASSERT_TRUE(timedObserver.WaitFor("first pass"));
    auto keyboard = Plug(SimKind::Keyboard, "keyboard");
    EXPECT_TRUE(timedObserver.WaitFor("arrival 0"));
    keyboard->SetPlugged(false);
    EXPECT_TRUE(timedObserver.WaitFor("removal 0"));
    EXPECT_TRUE(timed.Stop(60s));
}

TEST_F(Detection, FirstPassSignalComesExactlyOnce) {
    struct Case {
        const char* name;
        bool keyboard;
        bool enumerationFails;
    };
    for (const Case& c : {Case{"no device", false, false}, Case{"keyboard", true, false},
                          Case{"listing fails", true, true}}) {
        SCOPED_TRACE(c.name);
        auto caseBackend = std::make_shared<sim::SimHidBackend>();
        if (c.keyboard) {
            ASSERT_TRUE(caseBackend->AddNode("keyboard", sim::MakeSimDevice(SimKind::Keyboard)));
        }
        caseBackend->SetEnumerationFails(c.enumerationFails);
        RecordingObserver caseObserver;
        DeviceDetector caseDetector(caseBackend, Catalogue::Shipped(), caseObserver);
        for (int pass = 0; pass < 4; ++pass) caseDetector.RunPass();
        EXPECT_EQ(caseObserver.Count("first pass"), 1u);
        const auto events = caseObserver.Events();
        if (c.keyboard && !c.enumerationFails) {
            EXPECT_EQ(events.front(), "arrival 1") << "arrivals of the first pass come first";
        }
        // A failed listing does not end detection: it is retried.
        caseBackend->SetEnumerationFails(false);
        caseDetector.RunPass();
        EXPECT_EQ(caseObserver.Count("arrival 0"), c.keyboard ? 1u : 0u);
        EXPECT_EQ(caseObserver.Count("first pass"), 1u);
    }
}

TEST_F(Detection, EnumerationFailureDoesNotEndTheThread) {
    backend->SetEnumerationFails(true);
    Plug(SimKind::Keyboard, "keyboard");
    ASSERT_TRUE(detector.Start());
    ASSERT_TRUE(observer.WaitFor("first pass"));
    backend->SetEnumerationFails(false);
    EXPECT_TRUE(observer.WaitFor("arrival 0"));
    EXPECT_TRUE(detector.Stop(60s));
}

TEST_F(Detection, ShutdownReleasesAnArrivalWaitingForTheUi) {
    observer.BlockArrivals();
    Plug(SimKind::Keyboard, "keyboard");
    ASSERT_TRUE(detector.Start());
    ASSERT_TRUE(observer.WaitFor("arrival 1"));
    EXPECT_TRUE(detector.Stop(60s)) << "the blocked send must return on stop";
    EXPECT_EQ(observer.Count("arrival 0"), 0u) << "no more deliveries after stop";
}

TEST_F(Detection, ShippedCatalogueMatchesOnlyTheKeyboard) {
    for (SimKind kind : sim::kAllSimKinds) Plug(kind, std::string(sim::SimKindName(kind)));
    detector.RunPass();
    EXPECT_EQ(detector.List().Claimed().size(), 2u);
}

// The UI side as the main window will be: on arrival of the primary
// interface the keyboard's channel opens on the slot's path; on removal it
// closes.
class ChannelOpeningObserver final : public IDeviceListObserver {
  public:
    explicit ChannelOpeningObserver(CHidCommandChannel& channel) : channel_(channel) {}
    void Watch(const DeviceList& list) { list_ = &list; }

    ArrivalResult OnDeviceArrival(size_t slot, const std::stop_token&) override {
        const auto entry = list_->Slot(slot);
        if (!entry || entry->variant != kPrimaryVariant) return ArrivalResult::Handled;
        return channel_.OpenInterface(entry->path) ? ArrivalResult::Handled
                                                   : ArrivalResult::OpenFailed;
    }
    void OnDeviceRemoval(size_t slot, const std::stop_token&) override {
        const auto entry = list_->Slot(slot);
        if (entry && entry->variant == kPrimaryVariant) channel_.CloseInterface();
    }
    void OnFirstPassDone() override {}

  private:
    CHidCommandChannel& channel_;
    const DeviceList* list_ = nullptr;
};

TEST(DetectionWithChannel, UnplugInTheMiddleOfATransferEndsInAResultCode) {
    auto backend = std::make_shared<sim::SimHidBackend>();
    auto keyboard = sim::MakeSimDevice(SimKind::Keyboard);
    ASSERT_TRUE(backend->AddNode("keyboard", keyboard));
    CHidCommandChannel channel(backend);
    ChannelOpeningObserver observer(channel);
    DeviceDetector detector(backend, Catalogue::Shipped(), observer);
    observer.Watch(detector.List());

    detector.RunPass();
    ASSERT_TRUE(channel.IsOpen());
    std::vector<uint8_t> block(25, 0x11);
    EXPECT_EQ(channel.WriteMemory(block, 0), kChannelOk);

    // The keyboard vanishes after taking the second chunk of a transfer.
    keyboard->InjectFault(sim::SimFault::UnplugBeforeAnswer, 2, CMD_WRITE_MEMORY);
    std::vector<uint8_t> big(120, 0x22);
    EXPECT_EQ(channel.WriteMemory(big, 0), kChannelNoAnswer);
    EXPECT_EQ(keyboard->Memory()[56], 0x00) << "the lost chunk was never applied";
    detector.RunPass();
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_TRUE(detector.List().Claimed().empty());
    EXPECT_EQ(channel.SendStart(), kChannelNoAnswer);

    // Plugged again, it is found and commanded again.
    keyboard->SetPlugged(true);
    detector.RunPass();
    ASSERT_TRUE(channel.IsOpen());
    EXPECT_EQ(channel.WriteMemory(big, 0), kChannelOk);
    EXPECT_EQ(keyboard->Memory()[119], 0x22);
}

class EmulatorDetection : public Detection {
  protected:
    EmulatorDetection() : Detection(EmulatorCatalogue()) {}
};

TEST_F(EmulatorDetection, EveryKindClaimsItsRows) {
    for (SimKind kind : sim::kAllSimKinds) Plug(kind, std::string(sim::SimKindName(kind)));
    detector.RunPass();
    const auto slots = detector.List().Snapshot();
    ASSERT_EQ(slots.size(), 9u);
    const std::string expected[9] = {
        backend->Paths("keyboard")[3], backend->Paths("keyboard")[2], backend->Paths("mouse")[3],
        backend->Paths("mouse")[2],    backend->Paths("mousepad")[3], backend->Paths("mousepad")[2],
        backend->Paths("headset")[0],  backend->Paths("wmouse")[3],   backend->Paths("wmouse")[2],
    };
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(slots[i].path, expected[i]) << i;
    EXPECT_EQ(slots[7].kind, KindCode(DeviceKind::WirelessMouse));
    // All claimed: a pass only checks presence, no listing, no opens.
    const size_t opens = backend->OpenAttempts().size();
    detector.RunPass();
    EXPECT_EQ(backend->OpenAttempts().size(), opens);
    EXPECT_EQ(EmulatorCatalogue().findKindRow(sim::kSimHeadsetIds.vendorId,
                                              sim::kSimHeadsetIds.productId, 7, 0),
              3);
}

}  // namespace
}  // namespace kelno
