#include "headset_panel_fixture.h"

#include "panels/notify_routes.h"
#include "headset/headset_panel_factory.h"
#include "skin/controls/combo.h"
#include "skin/controls/progress.h"
#include "skin/core/dialog_builder.h"
#include "skin/host/headless_input.h"

namespace kelno::test {
namespace {

constexpr const char* kPage = R"(
<HorizontalLayout>
  <Voice6533SetControlUI name="Voice6533ControlItem" width="620"/>
  <MagicSetControlUI name="MagicControlItem"/>
</HorizontalLayout>)";

class HeadsetPanelFactory final : public skin::IDialogBuilderCallback {
  public:
    explicit HeadsetPanelFactory(IPanelHost* host) : host_(host) {}
    skin::CControlUI* CreateControl(const std::string& className) override {
        return CreateHeadsetPanelControl(className, host_, this);
    }

  private:
    IPanelHost* host_;
};

}  // namespace

void HeadsetPanelTest::SetUp() {
    skin::CPaintManagerUI::SetResourcePath(std::string(KELNO_SKIN_DIR) + "/");
    host.SetClient(&pm);
    pm.Init(&host, "headset");
    pm.AddNotifier(this);
    page = new FakeHeadsetPage();
    HeadsetPanelFactory factory(&panelHost);
    skin::CDialogBuilder builder;
    ASSERT_NE(builder.CreateFromText(kPage, &factory, &pm, page), nullptr)
        << builder.GetLastError();
    pm.SetRoot(page);
    ASSERT_NE(CVoice6533ControlUI::Of(*page), nullptr);
    ASSERT_NE(CMagicControlUI::Of(*page), nullptr);
    // A microphone on at half level, the monitor off, the first of two
    // custom curves in use, the voice changer on with voice 1.
    using Settings = HeadsetSystemSettings;
    Actions().Value(Settings::kMicInSelect) = 1;
    Actions().Value(Settings::kMicInValue) = 50;
    Actions().Value(Settings::kMagicEnable) = 1;
    Actions().Value(Settings::kMagicType) = 1;
    Actions().UseCustomCurves({"Bass", "Voice"}, 0);
    Voice().BindDevice(page);
    Magic().BindDevice(page);
    pm.UpdateLayout();
}

void HeadsetPanelTest::TearDown() {
    pm.RemoveNotifier(this);
}

void HeadsetPanelTest::Notify(skin::TNotifyUI& msg) {
    if (!msg.pSender || !page) return;
    for (const app::Route& route :
         app::RouteNotification(msg.sType, msg.pSender->GetName()).routes) {
        if (route.handler == app::Handler::VoiceChangerOption) {
            Magic().OnRoutedNotify(route, msg, *page);
        } else {
            Voice().OnRoutedNotify(route, msg, *page);
        }
    }
}

void HeadsetPanelTest::Show() {
    Voice().ShowFrom(Actions());
    Magic().ShowFrom(Actions());
    pm.UpdateLayout();
}

void HeadsetPanelTest::Click(const std::string& name) {
    pm.UpdateLayout();
    ASSERT_TRUE(skin::ClickControl(host, pm, name)) << name;
}

void HeadsetPanelTest::MoveSlider(const std::string& name, int value) {
    auto* slider = static_cast<skin::CSliderUI*>(Find(name)->GetInterface("Slider"));
    ASSERT_NE(slider, nullptr) << name;
    slider->SetValue(value, true);  // what the end of a drag raises
}

void HeadsetPanelTest::PickListItem(const std::string& combo, int index) {
    auto* list = static_cast<skin::CComboUI*>(Find(combo)->GetInterface("Combo"));
    ASSERT_NE(list, nullptr) << combo;
    list->SelectItem(index, true);
}

skin::CControlUI* HeadsetPanelTest::Find(const std::string& name) {
    skin::CControlUI* control = pm.FindControl(name);
    EXPECT_NE(control, nullptr) << name;
    return control;
}

bool HeadsetPanelTest::IsSelected(const std::string& option) {
    auto* control = static_cast<skin::COptionUI*>(Find(option)->GetInterface("Option"));
    return control && control->IsSelected();
}

int HeadsetPanelTest::SliderValue(const std::string& name) {
    auto* slider = static_cast<skin::CSliderUI*>(Find(name)->GetInterface("Slider"));
    return slider ? slider->GetValue() : -1000;
}

std::vector<std::string> HeadsetPanelTest::MessageIds() const {
    std::vector<std::string> ids;
    for (const FakePanelHost::Message& message : panelHost.messages) ids.push_back(message.textId);
    return ids;
}

}  // namespace kelno::test
