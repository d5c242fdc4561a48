#include "platform/ipc/owner_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cerrno>
#include <cstring>

namespace kelno::ipc {
namespace {

constexpr int kBacklog = 8;

UniqueFd Fail(std::string* error, std::string why) {
    if (error != nullptr) *error = std::move(why);
    return UniqueFd();
}

}  // namespace

UniqueFd ListenOwnerOnly(const std::filesystem::path& path, std::string* error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string text = path.string();
    if (text.empty() || text.size() >= sizeof address.sun_path)
        return Fail(error, "socket path empty or too long");
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);

    // lstat, not stat: a link is not followed, so it can neither be taken
    // for a stale socket nor lead us to delete what it points at.
    struct stat existing {};
    if (::lstat(text.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) return Fail(error, "not a socket: " + text);
        ::unlink(text.c_str());  // left by an earlier run
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid())
        return Fail(error, std::string("cannot make a socket: ") + std::strerror(errno));
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Fail(error, "cannot bind " + text + ": " + std::strerror(errno));
    if (::chmod(text.c_str(), 0600) != 0 || ::listen(fd.Get(), kBacklog) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(text.c_str());
        return Fail(error, "cannot listen on " + text + ": " + why);
    }
    return fd;
}

}  // namespace kelno::ipc
