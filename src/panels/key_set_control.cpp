#include "panels/key_set_control.h"

#include <array>
#include <string>

#include "devices/models/key_assignment_device.h"
#include "keys/key_names.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

using keyassign::AssignmentCode;
using keyassign::Category;
using keyassign::KeyPanelChoice;

constexpr int kModifierChecks = 5;
const std::string kCheckPrefix = "key_ComBox_check_";

AssignmentCode CodeOf(const KeyAssignment& value) {
    return {value.high, value.middle, value.low};
}

KeyAssignment WithCode(KeyAssignment value, const AssignmentCode& code) {
    value.high = code.type;
    value.middle = code.param1;
    value.low = code.param2;
    return value;
}

skin::CComboUI* AsCombo(skin::CControlUI* control) {
    return control ? static_cast<skin::CComboUI*>(control->GetInterface("Combo")) : nullptr;
}

skin::COptionUI* AsOption(skin::CControlUI* control) {
    return control ? static_cast<skin::COptionUI*>(control->GetInterface("Option")) : nullptr;
}

}  // namespace

std::string CKeySetControlUI::GetClass() const {
    return "KeySetControlUI";
}

void* CKeySetControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    if (skin::EqualsNoCase(name, IKeyCapturePanel::kInterface))
        return static_cast<IKeyCapturePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

CKeySetControlUI* CKeySetControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CKeySetControlUI>(device, kItemName, kElementName);
}

IKeyAssignmentDevice* CKeySetControlUI::KeyDevice() const {
    return device_ ? static_cast<IKeyAssignmentDevice*>(
                         device_->GetInterface(IKeyAssignmentDevice::kInterface))
                   : nullptr;
}

void CKeySetControlUI::BindDevice(CZembravaUSBDevice* device) {
    device_ = device;
    if (!device) return;
    SetDeviceKind(device->GetDeviceKind());
    if (IKeyAssignmentDevice* keys = KeyDevice()) SetMacroNames(keys->MacroNames());
}

void CKeySetControlUI::RefreshFromDevice() {
    IKeyAssignmentDevice* keys = KeyDevice();
    if (!keys) return;
    SetMacroNames(keys->MacroNames());
    const int key = device_->GetSelectedKey();
    const std::vector<KeyAssignmentPair>& records = keys->GetKeyAssignments();
    if (key < 0 || key >= static_cast<int>(records.size())) return;
    const KeyAssignmentPair& record = records[static_cast<size_t>(key)];
    ShowKey(record.current, record.defaults);
    // Applied edits not yet saved stay savable: a refresh (a macro added,
    // the language changed) does not store them.
    EnableSaveButtons(unsaved_);
}

// --- operations ------------------------------------------------------------------------

void CKeySetControlUI::SetDeviceKind(int kind) {
    deviceKind_ = kind;
    skin::CComboUI* functions = AsCombo(Find("keyset_function_combo"));
    if (!functions) return;
    for (int i = 0; i < functions->GetCount(); ++i) {
        skin::CControlUI* item = functions->GetItemAt(i);
        const std::optional<Category> category =
            keyassign::CategoryFromNumber(skin::ParseInt(item->GetUserData()).value_or(-1));
        if (category) item->SetVisible(keyassign::CategoryOffered(*category, kind));
    }
}

void CKeySetControlUI::SetMacroNames(const std::vector<std::string>& names) {
    macroNames_ = names;
    skin::CComboUI* macros = AsCombo(Find("keyset_macro_combo"));
    if (!macros) return;
    UpdateScope scope(updating_);
    macros->RemoveAll();
    for (const std::string& name : names) AppendListItem(*macros, name);
    macros->SelectItem(-1);
}

void CKeySetControlUI::ShowKey(const KeyAssignment& current, const KeyAssignment& defaults) {
    current_ = current;
    defaults_ = defaults;
    ShowValue(current_);
}

void CKeySetControlUI::ShowCurrent() {
    ShowValue(current_);
}

void CKeySetControlUI::ShowDefault() {
    ShowValue(defaults_);
}

void CKeySetControlUI::ShowValue(const KeyAssignment& value) {
    ShowChoice(keyassign::Decode(CodeOf(value), CodeOf(defaults_), MacroCount()));
}

KeyAssignmentPair CKeySetControlUI::Encode() {
    const KeyPanelChoice read = ReadChoice();
    const KeyPanelChoice clamped = keyassign::ClampEditNumbers(read);
    // The edits show what is stored, not what was typed beyond the range.
    if (clamped != read) ShowChoice(clamped);
    current_ = WithCode(
        current_, keyassign::Encode(clamped, CodeOf(current_), CodeOf(defaults_), MacroCount()));
    return {current_, defaults_};
}

void CKeySetControlUI::SelectModifier(int check) {
    UpdateScope scope(updating_);
    for (int i = 0; i < kModifierChecks; ++i)
        if (skin::COptionUI* option = AsOption(Find(kCheckPrefix + std::to_string(i))))
            option->Selected(i == check);
}

int CKeySetControlUI::GetModifier() {
    for (int i = 0; i < kModifierChecks; ++i) {
        skin::COptionUI* option = AsOption(Find(kCheckPrefix + std::to_string(i)));
        if (option && option->IsSelected()) return i;
    }
    return keyassign::kCheckNone;
}

void CKeySetControlUI::EnableSaveButtons(bool enabled) {
    for (const char* name : {"key_butt_keysave", "key_butt_keycancel", "key_butt_prosave"})
        if (skin::CControlUI* button = Find(name)) button->SetEnabled(enabled);
}

void CKeySetControlUI::SetBusy(bool busy) {
    if (skin::CControlUI* layout = Find("keyset_layout")) layout->SetEnabled(!busy);
}

// --- controls <-> choice -----------------------------------------------------------------

int CKeySetControlUI::ListSelection(const std::string& name) {
    skin::CComboUI* combo = AsCombo(Find(name));
    return combo ? combo->GetCurSel() : keyassign::kNoSelection;
}

void CKeySetControlUI::SelectListItem(const std::string& name, int index) {
    if (skin::CComboUI* combo = AsCombo(Find(name))) combo->SelectItem(index);
}

int CKeySetControlUI::EditNumber(const std::string& name) {
    skin::CControlUI* edit = Find(name);
    return edit ? keyassign::ReadEditNumber(edit->GetText()) : 0;
}

void CKeySetControlUI::SetEditNumber(const std::string& name, int value) {
    if (skin::CControlUI* edit = Find(name)) edit->SetText(std::to_string(value));
}

KeyPanelChoice CKeySetControlUI::ReadChoice() {
    KeyPanelChoice choice;
    if (skin::CComboUI* functions = AsCombo(Find("keyset_function_combo"))) {
        const int selected = functions->GetCurSel();
        if (skin::CControlUI* item = selected >= 0 ? functions->GetItemAt(selected) : nullptr)
            choice.category =
                keyassign::CategoryFromNumber(skin::ParseInt(item->GetUserData()).value_or(-1));
    }
    choice.mouseButtonRow = ListSelection("keyset_mousekey_combo");
    choice.swing = {
        ListSelection("keyset_mouseswing_combo"), EditNumber("keyset_mouseswing_num_edit"),
        EditNumber("keyset_mouseswing_delay_edit"), EditNumber("keyset_mouseswing_speed_edit")};
    choice.wheel = {
        ListSelection("keyset_mousewheel_combo"), EditNumber("keyset_mousewheel_num_edit"),
        EditNumber("keyset_mousewheel_delay_edit"), EditNumber("keyset_mousewheel_speed_edit")};
    choice.dpiRow = ListSelection("keyset_mousedpi_combo");
    choice.fireInterval = EditNumber("keyset_mousefire_interval_edit");
    choice.fireCount = EditNumber("keyset_mousefire_num_edit");
    choice.modifierCheck = GetModifier();
    choice.keyNameRow = keyTextRow_;
    choice.mediaRow = ListSelection("keyset_media_combo");
    choice.systemRow = ListSelection("keyset_system_combo");
    choice.macroRow = ListSelection("keyset_macro_combo");
    choice.macroRepeat = ListSelection("keyset_macro_over_combo");
    choice.macroCycles = EditNumber("keyset_macro_cycle_edit");
    if (skin::CControlUI* cycles = Find("keyset_macro_cycle_layout"))
        choice.macroCyclesShown = cycles->IsVisible();
    choice.gunKeyRow = ListSelection("keyset_gunkey_combo");
    choice.combinationRow = ListSelection("keyset_combokey_combo");
    return choice;
}

void CKeySetControlUI::ShowChoice(const KeyPanelChoice& choice) {
    UpdateScope scope(updating_);
    SelectListItem("keyset_mousekey_combo", choice.mouseButtonRow);
    SelectListItem("keyset_mouseswing_combo", choice.swing.option);
    SetEditNumber("keyset_mouseswing_num_edit", choice.swing.count);
    SetEditNumber("keyset_mouseswing_delay_edit", choice.swing.delay);
    SetEditNumber("keyset_mouseswing_speed_edit", choice.swing.speed);
    SelectListItem("keyset_mousewheel_combo", choice.wheel.option);
    SetEditNumber("keyset_mousewheel_num_edit", choice.wheel.count);
    SetEditNumber("keyset_mousewheel_delay_edit", choice.wheel.delay);
    SetEditNumber("keyset_mousewheel_speed_edit", choice.wheel.speed);
    SelectListItem("keyset_mousedpi_combo", choice.dpiRow);
    SetEditNumber("keyset_mousefire_interval_edit", choice.fireInterval);
    SetEditNumber("keyset_mousefire_num_edit", choice.fireCount);
    SelectModifier(choice.modifierCheck);
    ShowKeyText(choice.keyNameRow);
    SelectListItem("keyset_media_combo", choice.mediaRow);
    SelectListItem("keyset_system_combo", choice.systemRow);
    SelectListItem("keyset_macro_combo", choice.macroRow);
    SelectListItem("keyset_macro_over_combo", choice.macroRepeat);
    SetEditNumber("keyset_macro_cycle_edit", choice.macroCycles);
    if (skin::CControlUI* cycles = Find("keyset_macro_cycle_layout"))
        cycles->SetVisible(choice.macroCyclesShown);
    SelectListItem("keyset_gunkey_combo", choice.gunKeyRow);
    SelectListItem("keyset_combokey_combo", choice.combinationRow);
    ShowCategory(choice.category);
}

void CKeySetControlUI::ShowCategory(std::optional<Category> category) {
    UpdateScope scope(updating_);
    skin::CComboUI* functions = AsCombo(Find("keyset_function_combo"));
    int itemIndex = -1;
    if (functions && category) {
        for (int i = 0; i < functions->GetCount(); ++i)
            if (skin::ParseInt(functions->GetItemAt(i)->GetUserData()) ==
                static_cast<int>(*category))
                itemIndex = i;
    }
    if (functions) functions->SelectItem(itemIndex);
    if (itemIndex >= 0)
        if (skin::CControlUI* pages = Find("function_switch_tablayout"))
            if (auto* tabs = static_cast<skin::CTabLayoutUI*>(pages->GetInterface("TabLayout")))
                tabs->SelectItem(static_cast<int>(*category));
    // A value the panel cannot show hides the editing area.
    if (skin::CControlUI* layout = Find("keyset_layout")) layout->SetVisible(itemIndex >= 0);
}

void CKeySetControlUI::ShowKeyText(std::optional<size_t> nameRow) {
    keyTextRow_ = nameRow;
    skin::CControlUI* edit = Find("keyset_keyboard_text_edit");
    if (!edit) return;
    const auto rows = keyboard::KeyboardDefaultNameTable();
    if (!nameRow || *nameRow >= rows.size()) {
        edit->SetText({});
        return;
    }
    const std::string id = std::string(keyboard::kKeyTextPrefix) + rows[*nameRow].name;
    // The page's hidden label resolves the language text, as the captions do.
    skin::CControlUI* resolver = device_ ? FindDescendantByName(device_, "text_test") : nullptr;
    if (!resolver) {
        edit->SetText(id);
        return;
    }
    resolver->SetTextId(id);
    edit->SetText(resolver->GetText());
}

}  // namespace kelno
