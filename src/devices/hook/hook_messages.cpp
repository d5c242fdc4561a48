#include "devices/hook/hook_messages.h"

#include <array>

namespace kelno::hook {
namespace {

struct ModeRow {
    int32_t mode;
    uint32_t keyMessage;
    std::optional<uint32_t> mouseMessage;
};

constexpr std::array<ModeRow, 9> kModes = {{
    {kModeSingleKey, kMsgKeySingleKey, std::nullopt},
    {kModeHitKey, kMsgKeyHitKey, std::nullopt},
    {kModeRecord, kMsgKeyMacro, kMsgMouseMacro},
    {kModeInsertBefore, kMsgKeyMacroPrevious, kMsgMouseMacroPrevious},
    {kModeInsertAfter, kMsgKeyMacroLater, kMsgMouseMacroLater},
    {kModeReplace, kMsgKeyMacroSingle, kMsgMouseMacroSingle},
    {256, kMsgMouseSingleKey, std::nullopt},
    {512, kMsgMouseHitKey, std::nullopt},
    {1024, kMsgMouseKeyMacro, std::nullopt},
}};

const ModeRow* FindMode(int32_t mode) {
    for (const ModeRow& row : kModes)
        if (row.mode == mode) return &row;
    return nullptr;
}

}  // namespace

bool ModeTakesMouse(int32_t mode) {
    const ModeRow* row = FindMode(mode);
    return row && row->mouseMessage.has_value();
}

std::optional<uint32_t> HookMessageFor(int32_t mode, bool mouse) {
    const ModeRow* row = FindMode(mode);
    if (!row) return std::nullopt;
    return mouse ? row->mouseMessage : std::optional<uint32_t>(row->keyMessage);
}

int32_t MacroModeOfMessage(uint32_t message) {
    for (const ModeRow& row : kModes)
        if (row.mouseMessage && (row.keyMessage == message || *row.mouseMessage == message))
            return row.mode;
    return 0;
}

}  // namespace kelno::hook
