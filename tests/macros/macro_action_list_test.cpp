#include <gtest/gtest.h>

#include <functional>

#include "macros/macro_action_list.h"

namespace kelno {
namespace {

// Actions told apart by their button: 0, 1, 2, ...
MacroActionList Numbered(int count, int selected) {
    std::vector<MacroEvent> events;
    for (int i = 0; i < count; ++i)
        events.push_back({10, static_cast<uint8_t>(i), true, static_cast<uint16_t>(i)});
    MacroActionList list;
    list.Load(std::move(events));
    list.Select(selected);
    return list;
}

std::vector<int> Order(const MacroActionList& list) {
    std::vector<int> order;
    for (const MacroEvent& event : list.Events()) order.push_back(event.button);
    return order;
}

TEST(MacroActionList, ReorderingAndDeletingTable) {
    using Op = std::function<bool(MacroActionList&)>;
    const Op up = [](MacroActionList& l) { return l.MoveUp(); };
    const Op down = [](MacroActionList& l) { return l.MoveDown(); };
    const Op top = [](MacroActionList& l) { return l.MoveToTop(); };
    const Op bottom = [](MacroActionList& l) { return l.MoveToBottom(); };
    const Op remove = [](MacroActionList& l) { return l.DeleteSelected(); };
    struct Case {
        const char* what;
        int count;
        int selected;
        Op op;
        bool changed;
        std::vector<int> order;
        int selectedAfter;
    };
    const Case cases[] = {
        {"up", 4, 2, up, true, {0, 2, 1, 3}, 1},
        {"up at the top", 4, 0, up, false, {0, 1, 2, 3}, 0},
        {"up without selection", 4, -1, up, false, {0, 1, 2, 3}, -1},
        {"down", 4, 1, down, true, {0, 2, 1, 3}, 2},
        {"down at the bottom", 4, 3, down, false, {0, 1, 2, 3}, 3},
        {"down without selection", 4, -1, down, false, {0, 1, 2, 3}, -1},
        {"to top", 4, 3, top, true, {3, 0, 1, 2}, 0},
        {"to top at the top", 4, 0, top, false, {0, 1, 2, 3}, 0},
        {"to bottom", 4, 0, bottom, true, {1, 2, 3, 0}, 3},
        {"to bottom at the bottom", 4, 3, bottom, false, {0, 1, 2, 3}, 3},
        {"to bottom without selection", 4, -1, bottom, false, {0, 1, 2, 3}, -1},
        {"to bottom of an empty list", 0, -1, bottom, false, {}, -1},
        {"delete in the middle selects the next", 4, 1, remove, true, {0, 2, 3}, 1},
        {"delete the last selects the new last", 4, 3, remove, true, {0, 1, 2}, 2},
        {"delete the only one", 1, 0, remove, true, {}, -1},
        {"delete without selection", 4, -1, remove, false, {0, 1, 2, 3}, -1},
    };
    for (const auto& c : cases) {
        MacroActionList list = Numbered(c.count, c.selected);
        EXPECT_EQ(c.op(list), c.changed) << c.what;
        EXPECT_EQ(Order(list), c.order) << c.what;
        EXPECT_EQ(list.Selected(), c.selectedAfter) << c.what;
    }
}

TEST(MacroActionList, MovedActionKeepsItsDelay) {
    MacroActionList list = Numbered(3, 2);
    ASSERT_TRUE(list.SetDelay(2, 700));
    ASSERT_TRUE(list.MoveToTop());
    EXPECT_EQ(list.Events()[0], (MacroEvent{10, 2, true, 700}));
    EXPECT_FALSE(list.SetDelay(3, 1));
    EXPECT_FALSE(list.SetDelay(-1, 1));
}

TEST(MacroActionList, DeleteAllAndSelectOutsideClearTheSelection) {
    MacroActionList list = Numbered(3, 1);
    list.Select(3);
    EXPECT_EQ(list.Selected(), -1);
    list.Select(1);
    list.DeleteAll();
    EXPECT_EQ(list.Size(), 0);
    EXPECT_EQ(list.Selected(), -1);
}

TEST(MacroActionList, MouseInsertionPositionsAndSelection) {
    constexpr uint16_t kFixed = 50;
    const MacroEvent leftDown{1, 0x01, true, kFixed};
    const MacroEvent leftUp{1, 0x01, false, kFixed};
    struct Case {
        const char* what;
        int count;
        int selected;
        bool click;
        std::vector<std::pair<int, MacroEvent>> expectedAt;
        int size;
        int selectedAfter;
    };
    const Case cases[] = {
        {"click after action 4", 7, 4, true, {{5, leftDown}, {6, leftUp}}, 9, 6},
        {"down into an empty list", 0, -1, false, {{0, leftDown}}, 1, -1},
        {"click into an empty list", 0, -1, true, {{0, leftDown}, {1, leftUp}}, 2, 1},
        {"down without selection goes after the first", 3, -1, false, {{1, leftDown}}, 4, 1},
        {"down after the last", 3, 2, false, {{3, leftDown}}, 4, 3},
    };
    for (const auto& c : cases) {
        MacroActionList list = Numbered(c.count, c.selected);
        const MacroInsertResult result =
            c.click ? list.InsertMouseClick(0x0201, 0, kFixed)
                    : list.InsertMouseAction(0x0201, 0, PointerMoveDistances{}, kFixed);
        EXPECT_EQ(result, MacroInsertResult::Inserted) << c.what;
        EXPECT_EQ(list.Size(), c.size) << c.what;
        for (const auto& [position, event] : c.expectedAt)
            EXPECT_EQ(list.Events()[static_cast<size_t>(position)], event)
                << c.what << " at " << position;
        EXPECT_EQ(list.Selected(), c.selectedAfter) << c.what;
    }
}

TEST(MacroActionList, InsertedMouseEventsByMessageAndVariant) {
    const PointerMoveDistances distances{10, 300, -5, 255};
    struct Case {
        uint16_t message;
        int variant;
        std::optional<MacroEvent> event;
    };
    const Case cases[] = {
        {0x0204, 0, MacroEvent{1, 0x02, true, 9}},
        {0x0208, 0, MacroEvent{1, 0x04, false, 9}},
        {0x020B, 1, MacroEvent{1, 0x10, true, 9}},
        {0x020C, 0, MacroEvent{1, 0x08, false, 9}},
        {0x020B, 2, std::nullopt},
        {0x0200, 0, MacroEvent{4, 10, true, 9}},
        {0x0200, 1, MacroEvent{4, 255, false, 9}},  // 300 clamps, never 44
        {0x0200, 2, MacroEvent{5, 0, true, 9}},
        {0x0200, 3, MacroEvent{5, 255, false, 9}},
        {0x0200, 4, std::nullopt},
        {0x0203, 0, std::nullopt},
    };
    for (const auto& c : cases) {
        MacroActionList list;
        const MacroInsertResult result = list.InsertMouseAction(c.message, c.variant, distances, 9);
        if (!c.event) {
            EXPECT_EQ(result, MacroInsertResult::UnknownAction) << c.message << "/" << c.variant;
            EXPECT_EQ(list.Size(), 0);
            continue;
        }
        ASSERT_EQ(result, MacroInsertResult::Inserted) << c.message << "/" << c.variant;
        EXPECT_EQ(list.Events().front(), *c.event) << c.message << "/" << c.variant;
    }
}

TEST(MacroActionList, ClicksOfEveryButtonArePairs) {
    for (const auto& [message, variant, button] :
         {std::tuple{0x0204, 0, 0x02}, {0x0207, 0, 0x04}, {0x020B, 1, 0x10}, {0x020B, 0, 0x08}}) {
        MacroActionList list;
        ASSERT_EQ(list.InsertMouseClick(static_cast<uint16_t>(message), variant, 5),
                  MacroInsertResult::Inserted);
        EXPECT_EQ(list.Events(),
                  (std::vector<MacroEvent>{{1, static_cast<uint8_t>(button), true, 5},
                                           {1, static_cast<uint8_t>(button), false, 5}}));
    }
    MacroActionList list;
    EXPECT_EQ(list.InsertMouseClick(0x0202, 0, 5), MacroInsertResult::UnknownAction);
    EXPECT_EQ(list.InsertMouseClick(0x0200, 0, 5), MacroInsertResult::UnknownAction);
    EXPECT_EQ(list.Size(), 0);
}

TEST(MacroActionList, HandInsertionsStopAtTheEventLimit) {
    constexpr int kLimit = MacroLimits::kEventsPerMacro;
    MacroActionList almostFull = Numbered(kLimit - 1, 0);
    EXPECT_EQ(almostFull.InsertMouseClick(0x0201, 0, 5), MacroInsertResult::Full);
    EXPECT_EQ(almostFull.Size(), kLimit - 1);
    EXPECT_EQ(almostFull.InsertMouseAction(0x0201, 0, {}, 5), MacroInsertResult::Inserted);
    EXPECT_EQ(almostFull.Size(), kLimit);
    EXPECT_EQ(almostFull.InsertMouseAction(0x0202, 0, {}, 5), MacroInsertResult::Full);
    EXPECT_EQ(almostFull.Size(), kLimit);
    EXPECT_FALSE(almostFull.Insert(0, MacroEvent{}));

    MacroActionList loaded = Numbered(kLimit + 5, -1);
    EXPECT_EQ(loaded.Size(), kLimit);
}

}  // namespace
}  // namespace kelno
