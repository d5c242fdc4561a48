#pragma once
// The rule for replacing a stored file whose content could not be used:
// what the user had is kept as "<file>.bak" first, and a file whose content
// is unknown (it could not be read) is never replaced at all.

#include <json/value.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "core/json_file.h"

namespace kelno {

// "<file>.bak" becomes a second name of the file as it is now (a hard link;
// a copy where the filesystem has none). A symbolic link is kept as the
// link, never as a copy of what it points to. True when the backup exists
// afterwards, or when there is nothing to keep (no file, an empty file).
// Each backup made is noted in BackupRecord::Process(), so the user is told.
bool KeepBackup(const std::filesystem::path& file);

// Asked before a file's content is replaced, with what reading it found (a
// caller that read the file but cannot use its shape passes Damaged). True
// when the caller may write: the file was read or is missing, or it was
// damaged and is now kept as a backup. False for a file that could not be
// read or backed up: the caller keeps working from memory.
bool MayReplace(const std::filesystem::path& file, FileReadStatus status);

// Reads a JSON file that is about to be changed and written back whole.
// Content that is not JSON, or JSON that `fits` refuses, counts as damaged.
// Gives the tree to change (the file's object, wrong members and all, or an
// empty object when it held none), or nothing when the file must not be
// replaced (MayReplace said no).
std::optional<Json::Value> ReadForReplacing(const std::filesystem::path& file,
                                            const std::function<bool(const Json::Value&)>& fits);

}  // namespace kelno
