#pragma once
// Only one instance of the program runs per user session. The first one
// holds a lock in the runtime folder and listens on a local socket beside
// it; a later one finds the lock taken, wakes the first through the socket
// and ends.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace kelno {

class SingleInstance {
public:
    enum class Role { First, Second, Failed };

    // Called on the listener's worker thread each time another instance
    // asks the first one to show itself; post to the UI thread from there.
    using WakeHandler = std::function<void()>;

    // Takes the lock named `identity` in `runtimeFolder` (created, mode 0700).
    // First: this process owns the lock and `onWake` will be called.
    // Second: another live instance owns it and has been woken.
    // Failed: the folder or lock could not be used (the caller may run
    // without single-instance protection rather than not at all).
    static std::unique_ptr<SingleInstance> Acquire(const std::filesystem::path& runtimeFolder,
                                                   const std::string& identity,
                                                   WakeHandler onWake);

    virtual ~SingleInstance() = default;
    virtual Role GetRole() const = 0;
};

}  // namespace kelno
