#include "skin/automation/automation_protocol.h"

#include <gtest/gtest.h>

namespace kelno::skin {
namespace {

struct ParseCase {
    const char* line;
    AutomationVerb verb;
    ControlRef target;
    int64_t number;
    const char* text;
};

TEST(AutomationProtocolTest, ParsesEveryCommand) {
    const ParseCase cases[] = {
        {"find ok_btn", AutomationVerb::Find, {"ok_btn", 0}, 0, ""},
        {"find key_#3\n", AutomationVerb::Find, {"key_", 3}, 0, ""},
        {"click closebtn\r\n", AutomationVerb::Click, {"closebtn", 0}, 0, ""},
        {"dblclick list#1", AutomationVerb::DoubleClick, {"list", 1}, 0, ""},
        {"select combo 2", AutomationVerb::Select, {"combo", 0}, 2, ""},
        {"set-value DPI_slider_1 -3", AutomationVerb::SetValue, {"DPI_slider_1", 0}, -3, ""},
        {"wait-visible panel 1500", AutomationVerb::WaitVisible, {"panel", 0}, 1500, ""},
        // Text runs to the end of the line, blanks included, with escapes.
        {"type edit  two  words ", AutomationVerb::Type, {"edit", 0}, 0, " two  words "},
        {"type edit a\\nb\\\\c", AutomationVerb::Type, {"edit", 0}, 0, "a\nb\\c"},
        {"type edit", AutomationVerb::Type, {"edit", 0}, 0, ""},
        {"screenshot /tmp/a b.png", AutomationVerb::Screenshot, {}, 0, "/tmp/a b.png"},
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.line);
        AutomationParse parsed = ParseAutomationCommand(c.line);
        ASSERT_TRUE(std::holds_alternative<AutomationCommand>(parsed))
            << std::get<AutomationError>(parsed).message;
        const auto& command = std::get<AutomationCommand>(parsed);
        EXPECT_EQ(command.verb, c.verb);
        EXPECT_EQ(command.target, c.target);
        EXPECT_EQ(command.number, c.number);
        EXPECT_EQ(command.text, c.text);
    }
}

TEST(AutomationProtocolTest, RefusesMalformedLines) {
    const char* bad[] = {
        "",
        "   ",
        "launch rockets",
        "find",
        "find a b",
        "click",
        "select combo",
        "select combo x",
        "select combo -1",
        "select combo 1 2",
        "set-value slider 99999999999999999999",
        "wait-visible x -5",
        "wait-visible x 600001000",
        "screenshot",
        "FIND upper",
    };
    for (const char* line : bad) {
        SCOPED_TRACE(line);
        EXPECT_TRUE(std::holds_alternative<AutomationError>(ParseAutomationCommand(line)));
    }
    std::string huge = "type edit " + std::string(kAutomationMaxLine, 'x');
    EXPECT_TRUE(std::holds_alternative<AutomationError>(ParseAutomationCommand(huge)));
}

TEST(AutomationProtocolTest, ControlRefSplitsOnlyAtATrailingNumber) {
    const std::pair<const char*, ControlRef> cases[] = {
        {"name", {"name", 0}},
        {"name#0", {"name", 0}},
        {"name#12", {"name", 12}},
        {"a#b", {"a#b", 0}},
        {"a#1#2", {"a#1", 2}},
        {"#3", {"#3", 0}},
        {"name#", {"name#", 0}},
        {"name#-1", {"name#-1", 0}},
        {"name#99999999999999999999999", {"name#99999999999999999999999", 0}},
    };
    for (const auto& [token, expected] : cases) {
        SCOPED_TRACE(token);
        EXPECT_EQ(ParseControlRef(token), expected);
    }
}

TEST(AutomationProtocolTest, FindReplyStaysOneLine) {
    ControlSnapshot s;
    s.className = "EditUI";
    s.visible = true;
    s.enabled = true;
    s.value = 5;
    s.items = 3;
    s.cursel = 1;
    s.text = "line one\nline two \\ end";
    EXPECT_EQ(FormatFindReply(s),
              "ok class=EditUI visible=1 enabled=1 selected=0 value=5 items=3 cursel=1 "
              "text=line one\\nline two \\\\ end");
    EXPECT_EQ(UnescapeLineText(EscapeLineText(s.text)), s.text);
    EXPECT_EQ(FormatError("bad\nthing"), "err bad\\nthing");
}

TEST(AutomationProtocolTest, UnknownEscapesAreKeptAsTyped) {
    EXPECT_EQ(UnescapeLineText("a\\tb\\"), "a\\tb\\");
}

}  // namespace
}  // namespace kelno::skin
