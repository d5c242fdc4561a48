#include "platform_linux/echo_model.h"

#include "platform/hid/hex_bytes.h"

namespace kelno::test {

std::vector<uint8_t> EchoModel::ReportDescriptor() const {
    return hid::ParseHexBytes(
               "05 0c 09 01 a1 01 85 03 19 00 2a ff 0f 15 00 26 ff 0f 75 10 95 01 81 00 c0"
               " 06 1c ff 09 92 a1 01 85 04 09 01 15 00 26 ff 00 75 08 95 3f 81 02"
               " 09 01 91 02 c0")
        .value();
}

bool EchoModel::HandleWrite(std::span<const uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || failWrites_) return false;
    writes_.emplace_back(report.begin(), report.end());
    if (!report.empty() && report[0] == kCommandReport) {
        input_.emplace_back(report.begin(), report.end());
        changed_.notify_all();
    }
    return true;
}

bool EchoModel::HandleSetReport(hid::ReportType type, std::span<const uint8_t> report) {
    std::lock_guard lock(mutex_);
    if (!plugged_ || type != hid::ReportType::Output) return false;
    outputReports_.emplace_back(report.begin(), report.end());
    return true;
}

std::optional<std::vector<uint8_t>> EchoModel::NextInputReport(
    std::optional<std::chrono::milliseconds> timeout) {
    std::unique_lock lock(mutex_);
    const uint64_t generation = wakeGeneration_;
    const auto ready = [&] {
        return !input_.empty() || !plugged_ || wakeGeneration_ != generation;
    };
    if (timeout) {
        changed_.wait_for(lock, *timeout, ready);
    } else {
        changed_.wait(lock, ready);
    }
    if (!plugged_ || input_.empty()) return std::nullopt;
    std::vector<uint8_t> report = std::move(input_.front());
    input_.pop_front();
    return report;
}

void EchoModel::WakeReaders() {
    std::lock_guard lock(mutex_);
    ++wakeGeneration_;
    changed_.notify_all();
}

bool EchoModel::IsPlugged() const {
    std::lock_guard lock(mutex_);
    return plugged_;
}

void EchoModel::Notify(uint16_t usage) {
    Send({kNotifyReport, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)});
}

void EchoModel::Send(std::vector<uint8_t> report) {
    std::lock_guard lock(mutex_);
    input_.push_back(std::move(report));
    changed_.notify_all();
}

void EchoModel::Unplug() {
    std::lock_guard lock(mutex_);
    plugged_ = false;
    changed_.notify_all();
}

void EchoModel::FailWrites(bool fail) {
    std::lock_guard lock(mutex_);
    failWrites_ = fail;
}

std::vector<std::vector<uint8_t>> EchoModel::Writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
}

std::vector<std::vector<uint8_t>> EchoModel::OutputReports() const {
    std::lock_guard lock(mutex_);
    return outputReports_;
}

}  // namespace kelno::test
