#pragma once
// The paint manager's font table, rebuilt with one face when the language
// changes (all fonts shared, none italic).

#include <string>

namespace kelno::skin {
class CPaintManagerUI;
}

namespace kelno::app {

// The face of the rebuilt table; fontconfig falls back per script (CJK,
// Thai) for glyphs the face lacks.
inline constexpr const char* kUiFontFace = "Noto Sans";

// Whether a change from language index `current` (-1: none yet) to `next`
// rebuilds the table: only when the index changes and either the new index
// is 0, 1, 2 or 15 or the old one is -1, 0, 2 or 15.
bool FontTableNeedsRebuild(int current, int next);

// Removes every shared and private font of `manager`, then adds font 0, the
// default font, fonts 1 to 11 and font 50, all shared.
void RebuildFontTable(skin::CPaintManagerUI& manager, const std::string& face = kUiFontFace);

}  // namespace kelno::app
