#pragma once
// One open hidraw node shared by the connections to its top-level
// collections. hidraw hands every input report of the interface to whoever
// reads the file, so the node reads them once and files each one with the
// connections of the collection that owns its report id: the command reader
// and the notification reader of one interface never take each other's
// reports.
//
// Reading: a connection with nothing queued either becomes the one thread
// that waits on the file (poll on the fd plus an eventfd that cancel and
// close write to) or waits on a condition variable for the reader to file
// something. Nothing spins.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/hid/hid_backend.h"
#include "platform/hid/report_descriptor.h"

namespace kelno::hid {

class HidrawNode {
public:
    // Takes ownership of `fd` (closed on failure too). Null when the wake-up
    // eventfd cannot be made.
    static std::shared_ptr<HidrawNode> Create(int fd, ParsedDescriptor descriptor,
                                              std::filesystem::path identity);
    ~HidrawNode();
    HidrawNode(const HidrawNode&) = delete;
    HidrawNode& operator=(const HidrawNode&) = delete;

    const ParsedDescriptor& Descriptor() const { return descriptor_; }
    const std::filesystem::path& Identity() const { return identity_; }
    bool IsDisconnected() const;

    // A reader of one collection; reports are queued for it from now on.
    using ReaderId = uint64_t;
    ReaderId Attach(size_t collectionIndex);
    void Detach(ReaderId reader);

    TransferStatus Read(ReaderId reader, std::span<uint8_t> buffer, size_t& received,
                        std::optional<std::chrono::milliseconds> timeout);
    void Cancel(ReaderId reader);
    void Close(ReaderId reader);
    TransferStatus Write(ReaderId reader, std::span<const uint8_t> report,
                         std::chrono::milliseconds timeout);
    TransferStatus SetOutputReport(ReaderId reader, std::span<const uint8_t> report);

private:
    HidrawNode(int fd, int wakeFd, ParsedDescriptor descriptor, std::filesystem::path identity);

    struct Reader {
        ReaderId id = 0;
        size_t collectionIndex = 0;
        std::deque<std::vector<uint8_t>> queue;
        bool cancelPending = false;
        bool closed = false;
    };
    // What one wait on the file brought.
    struct FileEvents {
        std::vector<std::vector<uint8_t>> reports;
        bool gone = false;
    };

    Reader* FindLocked(ReaderId reader);
    FileEvents WaitOnFile(std::optional<std::chrono::steady_clock::time_point> deadline);
    void FileReportsLocked(std::vector<std::vector<uint8_t>>& reports);
    void Wake();
    // Refuses a transfer on a closed connection or a node that is gone.
    std::optional<TransferStatus> RefuseTransfer(ReaderId reader);
    TransferStatus FailedTransfer(int error);

    const int fd_;
    const int wakeFd_;
    const ParsedDescriptor descriptor_;
    const std::filesystem::path identity_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Reader> readers_;
    ReaderId nextReaderId_ = 1;
    bool fileReaderActive_ = false;
    bool disconnected_ = false;
};

// One collection of a shared node, as the HID seam sees it.
class HidrawConnection final : public HidConnection {
public:
    HidrawConnection(std::shared_ptr<HidrawNode> node, size_t collectionIndex,
                     DeviceAttributes attributes);
    ~HidrawConnection() override;

    const DeviceAttributes& Attributes() const override { return attributes_; }
    const ReportCollection& Capabilities() const override;
    const std::vector<ReportField>& Fields() const override;
    TransferStatus WriteReport(std::span<const uint8_t> report,
                               std::chrono::milliseconds timeout) override;
    TransferStatus ReadReport(std::span<uint8_t> buffer, size_t& received,
                              std::optional<std::chrono::milliseconds> timeout) override;
    void CancelPendingRead() override;
    void Close() override;
    TransferStatus SetOutputReport(std::span<const uint8_t> report) override;

private:
    const std::shared_ptr<HidrawNode> node_;
    const size_t collectionIndex_;
    const DeviceAttributes attributes_;
    const HidrawNode::ReaderId reader_;
};

}  // namespace kelno::hid
