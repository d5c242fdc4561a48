// The desktop-settings backend on GSettings' in-memory backend (never dconf:
// it needs a session bus), read back through GSettings; the missing-schema
// path in a child process with no schemas at all; and how several backends'
// answers combine.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/debug_output.h"
#include "platform/linux/linux_input_settings.h"
#include "platform/sim/recording_input_settings.h"
#include "support/temp_folder.h"

namespace kelno::input_settings {
namespace {

bool SchemaInstalled(const char* id) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
    if (schema) g_settings_schema_unref(schema);
    return schema != nullptr;
}

class DesktopInputSettingsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // Before anything touches GIO: its default backend is picked once.
        setenv("GSETTINGS_BACKEND", "memory", 1);
    }
    void SetUp() override {
        if (!SchemaInstalled(kMouseSchema) || !SchemaInstalled(kKeyboardSchema)) {
            GTEST_SKIP() << "the desktop peripherals schemas are not installed";
        }
    }

    // The value a reader of the desktop settings now sees.
    static std::string Read(const char* schema, const char* key) {
        GSettings* settings = g_settings_new(schema);
        GVariant* value = g_settings_get_value(settings, key);
        gchar* text = g_variant_print(value, TRUE);
        std::string result = text;
        g_free(text);
        g_variant_unref(value);
        g_object_unref(settings);
        return result;
    }
};

TEST_F(DesktopInputSettingsTest, EachSettingReachesItsKeyInTheDesktopsUnits) {
    struct Case {
        const char* what;
        std::function<Outcome(DesktopInputSettings&)> apply;
        const char* schema;
        const char* key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"fast pointer", [](auto& s) { return s.SetPointerSpeed(15); }, kMouseSchema, "speed",
         "0.5"},
        {"fastest pointer", [](auto& s) { return s.SetPointerSpeed(20); }, kMouseSchema, "speed",
         "1.0"},
        {"slow pointer", [](auto& s) { return s.SetPointerSpeed(5); }, kMouseSchema, "speed",
         "-0.5"},
        {"precision off", [](auto& s) { return s.SetPointerPrecision(false); }, kMouseSchema,
         "accel-profile", "'flat'"},
        {"precision on again", [](auto& s) { return s.SetPointerPrecision(true); }, kMouseSchema,
         "accel-profile", "'default'"},
        {"double click", [](auto& s) { return s.SetDoubleClickTime(300); }, kMouseSchema,
         "double-click", "300"},
        {"fastest repeat", [](auto& s) { return s.SetKeyRepeatRate(31); }, kKeyboardSchema,
         "repeat-interval", "uint32 33"},
        {"slowest repeat", [](auto& s) { return s.SetKeyRepeatRate(0); }, kKeyboardSchema,
         "repeat-interval", "uint32 400"},
        {"long delay", [](auto& s) { return s.SetKeyRepeatDelay(3); }, kKeyboardSchema, "delay",
         "uint32 1000"},
        {"short delay", [](auto& s) { return s.SetKeyRepeatDelay(0); }, kKeyboardSchema, "delay",
         "uint32 250"},
    };
    DesktopInputSettings settings;
    for (const Case& c : cases) {
        EXPECT_EQ(c.apply(settings), Outcome::Applied) << c.what;
        EXPECT_EQ(Read(c.schema, c.key), c.expected) << c.what;
    }
}

TEST_F(DesktopInputSettingsTest, WheelLinesAreNotADesktopSetting) {
    DesktopInputSettings settings;
    EXPECT_EQ(settings.SetWheelLines(3), Outcome::NotSupported);
    EXPECT_EQ(settings.SetWheelLines(255), Outcome::NotSupported);
}

TEST(DesktopInputSettingsWithoutSchemas, EverySettingIsNotSupportedInsteadOfAborting) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a child: the schema folders are read once per process.
    EXPECT_EXIT(
        {
            bool allNotSupported = true;
            {
                test::TempFolder empty;
                setenv("GSETTINGS_BACKEND", "memory", 1);
                setenv("GSETTINGS_SCHEMA_DIR", empty.Path().c_str(), 1);
                setenv("XDG_DATA_DIRS", empty.Path().c_str(), 1);
                setenv("XDG_DATA_HOME", empty.Path().c_str(), 1);
                DesktopInputSettings settings;
                for (Outcome outcome :
                     {settings.SetPointerSpeed(15), settings.SetPointerPrecision(false),
                      settings.SetWheelLines(3), settings.SetDoubleClickTime(300),
                      settings.SetKeyRepeatRate(31), settings.SetKeyRepeatDelay(2)}) {
                    allNotSupported = allNotSupported && outcome == Outcome::NotSupported;
                }
            }
            std::exit(allNotSupported ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// ---------------------------------------------------------------------------

TEST(CombinedInputSettings, AppliedWhenAnyBackendAppliedFailedOnlyWhenNoneDid) {
    struct Case {
        std::vector<Outcome> backends;
        Outcome combined;
    };
    const std::vector<Case> cases = {
        {{Outcome::Applied, Outcome::Failed}, Outcome::Applied},
        {{Outcome::Failed, Outcome::Applied}, Outcome::Applied},
        {{Outcome::NotSupported, Outcome::Applied}, Outcome::Applied},
        {{Outcome::Failed, Outcome::NotSupported}, Outcome::Failed},
        {{Outcome::Failed, Outcome::Failed}, Outcome::Failed},
        {{Outcome::NotSupported, Outcome::NotSupported}, Outcome::NotSupported},
        {{}, Outcome::NotSupported},
    };
    for (const Case& c : cases) {
        std::vector<std::unique_ptr<IInputSettings>> backends;
        std::vector<sim::RecordingInputSettings*> recorders;
        for (Outcome outcome : c.backends) {
            auto backend = std::make_unique<sim::RecordingInputSettings>();
            backend->SetOutcome(Setting::KeyRepeatRate, outcome);
            recorders.push_back(backend.get());
            backends.push_back(std::move(backend));
        }
        CombinedInputSettings combined(std::move(backends));
        EXPECT_EQ(combined.SetKeyRepeatRate(7), c.combined) << "case " << (&c - cases.data());
        // Every backend gets the value, also after one has applied it.
        for (const auto* recorder : recorders) {
            EXPECT_EQ(
                recorder->Calls(),
                (std::vector<sim::RecordingInputSettings::Call>{{Setting::KeyRepeatRate, 7}}));
        }
    }
}

TEST(CombinedInputSettings, UnsupportedWheelLinesLeaveADebugLine) {
    std::vector<std::unique_ptr<IInputSettings>> backends;
    auto backend = std::make_unique<sim::RecordingInputSettings>();
    backend->SetOutcome(Setting::WheelLines, Outcome::NotSupported);
    backends.push_back(std::move(backend));
    CombinedInputSettings combined(std::move(backends));

    ScopedDebugCapture capture;
    EXPECT_EQ(combined.SetWheelLines(255), Outcome::NotSupported);
    const std::vector<std::string> lines = capture.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("wheel"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("255"), std::string::npos) << lines[0];
}

// ---------------------------------------------------------------------------

TEST(SessionKind, XCallsOnlyWhereTheDisplayIsAnXServer) {
    struct Case {
        const char* display;
        const char* waylandDisplay;
        const char* sessionType;
        bool x;
    };
    // Under Wayland, X settings would reach only the compatibility server.
    const std::vector<Case> cases = {
        {":0", nullptr, "x11", true},          {":0", nullptr, nullptr, true},
        {":0", "wayland-0", "wayland", false}, {":0", "wayland-0", nullptr, false},
        {":0", nullptr, "wayland", false},     {nullptr, nullptr, "x11", false},
        {"", nullptr, "x11", false},           {":1", "", "tty", true},
    };
    const auto setOrUnset = [](const char* name, const char* value) {
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    };
    // Put back afterwards: the X tests of this process may need $DISPLAY.
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    for (const Case& c : cases) {
        setOrUnset("DISPLAY", c.display);
        setOrUnset("WAYLAND_DISPLAY", c.waylandDisplay);
        setOrUnset("XDG_SESSION_TYPE", c.sessionType);
        EXPECT_EQ(IsXSession(), c.x) << "case " << (&c - cases.data());
    }
    for (const auto& [name, value] : saved) setOrUnset(name, value ? value->c_str() : nullptr);
}

}  // namespace
}  // namespace kelno::input_settings
