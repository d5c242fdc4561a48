#include "panels/macro_control.h"

#include <algorithm>
#include <string>

#include "devices/models/key_assignment_device.h"
#include "macros/macro_event_display.h"
#include "panels/panel_host.h"
#include "skin/controls/button.h"
#include "skin/controls/edit.h"
#include "skin/controls/label.h"
#include "skin/controls/list.h"
#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/host/window_host.h"

namespace kelno {
namespace {

constexpr int kItemHeight = 30;
constexpr int kDelayEditHeight = 25;
constexpr int kDelayEditChars = 6;
constexpr uint32_t kDelayEditBackground = 0xFF444444;
constexpr long kMaxMoveDistance = 255;

const char* const kActionItemName = "macro_action";
const char* const kDelayEditName = "macro_delay";

skin::CListUI* AsList(skin::CControlUI* control) {
    return control ? static_cast<skin::CListUI*>(control->GetInterface("List")) : nullptr;
}

void SetStyle(skin::CControlUI& control, const std::string& style) {
    if (!style.empty()) control.SetAttribute("style", style);
}

}  // namespace

skin::CControlUI* DelayEditOf(skin::CControlUI* actionItem) {
    auto* row = actionItem ? static_cast<skin::CContainerUI*>(actionItem->GetInterface("Container"))
                           : nullptr;
    if (!row) return nullptr;
    for (int i = 0; i < row->GetCount(); ++i)
        if (row->GetItemAt(i)->GetName() == kDelayEditName) return row->GetItemAt(i);
    return nullptr;
}

CMacroControlUI::CMacroControlUI(IPanelHost* host)
    : host_(host), now_([] { return std::chrono::steady_clock::now(); }) {}

CMacroControlUI::~CMacroControlUI() {
    if (GetManager()) GetManager()->KillTimer(this);
}

std::string CMacroControlUI::GetClass() const {
    return "MacroControlUI";
}

void* CMacroControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    if (skin::EqualsNoCase(name, IMacroCapturePanel::kInterface))
        return static_cast<IMacroCapturePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

void CMacroControlUI::DoEvent(skin::TEventUI& event) {
    if (event.Type == skin::UiEvent::Timer && event.wParam == kEnsureVisibleTimer) {
        if (GetManager()) GetManager()->KillTimer(this, kEnsureVisibleTimer);
        if (skin::CListUI* list = ActionList(); list && actions_.Selected() >= 0)
            list->EnsureVisible(actions_.Selected());
    }
    CHorizontalLayoutUI::DoEvent(event);
}

CMacroControlUI* CMacroControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CMacroControlUI>(device, kItemName, kElementName);
}

IKeyAssignmentDevice* CMacroControlUI::KeyDevice() const {
    return device_ ? static_cast<IKeyAssignmentDevice*>(
                         device_->GetInterface(IKeyAssignmentDevice::kInterface))
                   : nullptr;
}

skin::CListUI* CMacroControlUI::NameList() {
    return AsList(Find("macro_name_list"));
}

skin::CListUI* CMacroControlUI::ActionList() {
    return AsList(Find("macro_action_list"));
}

void CMacroControlUI::BindDevice(CZembravaUSBDevice* device) {
    device_ = device;
    if (IKeyAssignmentDevice* keys = KeyDevice()) SetMacroFolder(keys->MacroFolder());
    LoadMacroList();
}

void CMacroControlUI::RefreshFromDevice() {
    // A recording owns the list until it ends; an unchanged library keeps
    // the selection and any delay still being typed.
    if (folder_.empty() || IsRecording()) return;
    if (MacroLibrary(folder_).ReadIndex() != entries_) LoadMacroList();
}

// --- the macro list --------------------------------------------------------------------

void CMacroControlUI::SetMacroFolder(const std::filesystem::path& folder) {
    folder_ = folder;
}

void CMacroControlUI::LoadMacroList() {
    if (folder_.empty()) return;
    // The macro shown before stays selected when it is still there.
    const int shown = GetSelectedMacroIndex();
    const std::string guid = shown >= 0 ? entries_[static_cast<size_t>(shown)].guid : "";
    const std::vector<MacroIndexEntry> entries = MacroLibrary(folder_).ReadIndex();
    const auto kept = std::find_if(entries.begin(), entries.end(),
                                   [&](const MacroIndexEntry& e) { return e.guid == guid; });
    ShowMacroList(entries, kept == entries.end() ? -1 : static_cast<int>(kept - entries.begin()));
    OnMacroSelected();
}

void CMacroControlUI::ShowMacroList(const std::vector<MacroIndexEntry>& entries, int selected) {
    entries_ = entries;
    skin::CListUI* list = NameList();
    if (!list) return;
    UpdateScope scope(updating_);
    list->RemoveAll();
    for (const MacroIndexEntry& entry : entries_) {
        auto* item = new skin::CListTextElementUI();
        item->SetFixedHeight(kItemHeight);
        item->SetText(entry.name);
        item->SetUserData(entry.guid);
        list->Add(item);
    }
    list->SelectItem(selected);
}

std::vector<std::string> CMacroControlUI::GetMacroNames() const {
    std::vector<std::string> names;
    for (const MacroIndexEntry& entry : entries_) names.push_back(entry.name);
    return names;
}

int CMacroControlUI::GetSelectedMacroIndex() {
    skin::CListUI* list = NameList();
    const int selected = list ? list->GetCurSel() : -1;
    return selected >= 0 && selected < static_cast<int>(entries_.size()) ? selected : -1;
}

void CMacroControlUI::OnMacroSelected() {
    const int index = GetSelectedMacroIndex();
    if (skin::CControlUI* layout = Find("macro_action_layout")) layout->SetEnabled(index >= 0);
    actions_.Load(index >= 0
                      ? MacroLibrary(folder_).ReadEvents(entries_[static_cast<size_t>(index)].guid)
                      : std::vector<MacroEvent>{});
    ShowActions();
}

// --- the action list -------------------------------------------------------------------

void CMacroControlUI::ShowActions() {
    skin::CListUI* list = ActionList();
    if (!list) return;
    UpdateScope scope(updating_);
    list->RemoveAll();
    for (const MacroEvent& event : actions_.Events()) list->Add(MakeActionItem(event));
    list->SelectItem(actions_.Selected());
}

skin::CControlUI* CMacroControlUI::MakeActionItem(const MacroEvent& event) {
    const MacroEventDisplay display = DescribeMacroEvent(event);
    auto* item = new skin::CListContainerElementUI();
    item->SetName(kActionItemName);
    item->SetFixedHeight(kItemHeight);
    item->SetAttribute("childvalign", "vcenter");

    auto* name = new skin::CLabelUI();
    SetStyle(*name, display.nameStyle);
    if (!display.nameTextId.empty()) name->SetTextId(display.nameTextId);
    item->Add(name);

    auto* direction = new skin::CLabelUI();
    SetStyle(*direction, display.directionStyle);
    if (display.showsNumber)
        direction->SetText(std::to_string(display.number));
    else
        direction->SetTextId(event.down ? "macro_down_text" : "macro_up_text");
    item->Add(direction);

    auto* delay = new skin::CEditUI();
    delay->SetName(kDelayEditName);
    SetStyle(*delay, kMacroTextLabelStyle);
    delay->SetBkColor(kDelayEditBackground);
    delay->SetFixedHeight(kDelayEditHeight);
    delay->SetMaxChar(kDelayEditChars);
    delay->SetNumberOnly(true);
    delay->SetText(std::to_string(event.delay));
    item->Add(delay);
    return item;
}

void CMacroControlUI::TakeActionSelection() {
    if (skin::CListUI* list = ActionList()) actions_.Select(list->GetCurSel());
}

void CMacroControlUI::TakeDelayEdits() {
    skin::CListUI* list = ActionList();
    if (!list) return;
    UpdateScope scope(updating_);
    const int count = std::min(list->GetCount(), actions_.Size());
    for (int i = 0; i < count; ++i) {
        skin::CControlUI* edit = DelayEditOf(list->GetItemAt(i));
        if (!edit) continue;
        const DelayText read = ReadDelayText(edit->GetText());
        if (read.needsRewrite) edit->SetText(read.canonical);
        // An unchanged delay keeps how the file wrote it (the integer 0 of
        // a recording's first event until the next event rewrites it).
        if (read.value != actions_.Events()[static_cast<size_t>(i)].delay)
            actions_.SetDelay(i, read.value);
    }
}

uint16_t CMacroControlUI::TakeFixedDelay() {
    skin::CControlUI* edit = Find("macro_fixed_time_edit");
    if (!edit) return recorder_.FixedDelay();
    const DelayText read = recorder_.ReadFixedDelay(edit->GetText());
    if (read.needsRewrite) {
        UpdateScope scope(updating_);
        edit->SetText(read.canonical);
    }
    return read.value;
}

PointerMoveDistances CMacroControlUI::TakeMoveDistances() {
    // Distances beyond a byte are stored as 255: the edit says so.
    const auto take = [this](const char* name) -> long {
        skin::CControlUI* edit = Find(name);
        if (!edit) return 0;
        const long typed = skin::ParseInt(edit->GetText()).value_or(0);
        const long stored = std::clamp(typed, 0L, kMaxMoveDistance);
        if (edit->GetText() != std::to_string(stored)) {
            UpdateScope scope(updating_);
            edit->SetText(std::to_string(stored));
        }
        return stored;
    };
    return {take("mouse_x_left_edit"), take("mouse_x_right_edit"), take("mouse_y_up_edit"),
            take("mouse_y_down_edit")};
}

void CMacroControlUI::StartEnsureVisibleTimer() {
    if (GetManager()) GetManager()->SetTimer(this, kEnsureVisibleTimer, kEnsureVisibleDelayMs);
}

void CMacroControlUI::EnableEditing(bool enabled) {
    UpdateScope scope(updating_);
    for (const char* name : {"macro_name_tab", "macro_action_list"}) {
        skin::CControlUI* control = Find(name);
        if (!control) continue;
        control->SetMouseEnabled(enabled);
        if (auto* box = static_cast<skin::CContainerUI*>(control->GetInterface("Container")))
            box->SetMouseChildEnabled(enabled);
    }
    for (const char* name : {"macro_tab_macroaction_edit", "macro_tab_macrodelay_edit"})
        if (skin::CControlUI* control = Find(name)) control->SetEnabled(enabled);
    if (skin::CControlUI* start = Find("macro_btn_starredio")) start->SetVisible(enabled);
    if (skin::CControlUI* stop = Find("macro_btn_stopredio")) stop->SetVisible(!enabled);
}

bool CMacroControlUI::IsFixedTime() {
    auto* option = children_.FindAs<skin::COptionUI>("macro_check_time", "Option");
    return option && option->IsSelected();
}

}  // namespace kelno
