// The main window with a keyboard tab and page, rendered headless into
// PNGs kept under the build folder (artefacts/app_ui), and the properties
// of the look that matter: dark title bar with its accent line, tab strip,
// the key picture inside the page, the "no device" notice.

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <memory>

#include "app/ui/language_manager.h"
#include "app/ui/mp_device_power.h"
#include "core/settings_store.h"
#include "devices/models/light_button.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/layout/layouts.h"
#include "skin/window/headless_window_system.h"
#include "skin/window/window_impl_base.h"
#include "skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::app::test {
namespace {

constexpr uint32_t kTitleBar = 0xFF0B0D11;
constexpr uint32_t kAccent = 0xFF19D3C5;

class PreviewWindow final : public skin::WindowImplBase {
  public:
    skin::CControlUI* CreateControl(const std::string& className) override {
        return factory_.CreateControl(className);
    }
    TestElementFactory factory_;

  protected:
    std::string GetSkinFile() override { return "XML_MAIN"; }
};

class MainWindowRenderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skin::SetWindowSystem(&system_);
        LoadProgramSkin();
        ASSERT_TRUE(window_.Create(nullptr, "KELNO Driver")) << window_.GetBuildError();
        window_.ShowWindow();
        host_ = skin::HeadlessWindowSystem::Inner(window_.GetHost());
        // The language list as the shell fills it.
        CLanguageManager languages(
            std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "Language.config", store_, nullptr);
        languages.SetCurrentIndex(0);
        auto* combo = static_cast<skin::CComboUI*>(Find("Language_combox")->GetInterface("Combo"));
        ASSERT_NE(combo, nullptr);
        languages.FillLanguageCombo(*combo);
    }
    void TearDown() override {
        window_.Close();
        system_.RunPendingTasks();
        skin::SetWindowSystem(nullptr);
    }

    skin::CControlUI* Find(const char* name) { return window_.GetPaintManager().FindControl(name); }
    skin::CContainerUI* Container(const char* name) {
        skin::CControlUI* control = Find(name);
        return control ? static_cast<skin::CContainerUI*>(control->GetInterface("Container"))
                       : nullptr;
    }
    // What the shell does for one device kind at start-up, and on arrival.
    void AddDevice(const char* iconSet, const char* name, const char* pageXml, bool selected) {
        skin::CDialogBuilder builder;
        skin::CControlUI* item = builder.Create("XML/CustomControlXML/DeviceOption.xml",
                                                &window_.factory_, &window_.GetPaintManager());
        ASSERT_NE(item, nullptr) << builder.GetLastError();
        ASSERT_TRUE(Container("device_select_layout")->Add(item));
        auto* tab = static_cast<skin::COptionUI*>(Find("device_select")->GetInterface("Option"));
        ASSERT_NE(tab, nullptr);
        const std::string icons = std::string("common/device_ico/") + iconSet + "_device_";
        tab->SetNormalImage(icons + "normal.png");
        tab->SetSelectedImage(icons + "selected.png");
        tab->Selected(selected);
        tab->SetName(std::string("device_select_") + iconSet);  // unique for Find
        Find("device_select_name")->SetText(name);
        Find("device_select_name")->SetName(std::string("device_select_name_") + iconSet);

        skin::CControlUI* power = builder.Create("XML/CustomControlXML/MpDevicePower.xml",
                                                 &window_.factory_, &window_.GetPaintManager());
        ASSERT_NE(power, nullptr);
        ASSERT_TRUE(Container("device_power_switch")->Add(power));
        if (pageXml) {
            skin::CControlUI* page =
                builder.Create(pageXml, &window_.factory_, &window_.GetPaintManager());
            ASSERT_NE(page, nullptr) << builder.GetLastError();
            ASSERT_TRUE(Container("device_switch")->Add(page));
        }
    }
    void ShowPower(std::vector<uint8_t> status) {
        auto* power = static_cast<CMpDevicePowerUI*>(
            Container("device_power_switch")->GetItemAt(0)->GetInterface("MpDevicePower"));
        ASSERT_NE(power, nullptr);
        power->SetKind(2, 0);
        power->Show(status);
    }
    void Render(const std::string& file) {
        window_.GetPaintManager().UpdateLayout();
        host_->PaintAll();
        ASSERT_TRUE(host_->RenderToPng(std::string(KELNO_TEST_ARTEFACTS) + "/" + file));
    }
    // Pixels of `rc` that differ from `background`.
    int InkIn(const skin::Rect& rc, uint32_t background) {
        int ink = 0;
        for (int x = rc.left; x < rc.right; ++x)
            for (int y = rc.top; y < rc.bottom; ++y)
                if (host_->PixelAt({x, y}) != background) ++ink;
        return ink;
    }

    kelno::test::TempFolder config_;
    SettingsStore store_{config_ / "settings.json"};
    skin::HeadlessWindowSystem system_;
    PreviewWindow window_;
    skin::HeadlessHost* host_ = nullptr;
};

// A colour wheel position (0 to 359) as the key buttons take it: red | blue
// << 8 | green << 16.
uint32_t PackedHue(int hue) {
    auto channel = [&](int offset) {
        const int h = (hue + offset) % 360;
        const int v = h < 60    ? 255
                      : h < 120 ? 255 - (h - 60) * 255 / 60
                      : h < 240 ? 0
                      : h < 300 ? (h - 240) * 255 / 60
                                : 255;
        return static_cast<uint32_t>(v);
    };
    return channel(0) | channel(120) << 8 | channel(240) << 16;
}

TEST_F(MainWindowRenderTest, KeyboardPage) {
    AddDevice("kb", "Keyboard", "XML/DeviceXml/keyboarddevice.xml", true);
    AddDevice("ms", "Mouse", nullptr, false);
    Find("No_device_Link")->SetVisible(false);
    ShowPower({76, 0, 0, 0, 0, 0});
    Render("main-window-keyboard.png");
    // The same page lit as a keyboard shows its lighting: a rainbow.
    window_.GetPaintManager().UpdateLayout();
    const skin::Rect board = Find("keyboard_device_key_light")->GetPos();
    for (int i = 0; i < 126; ++i) {
        skin::CControlUI* key = Find(("key_" + std::to_string(i)).c_str());
        auto* light = static_cast<ILightButton*>(key->GetInterface(kLightButtonInterface));
        ASSERT_NE(light, nullptr);
        const int hue = (key->GetPos().left - board.left) * 300 / (board.right - board.left);
        light->SetLight(PackedHue(hue), 255, true);
    }
    Render("main-window-keyboard-lit.png");
    const skin::Rect esc = Find("key_0")->GetPos();
    const uint32_t packed = PackedHue((esc.left - board.left) * 300 / (board.right - board.left));
    const uint32_t shown = host_->PixelAt({esc.left + 3, esc.top + 3});
    EXPECT_EQ(shown & 0xFFFFFF,
              (packed & 0xFF) << 16 | (packed >> 16 & 0xFF) << 8 | (packed >> 8 & 0xFF))
        << "a lit key shows its light";
    EXPECT_GT(InkIn(esc, shown), 10) << "and its caption over it";
    Render("main-window-keyboard.png");

    EXPECT_EQ(window_.GetHost()->ClientSize(), (skin::Size{800, 572}));
    EXPECT_EQ(host_->PixelAt({260, 24}), kTitleBar) << "title bar";
    EXPECT_EQ(host_->PixelAt({400, 48}), kAccent) << "accent line under the title bar";
    const skin::Rect client{0, 0, 800, 572};
    for (const char* name : {"closebtn", "minbtn", "maxbtn", "skinbtn", "setbtn", "Language_combox",
                             "control_light_status"}) {
        const skin::Rect rc = Find(name)->GetPos();
        EXPECT_EQ(rc.Intersect({0, 0, 800, 48}), rc) << name << " sits in the title bar";
        EXPECT_GT(InkIn(rc, host_->PixelAt({rc.left, rc.top})), 10) << name << " shows something";
    }
    // The selected tab's icon is drawn in the accent colour.
    const skin::Rect tab = Find("device_select_kb")->GetPos();
    EXPECT_EQ(tab.right - tab.left, 56);
    EXPECT_GT(InkIn(tab, 0xFF1A1D24), 200);

    skin::CControlUI* picture = Find("keyboard_device_key_light");
    ASSERT_NE(picture, nullptr);
    const skin::Rect area = Find("device_switch")->GetPos();
    EXPECT_EQ(picture->GetPos().Intersect(area), picture->GetPos())
        << "key picture inside the page";
    EXPECT_EQ(picture->GetPos().Intersect(client), picture->GetPos());
    // Key captions are drawn: Esc and the space bar carry text.
    for (const char* key : {"key_0", "key_108", "key_75"}) {
        skin::CControlUI* control = Find(key);
        ASSERT_NE(control, nullptr) << key;
        EXPECT_NE(control->GetText(), control->GetTextId()) << key << " has an English caption";
        const skin::Rect rc = control->GetPos();
        const uint32_t cap = host_->PixelAt({rc.left + 2, rc.top + 2});
        EXPECT_GT(InkIn(rc, cap), 10) << key;
    }
}

TEST_F(MainWindowRenderTest, OtherDevicePages) {
    struct Case {
        const char* iconSet;
        const char* page;
        const char* picture;
        const char* png;
    };
    const Case cases[] = {
        {"ms", "XML/DeviceXml/mousedevice.xml", "mouse_device_seting_layout",
         "main-window-mouse.png"},
        {"hard_mp", "XML/DeviceXml/mousepaddevice.xml", "mousepad_device_key_light",
         "main-window-mousepad.png"},
        {"hd", "XML/DeviceXml/hs6533device.xml", "hs6533_device_key_light",
         "main-window-headset.png"},
    };
    Find("No_device_Link")->SetVisible(false);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.page);
        AddDevice(c.iconSet, c.iconSet, c.page, true);
        static_cast<skin::CTabLayoutUI*>(Find("device_switch")->GetInterface("TabLayout"))
            ->SelectItem(static_cast<int>(i));
        Render(c.png);
        const skin::Rect area = Find("device_switch")->GetPos();
        const skin::Rect picture = Find(c.picture)->GetPos();
        EXPECT_FALSE(picture.IsEmpty());
        EXPECT_EQ(picture.Intersect(area), picture);
        // Every LED and key of the picture lies inside it.
        auto* panel = static_cast<skin::CContainerUI*>(Find(c.picture)->GetInterface("Container"));
        for (int k = 0; k < panel->GetCount(); ++k) {
            const skin::Rect rc = panel->GetItemAt(k)->GetPos();
            EXPECT_EQ(rc.Intersect(picture), rc) << panel->GetItemAt(k)->GetName();
        }
    }
}

TEST_F(MainWindowRenderTest, NoDeviceNotice) {
    AddDevice("kb", "Keyboard", "XML/DeviceXml/keyboarddevice.xml", false);
    Container("device_select_layout")->GetItemAt(0)->SetVisible(false);
    Render("main-window-no-device.png");
    skin::CControlUI* ok = Find("nodevice_ok_btn");
    ASSERT_TRUE(Find("No_device_Link")->IsVisible());
    const skin::Rect rc = ok->GetPos();
    EXPECT_FALSE(rc.IsEmpty());
    EXPECT_EQ(host_->PixelAt({rc.left + 3, rc.top + 3}), kAccent);
    EXPECT_LT(rc.left, 400);
    EXPECT_GT(rc.right, 400) << "the button is centred";
    EXPECT_NE(Find("nodevice_title")->GetText(), "nodevice_title_text");
}

TEST_F(MainWindowRenderTest, SimplifiedChineseTexts) {
    AddDevice("kb", "键盘", "XML/DeviceXml/keyboarddevice.xml", true);
    Find("No_device_Link")->SetVisible(false);
    ASSERT_TRUE(skin::CResourceManager::GetInstance().LoadLanguage("lan_cn.xml"));
    skin::CResourceManager::GetInstance().ReloadText();
    Render("main-window-keyboard-cn.png");
    EXPECT_EQ(Find("key_108")->GetText(), "空格");
    const skin::Rect rc = Find("key_108")->GetPos();
    EXPECT_GT(InkIn(rc, host_->PixelAt({rc.left + 2, rc.top + 2})), 20) << "CJK glyphs are drawn";
}

}  // namespace
}  // namespace kelno::app::test
