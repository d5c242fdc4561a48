#pragma once
// The client side of a local line-protocol socket, for tests: connect, send
// text, read reply lines. Every read is bounded (a hang guard only).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/unique_fd.h"

namespace kelno::test {

class LineSocketClient {
  public:
    // Connects at once; Connected() tells whether it worked.
    explicit LineSocketClient(const std::filesystem::path& socketPath);

    bool Connected() const { return connected_; }
    int Fd() const { return fd_.Get(); }
    // Sends all of `text`; false when the server has closed the connection.
    bool Send(std::string_view text);
    // The next reply line without its line feed; nothing once the server
    // has closed the connection (or after the hang guard).
    std::optional<std::string> ReadLine();
    // One request line, its reply ("<closed>" when none came).
    std::string Ask(std::string_view line);
    // Reads and drops everything until the server closes the connection;
    // false when it is still open after the hang guard.
    bool DrainUntilClosed();

  private:
    UniqueFd fd_;
    bool connected_ = false;
};

// Leaves a socket file at `path` as a crashed server does; false when it
// cannot.
bool LeaveStaleSocket(const std::filesystem::path& path);

}  // namespace kelno::test
