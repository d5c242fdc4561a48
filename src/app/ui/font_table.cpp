#include "app/ui/font_table.h"

#include <array>

#include "skin/core/font_info.h"
#include "skin/core/paint_manager.h"

namespace kelno::app {
namespace {

struct FontRow {
    int id;
    int size;
    bool bold;
    bool underline;
};

constexpr int kDefaultFontSize = 14;
// Font 0 comes first, then the default font, then the rest in this order.
constexpr std::array<FontRow, 13> kFontRows = {{
    {0, 15, false, false},
    {1, 14, false, true},
    {2, 18, false, false},
    {3, 30, false, false},
    {4, 16, false, false},
    {5, 20, false, false},
    {6, 22, false, false},
    {7, 14, false, false},
    {8, 12, false, false},
    {9, 11, false, false},
    {10, 10, false, false},
    {11, 28, false, false},
    {50, 18, true, false},
}};

constexpr std::array<int, 4> kRebuildingTargets = {0, 1, 2, 15};
constexpr std::array<int, 4> kRebuildingSources = {-1, 0, 2, 15};

bool Contains(const std::array<int, 4>& set, int value) {
    for (int item : set)
        if (item == value) return true;
    return false;
}

}  // namespace

bool FontTableNeedsRebuild(int current, int next) {
    if (current == next) return false;
    return Contains(kRebuildingTargets, next) || Contains(kRebuildingSources, current);
}

void RebuildFontTable(skin::CPaintManagerUI& manager, const std::string& face) {
    manager.RemoveAllFonts(true);
    manager.RemoveAllFonts(false);
    auto font = [&](int size, bool bold, bool underline) {
        skin::FontInfo info;
        info.face = face;
        info.size = size;
        info.bold = bold;
        info.underline = underline;
        return info;
    };
    for (const FontRow& row : kFontRows) {
        manager.AddFont(row.id, font(row.size, row.bold, row.underline), true);
        if (row.id == 0) manager.SetDefaultFont(font(kDefaultFontSize, false, false), true);
    }
}

}  // namespace kelno::app
