#pragma once
// The main window's message ids. The numbers other Parts of the program
// post or send are kept as they are; the messages that came from other
// programs (the identity, light-control and power messages) get ids of our
// own, since on this platform they arrive through a socket, D-Bus and logind.

#include <cstdint>

namespace kelno::app {

inline constexpr uint32_t kMsgInputHook = 1054;    // wParam 1 start, 0 stop
inline constexpr uint32_t kMsgMenuCommand = 1145;  // wParam: the command (std::string)
inline constexpr uint32_t kMsgDpiNotice = 1224;
inline constexpr uint32_t kMsgShowSettingProgress = 3072;
inline constexpr uint32_t kMsgApplyLanguage = 3089;  // wParam: language index
inline constexpr uint32_t kMsgDeviceArrival = 3090;  // wParam: slot index
inline constexpr uint32_t kMsgDeviceRemoval = 3091;  // wParam: slot index
inline constexpr uint32_t kMsgOpenSettings = 3093;
inline constexpr uint32_t kMsgClearUpdateMarker = 3094;
inline constexpr uint32_t kMsgDeviceProfile = 3328;
inline constexpr uint32_t kMsgDevicePower = 3329;

// A second start or the detection thread's first pass: show the window.
inline constexpr uint32_t kMsgIdentity = 0xC000;
// Another program asks us to take (lParam 1) or release (0) the lighting.
inline constexpr uint32_t kMsgLightControlRequest = 0xC002;
// The machine suspends (wParam 1) or resumes (wParam 0).
inline constexpr uint32_t kMsgPowerBroadcast = 0xC003;
// The input settings worker applied a value: wParam the setting, lParam the
// outcome (input_settings enums).
inline constexpr uint32_t kMsgInputSettingOutcome = 0xC004;
// The skin picker closed with a pick: wParam the CSkinFrame::Pick.
inline constexpr uint32_t kMsgSkinPicked = 0xC005;
// A damaged file was kept as a backup (any thread posts it): the window
// names the files it has not named yet.
inline constexpr uint32_t kMsgFilesKeptAside = 0xC006;

// Window timers of the main window.
inline constexpr uint32_t kTimerSizeNormalise = 1011;
inline constexpr uint32_t kTimerTrayMenu = 1032;
inline constexpr uint32_t kTimerProfileSwitch = 1055;
// Shows the panels' notices: a timer of its own, so that the modal loop of
// the message box holds up no task queued behind the event that found them.
inline constexpr uint32_t kTimerNotices = 1060;

// The identity of the single-instance lock.
inline constexpr const char* kInstanceIdentity = "KELNO 742";
inline constexpr const char* kApplicationTitle = "KELNO Driver";

}  // namespace kelno::app
