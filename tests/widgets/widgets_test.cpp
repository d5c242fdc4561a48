// The custom widgets on the headless host, driven by pointer input the way a
// user's actions arrive.
#include <gtest/gtest.h>

#include "panels/widgets/circle_progress.h"
#include "panels/widgets/device_key_button.h"
#include "panels/widgets/hand_image_text.h"
#include "panels/widgets/hand_img_button.h"
#include "panels/widgets/redio_macro_button.h"
#include "panels/widgets/select_panel.h"
#include "panels/widgets/widget_factory.h"
#include "skin_core/skin_fixture.h"

namespace kelno::widgets {
namespace {

using skin::Point;
using skin::test::SkinWindow;

class WidgetFactory : public skin::IDialogBuilderCallback {
  public:
    skin::CControlUI* CreateControl(const std::string& name) override { return CreateWidget(name); }
};

CDeviceKeyButtonUI* KeyButton(SkinWindow& w, std::string_view name) {
    return static_cast<CDeviceKeyButtonUI*>(
        w.pm.FindControl(name)->GetInterface("DeviceKeyButton"));
}

// Four key buttons stacked 20 pixels high, and a plain button, in a panel
// 200 wide; a label beside the panel.
constexpr const char* kPanel =
    "<HorizontalLayout>"
    "  <SelectPanel name='panel' width='200'>"
    "    <DeviceKeyButton name='key_0' height='20'/>"
    "    <DeviceKeyButton name='key_1' height='20'/>"
    "    <DeviceKeyButton name='key_2' height='20'/>"
    "    <Button name='plain' height='20'/>"
    "    <DeviceKeyButton name='key_3' height='20' enabled='false'/>"
    "  </SelectPanel>"
    "  <Label name='outside'/>"
    "</HorizontalLayout>";

TEST(SelectPanel, RubberBandSelectsTheKeysItMeetsAndRaisesSelectEnd) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kPanel, &factory);

    w.host.Drag({10, 25}, {50, 45});
    EXPECT_FALSE(KeyButton(w, "key_0")->IsKeySelected());
    EXPECT_TRUE(KeyButton(w, "key_1")->IsKeySelected());
    EXPECT_TRUE(KeyButton(w, "key_2")->IsKeySelected());
    EXPECT_FALSE(KeyButton(w, "key_3")->IsKeySelected());
    ASSERT_EQ(w.recorder.OfType(CSelectPanelUI::kSelectEnd).size(), 1u);
    EXPECT_EQ(w.recorder.OfType(CSelectPanelUI::kSelectEnd)[0].sender, "panel");

    // Dragged upwards over the last rows: the earlier selection goes.
    w.host.Drag({150, 95}, {150, 85});
    EXPECT_FALSE(KeyButton(w, "key_1")->IsKeySelected());
    EXPECT_FALSE(KeyButton(w, "key_2")->IsKeySelected());
    EXPECT_TRUE(KeyButton(w, "key_3")->IsKeySelected());
    EXPECT_EQ(w.recorder.OfType(CSelectPanelUI::kSelectEnd).size(), 2u);
}

TEST(SelectPanel, APressOutsideThePanelSelectsNothing) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kPanel, &factory);
    w.host.Drag({300, 10}, {20, 30});
    EXPECT_FALSE(KeyButton(w, "key_0")->IsKeySelected());
    EXPECT_FALSE(KeyButton(w, "key_1")->IsKeySelected());
    EXPECT_TRUE(w.recorder.OfType(CSelectPanelUI::kSelectEnd).empty());
}

TEST(SelectPanel, TheBandIsPaintedWhileDragging) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kPanel, &factory);
    w.host.PaintAll();
    const uint32_t before = w.host.PixelAt({30, 30});
    w.host.MouseMove({10, 10});
    w.host.MouseDown({10, 10});
    w.host.MouseMove({60, 60});
    auto* panel =
        static_cast<CSelectPanelUI*>(w.pm.FindControl("panel")->GetInterface("SelectPanel"));
    EXPECT_TRUE(panel->IsDragging());
    w.host.PaintPending();
    EXPECT_NE(w.host.PixelAt({30, 30}), before);
    w.host.MouseUp({60, 60});
    EXPECT_FALSE(panel->IsDragging());
}

TEST(DeviceKeyButton, DoubleClickRaisesDbclickOnlyWhenEnabled) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kPanel, &factory);
    ASSERT_TRUE(skin::DoubleClickControl(w.host, w.pm, "key_1"));
    ASSERT_EQ(w.recorder.OfType("dbclick").size(), 1u);
    EXPECT_EQ(w.recorder.OfType("dbclick")[0].sender, "key_1");

    w.host.DoubleClick({100, 90});  // key_3, disabled
    EXPECT_EQ(w.recorder.OfType("dbclick").size(), 1u);
}

TEST(DeviceKeyButton, ItsLightIsPaintedInTheLightColour) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kPanel, &factory);
    CDeviceKeyButtonUI* key = KeyButton(w, "key_0");
    EXPECT_FALSE(key->IsLightOn());
    EXPECT_EQ(key->GetLightColour(), 255u);
    EXPECT_EQ(key->GetLightLevel(), 200);
    EXPECT_TRUE(key->IsKeySetImageHidden());

    key->SetLight(0x00FF00, 255, true);  // packed red | blue << 8 | green << 16: pure blue
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({100, 10}) & 0x00FFFFFF, 0x0000FFu);
}

TEST(HandImageText, PairsOfTheSecondTextOverrideTheFirst) {
    struct Case {
        const char* image;
        const char* modify;
        skin::ImageAttribute expected;
    };
    auto with = [](auto change) {
        skin::ImageAttribute attr;
        change(attr);
        return attr;
    };
    const Case cases[] = {
        {"file='a.png' source='1,2,3,4'", "", with([](auto& a) {
             a.file = "a.png";
             a.source = skin::Rect{1, 2, 3, 4};
         })},
        {"file='a.png' fade='10'", "res='b.png' fade='200'", with([](auto& a) {
             a.file = "b.png";
             a.fade = 200;
         })},
        {"  file='a.png'   mask='#FF00FF' hole='TRUE' xtiled='no'", "", with([](auto& a) {
             a.file = "a.png";
             a.mask = 0xFF00FF;
             a.hole = true;
         })},
        {"dest='0,0,16,16' corner='2,2,2,2' ytiled='true' hsl='True' restype='PNG'", "",
         with([](auto& a) {
             a.dest = skin::Rect{0, 0, 16, 16};
             a.corner = skin::Rect{2, 2, 2, 2};
             a.ytiled = true;
             a.hsl = true;
             a.resType = "PNG";
         })},
        // An empty value, an unknown key and a short rectangle are ignored.
        {"file='' colour='red' source='1,2' file='c.png'", "",
         with([](auto& a) { a.file = "c.png"; })},
        // No blank after the closing quote ends the text.
        {"file='a.png'fade='3'", "", with([](auto& a) { a.file = "a.png"; })},
        // A key without '=' or a value without quotes ends the text.
        {"file 'a.png'", "", skin::ImageAttribute{}},
        {"file=a.png fade='3'", "", skin::ImageAttribute{}},
        {"file='unterminated", "", skin::ImageAttribute{}},
        {"", "file='m.png' mask='zz'", with([](auto& a) { a.file = "m.png"; })},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseHandImage(c.image, c.modify), c.expected) << c.image << " | " << c.modify;
    }
}

constexpr const char* kHandButton =
    "<HorizontalLayout>"
    "  <HandImgButton name='hand' width='100' height='40'/>"
    "  <Label name='rest'/>"
    "</HorizontalLayout>";

TEST(HandImgButton, TheDeleteCornerRaisesItsOwnEvent) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(kHandButton, &factory);
    w.host.Click({95, 5});  // top-right 16 x 16
    EXPECT_EQ(w.recorder.OfType(CHandImgButtonUI::kDeleteNotify).size(), 1u);
    EXPECT_TRUE(w.recorder.OfType("click").empty());

    w.host.Click({20, 30});
    EXPECT_EQ(w.recorder.OfType("click").size(), 1u);
    EXPECT_EQ(w.recorder.OfType(CHandImgButtonUI::kDeleteNotify).size(), 1u);

    w.host.MouseMove({200, 20});
    EXPECT_EQ(w.recorder.OfType(kMouseEnterNotify).size(), 1u);
    EXPECT_EQ(w.recorder.OfType(kMouseLeaveNotify).size(), 1u);
}

TEST(CircleProgress, TheArcStartsAtTheBottomAndSweepsItsShare) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(
        "<HorizontalLayout><CircleProgress name='round' width='100' height='100' "
        "bkcolor='#FFFF0000' forecolor='#FF00FF00' min='0' max='100' "
        "value='25'/></HorizontalLayout>",
        &factory);
    auto* round =
        static_cast<CCircleProgressUI*>(w.pm.FindControl("round")->GetInterface("CircleProgress"));
    EXPECT_DOUBLE_EQ(round->SweepDegrees(), 90.0);
    w.host.PaintAll();
    EXPECT_EQ(w.host.PixelAt({30, 70}), 0xFF00FF00u);  // bottom left: the arc
    EXPECT_EQ(w.host.PixelAt({70, 30}), 0xFFFF0000u);  // top right: the circle
    EXPECT_EQ(w.host.PixelAt({70, 70}), 0xFFFF0000u);
}

TEST(RedioMacroButton, ThePicturePulsesWhileRecording) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load("<HorizontalLayout><RedioMacroButton name='record'/></HorizontalLayout>", &factory);
    auto* record = static_cast<CRedioMacroButtonUI*>(
        w.pm.FindControl("record")->GetInterface("RedioMacroButton"));
    record->SetRecording(true);
    w.host.AdvanceTime(CRedioMacroButtonUI::kPulseIntervalMs * 3);
    EXPECT_EQ(record->GetFade(), 255 - 3 * CRedioMacroButtonUI::kFadeStep);
    for (int i = 0; i < 40; ++i) record->Pulse();
    EXPECT_GE(record->GetFade(), CRedioMacroButtonUI::kMinFade);
    EXPECT_LE(record->GetFade(), 255);
    record->SetRecording(false);
    EXPECT_EQ(record->GetFade(), 255);
    w.host.AdvanceTime(CRedioMacroButtonUI::kPulseIntervalMs * 3);
    EXPECT_EQ(record->GetFade(), 255);
}

TEST(WidgetFactory, CreatesEveryWidgetByItsElementName) {
    for (const char* name :
         {"CircleProgress", "DeviceKeyButton", "HandImgButton", "HandImgSelectButton",
          "RedioMacroButton", "SelectPanel", "Wnd", "ChartView", "selectpanel"}) {
        skin::CControlUI* control = CreateWidget(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_NE(control->GetInterface(name), nullptr) << name;
        delete control;
    }
    EXPECT_EQ(CreateWidget("Button"), nullptr);
    EXPECT_EQ(CreateWidget(""), nullptr);
}

}  // namespace
}  // namespace kelno::widgets

namespace kelno::widgets {
namespace {

TEST(HandImgSelectButton, CursorChoiceSelectionAndHoverEvents) {
    WidgetFactory factory;
    SkinWindow w;
    w.Load(
        "<HorizontalLayout><HandImgSelectButton name='pick' width='50' cursor='hand'/>"
        "<HandImgSelectButton name='other' width='50' "
        "cursor='sizeall'/><Label/></HorizontalLayout>",
        &factory);
    auto* pick = static_cast<CHandImgSelectButtonUI*>(
        w.pm.FindControl("pick")->GetInterface("HandImgSelectButton"));
    auto* other = static_cast<CHandImgSelectButtonUI*>(
        w.pm.FindControl("other")->GetInterface("HandImgSelectButton"));
    EXPECT_EQ(pick->GetCursor(), skin::CursorShape::Hand);
    EXPECT_EQ(other->GetCursor(), skin::CursorShape::Arrow);  // no such shape here
    EXPECT_FALSE(pick->IsSelected());
    pick->SetSelected(true);
    EXPECT_TRUE(pick->IsSelected());

    w.host.MouseMove({10, 10});
    w.host.MouseMove({60, 10});
    const auto enters = w.recorder.OfType(kMouseEnterNotify);
    const auto leaves = w.recorder.OfType(kMouseLeaveNotify);
    ASSERT_EQ(enters.size(), 2u);
    EXPECT_EQ(enters[0].sender, "pick");
    EXPECT_EQ(enters[1].sender, "other");
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(leaves[0].sender, "pick");
}

}  // namespace
}  // namespace kelno::widgets
