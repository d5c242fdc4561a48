#pragma once
// Language text ids of the messages the panels and the main window show in
// the message box. Every language file holds a text for each of them.

#include <array>

namespace kelno::texts {

inline constexpr const char* kNameTaken = "message_text_5";
inline constexpr const char* kMacroInUseQuestion = "message_text_2";
inline constexpr const char* kMacroDeleteQuestion = "message_text_4";
inline constexpr const char* kMacroMemoryMissing = "message_text_7";
inline constexpr const char* kMacroTooLarge = "message_text_16";
inline constexpr const char* kResetQuestion = "message_text_22";
// The last key of a mouse that acts as its left button cannot be reassigned.
inline constexpr const char* kLastLeftButton = "message_text_6";
inline constexpr const char* kExportFailed = "message_text_export_failed";
inline constexpr const char* kImportFailed = "message_text_import_failed";
// A change to the profile could not be saved; the window shows what is stored.
inline constexpr const char* kSaveFailed = "message_text_save_failed";
// The profile list could not be written: nothing was added, copied, deleted
// or renamed.
inline constexpr const char* kListSaveFailed = "message_text_list_save_failed";
// Renamed in the list; the profile's own file still holds the old name.
inline constexpr const char* kRenameFileNotWritten = "message_text_rename_file_failed";
// The device did not take the key map: the keys work as before on it.
inline constexpr const char* kKeyMapWriteFailed = "message_text_keymap_write_failed";
// More macros or events than a device plays: nothing was sent.
inline constexpr const char* kMacrosBeyondLimits = "message_text_macros_beyond_limits";
// A recoil preset has no default copy to reset from; the user's is kept.
inline constexpr const char* kRecoilDefaultMissing = "message_text_recoil_default_missing";
// A recoil shot could not be written; the panel shows what the file holds.
inline constexpr const char* kRecoilNotSaved = "message_text_recoil_not_saved";
// A custom equaliser curve could not be saved; the panel shows what is stored.
inline constexpr const char* kEqCurveNotSaved = "message_text_eq_curve_not_saved";
// A new custom curve has no place: the list holds 20 already.
inline constexpr const char* kEqCurvesFull = "message_text_eq_curves_full";
// The keyboard refused the macros.
inline constexpr const char* kMacroWriteFailed = "message_text_macro_write_failed";
// A file could not be read and is left alone: the program works on, but
// changes to it are not saved.
inline constexpr const char* kKeptInMemoryOnly = "message_text_in_memory_only";
// The chosen language is in use but could not be stored for the next start.
inline constexpr const char* kLanguageNotSaved = "message_text_language_not_saved";
// Damaged files kept beside themselves as backups (the window lists them),
// and the line that counts those beyond the list.
inline constexpr const char* kFilesKeptAside = "message_text_files_kept_aside";
inline constexpr const char* kFilesKeptAsideMore = "message_text_files_kept_aside_more";

// The macro editor: the library index could not be read (left alone) or
// is damaged (kept beside it as .bak), a macro's actions or the index could
// not be written, a file could not be copied, an import source is no macro,
// a macro without a saved file, the action limit, and profiles a delete
// could not update.
inline constexpr const char* kMacroIndexUnreadable = "message_text_macro_index_unreadable";
inline constexpr const char* kMacroIndexDamaged = "message_text_macro_index_damaged";
inline constexpr const char* kMacroSaveFailed = "message_text_macro_save_failed";
inline constexpr const char* kMacroListSaveFailed = "message_text_macro_list_save_failed";
inline constexpr const char* kMacroCopyFailed = "message_text_macro_copy_failed";
inline constexpr const char* kMacroImportInvalid = "message_text_macro_import_invalid";
inline constexpr const char* kMacroNothingToExport = "message_text_macro_nothing_to_export";
inline constexpr const char* kMacroTooManyActions = "message_text_macro_too_many_actions";
inline constexpr const char* kMacroProfilesNotUpdated = "message_text_macro_profiles_not_updated";
// A recording reached the action limit and stopped there.
inline constexpr const char* kMacroRecordingFull = "message_text_macro_recording_full";

inline constexpr std::array kAll = {kNameTaken,
                                    kLastLeftButton,
                                    kMacroMemoryMissing,
                                    kMacroTooLarge,
                                    kResetQuestion,
                                    kExportFailed,
                                    kImportFailed,
                                    kSaveFailed,
                                    kListSaveFailed,
                                    kRenameFileNotWritten,
                                    kMacroWriteFailed,
                                    kKeptInMemoryOnly,
                                    kLanguageNotSaved,
                                    kFilesKeptAside,
                                    kFilesKeptAsideMore,
                                    kKeyMapWriteFailed,
                                    kMacrosBeyondLimits,
                                    kMacroInUseQuestion,
                                    kMacroDeleteQuestion,
                                    kMacroIndexUnreadable,
                                    kMacroIndexDamaged,
                                    kMacroSaveFailed,
                                    kMacroListSaveFailed,
                                    kMacroCopyFailed,
                                    kMacroImportInvalid,
                                    kMacroNothingToExport,
                                    kMacroTooManyActions,
                                    kMacroProfilesNotUpdated,
                                    kMacroRecordingFull,
                                    kRecoilDefaultMissing,
                                    kRecoilNotSaved,
                                    kEqCurveNotSaved,
                                    kEqCurvesFull};

}  // namespace kelno::texts
