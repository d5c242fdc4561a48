#include "skin/layout/linear_layout.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "skin/controls/scrollbar.h"

namespace kelno::skin {
namespace {

// One child seen along the layout's axis ("main") and across it ("cross").
struct Slot {
    CControlUI* control;
    int main = 0;
    bool stretch = false;
    int minMain = 0, maxMain = 0;
    int padBefore = 0, padAfter = 0;
};

// Positions far outside any window are pinned well inside the int range.
int ClampToInt(int64_t value) {
    constexpr int64_t kLimit = int64_t{1} << 30;
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

}  // namespace

void CLinearLayoutUI::SetPos(Rect rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    // First pass without a scroll bar; a second one when the content does
    // not fit and the container scrolls.
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 0 && verticalScrollBar_) verticalScrollBar_->SetVisible(false);
        Rect inner = InnerRect();
        const int available = vertical_ ? inner.Height() : inner.Width();
        const int cross = vertical_ ? inner.Width() : inner.Height();
        std::vector<Slot> slots;
        // Sums are 64-bit: a hostile layout may hold many huge children.
        int64_t fixedTotal = 0;
        for (CControlUI* child : items_) {
            if (!child->IsOwnVisible() || child->IsFloat()) continue;
            Rect pad = Scale(child->GetPadding());
            Slot s{child};
            Size want = child->EstimateSize({inner.Width(), inner.Height()});
            s.main = vertical_ ? want.cy : want.cx;
            s.minMain = Scale(vertical_ ? child->GetMinHeight() : child->GetMinWidth());
            s.maxMain = std::max(Scale(vertical_ ? child->GetMaxHeight() : child->GetMaxWidth()),
                                 s.minMain);
            s.padBefore = vertical_ ? pad.top : pad.left;
            s.padAfter = vertical_ ? pad.bottom : pad.right;
            s.stretch = s.main <= 0;
            if (!s.stretch) {
                s.main = std::clamp(s.main, s.minMain, s.maxMain);
                fixedTotal += s.main;
            }
            fixedTotal += s.padBefore + s.padAfter;
            slots.push_back(s);
        }
        const int64_t gaps = slots.empty() ? 0 : static_cast<int64_t>(slots.size() - 1);
        fixedTotal += Scale(childPadding_) * gaps;

        // Share what is left among the stretching children; a child held
        // by its minimum or maximum leaves the sharing and the share is
        // computed again. The last sharer takes the rounding remainder.
        int64_t remaining = available - fixedTotal;
        std::vector<Slot*> sharers;
        for (Slot& s : slots) {
            if (s.stretch) sharers.push_back(&s);
        }
        bool settled = false;
        while (!settled && !sharers.empty()) {
            settled = true;
            int share =
                ClampToInt(std::max<int64_t>(remaining, 0) / static_cast<int64_t>(sharers.size()));
            for (size_t i = 0; i < sharers.size(); ++i) {
                Slot* s = sharers[i];
                int clamped = std::clamp(share, s->minMain, s->maxMain);
                if (clamped != share) {
                    s->main = clamped;
                    remaining -= clamped;
                    sharers.erase(sharers.begin() + static_cast<long>(i));
                    settled = false;
                    break;
                }
            }
        }
        if (!sharers.empty()) {
            // What is left fits in an int: it is at most the available length.
            int left = ClampToInt(std::max<int64_t>(remaining, 0));
            int share = left / static_cast<int>(sharers.size());
            for (Slot* s : sharers) s->main = share;
            sharers.back()->main += left - share * static_cast<int>(sharers.size());
        }

        int64_t content = Scale(childPadding_) * gaps;
        for (const Slot& s : slots) content += int64_t{s.padBefore} + s.main + s.padAfter;
        if (pass == 0 && vertical_ && verticalScrollBar_ && content > available) {
            ProcessScrollBar(ClampToInt(content));  // shows the bar, narrowing the inner rectangle
            continue;
        }
        int offset = vertical_ ? ProcessScrollBar(ClampToInt(content)) : ProcessScrollBar(0);

        int64_t pos = int64_t{vertical_ ? inner.top : inner.left} - offset;
        for (const Slot& s : slots) {
            CControlUI* child = s.control;
            Rect pad = Scale(child->GetPadding());
            Size want = child->EstimateSize({inner.Width(), inner.Height()});
            int crossBefore = vertical_ ? pad.left : pad.top;
            int crossAfter = vertical_ ? pad.right : pad.bottom;
            int crossWant = vertical_ ? want.cx : want.cy;
            int crossMin = Scale(vertical_ ? child->GetMinWidth() : child->GetMinHeight());
            int crossMax =
                std::max(Scale(vertical_ ? child->GetMaxWidth() : child->GetMaxHeight()), crossMin);
            int crossSize = crossWant > 0 ? crossWant : cross - crossBefore - crossAfter;
            crossSize = std::clamp(crossSize, crossMin, crossMax);
            pos += s.padBefore;
            int crossStart = (vertical_ ? inner.left : inner.top) + crossBefore;
            int from = ClampToInt(pos), to = ClampToInt(pos + s.main);
            Rect placed = vertical_ ? Rect{crossStart, from, crossStart + crossSize, to}
                                    : Rect{from, crossStart, to, crossStart + crossSize};
            child->SetPos(placed, false);
            pos += int64_t{s.main} + s.padAfter + Scale(childPadding_);
        }
        break;
    }
    for (CControlUI* child : items_) {
        if (child->IsOwnVisible() && child->IsFloat()) SetFloatPos(child, GetPos());
    }
}

}  // namespace kelno::skin
