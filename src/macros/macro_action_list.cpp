#include "macros/macro_action_list.h"

#include <algorithm>

namespace kelno {
namespace {

std::optional<ExtraMouseButton> ExtraButtonOfVariant(int variant) {
    if (variant == 0) return ExtraMouseButton::Back;
    if (variant == 1) return ExtraMouseButton::Forward;
    return std::nullopt;
}

std::optional<MacroEvent> PointerMoveOfVariant(int variant, const PointerMoveDistances& d) {
    switch (variant) {
        case 0:
            return PointerMoveEvent(PointerMoveDirection::Left, d.left);
        case 1:
            return PointerMoveEvent(PointerMoveDirection::Right, d.right);
        case 2:
            return PointerMoveEvent(PointerMoveDirection::Up, d.up);
        case 3:
            return PointerMoveEvent(PointerMoveDirection::Down, d.down);
        default:
            return std::nullopt;
    }
}

// Every button message has its release one code above (0x0201/0x0202,
// 0x0204/0x0205, ...).
constexpr uint16_t kUpMessageOffset = 1;

}  // namespace

std::optional<MacroEvent> MouseActionEvent(uint16_t message, int variant,
                                           const PointerMoveDistances& distances) {
    if (message == mouse_message::kMove) return PointerMoveOfVariant(variant, distances);
    const bool extra = message == mouse_message::kExtraDown || message == mouse_message::kExtraUp;
    const auto button = extra ? ExtraButtonOfVariant(variant) : ExtraMouseButton::Back;
    if (!button) return std::nullopt;
    return MouseButtonEvent(message, *button);
}

void MacroActionList::Load(std::vector<MacroEvent> events) {
    if (events.size() > static_cast<size_t>(MacroLimits::kEventsPerMacro))
        events.resize(MacroLimits::kEventsPerMacro);
    events_ = std::move(events);
    selected_ = kNoSelection;
}

void MacroActionList::Select(int index) {
    selected_ = index >= 0 && index < Size() ? index : kNoSelection;
}

bool MacroActionList::SetDelay(int index, uint16_t delay) {
    if (index < 0 || index >= Size()) return false;
    MacroEvent& event = events_[static_cast<size_t>(index)];
    event.delay = delay;
    event.integerDelay = false;
    return true;
}

bool MacroActionList::MoveSelectedTo(int target) {
    if (selected_ == kNoSelection || target < 0 || target >= Size() || target == selected_)
        return false;
    const auto from = events_.begin() + selected_;
    const auto to = events_.begin() + target;
    if (target < selected_)
        std::rotate(to, from, from + 1);
    else
        std::rotate(from, from + 1, to + 1);
    selected_ = target;
    return true;
}

bool MacroActionList::MoveUp() {
    return MoveSelectedTo(selected_ - 1);
}
bool MacroActionList::MoveDown() {
    return selected_ != kNoSelection && MoveSelectedTo(selected_ + 1);
}
bool MacroActionList::MoveToTop() {
    return MoveSelectedTo(0);
}
bool MacroActionList::MoveToBottom() {
    return MoveSelectedTo(Size() - 1);
}

bool MacroActionList::DeleteSelected() {
    if (selected_ == kNoSelection) return false;
    events_.erase(events_.begin() + selected_);
    Select(std::min(selected_, Size() - 1));
    return true;
}

void MacroActionList::DeleteAll() {
    events_.clear();
    selected_ = kNoSelection;
}

void MacroActionList::InsertByHand(const MacroEvent& event) {
    const bool wasEmpty = events_.empty();
    const int position = wasEmpty ? 0 : (selected_ == kNoSelection ? 1 : selected_ + 1);
    events_.insert(events_.begin() + position, event);
    selected_ = wasEmpty ? kNoSelection : position;
}

MacroInsertResult MacroActionList::InsertMouseAction(uint16_t message, int variant,
                                                     const PointerMoveDistances& distances,
                                                     uint16_t fixedDelay) {
    auto event = MouseActionEvent(message, variant, distances);
    if (!event) return MacroInsertResult::UnknownAction;
    if (IsFull()) return MacroInsertResult::Full;
    event->delay = fixedDelay;
    InsertByHand(*event);
    return MacroInsertResult::Inserted;
}

MacroInsertResult MacroActionList::InsertMouseClick(uint16_t downMessage, int variant,
                                                    uint16_t fixedDelay) {
    const PointerMoveDistances none;
    auto down = MouseActionEvent(downMessage, variant, none);
    auto up =
        MouseActionEvent(static_cast<uint16_t>(downMessage + kUpMessageOffset), variant, none);
    if (!down || !up || !down->down || up->down) return MacroInsertResult::UnknownAction;
    if (Size() + 2 > MacroLimits::kEventsPerMacro) return MacroInsertResult::Full;
    down->delay = fixedDelay;
    up->delay = fixedDelay;
    InsertByHand(*down);
    InsertByHand(*up);
    return MacroInsertResult::Inserted;
}

bool MacroActionList::Insert(int position, const MacroEvent& event) {
    if (IsFull() || position < 0 || position > Size()) return false;
    events_.insert(events_.begin() + position, event);
    if (selected_ >= position) ++selected_;
    return true;
}

bool MacroActionList::ReplaceKey(int index, uint8_t type, uint8_t button) {
    if (index < 0 || index >= Size()) return false;
    MacroEvent& event = events_[static_cast<size_t>(index)];
    event.type = type;
    event.button = button;
    return true;
}

}  // namespace kelno
