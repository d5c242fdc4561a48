#pragma once
// Things a user or another program can leave where a stored file belongs:
// a FIFO, a device node (through a link), a link that loops, a folder and a
// bound socket, each named for its kind plus an extension ("fifo.json").

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace kelno::test {

class SpecialFiles {
  public:
    SpecialFiles(const std::filesystem::path& folder, const std::string& extension) {
        namespace fs = std::filesystem;
        EXPECT_EQ(::mkfifo((folder / ("fifo" + extension)).c_str(), 0600), 0);
        // /dev/zero: never a regular file, and endless should it be read.
        fs::create_symlink("/dev/zero", folder / ("device" + extension));
        fs::create_symlink("loop" + extension, folder / ("loop" + extension));
        fs::create_directory(folder / ("folder" + extension));
        // A socket file exists only while one is bound to it.
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = (folder / ("socket" + extension)).string();
        EXPECT_LT(path.size(), sizeof address.sun_path);
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    ~SpecialFiles() {
        if (socket_ >= 0) ::close(socket_);
    }
    SpecialFiles(const SpecialFiles&) = delete;
    SpecialFiles& operator=(const SpecialFiles&) = delete;

  private:
    int socket_ = -1;
};

}  // namespace kelno::test
