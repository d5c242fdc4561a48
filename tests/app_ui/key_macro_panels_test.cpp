// The key assignment panel's and the macro editor's skin files against the
// code that reads them: list items in the order of the code's tables, the
// category of each function item, and the styles the macro editor gives
// the labels of its action items.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "keys/key_assignment_codec.h"
#include "keys/key_names.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/list.h"
#include "skin/core/attribute_values.h"
#include "skin/core/resource_manager.h"
#include "skin_fixture.h"

namespace kelno::app::test {
namespace {

using keyassign::AssignmentCode;

class KeySetSkinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadProgramSkin();
        std::string error;
        panel_.reset(BuildLayout("XML\\CustomControlXML\\KeySetControl.xml", factory_, &error));
        ASSERT_NE(panel_, nullptr) << error;
    }
    template <typename T>
    T* Find(const std::string& name) {
        for (skin::CControlUI* c : AllControls(panel_.get())) {
            if (skin::EqualsNoCase(c->GetName(), name)) return dynamic_cast<T*>(c);
        }
        return nullptr;
    }
    std::vector<std::string> ItemTextIds(const std::string& comboName) {
        std::vector<std::string> ids;
        auto* combo = Find<skin::CComboUI>(comboName);
        EXPECT_NE(combo, nullptr) << comboName;
        if (!combo) return ids;
        for (int i = 0; i < combo->GetCount(); ++i) ids.push_back(combo->GetItemAt(i)->GetTextId());
        return ids;
    }
    // The text ids of the key table naming each code, in table order.
    static std::vector<std::string> NamesOf(std::span<const AssignmentCode> rows) {
        std::vector<std::string> ids;
        for (const AssignmentCode& row : rows) {
            const auto names = keyboard::KeyCodeTextIds(row.type, row.param1, row.param2);
            ids.push_back(names.size() == 1 ? names[0] : "(unnamed)");
        }
        return ids;
    }

    TestElementFactory factory_;
    std::unique_ptr<skin::CControlUI> panel_;
};

TEST_F(KeySetSkinTest, FunctionItemsCarryTheirCategoryAndPage) {
    auto* functions = Find<skin::CComboUI>("keyset_function_combo");
    ASSERT_NE(functions, nullptr);
    ASSERT_EQ(functions->GetCount(), keyassign::kCategoryCount);
    for (int i = 0; i < functions->GetCount(); ++i)
        EXPECT_EQ(functions->GetItemAt(i)->GetUserData(), std::to_string(i));
    auto* pages = Find<skin::CContainerUI>("function_switch_tablayout");
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->GetCount(), keyassign::kCategoryCount);
}

// The panel encodes the item index as the row of its table: the items must
// name the codes of those rows, in that order.
TEST_F(KeySetSkinTest, TableListsNameTheirRowsInOrder) {
    EXPECT_EQ(ItemTextIds("keyset_media_combo"), NamesOf(keyassign::MediaRows()));
    EXPECT_EQ(ItemTextIds("keyset_system_combo"), NamesOf(keyassign::SystemRows()));

    std::vector<std::string> buttons;
    for (const AssignmentCode& row : keyassign::MouseButtonRows()) {
        const char* id = row.param1 == 0x01   ? "mouse_key_left"
                         : row.param1 == 0x02 ? "mouse_key_right"
                         : row.param1 == 0x04 ? "mouse_key_middle"
                         : row.param1 == 0x08 ? "mouse_key_back"
                                              : "mouse_key_forward";
        buttons.push_back(id);
    }
    EXPECT_EQ(ItemTextIds("keyset_mousekey_combo"), buttons);

    std::vector<std::string> combinations;
    for (const AssignmentCode& row : keyassign::CombinationKeyRows()) {
        const auto names = keyboard::KeyCodeTextIds(row.type, row.param1, row.param2);
        ASSERT_EQ(names.size(), 2u);  // Ctrl and the key
        std::string key = names[1].substr(std::string(keyboard::kKeyTextPrefix).size());
        if (key == "-") key = "minus";
        if (key == "=") key = "equal";
        combinations.push_back("keyset_combokey_ctrl_" + skin::ToLowerAscii(key) + "_text");
    }
    EXPECT_EQ(ItemTextIds("keyset_combokey_combo"), combinations);

    EXPECT_EQ(ItemTextIds("keyset_mousedpi_combo").size(), keyassign::DpiRows().size());
    EXPECT_EQ(ItemTextIds("keyset_gunkey_combo").size(),
              static_cast<size_t>(keyassign::kGunKeyCount));
    EXPECT_EQ(ItemTextIds("keyset_macro_over_combo").size(),
              static_cast<size_t>(keyassign::kMacroRepeatOptions));
    EXPECT_EQ(ItemTextIds("keyset_mouseswing_combo").size(), 2u);
    EXPECT_EQ(ItemTextIds("keyset_mousewheel_combo").size(), 2u);
    EXPECT_TRUE(ItemTextIds("keyset_macro_combo").empty());  // the device's macros
}

TEST_F(KeySetSkinTest, StartsHiddenWithTheSaveButtonsOffAndTheKeyBoxReadOnly) {
    auto* keyBox = Find<skin::CEditUI>("keyset_keyboard_text_edit");
    ASSERT_NE(keyBox, nullptr);
    EXPECT_TRUE(keyBox->IsReadOnly());  // keys are captured, never typed
    EXPECT_FALSE(Find<skin::CControlUI>("keyset_layout")->IsVisible());
    EXPECT_FALSE(Find<skin::CControlUI>("keyset_macro_cycle_layout")->IsVisible());
    EXPECT_TRUE(Find<skin::CControlUI>("key_butt_keydefalut")->IsEnabled());
    for (const char* name : {"key_butt_keysave", "key_butt_keycancel", "key_butt_prosave"})
        EXPECT_FALSE(Find<skin::CControlUI>(name)->IsEnabled()) << name;
}

// The editor makes its action items in code and styles their labels by name:
// the styles must exist without the editor's layout and line up with the
// columns of the action list's header.
TEST(MacroSkinTest, ActionLabelStylesFitTheActionListColumns) {
    LoadProgramSkin();
    TestElementFactory factory;
    std::string error;
    std::unique_ptr<skin::CControlUI> editor(
        BuildLayout("XML\\CustomControlXML\\MacroControl.xml", factory, &error));
    ASSERT_NE(editor, nullptr) << error;
    skin::CListUI* actions = nullptr;
    for (skin::CControlUI* c : AllControls(editor.get()))
        if (c->GetName() == "macro_action_list") actions = dynamic_cast<skin::CListUI*>(c);
    ASSERT_NE(actions, nullptr);
    skin::CListHeaderUI* header = actions->GetHeader();
    ASSERT_EQ(header->GetCount(), 3);
    std::vector<int> columnWidths;
    for (int i = 0; i < header->GetCount(); ++i)
        columnWidths.push_back(header->GetItemAt(i)->GetFixedWidth());
    EXPECT_FALSE(actions->GetParent()->IsEnabled());  // no macro selected yet

    // The editor's layout is gone: the styles come from res.xml.
    editor.reset();
    skin::CResourceManager::GetInstance().ResetResourceMap();
    LoadProgramSkin();
    const struct {
        const char* style;
        int column;
    } labels[] = {{"macro_label_keyboard_style", 0},
                  {"macro_label_mouse_style", 0},
                  {"macro_label_down_style", 1},
                  {"macro_label_up_style", 1},
                  {"macro_label_text_style", 1}};
    for (const auto& label : labels) {
        ASSERT_NE(skin::CResourceManager::GetInstance().GetStyle(label.style), nullptr)
            << label.style;
        skin::CLabelUI styled;
        styled.SetAttribute("style", label.style);
        EXPECT_EQ(styled.GetFixedWidth(), columnWidths[static_cast<size_t>(label.column)])
            << label.style;
    }
}

}  // namespace
}  // namespace kelno::app::test
