#include "platform/linux/linux_input_settings.h"

#include <gio/gio.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

#include <cstdlib>
#include <string_view>
#include <utility>

#include "core/debug_output.h"
#include "platform/input_settings/input_settings_units.h"

namespace kelno::input_settings {

namespace {

GSettingsSchema* LookUpSchema(const char* id) {
    // No schema source at all when no schemas are installed.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
    if (!schema) DebugOutputF("desktop settings: schema %s is not installed", id);
    return schema;
}

constexpr const char* kFlatProfile = "flat";
constexpr const char* kDefaultProfile = "default";

}  // namespace

// ---------------------------------------------------------------------------

DesktopInputSettings::DesktopInputSettings() {
    mouse_.schema = LookUpSchema(kMouseSchema);
    keyboard_.schema = LookUpSchema(kKeyboardSchema);
}

DesktopInputSettings::~DesktopInputSettings() {
    for (Schema* schema : {&mouse_, &keyboard_}) {
        if (schema->settings) g_object_unref(schema->settings);
        if (schema->schema) g_settings_schema_unref(schema->schema);
    }
}

GSettings* DesktopInputSettings::Writable(Schema& schema, const char* key) {
    // An older schema may lack a key; asking for it would abort too.
    if (!schema.schema || !g_settings_schema_has_key(schema.schema, key)) return nullptr;
    if (!schema.settings) schema.settings = g_settings_new_full(schema.schema, nullptr, nullptr);
    return schema.settings;
}

Outcome DesktopInputSettings::Write(Schema& schema, const char* key, GVariant* value) {
    g_variant_ref_sink(value);
    GSettings* settings = Writable(schema, key);
    bool written = false;
    if (settings) {
        // GSettings only warns about a value of the wrong type or outside the
        // key's range; it is refused here instead.
        GSettingsSchemaKey* schemaKey = g_settings_schema_get_key(schema.schema, key);
        written = g_variant_is_of_type(value, g_settings_schema_key_get_value_type(schemaKey)) &&
                  g_settings_schema_key_range_check(schemaKey, value) &&
                  g_settings_set_value(settings, key, value);
        g_settings_schema_key_unref(schemaKey);
        g_settings_sync();
    }
    g_variant_unref(value);
    if (!settings) return Outcome::NotSupported;
    return written ? Outcome::Applied : Outcome::Failed;
}

Outcome DesktopInputSettings::SetPointerSpeed(int speed) {
    return Write(mouse_, "speed", g_variant_new_double(DesktopPointerSpeed(speed)));
}

Outcome DesktopInputSettings::SetPointerPrecision(bool enhanced) {
    // By nick: the enum's numbers are the schema's business.
    return Write(mouse_, "accel-profile",
                 g_variant_new_string(enhanced ? kDefaultProfile : kFlatProfile));
}

Outcome DesktopInputSettings::SetWheelLines(int) {
    return Outcome::NotSupported;
}

Outcome DesktopInputSettings::SetDoubleClickTime(int milliseconds) {
    return Write(mouse_, "double-click", g_variant_new_int32(milliseconds > 0 ? milliseconds : 1));
}

Outcome DesktopInputSettings::SetKeyRepeatRate(int rate) {
    return Write(keyboard_, "repeat-interval",
                 g_variant_new_uint32(static_cast<uint32_t>(RepeatIntervalMs(rate))));
}

Outcome DesktopInputSettings::SetKeyRepeatDelay(int delay) {
    return Write(keyboard_, "delay",
                 g_variant_new_uint32(static_cast<uint32_t>(RepeatDelayMs(delay))));
}

// ---------------------------------------------------------------------------

namespace {

void OnDisplayIoError(Display*, void* brokenFlag) {
    *static_cast<bool*>(brokenFlag) = true;
}

// One short-lived connection: nothing is shared with the toolkit's, so the
// worker thread never races it.
class XConnection {
  public:
    explicit XConnection(const std::string& name)
        : display_(XOpenDisplay(name.empty() ? nullptr : name.c_str())) {
        if (!display_) {
            DebugOutputF("OS input settings: cannot open display '%s'", name.c_str());
            return;
        }
        // A server that goes away must cost this call, not the process.
        XSetIOErrorExitHandler(display_, &OnDisplayIoError, &broken_);
    }
    ~XConnection() {
        if (display_) XCloseDisplay(display_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    Display* Get() const { return display_; }
    bool Broken() const { return broken_; }

  private:
    Display* display_;
    bool broken_ = false;
};

}  // namespace

X11InputSettings::X11InputSettings(std::string displayName)
    : displayName_(std::move(displayName)),
      speed_(kNeutralPointerSpeed),
      repeatRate_(kMaxKeyRepeatRate),
      repeatDelay_(1) {}

Outcome X11InputSettings::ApplyAcceleration() {
    XConnection connection(displayName_);
    Display* display = connection.Get();
    if (!display) return Outcome::Failed;
    const PointerAcceleration wanted = XPointerAcceleration(speed_, precision_);
    XChangePointerControl(display, True, True, wanted.numerator, wanted.denominator,
                          wanted.threshold);
    // Read back: a refused request is reported as an error event, not a result.
    PointerAcceleration actual;
    XGetPointerControl(display, &actual.numerator, &actual.denominator, &actual.threshold);
    if (connection.Broken()) return Outcome::Failed;
    return actual == wanted ? Outcome::Applied : Outcome::Failed;
}

Outcome X11InputSettings::ApplyRepeat() {
    XConnection connection(displayName_);
    Display* display = connection.Get();
    if (!display) return Outcome::Failed;
    int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        DebugOutput("OS input settings: the display has no XKB");
        return Outcome::NotSupported;
    }
    const auto delay = static_cast<unsigned>(RepeatDelayMs(repeatDelay_));
    const auto interval = static_cast<unsigned>(RepeatIntervalMs(repeatRate_));
    if (!XkbSetAutoRepeatRate(display, XkbUseCoreKbd, delay, interval)) return Outcome::Failed;
    unsigned actualDelay = 0, actualInterval = 0;
    const bool read = XkbGetAutoRepeatRate(display, XkbUseCoreKbd, &actualDelay, &actualInterval);
    if (connection.Broken() || !read) return Outcome::Failed;
    return actualDelay == delay && actualInterval == interval ? Outcome::Applied : Outcome::Failed;
}

Outcome X11InputSettings::SetPointerSpeed(int speed) {
    speed_ = speed;
    return ApplyAcceleration();
}

Outcome X11InputSettings::SetPointerPrecision(bool enhanced) {
    precision_ = enhanced;
    return ApplyAcceleration();
}

Outcome X11InputSettings::SetWheelLines(int) {
    return Outcome::NotSupported;
}

// Double-click time is each toolkit's own setting on X (read from the
// desktop settings); the server has none.
Outcome X11InputSettings::SetDoubleClickTime(int) {
    return Outcome::NotSupported;
}

Outcome X11InputSettings::SetKeyRepeatRate(int rate) {
    repeatRate_ = rate;
    return ApplyRepeat();
}

Outcome X11InputSettings::SetKeyRepeatDelay(int delay) {
    repeatDelay_ = delay;
    return ApplyRepeat();
}

// ---------------------------------------------------------------------------

CombinedInputSettings::CombinedInputSettings(std::vector<std::unique_ptr<IInputSettings>> backends)
    : backends_(std::move(backends)) {}

template <typename Call>
Outcome CombinedInputSettings::Each(Call call) {
    bool applied = false, failed = false;
    for (const auto& backend : backends_) {
        if (!backend) continue;
        const Outcome outcome = call(*backend);
        applied = applied || outcome == Outcome::Applied;
        failed = failed || outcome == Outcome::Failed;
    }
    if (applied) return Outcome::Applied;
    return failed ? Outcome::Failed : Outcome::NotSupported;
}

Outcome CombinedInputSettings::SetPointerSpeed(int speed) {
    return Each([&](IInputSettings& backend) { return backend.SetPointerSpeed(speed); });
}

Outcome CombinedInputSettings::SetPointerPrecision(bool enhanced) {
    return Each([&](IInputSettings& backend) { return backend.SetPointerPrecision(enhanced); });
}

Outcome CombinedInputSettings::SetWheelLines(int lines) {
    const Outcome outcome =
        Each([&](IInputSettings& backend) { return backend.SetWheelLines(lines); });
    if (outcome == Outcome::NotSupported) {
        DebugOutputF("OS input settings: no wheel-lines setting here; %d lines stay in the profile",
                     lines);
    }
    return outcome;
}

Outcome CombinedInputSettings::SetDoubleClickTime(int milliseconds) {
    return Each([&](IInputSettings& backend) { return backend.SetDoubleClickTime(milliseconds); });
}

Outcome CombinedInputSettings::SetKeyRepeatRate(int rate) {
    return Each([&](IInputSettings& backend) { return backend.SetKeyRepeatRate(rate); });
}

Outcome CombinedInputSettings::SetKeyRepeatDelay(int delay) {
    return Each([&](IInputSettings& backend) { return backend.SetKeyRepeatDelay(delay); });
}

// ---------------------------------------------------------------------------

bool IsXSession() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    if (wayland && *wayland) return false;
    return !type || std::string_view(type) != "wayland";
}

std::unique_ptr<IInputSettings> MakeLinuxInputSettings() {
    std::vector<std::unique_ptr<IInputSettings>> backends;
    backends.push_back(std::make_unique<DesktopInputSettings>());
    if (IsXSession()) backends.push_back(std::make_unique<X11InputSettings>(std::string()));
    return std::make_unique<CombinedInputSettings>(std::move(backends));
}

}  // namespace kelno::input_settings
