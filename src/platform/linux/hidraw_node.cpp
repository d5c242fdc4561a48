#include "platform/linux/hidraw_node.h"

#include <errno.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

namespace kelno::hid {
namespace {

using Clock = std::chrono::steady_clock;

// hidraw never hands out more than this in one report.
constexpr size_t kMaxReportBytes = 16384;
// Reports nobody picks up are dropped oldest first beyond this.
constexpr size_t kMaxQueuedReports = 256;
// Reports taken from the file per wake-up, so one busy device cannot keep
// the reader from looking at cancels.
constexpr int kMaxReportsPerWake = 64;

int PollTimeout(std::optional<Clock::time_point> deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
}

// Errors of a write or request that mean the device is gone (a plain EIO
// or a stall can be one failed transfer of a device that is still there).
bool MeansGone(int error) {
    return error == ENODEV || error == ENXIO || error == ESHUTDOWN || error == ENOENT;
}

}  // namespace

std::shared_ptr<HidrawNode> HidrawNode::Create(int fd, ParsedDescriptor descriptor,
                                               std::filesystem::path identity) {
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) {
        ::close(fd);
        return nullptr;
    }
    return std::shared_ptr<HidrawNode>(
        new HidrawNode(fd, wakeFd, std::move(descriptor), std::move(identity)));
}

HidrawNode::HidrawNode(int fd, int wakeFd, ParsedDescriptor descriptor,
                       std::filesystem::path identity)
    : fd_(fd),
      wakeFd_(wakeFd),
      descriptor_(std::move(descriptor)),
      identity_(std::move(identity)) {}

HidrawNode::~HidrawNode() {
    ::close(fd_);
    ::close(wakeFd_);
}

bool HidrawNode::IsDisconnected() const {
    std::lock_guard lock(mutex_);
    return disconnected_;
}

HidrawNode::ReaderId HidrawNode::Attach(size_t collectionIndex) {
    std::lock_guard lock(mutex_);
    Reader& reader = readers_.emplace_back();
    reader.id = nextReaderId_++;
    reader.collectionIndex = collectionIndex;
    return reader.id;
}

void HidrawNode::Detach(ReaderId reader) {
    std::lock_guard lock(mutex_);
    std::erase_if(readers_, [&](const Reader& r) { return r.id == reader; });
}

HidrawNode::Reader* HidrawNode::FindLocked(ReaderId reader) {
    for (Reader& r : readers_) {
        if (r.id == reader) return &r;
    }
    return nullptr;
}

void HidrawNode::Wake() {
    const uint64_t one = 1;
    // A full counter already means "wake up"; nothing else can go wrong.
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
}

TransferStatus HidrawNode::Read(ReaderId readerId, std::span<uint8_t> buffer, size_t& received,
                                std::optional<std::chrono::milliseconds> timeout) {
    received = 0;
    std::optional<Clock::time_point> deadline;
    if (timeout) deadline = Clock::now() + *timeout;

    std::unique_lock lock(mutex_);
    for (;;) {
        Reader* reader = FindLocked(readerId);
        if (!reader || reader->closed) return TransferStatus::Cancelled;
        if (reader->cancelPending) {
            reader->cancelPending = false;
            return TransferStatus::Cancelled;
        }
        if (!reader->queue.empty()) {
            const std::vector<uint8_t> report = std::move(reader->queue.front());
            reader->queue.pop_front();
            received = std::min(buffer.size(), report.size());
            std::copy_n(report.begin(), received, buffer.begin());
            return TransferStatus::Ok;
        }
        if (disconnected_) return TransferStatus::Disconnected;
        if (deadline && Clock::now() >= *deadline) return TransferStatus::TimedOut;

        if (!fileReaderActive_) {
            fileReaderActive_ = true;
            lock.unlock();
            FileEvents events = WaitOnFile(deadline);
            lock.lock();
            fileReaderActive_ = false;
            FileReportsLocked(events.reports);
            if (events.gone) disconnected_ = true;
            // Whoever still waits re-checks its queue, and one of them takes
            // over the file.
            changed_.notify_all();
        } else if (deadline) {
            changed_.wait_until(lock, *deadline);
        } else {
            changed_.wait(lock);
        }
    }
}

HidrawNode::FileEvents HidrawNode::WaitOnFile(std::optional<Clock::time_point> deadline) {
    FileEvents events;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    const int ready = ::poll(fds, 2, PollTimeout(deadline));
    if (ready < 0) {
        if (errno != EINTR) events.gone = true;
        return events;
    }
    if (fds[1].revents & POLLIN) {
        uint64_t count;
        [[maybe_unused]] const ssize_t drained = ::read(wakeFd_, &count, sizeof count);
    }
    if (fds[0].revents & POLLIN) {
        std::vector<uint8_t> buffer(kMaxReportBytes + 1);
        for (int i = 0; i < kMaxReportsPerWake; ++i) {
            const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
            if (got > 0) {
                events.reports.emplace_back(buffer.begin(), buffer.begin() + got);
                continue;
            }
            if (got < 0 && errno == EINTR) continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            events.gone = true;  // end of file or a read error: the device went
            break;
        }
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) events.gone = true;
    return events;
}

void HidrawNode::FileReportsLocked(std::vector<std::vector<uint8_t>>& reports) {
    for (std::vector<uint8_t>& report : reports) {
        uint8_t reportId = 0;
        if (descriptor_.usesReportIds) {
            if (report.empty()) continue;
            reportId = report[0];
        }
        const int owner = CollectionOwningReport(descriptor_, ReportType::Input, reportId);
        if (owner < 0) continue;  // no collection declares it: nobody's report
        for (Reader& reader : readers_) {
            if (reader.closed || reader.collectionIndex != static_cast<size_t>(owner)) continue;
            if (reader.queue.size() >= kMaxQueuedReports) reader.queue.pop_front();
            reader.queue.push_back(report);
        }
    }
}

void HidrawNode::Cancel(ReaderId readerId) {
    {
        std::lock_guard lock(mutex_);
        Reader* reader = FindLocked(readerId);
        if (!reader) return;
        reader->cancelPending = true;
        changed_.notify_all();
    }
    Wake();
}

void HidrawNode::Close(ReaderId readerId) {
    {
        std::lock_guard lock(mutex_);
        Reader* reader = FindLocked(readerId);
        if (!reader) return;
        reader->closed = true;
        reader->queue.clear();
        changed_.notify_all();
    }
    Wake();
}

std::optional<TransferStatus> HidrawNode::RefuseTransfer(ReaderId readerId) {
    std::lock_guard lock(mutex_);
    const Reader* reader = FindLocked(readerId);
    if (!reader || reader->closed) return TransferStatus::Cancelled;
    if (disconnected_) return TransferStatus::Disconnected;
    return std::nullopt;
}

TransferStatus HidrawNode::FailedTransfer(int error) {
    if (!MeansGone(error)) return TransferStatus::Failed;
    {
        std::lock_guard lock(mutex_);
        disconnected_ = true;
        changed_.notify_all();
    }
    Wake();
    return TransferStatus::Disconnected;
}

TransferStatus HidrawNode::Write(ReaderId readerId, std::span<const uint8_t> report,
                                 std::chrono::milliseconds timeout) {
    if (report.empty() || report.size() > kMaxReportBytes + 1) return TransferStatus::Failed;
    if (const auto refused = RefuseTransfer(readerId)) return *refused;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        const ssize_t written = ::write(fd_, report.data(), report.size());
        if (written == static_cast<ssize_t>(report.size())) return TransferStatus::Ok;
        if (written >= 0) return TransferStatus::Failed;
        const int error = errno;
        if (error == EINTR) continue;
        if (error != EAGAIN && error != EWOULDBLOCK) return FailedTransfer(error);
        const int wait = PollTimeout(deadline);
        if (wait == 0) return TransferStatus::TimedOut;
        pollfd fd{fd_, POLLOUT, 0};
        if (::poll(&fd, 1, wait) == 0) return TransferStatus::TimedOut;
        if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) return FailedTransfer(ENODEV);
    }
}

TransferStatus HidrawNode::SetOutputReport(ReaderId readerId, std::span<const uint8_t> report) {
    if (report.empty() || report.size() > kMaxReportBytes + 1) return TransferStatus::Failed;
    if (const auto refused = RefuseTransfer(readerId)) return *refused;
    std::vector<uint8_t> buffer(report.begin(), report.end());
    for (;;) {
        const int result = ::ioctl(fd_, HIDIOCSOUTPUT(buffer.size()), buffer.data());
        if (result >= 0) return TransferStatus::Ok;
        if (errno != EINTR) return FailedTransfer(errno);
    }
}

HidrawConnection::HidrawConnection(std::shared_ptr<HidrawNode> node, size_t collectionIndex,
                                   DeviceAttributes attributes)
    : node_(std::move(node)),
      collectionIndex_(collectionIndex),
      attributes_(attributes),
      reader_(node_->Attach(collectionIndex)) {}

HidrawConnection::~HidrawConnection() {
    node_->Detach(reader_);
}

const ReportCollection& HidrawConnection::Capabilities() const {
    return node_->Descriptor().collections[collectionIndex_].info;
}

const std::vector<ReportField>& HidrawConnection::Fields() const {
    return node_->Descriptor().collections[collectionIndex_].fields;
}

TransferStatus HidrawConnection::WriteReport(std::span<const uint8_t> report,
                                             std::chrono::milliseconds timeout) {
    return node_->Write(reader_, report, timeout);
}

TransferStatus HidrawConnection::ReadReport(std::span<uint8_t> buffer, size_t& received,
                                            std::optional<std::chrono::milliseconds> timeout) {
    return node_->Read(reader_, buffer, received, timeout);
}

void HidrawConnection::CancelPendingRead() {
    node_->Cancel(reader_);
}

void HidrawConnection::Close() {
    node_->Close(reader_);
}

TransferStatus HidrawConnection::SetOutputReport(std::span<const uint8_t> report) {
    return node_->SetOutputReport(reader_, report);
}

}  // namespace kelno::hid
