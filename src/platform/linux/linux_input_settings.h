#pragma once
// The Linux backends of the OS input settings: the desktop's settings
// (GSettings, read by GNOME and the toolkits on X and Wayland) and, where
// the display is X, the X server's own pointer acceleration and key repeat.

#include <memory>
#include <string>
#include <vector>

#include "platform/input_settings/input_settings.h"

typedef struct _GSettings GSettings;
typedef struct _GSettingsSchema GSettingsSchema;
typedef struct _GVariant GVariant;

namespace kelno::input_settings {

inline constexpr const char* kMouseSchema = "org.gnome.desktop.peripherals.mouse";
inline constexpr const char* kKeyboardSchema = "org.gnome.desktop.peripherals.keyboard";

// GSettings `org.gnome.desktop.peripherals.mouse` and `.keyboard`. A schema
// that is not installed makes its settings NotSupported (creating settings
// for a missing schema would abort the process).
class DesktopInputSettings : public IInputSettings {
  public:
    DesktopInputSettings();
    ~DesktopInputSettings() override;
    DesktopInputSettings(const DesktopInputSettings&) = delete;
    DesktopInputSettings& operator=(const DesktopInputSettings&) = delete;

    Outcome SetPointerSpeed(int speed) override;
    Outcome SetPointerPrecision(bool enhanced) override;
    Outcome SetWheelLines(int lines) override;
    Outcome SetDoubleClickTime(int milliseconds) override;
    Outcome SetKeyRepeatRate(int rate) override;
    Outcome SetKeyRepeatDelay(int delay) override;

  private:
    struct Schema {
        GSettingsSchema* schema = nullptr;  // null when not installed
        GSettings* settings = nullptr;      // made on first write, by the writing thread
    };
    // Takes `value` (floating or not); NotSupported when the key is missing.
    Outcome Write(Schema& schema, const char* key, GVariant* value);
    GSettings* Writable(Schema& schema, const char* key);

    Schema mouse_;
    Schema keyboard_;
};

// The X server's pointer control and XKB auto-repeat, through a connection
// of this backend's own opened for each call (never the toolkit's). X has
// no wheel-lines or double-click setting of its own.
class X11InputSettings : public IInputSettings {
  public:
    // An empty name means $DISPLAY.
    explicit X11InputSettings(std::string displayName);

    Outcome SetPointerSpeed(int speed) override;
    Outcome SetPointerPrecision(bool enhanced) override;
    Outcome SetWheelLines(int lines) override;
    Outcome SetDoubleClickTime(int milliseconds) override;
    Outcome SetKeyRepeatRate(int rate) override;
    Outcome SetKeyRepeatDelay(int delay) override;

  private:
    // X holds speed and precision as one acceleration; both are remembered.
    Outcome ApplyAcceleration();
    Outcome ApplyRepeat();

    std::string displayName_;
    int speed_;
    bool precision_ = true;
    int repeatRate_;
    int repeatDelay_;
};

// Several backends as one: Applied when any applied the value, Failed when
// none did and at least one failed, else NotSupported.
class CombinedInputSettings : public IInputSettings {
  public:
    explicit CombinedInputSettings(std::vector<std::unique_ptr<IInputSettings>> backends);

    Outcome SetPointerSpeed(int speed) override;
    Outcome SetPointerPrecision(bool enhanced) override;
    Outcome SetWheelLines(int lines) override;
    Outcome SetDoubleClickTime(int milliseconds) override;
    Outcome SetKeyRepeatRate(int rate) override;
    Outcome SetKeyRepeatDelay(int delay) override;

  private:
    template <typename Call>
    Outcome Each(Call call);

    std::vector<std::unique_ptr<IInputSettings>> backends_;
};

// Whether the session's display is an X server (not Wayland, where X
// settings would reach only the X compatibility server).
bool IsXSession();

// The desktop settings, plus X where the session is X.
std::unique_ptr<IInputSettings> MakeLinuxInputSettings();

}  // namespace kelno::input_settings
