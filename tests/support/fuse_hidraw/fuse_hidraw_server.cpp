#define FUSE_USE_VERSION 312
#include "support/fuse_hidraw/fuse_hidraw_server.h"

#include <errno.h>
#include <fuse3/fuse.h>
#include <fuse3/fuse_lowlevel.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/hid/report_descriptor.h"

namespace kelno::test {
namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxQueuedReports = 256;
// How long the pump waits for a report before it looks at the model again.
constexpr std::chrono::milliseconds kPumpWait{200};

struct ServedNode {
    int number = 0;
    std::shared_ptr<hid::HidDeviceModel> model;
    std::vector<uint8_t> descriptor;
    bool usesReportIds = false;
    bool gone = false;        // guarded by State::mutex
    int refuseOpenError = 0;  // guarded by State::mutex
    std::atomic<bool> stop{false};
    std::thread pump;
};

struct OpenFile {
    std::shared_ptr<ServedNode> node;
    std::deque<std::vector<uint8_t>> queue;
    fuse_pollhandle* pollHandle = nullptr;
};

std::optional<int> NodeNumber(const char* path) {
    const std::string_view name(path);
    constexpr std::string_view kPrefix = "/hidraw";
    if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    int number = 0;
    for (const char c : name.substr(kPrefix.size())) {
        if (c < '0' || c > '9' || number > 100000) return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

}  // namespace

struct FuseHidrawServer::State {
    fs::path folder;
    std::string error;
    fuse* session = nullptr;
    bool mounted = false;
    std::thread loop;
    int stopFd = -1;

    std::mutex mutex;
    std::map<int, std::shared_ptr<ServedNode>> nodes;    // present nodes
    std::vector<std::shared_ptr<ServedNode>> everyNode;  // for joining the pumps
    std::map<uint64_t, OpenFile> files;
    uint64_t nextFile = 1;

    // One thread serves every request: no handler blocks, and a loop of our
    // own can be stopped without waiting for a request to come.
    void Serve() {
        fuse_session* fuseSession = fuse_get_session(session);
        fuse_buf buffer{};
        for (;;) {
            pollfd fds[2] = {{fuse_session_fd(fuseSession), POLLIN, 0}, {stopFd, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[1].revents != 0 || (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))) break;
            const int received = fuse_session_receive_buf(fuseSession, &buffer);
            if (received == -EINTR || received == -EAGAIN) continue;
            if (received <= 0) break;
            fuse_session_process_buf(fuseSession, &buffer);
        }
        std::free(buffer.mem);
    }

    static State& Current() { return *static_cast<State*>(fuse_get_context()->private_data); }

    std::shared_ptr<ServedNode> PresentNode(const char* path) {
        const auto number = NodeNumber(path);
        if (!number) return nullptr;
        const auto found = nodes.find(*number);
        return found == nodes.end() ? nullptr : found->second;
    }

    void NotifyLocked(OpenFile& file) {
        if (file.pollHandle) fuse_notify_poll(file.pollHandle);
    }

    // The node unplugged: its file disappears and its open files learn it.
    void MarkGoneLocked(const std::shared_ptr<ServedNode>& node) {
        node->gone = true;
        const auto present = nodes.find(node->number);
        if (present != nodes.end() && present->second == node) nodes.erase(present);
        for (auto& [id, file] : files) {
            if (file.node == node) NotifyLocked(file);
        }
    }

    void Pump(const std::shared_ptr<ServedNode>& node) {
        while (!node->stop) {
            auto report = node->model->NextInputReport(kPumpWait);
            std::lock_guard lock(mutex);
            if (report) {
                for (auto& [id, file] : files) {
                    if (file.node != node) continue;
                    if (file.queue.size() >= kMaxQueuedReports) file.queue.pop_front();
                    file.queue.push_back(*report);
                    NotifyLocked(file);
                }
            } else if (!node->model->IsPlugged()) {
                MarkGoneLocked(node);
                return;
            }
        }
    }

    void StopPump(const std::shared_ptr<ServedNode>& node) {
        node->stop = true;
        node->model->WakeReaders();
        if (node->pump.joinable()) node->pump.join();
    }

    // hidraw puts a 0 report number in front of reports of devices that
    // use no ids; the device never sees it.
    static std::span<const uint8_t> ToDevice(const ServedNode& node,
                                             std::span<const uint8_t> report) {
        if (!node.usesReportIds && !report.empty()) return report.subspan(1);
        return report;
    }
};

namespace {

using State = FuseHidrawServer::State;

OpenFile* FileOf(State& state, const fuse_file_info* fi) {
    const auto found = state.files.find(fi->fh);
    return found == state.files.end() ? nullptr : &found->second;
}

void* Init(fuse_conn_info*, fuse_config* config) {
    // No caching: an unplugged node must vanish at once, and every read
    // must reach the node.
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->direct_io = 1;
    return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    if (!state.PresentNode(path)) return -ENOENT;
    st->st_mode = S_IFREG | 0666;
    st->st_nlink = 1;
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) return -ENOENT;
    fill(buffer, ".", nullptr, 0, FUSE_FILL_DIR_PLUS);
    fill(buffer, "..", nullptr, 0, FUSE_FILL_DIR_PLUS);
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    for (const auto& [number, node] : state.nodes) {
        fill(buffer, ("hidraw" + std::to_string(number)).c_str(), nullptr, 0, FUSE_FILL_DIR_PLUS);
    }
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    const auto node = state.PresentNode(path);
    if (!node) return -ENOENT;
    if (node->refuseOpenError != 0) return -node->refuseOpenError;
    fi->fh = state.nextFile++;
    fi->direct_io = 1;
    fi->nonseekable = 1;
    state.files[fi->fh].node = node;
    return 0;
}

int Release(const char*, fuse_file_info* fi) {
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    if (OpenFile* file = FileOf(state, fi)) {
        if (file->pollHandle) fuse_pollhandle_destroy(file->pollHandle);
        state.files.erase(fi->fh);
    }
    return 0;
}

int Read(const char*, char* buffer, size_t size, off_t, fuse_file_info* fi) {
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    OpenFile* file = FileOf(state, fi);
    if (!file) return -EBADF;
    if (!file->queue.empty()) {
        const std::vector<uint8_t> report = std::move(file->queue.front());
        file->queue.pop_front();
        const size_t length = std::min(size, report.size());
        std::memcpy(buffer, report.data(), length);
        return static_cast<int>(length);
    }
    if (file->node->gone) return -ENODEV;
    // Every reader of these files opens them non-blocking; a blocking read
    // would hold a FUSE thread, so it is refused the same way.
    return -EAGAIN;
}

// The node behind an open file that is still plugged in; else the errno
// to answer with.
std::shared_ptr<ServedNode> LiveNodeOf(const fuse_file_info* fi, int& error) {
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    OpenFile* file = FileOf(state, fi);
    error = !file ? EBADF : file->node->gone ? ENODEV : 0;
    return error == 0 ? file->node : nullptr;
}

int Write(const char*, const char* buffer, size_t size, off_t, fuse_file_info* fi) {
    int error = 0;
    const auto node = LiveNodeOf(fi, error);
    if (!node) return -error;
    const std::span<const uint8_t> report(reinterpret_cast<const uint8_t*>(buffer), size);
    if (!node->model->HandleWrite(State::ToDevice(*node, report))) {
        return node->model->IsPlugged() ? -EIO : -ENODEV;
    }
    return static_cast<int>(size);
}

int Poll(const char*, fuse_file_info* fi, fuse_pollhandle* handle, unsigned* events) {
    State& state = State::Current();
    std::lock_guard lock(state.mutex);
    OpenFile* file = FileOf(state, fi);
    if (!file) {
        if (handle) fuse_pollhandle_destroy(handle);
        return -EBADF;
    }
    if (handle) {
        if (file->pollHandle) fuse_pollhandle_destroy(file->pollHandle);
        file->pollHandle = handle;
    }
    *events = POLLOUT;
    if (!file->queue.empty()) *events |= POLLIN;
    if (file->node->gone) *events |= POLLHUP | POLLERR;
    return 0;
}

int Ioctl(const char*, unsigned int command, void*, fuse_file_info* fi, unsigned int flags,
          void* data) {
    if (flags & FUSE_IOCTL_COMPAT) return -ENOSYS;
    int error = 0;
    const auto node = LiveNodeOf(fi, error);
    if (!node) return -error;
    const size_t size = _IOC_SIZE(command);
    const auto bytes = [&] { return std::span<const uint8_t>(static_cast<uint8_t*>(data), size); };

    switch (command) {
        case HIDIOCGRDESCSIZE:
            *static_cast<int*>(data) = static_cast<int>(node->descriptor.size());
            return 0;
        case HIDIOCGRDESC: {
            auto* descriptor = static_cast<hidraw_report_descriptor*>(data);
            const size_t length =
                std::min<size_t>(node->descriptor.size(), HID_MAX_DESCRIPTOR_SIZE);
            descriptor->size = static_cast<uint32_t>(length);
            std::memcpy(descriptor->value, node->descriptor.data(), length);
            return 0;
        }
        case HIDIOCGRAWINFO: {
            auto* info = static_cast<hidraw_devinfo*>(data);
            const hid::DeviceAttributes attributes = node->model->Attributes();
            info->bustype = 0x03;  // USB
            info->vendor = static_cast<int16_t>(attributes.vendorId);
            info->product = static_cast<int16_t>(attributes.productId);
            return 0;
        }
        default:
            break;
    }
    // The requests that carry their length in the command.
    const unsigned int kind = command & ~(_IOC_SIZEMASK << _IOC_SIZESHIFT);
    if (kind == (HIDIOCGRAWNAME(0) & ~(_IOC_SIZEMASK << _IOC_SIZESHIFT))) {
        const std::string name = node->model->Name();
        const size_t length = std::min(size, name.size() + 1);
        std::memcpy(data, name.c_str(), length);
        return static_cast<int>(length);
    }
    if (kind == (HIDIOCSOUTPUT(0) & ~(_IOC_SIZEMASK << _IOC_SIZESHIFT)) ||
        kind == (HIDIOCSFEATURE(0) & ~(_IOC_SIZEMASK << _IOC_SIZESHIFT))) {
        const hid::ReportType type = _IOC_NR(command) == _IOC_NR(HIDIOCSOUTPUT(0))
                                         ? hid::ReportType::Output
                                         : hid::ReportType::Feature;
        if (!node->model->HandleSetReport(type, State::ToDevice(*node, bytes()))) return -EIO;
        return static_cast<int>(size);
    }
    return -ENOTTY;
}

fuse_operations Operations() {
    fuse_operations operations{};
    operations.init = Init;
    operations.getattr = GetAttr;
    operations.readdir = ReadDir;
    operations.open = Open;
    operations.release = Release;
    operations.read = Read;
    operations.write = Write;
    operations.poll = Poll;
    operations.ioctl = Ioctl;
    return operations;
}

}  // namespace

FuseHidrawServer::FuseHidrawServer(fs::path mountFolder) : state_(std::make_unique<State>()) {
    state_->folder = std::move(mountFolder);
    std::error_code error;
    fs::create_directories(state_->folder, error);
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        state_->error = "/dev/fuse is not usable: " + std::string(std::strerror(errno));
        return;
    }
    const char* argv[] = {"kelno-hidraw-fuse"};
    fuse_args args = FUSE_ARGS_INIT(1, const_cast<char**>(argv));
    const fuse_operations operations = Operations();
    state_->session = fuse_new(&args, &operations, sizeof operations, state_.get());
    if (!state_->session) {
        state_->error = "fuse_new failed";
        return;
    }
    if (fuse_mount(state_->session, state_->folder.c_str()) != 0) {
        state_->error = "cannot mount a FUSE file system at " + state_->folder.string();
        fuse_destroy(state_->session);
        state_->session = nullptr;
        return;
    }
    state_->stopFd = eventfd(0, EFD_CLOEXEC);
    if (state_->stopFd < 0) {
        state_->error = "eventfd failed";
        fuse_unmount(state_->session);
        fuse_destroy(state_->session);
        state_->session = nullptr;
        return;
    }
    state_->mounted = true;
    state_->loop = std::thread([state = state_.get()] { state->Serve(); });
}

FuseHidrawServer::~FuseHidrawServer() {
    std::vector<std::shared_ptr<ServedNode>> nodes;
    {
        std::lock_guard lock(state_->mutex);
        nodes = state_->everyNode;
    }
    for (const auto& node : nodes) state_->StopPump(node);
    if (state_->session) {
        // The loop ends before the unmount closes the device it reads.
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(state_->stopFd, &one, sizeof one);
        if (state_->loop.joinable()) state_->loop.join();
        ::close(state_->stopFd);
        fuse_unmount(state_->session);
        for (auto& [id, file] : state_->files) {
            if (file.pollHandle) fuse_pollhandle_destroy(file.pollHandle);
        }
        state_->files.clear();
        fuse_destroy(state_->session);
    }
}

bool FuseHidrawServer::Mounted() const {
    return state_->mounted;
}
const std::string& FuseHidrawServer::Error() const {
    return state_->error;
}
const fs::path& FuseHidrawServer::Folder() const {
    return state_->folder;
}

void FuseHidrawServer::AddNode(int number, std::shared_ptr<hid::HidDeviceModel> model) {
    auto node = std::make_shared<ServedNode>();
    node->number = number;
    node->model = std::move(model);
    node->descriptor = node->model->ReportDescriptor();
    node->usesReportIds = hid::ParseReportDescriptor(node->descriptor).usesReportIds;
    std::shared_ptr<ServedNode> replaced;
    {
        std::lock_guard lock(state_->mutex);
        auto& slot = state_->nodes[number];
        replaced = slot;
        if (replaced) state_->MarkGoneLocked(replaced);
        state_->nodes[number] = node;
        state_->everyNode.push_back(node);
    }
    if (replaced) state_->StopPump(replaced);
    node->pump = std::thread([state = state_.get(), node] { state->Pump(node); });
}

void FuseHidrawServer::RemoveNode(int number) {
    std::shared_ptr<ServedNode> node;
    {
        std::lock_guard lock(state_->mutex);
        const auto found = state_->nodes.find(number);
        if (found == state_->nodes.end()) return;
        node = found->second;
        state_->MarkGoneLocked(node);
    }
    state_->StopPump(node);
}

void FuseHidrawServer::RefuseOpen(int number, int error) {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->nodes.find(number);
    if (found != state_->nodes.end()) found->second->refuseOpenError = error;
}

}  // namespace kelno::test
