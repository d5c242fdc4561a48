#include "xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>

namespace kelno::skin::test {

std::string FindProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

XvfbDisplay::XvfbDisplay() {
    std::string xvfb = FindProgram("Xvfb");
    if (xvfb.empty()) {
        reason_ = "Xvfb is not installed";
        return;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        reason_ = "pipe failed";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(fds[1], 3);  // -displayfd 3: the server writes its number there
        if (fds[1] != 3) close(fds[1]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        execl(xvfb.c_str(), "Xvfb", "-displayfd", "3", "-screen", "0", "1280x800x24", "-nolisten",
              "tcp", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        reason_ = "fork failed";
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (poll(&p, 1, 500) <= 0) continue;
        char c;
        ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n') break;
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        reason_ = "Xvfb did not report a display";
        return;
    }
    name_ = ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

bool IsTopLevelWindowViewable(const std::string& display, const std::string& title) {
    Display* x = XOpenDisplay(display.c_str());
    if (!x) return false;
    bool viewable = false;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(x, DefaultRootWindow(x), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && !viewable; ++i) {
            char* name = nullptr;
            if (!XFetchName(x, children[i], &name) || !name) continue;
            XWindowAttributes attributes{};
            viewable = title == name && XGetWindowAttributes(x, children[i], &attributes) &&
                       attributes.map_state == IsViewable;
            XFree(name);
        }
        if (children) XFree(children);
    }
    XCloseDisplay(x);
    return viewable;
}

}  // namespace kelno::skin::test
