// Where the session bus is looked for: the user bus's place is named only
// when nothing else could find a bus (no address set, no dbus-launch to
// autolaunch one), so a missing bus fails at once instead of costing a
// fork of the program per library that asks.

#include "platform/session/session_bus_address.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kelno {
namespace {

TEST(SessionBusAddress, TheUserBusIsNamedOnlyWhenNothingElseCouldFindABus) {
    const struct {
        const char* name;
        std::map<std::string, std::string> environment;
        std::set<std::string> executables;
        std::optional<std::string> address;
    } cases[] = {
        {"no bus address, no dbus-launch",
         {{"XDG_RUNTIME_DIR", "/run/user/1000"}, {"PATH", "/usr/local/bin:/usr/bin"}},
         {"/usr/bin/Xvfb"},
         "unix:path=/run/user/1000/bus"},
        {"a runtime folder with a space is escaped",
         {{"XDG_RUNTIME_DIR", "/tmp/run time"}, {"PATH", "/usr/bin"}},
         {},
         "unix:path=/tmp/run%20time/bus"},
        {"no PATH at all", {{"XDG_RUNTIME_DIR", "/run/user/7"}}, {}, "unix:path=/run/user/7/bus"},
        {"an address is set",
         {{"DBUS_SESSION_BUS_ADDRESS", "unix:path=/elsewhere"},
          {"XDG_RUNTIME_DIR", "/run/user/1000"},
          {"PATH", "/usr/bin"}},
         {},
         std::nullopt},
        {"dbus-launch may autolaunch one",
         {{"XDG_RUNTIME_DIR", "/run/user/1000"}, {"PATH", "/usr/local/bin::/usr/bin"}},
         {"/usr/bin/dbus-launch"},
         std::nullopt},
        {"no runtime folder", {{"PATH", "/usr/bin"}}, {}, std::nullopt},
        {"a relative runtime folder",
         {{"XDG_RUNTIME_DIR", "run/user"}, {"PATH", "/usr/bin"}},
         {},
         std::nullopt},
        {"an empty address counts as none",
         {{"DBUS_SESSION_BUS_ADDRESS", ""}, {"XDG_RUNTIME_DIR", "/run/user/1"}, {"PATH", "/bin"}},
         {},
         "unix:path=/run/user/1/bus"},
    };
    for (const auto& c : cases) {
        const EnvironmentLookup environment = [&](const char* name) -> const char* {
            const auto found = c.environment.find(name);
            return found == c.environment.end() ? nullptr : found->second.c_str();
        };
        const auto isExecutable = [&](const std::string& path) {
            return c.executables.count(path) != 0;
        };
        EXPECT_EQ(SessionBusAddressWithoutAutolaunch(environment, isExecutable), c.address)
            << c.name;
    }
}

}  // namespace
}  // namespace kelno
