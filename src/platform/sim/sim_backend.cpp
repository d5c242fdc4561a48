#include "platform/sim/sim_backend.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>

#include "platform/hid/collection_path.h"
#include "platform/hid/report_descriptor.h"

namespace kelno::sim {
namespace {

using Clock = std::chrono::steady_clock;
// Unread input reports one connection keeps before dropping the oldest.
constexpr size_t kMaxQueuedPerConnection = 64;

std::string FormatPath(const std::string& node, const hid::DeviceAttributes& ids,
                       int interfaceNumber, int collectionNumber) {
    return "/sim/" + node + hid::CollectionPathTokens(ids, interfaceNumber, collectionNumber);
}

}  // namespace

class SimConnection;

// One plugged interface. Its mutex guards the routing state and the queues
// of its connections. Input reports are pulled from the model by whichever
// reader gets there first (the "puller"); it hands reports of other
// collections to their connections, so no thread of our own is needed.
struct SimNode {
    std::string name;
    std::shared_ptr<hid::HidDeviceModel> model;
    hid::ParsedDescriptor descriptor;
    std::vector<std::string> paths;

    SteadyTime* time = nullptr;  // the backend's

    std::mutex mutex;
    std::condition_variable changed;
    bool removed = false;
    bool pulling = false;
    const SimConnection* puller = nullptr;
    // Readers on a stepped clock making the puller let go (see ReadReport);
    // while there are any, no other reader starts pulling.
    int takeovers = 0;
    std::vector<SimConnection*> connections;

    bool PresentLocked() const { return !removed && model->IsPlugged(); }
    void RouteLocked(const std::vector<uint8_t>& report);
    // Wakes the reader blocked in the model (the given one, or any) and
    // waits until it has let go, so a wake-up cannot be lost in the moment
    // before it starts waiting.
    void WakePullerLocked(std::unique_lock<std::mutex>& lock, const SimConnection* only);
};

class SimConnection final : public hid::HidConnection {
  public:
    SimConnection(std::shared_ptr<SimNode> node, size_t collection)
        : node_(std::move(node)),
          collection_(collection),
          attributes_(node_->model->Attributes()),
          caps_(node_->descriptor.collections[collection].info),
          fields_(node_->descriptor.collections[collection].fields) {}
    ~SimConnection() override { Close(); }

    size_t Collection() const { return collection_; }

    // Called with the node's mutex held.
    void DeliverLocked(const std::vector<uint8_t>& report) {
        if (closed_) return;
        if (queue_.size() >= kMaxQueuedPerConnection) queue_.pop_front();
        queue_.push_back(report);
    }

    const hid::DeviceAttributes& Attributes() const override { return attributes_; }
    const hid::ReportCollection& Capabilities() const override { return caps_; }
    const std::vector<hid::ReportField>& Fields() const override { return fields_; }

    hid::TransferStatus WriteReport(std::span<const uint8_t> report,
                                    std::chrono::milliseconds) override {
        {
            std::lock_guard lock(node_->mutex);
            if (closed_) return hid::TransferStatus::Cancelled;
            if (!node_->PresentLocked()) return hid::TransferStatus::Disconnected;
        }
        if (node_->model->HandleWrite(report)) return hid::TransferStatus::Ok;
        return node_->model->IsPlugged() ? hid::TransferStatus::Failed
                                         : hid::TransferStatus::Disconnected;
    }

    hid::TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                                   std::optional<std::chrono::milliseconds> timeout) override {
        received = 0;
        SimNode& node = *node_;
        SteadyTime& time = *node.time;
        // No time-out waits until a report, a cancel or the device going.
        const bool bounded = timeout.has_value();
        const Clock::time_point deadline = bounded ? time.Now() + *timeout : Clock::time_point();
        // A stepped clock never reaches the deadline by itself, so such a
        // read only looks: the model queues each answer the moment its
        // request is written, and nothing queued means none will come (a
        // request the device ignores, a wireless link that is down). The read
        // then ends at once, the clock moved on by its time-out.
        const bool stepped = bounded && time.IsStepped();
        bool triedPull = false;
        std::unique_lock lock(node.mutex);
        while (true) {
            if (closed_) return hid::TransferStatus::Cancelled;
            if (cancelPending_) {
                cancelPending_ = false;
                return hid::TransferStatus::Cancelled;
            }
            if (!queue_.empty()) {
                const std::vector<uint8_t> report = std::move(queue_.front());
                queue_.pop_front();
                received = std::min(buffer.size(), report.size());
                std::copy_n(report.begin(), received, buffer.begin());
                return hid::TransferStatus::Ok;
            }
            if (!node.PresentLocked()) return hid::TransferStatus::Disconnected;
            const auto now = time.Now();
            // Even a read that has run out of time looks at the device once,
            // so a zero time-out polls instead of never seeing a report.
            const bool expired = bounded && now >= deadline;
            if (expired && triedPull) return hid::TransferStatus::TimedOut;
            const auto left = [&] {
                return expired ? std::chrono::milliseconds(0)
                               : std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
            };
            if (stepped) {
                if (node.pulling) {
                    // Another reader (the notification reader, waiting without
                    // a time-out) holds the device: it is made to let go, so
                    // this read looks for itself, with no report in flight.
                    ++node.takeovers;
                    node.WakePullerLocked(lock, nullptr);
                    --node.takeovers;
                    node.changed.notify_all();
                    continue;
                }
                // A report queued but not due yet (latency) is waited for.
                const bool coming = node.model->HasQueuedInput();
                if (triedPull && !coming) {
                    lock.unlock();
                    time.SkipTo(deadline);
                    return hid::TransferStatus::TimedOut;
                }
                triedPull = true;
                PullLocked(lock, coming ? left() : std::chrono::milliseconds(0));
            } else if (!node.pulling && node.takeovers == 0) {
                triedPull = true;
                PullLocked(lock, bounded ? std::optional(left()) : std::nullopt);
            } else if (expired) {
                return hid::TransferStatus::TimedOut;
            } else if (bounded) {
                node.changed.wait_until(lock, deadline);
            } else {
                node.changed.wait(lock);
            }
        }
    }

    void CancelPendingRead() override {
        std::unique_lock lock(node_->mutex);
        cancelPending_ = true;
        node_->changed.notify_all();
        node_->WakePullerLocked(lock, this);
    }

    void Close() override {
        std::unique_lock lock(node_->mutex);
        if (closed_) return;
        closed_ = true;
        queue_.clear();
        std::erase(node_->connections, this);
        node_->changed.notify_all();
        node_->WakePullerLocked(lock, this);
    }

    hid::TransferStatus SetOutputReport(std::span<const uint8_t> report) override {
        {
            std::lock_guard lock(node_->mutex);
            if (closed_) return hid::TransferStatus::Cancelled;
            if (!node_->PresentLocked()) return hid::TransferStatus::Disconnected;
        }
        return node_->model->HandleSetReport(hid::ReportType::Output, report)
                   ? hid::TransferStatus::Ok
                   : hid::TransferStatus::Failed;
    }

  private:
    // Takes the next report from the model, waiting at most `wait`, and
    // routes it; `lock` (the node's) is let go meanwhile.
    void PullLocked(std::unique_lock<std::mutex>& lock,
                    std::optional<std::chrono::milliseconds> wait) {
        SimNode& node = *node_;
        node.pulling = true;
        node.puller = this;
        lock.unlock();
        const auto report = node.model->NextInputReport(wait);
        lock.lock();
        node.pulling = false;
        node.puller = nullptr;
        if (report) node.RouteLocked(*report);
        node.changed.notify_all();
    }

    const std::shared_ptr<SimNode> node_;
    const size_t collection_;
    const hid::DeviceAttributes attributes_;
    const hid::ReportCollection caps_;
    const std::vector<hid::ReportField> fields_;
    // Guarded by the node's mutex.
    std::deque<std::vector<uint8_t>> queue_;
    bool closed_ = false;
    bool cancelPending_ = false;
};

void SimNode::RouteLocked(const std::vector<uint8_t>& report) {
    if (report.empty()) return;
    const uint8_t id = descriptor.usesReportIds ? report[0] : 0;
    const int owner = hid::CollectionOwningReport(descriptor, hid::ReportType::Input, id);
    if (owner < 0) return;  // a report no collection declares is dropped
    for (SimConnection* connection : connections)
        if (connection->Collection() == static_cast<size_t>(owner))
            connection->DeliverLocked(report);
}

void SimNode::WakePullerLocked(std::unique_lock<std::mutex>& lock, const SimConnection* only) {
    while (pulling && (only == nullptr || puller == only)) {
        model->WakeReaders();
        changed.wait_for(lock, std::chrono::milliseconds(1));
    }
}

SimHidBackend::SimHidBackend(SteadyTime& time) : time_(time) {}

SimHidBackend::~SimHidBackend() {
    std::vector<std::string> names;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [name, node] : nodes_) names.push_back(name);
    }
    for (const auto& name : names) RemoveNode(name);
}

bool SimHidBackend::AddNode(const std::string& nodeName,
                            std::shared_ptr<hid::HidDeviceModel> model) {
    if (!model || nodeName.empty() || nodeName.find_first_of("#/") != std::string::npos)
        return false;
    auto node = std::make_shared<SimNode>();
    node->name = nodeName;
    node->time = &time_;
    node->descriptor = hid::ParseReportDescriptor(model->ReportDescriptor());
    if (!node->descriptor.ok || node->descriptor.collections.empty()) return false;
    const size_t count = node->descriptor.collections.size();
    for (size_t i = 0; i < count; ++i)
        node->paths.push_back(FormatPath(nodeName, model->Attributes(), model->InterfaceNumber(),
                                         count > 1 ? static_cast<int>(i + 1) : 0));
    node->model = std::move(model);
    std::shared_ptr<hid::HidDeviceModel> added = node->model;
    {
        std::lock_guard lock(mutex_);
        if (!nodes_.emplace(nodeName, std::move(node)).second) return false;
    }
    added->PlugEvents().Add(hotplug_);
    hotplug_->Announce();
    return true;
}

bool SimHidBackend::RemoveNode(const std::string& nodeName) {
    std::shared_ptr<SimNode> node;
    {
        std::lock_guard lock(mutex_);
        const auto it = nodes_.find(nodeName);
        if (it == nodes_.end()) return false;
        node = it->second;
        nodes_.erase(it);
    }
    {
        std::unique_lock lock(node->mutex);
        node->removed = true;
        node->changed.notify_all();
        node->WakePullerLocked(lock, nullptr);
    }
    hotplug_->Announce();
    return true;
}

std::shared_ptr<hid::HidDeviceModel> SimHidBackend::Model(const std::string& nodeName) const {
    std::lock_guard lock(mutex_);
    const auto it = nodes_.find(nodeName);
    return it == nodes_.end() ? nullptr : it->second->model;
}

std::vector<std::string> SimHidBackend::Paths(const std::string& nodeName) const {
    std::lock_guard lock(mutex_);
    const auto it = nodes_.find(nodeName);
    return it == nodes_.end() ? std::vector<std::string>{} : it->second->paths;
}

void SimHidBackend::SetEnumerationFails(bool fails) {
    {
        std::lock_guard lock(mutex_);
        enumerationFails_ = fails;
    }
    hotplug_->Announce();
}

std::unique_ptr<hid::HotplugWatch> SimHidBackend::WatchHotplug() {
    return hotplug_->Watch();
}

void SimHidBackend::RefuseOpen(const std::string& path, hid::OpenStatus status) {
    {
        std::lock_guard lock(mutex_);
        if (status == hid::OpenStatus::Ok)
            refusals_.erase(path);
        else
            refusals_[path] = status;
    }
    // As udev reports a change of a node's access rights.
    hotplug_->Announce();
}

std::vector<std::string> SimHidBackend::OpenAttempts() const {
    std::lock_guard lock(mutex_);
    return openAttempts_;
}

std::optional<std::vector<hid::InterfaceInfo>> SimHidBackend::Enumerate() {
    std::lock_guard lock(mutex_);
    if (enumerationFails_) return std::nullopt;
    std::vector<hid::InterfaceInfo> interfaces;
    for (const auto& [name, node] : nodes_) {
        if (!node->model->IsPlugged()) continue;
        const size_t count = node->paths.size();
        for (size_t i = 0; i < count; ++i) {
            hid::InterfaceInfo info;
            info.path = node->paths[i];
            info.attributes = node->model->Attributes();
            info.interfaceNumber = node->model->InterfaceNumber();
            info.collectionNumber = count > 1 ? static_cast<int>(i + 1) : 0;
            info.collection = node->descriptor.collections[i].info;
            const auto refusal = refusals_.find(info.path);
            info.accessible =
                refusal == refusals_.end() || refusal->second != hid::OpenStatus::PermissionDenied;
            interfaces.push_back(std::move(info));
        }
    }
    return interfaces;
}

hid::OpenResult SimHidBackend::Open(const std::string& path) {
    std::shared_ptr<SimNode> node;
    size_t collection = 0;
    {
        std::lock_guard lock(mutex_);
        openAttempts_.push_back(path);
        if (const auto refusal = refusals_.find(path); refusal != refusals_.end())
            return {nullptr, refusal->second};
        for (const auto& [name, candidate] : nodes_) {
            const auto it = std::find(candidate->paths.begin(), candidate->paths.end(), path);
            if (it != candidate->paths.end()) {
                node = candidate;
                collection = static_cast<size_t>(it - candidate->paths.begin());
                break;
            }
        }
    }
    if (!node || !node->model->IsPlugged()) return {nullptr, hid::OpenStatus::NotFound};
    auto connection = std::make_shared<SimConnection>(node, collection);
    std::lock_guard lock(node->mutex);
    if (node->removed) return {nullptr, hid::OpenStatus::NotFound};
    node->connections.push_back(connection.get());
    return {std::move(connection), hid::OpenStatus::Ok};
}

bool SimHidBackend::IsPresent(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const auto& [name, node] : nodes_)
        if (std::find(node->paths.begin(), node->paths.end(), path) != node->paths.end())
            return node->model->IsPlugged();
    return false;
}

}  // namespace kelno::sim
