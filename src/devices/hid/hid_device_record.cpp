#include "devices/hid/hid_device_record.h"

#include <span>

#include "devices/hid/hid_path.h"

namespace kelno {
namespace {

std::optional<std::chrono::milliseconds> ToTimeout(uint32_t timeoutMs) {
    if (timeoutMs == kHidWaitForever) return std::nullopt;
    return std::chrono::milliseconds(timeoutMs);
}

void ForgetOpenInformation(HidDeviceRecord& record) {
    record.attributes = {};
    record.caps = {};
    record.fields.clear();
    record.inputData.clear();
    record.outputData.clear();
    record.featureData.clear();
    record.interfaceNumber = 0;
    record.collectionNumber = 0;
}

}  // namespace

HidDeviceRecord::HidDeviceRecord(std::shared_ptr<hid::HidBackend> backendIn)
    : backend(std::move(backendIn)) {}

HidDeviceRecord::~HidDeviceRecord() {
    HidDestroyRecord(*this);
}

std::shared_ptr<hid::HidConnection> HidDeviceRecord::Connection() const {
    std::lock_guard lock(connectionMutex_);
    return connection_;
}

void HidInitRecord(HidDeviceRecord& record, std::shared_ptr<hid::HidBackend> backend) {
    HidDestroyRecord(record);
    record.backend = std::move(backend);
    record.openedForRead = record.openedForWrite = false;
    record.openedOverlapped = record.openedExclusive = false;
    record.devicePath.clear();
    record.lastOpenStatus = hid::OpenStatus::Ok;
}

bool HidEnumeratePaths(HidDeviceRecord& record) {
    HidFreePaths(record);
    if (!record.backend) return false;
    auto interfaces = record.backend->Enumerate();
    if (!interfaces) return false;
    for (auto& info : *interfaces) record.paths.push_back(std::move(info.path));
    record.hasPathList = true;
    return true;
}

const std::string* HidNextPath(HidDeviceRecord& record) {
    if (!record.hasPathList || record.pathCursor >= record.paths.size()) return nullptr;
    return &record.paths[record.pathCursor++];
}

void HidFreePaths(HidDeviceRecord& record) {
    record.paths.clear();
    record.hasPathList = false;
    record.pathCursor = 0;
}

bool HidOpen(HidDeviceRecord& record, const std::string& path, bool read, bool write,
             bool overlapped, bool exclusive) {
    record.openedForRead = read;
    record.openedForWrite = write;
    record.openedOverlapped = overlapped;
    record.openedExclusive = exclusive;
    record.devicePath = path;
    HidClose(record);

    if (!record.backend) {
        record.lastOpenStatus = hid::OpenStatus::Failed;
        return false;
    }
    hid::OpenResult result = record.backend->Open(path);
    record.lastOpenStatus = result.status;
    if (result.status != hid::OpenStatus::Ok || !result.connection) {
        if (result.connection) result.connection->Close();
        return false;
    }
    record.attributes = result.connection->Attributes();
    record.caps = result.connection->Capabilities();
    record.fields = result.connection->Fields();
    record.inputData = HidBuildDataEntries(record.fields, hid::ReportType::Input);
    record.outputData = HidBuildDataEntries(record.fields, hid::ReportType::Output);
    record.featureData = HidBuildDataEntries(record.fields, hid::ReportType::Feature);
    record.interfaceNumber = ParsePathInterfaceNumber(path);
    record.collectionNumber = ParsePathCollectionNumber(path);
    std::lock_guard lock(record.connectionMutex_);
    record.connection_ = std::move(result.connection);
    return true;
}

void HidClose(HidDeviceRecord& record) {
    std::shared_ptr<hid::HidConnection> connection;
    {
        std::lock_guard lock(record.connectionMutex_);
        connection = std::move(record.connection_);
        record.connection_.reset();
    }
    if (connection) connection->Close();
    ForgetOpenInformation(record);
}

int HidReadReport(HidDeviceRecord& record, size_t length, uint8_t* buffer, uint32_t timeoutMs,
                  size_t* transferred, hid::TransferStatus* status) {
    if (transferred) *transferred = 0;
    if (status) *status = hid::TransferStatus::Cancelled;
    const auto connection = record.Connection();
    if (!connection || buffer == nullptr) return 0;
    record.readPending = true;
    size_t received = 0;
    const hid::TransferStatus result =
        connection->ReadReport(std::span<uint8_t>(buffer, length), received, ToTimeout(timeoutMs));
    record.readPending = false;
    if (transferred) *transferred = received;
    if (status) *status = result;
    return result == hid::TransferStatus::Ok ? 1 : 0;
}

int HidWriteReport(HidDeviceRecord& record, size_t length, const uint8_t* buffer,
                   uint32_t timeoutMs, size_t* transferred) {
    if (transferred) *transferred = 0;
    const auto connection = record.Connection();
    if (!connection || buffer == nullptr) return 0;
    record.writePending = true;
    const hid::TransferStatus status = connection->WriteReport(
        std::span<const uint8_t>(buffer, length),
        std::chrono::milliseconds(timeoutMs == kHidWaitForever ? 24 * 3600 * 1000 : timeoutMs));
    record.writePending = false;
    const bool ok = status == hid::TransferStatus::Ok;
    if (transferred) *transferred = ok ? length : 0;
    return ok ? 1 : 0;
}

int HidSetOutputReport(HidDeviceRecord& record, size_t length, const uint8_t* buffer) {
    const auto connection = record.Connection();
    if (!connection || buffer == nullptr || length == 0) return 0;
    const auto status = connection->SetOutputReport(std::span<const uint8_t>(buffer, length));
    return status == hid::TransferStatus::Ok ? 1 : 0;
}

void HidCancelRead(HidDeviceRecord& record) {
    if (const auto connection = record.Connection()) connection->CancelPendingRead();
}

void HidDestroyRecord(HidDeviceRecord& record) {
    HidClose(record);
    HidFreePaths(record);
}

}  // namespace kelno
