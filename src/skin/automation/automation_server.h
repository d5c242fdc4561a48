#pragma once
// The UI automation server: off unless the program is started with
// `--automation <socket path>`. It listens on an owner-only local socket
// (platform/ipc/line_socket_server.h), each client on a thread of its own,
// reads one command a line and writes one reply line each.
// Commands run on the UI thread (posted through a window's host) while the
// worker waits for their reply. Every skinned window registers itself, so the
// server drives all of the program's windows, the first registered first.

#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "skin/automation/automation_executor.h"

namespace kelno::skin {

class AutomationServer {
  public:
    AutomationServer();
    // Stops the server.
    ~AutomationServer();
    AutomationServer(const AutomationServer&) = delete;
    AutomationServer& operator=(const AutomationServer&) = delete;

    // Binds `socketPath` (a stale socket there is replaced; any other file, a
    // symbolic link too, is left alone and Start fails) and starts serving. False with `error` set
    // when it cannot.
    bool Start(const std::string& socketPath, std::string* error = nullptr);
    // Stops serving (waits a bounded time for the worker) and removes the
    // socket file. Idempotent.
    void Stop();
    bool IsRunning() const;

    // Windows announce themselves (UI thread). `input` receives the injected
    // input; it is usually the host's client of that window.
    static void RegisterWindow(CPaintManagerUI* manager, IHostClient* input);
    static void UnregisterWindow(CPaintManagerUI* manager);
    static std::vector<AutomationTarget> RegisteredWindows();

    // A modal loop is about to run on the UI thread. The command that opened
    // it (a click on a button that shows a dialog) is answered "ok" now, so
    // the client can go on and drive the dialog.
    static void NoteNestedLoop();

    // Answers one command line; called on the worker (any thread but the UI
    // thread). Public so tests can drive it without a socket.
    static std::string HandleLine(std::string_view line, std::stop_token stop = {});

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The value of `--automation <path>` (or `--automation=<path>`) in argv;
// empty when absent.
std::string AutomationSocketArgument(int argc, char** argv);

}  // namespace kelno::skin
