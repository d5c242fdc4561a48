#include "panel_fixture.h"

#include "panels/notify_routes.h"
#include "core/json_access.h"
#include "core/json_file.h"
#include "panels/key_set_control.h"
#include "panels/macro_control.h"
#include "panels/panel_factory.h"
#include "panels/widgets/widget_factory.h"
#include "skin/controls/combo.h"
#include "skin/host/headless_input.h"

namespace kelno::test {
namespace {

// The keyboard page of the tests: the profile control, the lighting and
// key assignment panels (the page shows the latter once a key is chosen),
// the caption label and, in a column of its own, the macro editor.
constexpr const char* kPageXml = R"(
<HorizontalLayout>
  <DeviceProfileUI name="DeviceProfileItem" width="170"/>
  <VerticalLayout>
    <LightSetControlUI name="LightControlItem"/>
    <KeySetControlUI name="KeySetControlItem"/>
    <Label name="text_test" visible="false"/>
  </VerticalLayout>
  <MacroSetControlUI name="MacroControlItem" width="640"/>
</HorizontalLayout>)";

template <typename T>
T TakeFront(std::deque<T>& queue, T fallback) {
    if (queue.empty()) return fallback;
    T value = std::move(queue.front());
    queue.pop_front();
    return value;
}

bool IsMacroRoute(app::Handler handler) {
    switch (handler) {
        case app::Handler::MacroEditorButton:
        case app::Handler::MacroRecording:
        case app::Handler::MacroInsertCursorStep:
        case app::Handler::MacroNameList:
        case app::Handler::MacroDelayEdited:
        case app::Handler::OpenMacroActionMenu:
            return true;
        default:
            return false;
    }
}

bool IsKeyAssignmentRoute(app::Handler handler) {
    switch (handler) {
        case app::Handler::KeyAssignmentButton:
        case app::Handler::KeyAssignmentCheck:
        case app::Handler::KeyAssignmentList:
        case app::Handler::KeyAssignmentPendingChange:
            return true;
        default:
            return false;
    }
}

bool IsLightingRoute(app::Handler handler) {
    switch (handler) {
        case app::Handler::LightingPaletteColour:
        case app::Handler::ColourSwatch:
        case app::Handler::LightingPanelButton:
        case app::Handler::LightingOption:
        case app::Handler::LightingSlider:
        case app::Handler::LightingList:
        case app::Handler::LightingColourEdit:
        case app::Handler::KeyboardKeysSelected:
        case app::Handler::MouseKeysSelected:
            return true;
        default:
            return false;
    }
}

}  // namespace

IPanelHost::Choice FakePanelHost::ShowMessage(const std::string& textId, Buttons,
                                              std::optional<int> number) {
    messages.push_back({textId, number});
    return TakeFront(messageAnswers, Choice::Ok);
}

std::optional<std::string> FakePanelHost::ChooseProfileToOpen() {
    ++dialogsShown;
    return TakeFront(openAnswers, std::optional<std::string>());
}

std::optional<std::string> FakePanelHost::ChooseProfileToSave(const std::string&) {
    ++dialogsShown;
    return TakeFront(saveAnswers, std::optional<std::string>());
}

skin::CControlUI* PanelFactory::CreateControl(const std::string& className) {
    if (skin::CControlUI* widget = widgets::CreateWidget(className)) return widget;
    return CreatePanelControl(className, host_, this);
}

void PanelRouter::Notify(skin::TNotifyUI& msg) {
    if (!device_ || !msg.pSender) return;
    for (const app::Route& route :
         app::RouteNotification(msg.sType, msg.pSender->GetName()).routes) {
        if (IsLightingRoute(route.handler)) {
            if (CLightControlUI* panel = CLightControlUI::Of(*device_)) {
                handled += panel->OnRoutedNotify(route, msg, *device_) ? 1 : 0;
            }
        } else if (IsMacroRoute(route.handler)) {
            if (CMacroControlUI* panel = CMacroControlUI::Of(*device_)) {
                handled += panel->OnRoutedNotify(route, msg, *device_) ? 1 : 0;
            }
        } else if (IsKeyAssignmentRoute(route.handler)) {
            if (CKeySetControlUI* panel = CKeySetControlUI::Of(*device_)) {
                handled += panel->OnRoutedNotify(route, msg, *device_) ? 1 : 0;
            }
        } else if (route.handler == app::Handler::ProfileButton ||
                   route.handler == app::Handler::ProfileComboSelected) {
            if (CDeviceProfileUI* panel = CDeviceProfileUI::Of(*device_)) {
                handled += panel->OnRoutedNotify(route, msg, *device_) ? 1 : 0;
            }
        }
    }
}

void KeyboardPageTest::SetUp() {
    std::filesystem::create_directories(DefaultFolder());
    for (const char* file : {"keyboard.Json", "default_light.json"}) {
        std::filesystem::copy_file(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / file,
                                   DefaultFolder() / file);
    }
    std::filesystem::create_directories(UserFolder());
    skin::CPaintManagerUI::SetResourcePath(std::string(KELNO_SKIN_DIR) + "/");
    host.SetClient(&pm);
    pm.Init(&host, "panels");
    pm.AddNotifier(&router);
    firmware = sim.Plug(sim::SimKind::Keyboard);
    ASSERT_TRUE(firmware);
}

void KeyboardPageTest::BuildPage() {
    keyboard = new CZembravaKeyboardDevice(sim.Backend());
    device = keyboard;
    keyboard->SetDataFolders(temp.Path() / "user", DefaultFolder());
    keyboard->SetLayoutFile("test-page");
    PanelFactory factory(&panelHost);
    skin::CDialogBuilder builder;
    ASSERT_NE(builder.CreateFromText(kPageXml, &factory, &pm, keyboard), nullptr)
        << builder.GetLastError();
    pm.SetRoot(keyboard);
    keyboard->InitLayout();
    ASSERT_NE(CLightControlUI::Of(*device), nullptr);
    ASSERT_NE(CDeviceProfileUI::Of(*device), nullptr);
    ASSERT_NE(CKeySetControlUI::Of(*device), nullptr);
    ASSERT_NE(CMacroControlUI::Of(*device), nullptr);
    const std::vector<std::string> paths = sim.Backend()->Paths("keyboard");
    ASSERT_GE(paths.size(), 4u);
    ASSERT_TRUE(keyboard->OpenCommandChannel(paths[3]));
    keyboard->InitialSync();
    pm.UpdateLayout();
}

void KeyboardPageTest::TearDown() {
    pm.RemoveNotifier(&router);
    if (keyboard) keyboard->StopThreads();
}

void KeyboardPageTest::Click(const std::string& name) {
    pm.UpdateLayout();
    ASSERT_TRUE(skin::ClickControl(host, pm, name)) << name;
}

void KeyboardPageTest::Type(const std::string& edit, const std::string& text) {
    auto* control = Find<skin::CControlUI>(edit);
    ASSERT_NE(control, nullptr);
    control->SetText("");
    Click(edit);
    host.TypeText(text);
    pm.SetFocus(nullptr);
}

void KeyboardPageTest::FireProfileSwitch() {
    ASSERT_NE(panelHost.switchTarget, nullptr);
    CZembravaUSBDevice& target = *panelHost.switchTarget;
    panelHost.switchTarget = nullptr;
    CDeviceProfileUI::Of(target)->SwitchToSelectedProfile(target);
}

skin::CComboUI* KeyboardPageTest::ProfileCombo() {
    return Find<skin::CComboUI>("device_profile_combo");
}

std::vector<std::string> KeyboardPageTest::ComboTexts() {
    std::vector<std::string> texts;
    for (int i = 0; i < ProfileCombo()->GetCount(); ++i)
        texts.push_back(ProfileCombo()->GetItemAt(i)->GetText());
    return texts;
}

void KeyboardPageTest::MenuClick(const std::string& name) {
    if (!Profiles().IsMenuShown()) Click("profile_fun_spread_btn");
    Click(name);
}

std::string KeyboardPageTest::Uuid(int index) const {
    return ListFile()["profilelist"][index]["profileUUID"].asString();
}

Json::Value KeyboardPageTest::ListFile() const {
    return ReadJsonFile(UserFolder() / "ProfileList.ini");
}

Json::Value KeyboardPageTest::ProfileFile(const std::string& uuid) {
    Settle();
    return ReadJsonFile(UserFolder() / (uuid + ".Json"));
}

Json::Value KeyboardPageTest::CurrentLightInfo() {
    Settle();
    const Json::Value profile = ReadJsonFile(device->GetProfileName());
    return json::Member(json::Element(json::Member(profile, "Device"), 0), "LightInfo");
}

void KeyboardPageTest::Settle() {
    // What a result posts back may queue more (a change the file did not
    // take is sent back to the keyboard): until nothing more comes.
    for (int round = 0; round < 10; ++round) {
        EXPECT_TRUE(device->WaitForDeviceWork(std::chrono::seconds(10)));
        if (host.RunPendingTasks() == 0) return;
    }
    ADD_FAILURE() << "the device work never settled";
}

std::vector<uint8_t> KeyboardPageTest::SettingsBlock() {
    Settle();
    std::vector<uint8_t> memory = firmware->Memory();
    memory.resize(25);
    return memory;
}

std::vector<uint8_t> KeyboardPageTest::KeyLightBitmap() {
    Settle();
    return firmware->KeyLightBitmap();
}

}  // namespace kelno::test
