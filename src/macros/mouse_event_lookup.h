#pragma once
// Mouse events made from window-message codes of the mouse event table, for
// the recorder and for actions inserted by hand.

#include <cstdint>
#include <optional>

#include "macros/macro_event.h"

namespace kelno {

namespace mouse_message {
inline constexpr uint16_t kLeftDown = 0x0201;
inline constexpr uint16_t kLeftUp = 0x0202;
inline constexpr uint16_t kRightDown = 0x0204;
inline constexpr uint16_t kRightUp = 0x0205;
inline constexpr uint16_t kMiddleDown = 0x0207;
inline constexpr uint16_t kMiddleUp = 0x0208;
inline constexpr uint16_t kExtraDown = 0x020B;
inline constexpr uint16_t kExtraUp = 0x020C;
inline constexpr uint16_t kMove = 0x0200;
}  // namespace mouse_message

// Which of the two extra buttons an extra-button message means.
enum class ExtraMouseButton { Back, Forward };

enum class PointerMoveDirection { Left, Right, Up, Down };

// The button event of a button message (delay 0); nothing for any other
// message. `extra` only matters for the extra-button messages.
std::optional<MacroEvent> MouseButtonEvent(uint16_t message, ExtraMouseButton extra);

// A relative pointer move; the distance is clamped to 0..255 counts rather
// than cut to a byte, so 300 moves 255 and never 44.
MacroEvent PointerMoveEvent(PointerMoveDirection direction, long distance);

}  // namespace kelno
