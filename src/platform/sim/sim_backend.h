#pragma once
// An in-process HID backend over emulated device models. Each added model
// is one USB interface ("node"); its report descriptor is split into
// top-level collections, each with its own path formatted like the hidraw
// backend's: "/sim/<node>#vid_xxxx&pid_xxxx&mi_xx&colxx" (lower-case hex,
// "&col" only when the interface has more than one top-level collection,
// 1-based in descriptor order). Input reports of a node are routed by report
// id to the collection that owns them, so the command reader and the
// notification reader of one interface never take each other's reports.
// A node whose model is unplugged is absent. Read time-outs run on the
// backend's SteadyTime: on a stepped clock a read with nothing queued ends
// at once as a time-out, the clock moved on to its deadline (from inside
// ReadReport, so its caller holds no lock a wait on that clock uses).

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/steady_time.h"
#include "platform/hid/hid_backend.h"
#include "platform/hid/hid_device_model.h"

namespace kelno::sim {

struct SimNode;

class SimHidBackend final : public hid::HidBackend {
  public:
    // `time` must outlive the backend and its connections.
    explicit SimHidBackend(SteadyTime& time = SystemSteadyTime());
    ~SimHidBackend() override;

    // Adds an interface under `nodeName` ("keyboard", "keyboard-2"). False
    // when the name is taken or the model's report descriptor does not parse.
    bool AddNode(const std::string& nodeName, std::shared_ptr<hid::HidDeviceModel> model);
    // Removes the node; its open connections fail from now on.
    bool RemoveNode(const std::string& nodeName);
    std::shared_ptr<hid::HidDeviceModel> Model(const std::string& nodeName) const;
    // Paths of every collection of a node, in descriptor order.
    std::vector<std::string> Paths(const std::string& nodeName) const;

    // --- Faults on the host side ---
    void SetEnumerationFails(bool fails);
    // Opening `path` fails with `status` (Ok lifts the refusal).
    void RefuseOpen(const std::string& path, hid::OpenStatus status);
    // Every path Open was asked for, in order.
    std::vector<std::string> OpenAttempts() const;

    // hid::HidBackend
    std::optional<std::vector<hid::InterfaceInfo>> Enumerate() override;
    hid::OpenResult Open(const std::string& path) override;
    bool IsPresent(const std::string& path) override;
    // Events on adding and removing nodes, on the models' plugging and on
    // the host-side faults above.
    std::unique_ptr<hid::HotplugWatch> WatchHotplug() override;

  private:
    SteadyTime& time_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<SimNode>> nodes_;
    std::map<std::string, hid::OpenStatus> refusals_;
    std::vector<std::string> openAttempts_;
    bool enumerationFails_ = false;
    std::shared_ptr<hid::HotplugEvents> hotplug_ = std::make_shared<hid::HotplugEvents>();
};

}  // namespace kelno::sim
