#pragma once
// The keys that can be captured from the physical keyboard for a key
// assignment: rows 0-112 of the keyboard default name table (the eight
// modifiers first, then the ordinary keys), each with the PC set-1 scan code
// and E0 ("extended") flag an input capture reports for it. Capture row i is
// name-table row i; this table adds only the codes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "keys/key_names.h"

namespace kelno::keyboard {

inline constexpr size_t kCaptureRowCount = 113;
inline constexpr size_t kModifierRowCount = 8;  // rows 0-7: LCtrl .. RWin

struct ScanCode {
    uint8_t code = 0;
    bool extended = false;  // reported with the E0 prefix
    bool operator==(const ScanCode&) const = default;
};

// One scan code per capture row, in row order.
std::span<const ScanCode, kCaptureRowCount> CaptureScanCodes();

// The name-table row (type 0x20, modifier bit, usage, name) of capture row
// `row`; null for a row number outside the table.
const KeyNameRow* CaptureRowKey(size_t row);

// The capture row of a reported key; none for a key the table lacks.
std::optional<size_t> FindCaptureRow(uint8_t scanCode, bool extended);

}  // namespace kelno::keyboard
