#pragma once
// Key assignments that play a macro name it by its position in the macro
// index, so deleting a macro shifts every later macro down by one. This
// keeps the assignments pointing at the same macros: in a key list held in
// memory, and in every profile file of the device.

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "profiles/profile_records.h"

namespace kelno {

// The assignment types (high byte) that play a macro; the middle byte is
// the macro's index.
inline constexpr uint8_t kPlayMacroAssignment = 0x70;
inline constexpr uint8_t kPlayMacroWhileHeldAssignment = 0x71;

bool PlaysMacro(const KeyAssignment& assignment);

struct MacroRemap {
    std::vector<KeyAssignmentPair> keys;  // the list after the change
    bool changed = false;
    // Key positions that played the deleted macro: the editor asks before
    // deleting a macro in use. They fall back to their default assignment.
    std::vector<uint16_t> usersOfDeleted;
};

// The keys after macro `deletedIndex` is deleted: a key that played it gets
// its default assignment (all three bytes), a key that played a later macro
// plays the same macro at its new index. Nothing changes for a negative index.
MacroRemap RemapAfterMacroDeleted(std::span<const KeyAssignmentPair> keys, int deletedIndex);

struct ProfileRemapReport {
    std::vector<std::filesystem::path> rewritten;
    // Could not be read, are damaged, or could not be written: they still
    // name the old indexes.
    std::vector<std::filesystem::path> leftAlone;
};

// Applies RemapAfterMacroDeleted to the key list of device node `deviceIndex`
// in every profile the device folder's profile list names, except
// `handledInMemory` (the open profile, which its owner saves). A file is
// rewritten only when something in it changed.
ProfileRemapReport RemapMacroAssignmentsInProfiles(const std::filesystem::path& deviceFolder,
                                                   int deletedIndex,
                                                   const std::filesystem::path& handledInMemory,
                                                   int deviceIndex = 0);

}  // namespace kelno
