// Named styles: <Style> in layouts and res.xml, style="name" on controls
// from layouts and from code, and the order against <Default> and a
// control's own attributes.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/debug_output.h"
#include "skin/controls/button.h"
#include "skin/controls/label.h"
#include "skin/core/container.h"
#include "skin/core/resource_manager.h"
#include "skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::skin::test {
namespace {

class Styles : public ::testing::Test {
  protected:
    void SetUp() override { CPaintManagerUI::SetResourcePath(folder.Path().string()); }
    void TearDown() override {
        CResourceManager::Release();
        CPaintManagerUI::SetResourcePath("");
    }
    static bool Logged(const ScopedDebugCapture& capture, std::string_view text) {
        const auto lines = capture.Lines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(text) != std::string::npos;
        });
    }
    kelno::test::TempFolder folder;
};

TEST_F(Styles, DefaultsThenStyleThenTheControlsOwnAttributes) {
    SkinWindow w;
    w.Load(
        "<Window size='400,300'>"
        "  <Default name='Label' value='height=&quot;5&quot; font=&quot;3&quot;'/>"
        "  <Style name='cap' value='width=&quot;30&quot; height=&quot;20&quot; "
        "textcolor=&quot;#FF112233&quot; text=&quot;styled&quot;'/>"
        "  <VerticalLayout>"
        // The style stands after an own attribute and still comes first.
        "    <Label name='own_colour' textcolor='#FF000000' style='cap'/>"
        "    <Label name='styled' style='CAP'/>"
        "    <Label name='plain'/>"
        "  </VerticalLayout>"
        "</Window>");
    auto* own = w.Find<CLabelUI>("own_colour");
    EXPECT_EQ(own->GetTextColor(), 0xFF000000u);
    EXPECT_EQ(own->GetFixedWidth(), 30);
    EXPECT_EQ(own->GetFixedHeight(), 20);  // the style over the element's default
    EXPECT_EQ(own->GetFont(), 3);          // what the style leaves, the default gives
    auto* styled = w.Find<CLabelUI>("styled");
    EXPECT_EQ(styled->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(styled->GetText(), "styled");
    EXPECT_EQ(w.Find<CLabelUI>("plain")->GetFixedHeight(), 5);
}

TEST_F(Styles, DeclaredInsideALayoutBuiltWithoutAManagerOrInResXml) {
    folder.WriteFile("res.xml",
                     "<Res><Style name='wide' value='width=&quot;77&quot;'/>"
                     "<Xml><Item id='XML_X' path='x.xml'/></Xml></Res>");
    ASSERT_TRUE(CResourceManager::GetInstance().LoadResource("res.xml"));
    folder.WriteFile(
        "panel.xml",
        "<HorizontalLayout name='panel'>"
        "  <Style name='key' value='height=&quot;25&quot; bkcolor=&quot;#FF0A0B0C&quot;'/>"
        "  <Button name='k1' style='key'/>"
        "  <Button name='k2' style='key' height='31'/>"
        "  <Button name='k3' style='wide'/>"
        "</HorizontalLayout>");
    CDialogBuilder builder;
    std::unique_ptr<CControlUI> panel(builder.Create("panel.xml"));
    ASSERT_NE(panel, nullptr) << builder.GetLastError();
    auto* container = static_cast<CContainerUI*>(panel->GetInterface("Container"));
    ASSERT_EQ(container->GetCount(), 3);  // the <Style> is no control
    EXPECT_EQ(container->GetItemAt(0)->GetFixedHeight(), 25);
    EXPECT_EQ(container->GetItemAt(0)->GetBkColor(), 0xFF0A0B0Cu);
    EXPECT_EQ(container->GetItemAt(1)->GetFixedHeight(), 31);
    EXPECT_EQ(container->GetItemAt(1)->GetBkColor(), 0xFF0A0B0Cu);
    EXPECT_EQ(container->GetItemAt(2)->GetFixedWidth(), 77);
    // A later declaration replaces the earlier one, whichever declared it.
    CResourceManager::GetInstance().AddStyle("KEY", "height=\"9\"");
    EXPECT_EQ(*CResourceManager::GetInstance().GetStyle("key"), "height=\"9\"");
    std::unique_ptr<CControlUI> again(builder.Create("panel.xml"));
    EXPECT_EQ(static_cast<CContainerUI*>(again->GetInterface("Container"))
                  ->GetItemAt(0)
                  ->GetFixedHeight(),
              25);
}

// The macro editor styles the labels of its action items as it makes them.
TEST_F(Styles, SetFromCodeOnAControlOutsideAnyWindow) {
    CResourceManager::GetInstance().AddStyle(
        "macro_label_down_style", "textcolor=\"#FF19D3C5\" width=\"60\" align=\"center\"");
    CLabelUI label;
    label.SetAttribute("width", "10");
    label.SetAttribute("style", "macro_label_down_style");
    EXPECT_EQ(label.GetFixedWidth(), 60);  // applied when set, over earlier values
    EXPECT_EQ(label.GetTextColor(), 0xFF19D3C5u);
    label.SetAttribute("width", "44");
    EXPECT_EQ(label.GetFixedWidth(), 44);  // later attributes override it
    EXPECT_EQ(label.GetTextColor(), 0xFF19D3C5u);
}

TEST_F(Styles, UnknownAndSelfNamingStylesChangeNothingElse) {
    CResourceManager::GetInstance().AddStyle("loop", "style=\"loop\" height=\"7\"");
    SkinWindow w;
    ScopedDebugCapture capture;
    w.Load(
        "<VerticalLayout>"
        "  <Label name='missing' style='no_such_style' height='12'/>"
        "  <Label name='looping' style='loop'/>"
        "  <Style name='broken'/>"
        "</VerticalLayout>");
    EXPECT_EQ(w.Find<CLabelUI>("missing")->GetFixedHeight(), 12);
    EXPECT_TRUE(Logged(capture, "no_such_style"));
    EXPECT_EQ(w.Find<CLabelUI>("looping")->GetFixedHeight(), 7);
    EXPECT_TRUE(Logged(capture, "<Style> without name or value"));
    EXPECT_EQ(CResourceManager::GetInstance().GetStyle("broken"), nullptr);
}

}  // namespace
}  // namespace kelno::skin::test
