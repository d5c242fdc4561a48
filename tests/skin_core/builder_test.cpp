// Building trees from layout files: the element factory and the builder
// callback, nested layout files, <Include>, <Default>, <Font>, <Window>,
// res.xml ids, language files with ReloadText, and malformed input.

#include <gtest/gtest.h>

#include "core/debug_output.h"
#include "skin/controls/button.h"
#include "skin/controls/label.h"
#include "skin/core/attribute_values.h"
#include "skin/core/resource_manager.h"
#include "skin/layout/layouts.h"
#include "skin_fixture.h"
#include "support/temp_folder.h"

namespace kelno::skin::test {
namespace {

// Points the library at a temporary skin folder and resets the program-wide
// resources afterwards.
class SkinFolder : public ::testing::Test {
  protected:
    void SetUp() override { CPaintManagerUI::SetResourcePath(folder.Path().string()); }
    void TearDown() override {
        CResourceManager::Release();
        CPaintManagerUI::SetResourcePath("");
    }
    kelno::test::TempFolder folder;
};

// Knows one extra element, built from its own layout file.
class KeyPadFactory : public IDialogBuilderCallback {
  public:
    CControlUI* CreateControl(const std::string& className) override {
        asked.push_back(className);
        if (!EqualsNoCase(className, "KeyPad")) return nullptr;
        CDialogBuilder builder;
        return builder.Create("keypad.xml", this);
    }
    std::vector<std::string> asked;
};

TEST_F(SkinFolder, FactoryBuildsUnknownElementsFromAnotherLayoutFile) {
    folder.WriteFile("keypad.xml",
                     "<HorizontalLayout name='pad'><Button name='key_1' width='20'/>"
                     "<Button name='key_2' width='20'/></HorizontalLayout>");
    folder.WriteFile("main.xml",
                     "<?xml version='1.0' encoding='utf-8'?>\n"
                     "<Window size='640,480' caption='0,0,0,30' mininfo='320,200' "
                     "sizebox='4,4,4,4' roundcorner='3,3' showshadow='true'>\n"
                     "  <Font id='3' name='DejaVu Sans' size='20' bold='true' default='false'/>\n"
                     "  <Font id='0' name='DejaVu Sans' size='13' default='true'/>\n"
                     "  <Default name='Button' value='height=&quot;33&quot; font=&quot;3&quot;'/>\n"
                     "  <VerticalLayout name='root'>\n"
                     "    <keypad height='40'/>\n"
                     "    <Bogus name='skipped'><Label name='lost'/></Bogus>\n"
                     "    <Button name='plain'/>\n"
                     "    <Button name='own' height='12'/>\n"
                     "  </VerticalLayout>\n"
                     "</Window>\n");
    SkinWindow w;
    KeyPadFactory factory;
    CDialogBuilder builder;
    ScopedDebugCapture capture;
    CControlUI* root = builder.Create("main.xml", &factory, &w.pm);
    ASSERT_NE(root, nullptr) << builder.GetLastError();
    w.pm.SetRoot(root);

    // Names are compared without regard to case, also for the factory's.
    EXPECT_EQ(factory.asked, (std::vector<std::string>{"keypad", "Bogus"}));
    EXPECT_NE(w.pm.FindControl("pad"), nullptr);
    EXPECT_EQ(w.PosOf("pad").Height(), 40);  // the element's attributes apply
    EXPECT_NE(w.pm.FindControl("key_2"), nullptr);
    EXPECT_EQ(w.pm.FindControl("skipped"), nullptr);
    EXPECT_EQ(w.pm.FindControl("lost"), nullptr);
    bool reported = false;
    for (const std::string& line : capture.Lines())
        reported |= line.find("Bogus") != std::string::npos;
    EXPECT_TRUE(reported);

    // <Default> applies first, the element's own attributes win.
    EXPECT_EQ(w.pm.FindControl("plain")->GetFixedHeight(), 33);
    EXPECT_EQ(w.Find<CButtonUI>("plain")->GetFont(), 3);
    EXPECT_EQ(w.pm.FindControl("own")->GetFixedHeight(), 12);
    // The keypad's buttons were built without the manager: no defaults.
    EXPECT_EQ(w.pm.FindControl("key_1")->GetFixedHeight(), 0);

    EXPECT_EQ(w.pm.GetFont(3), (FontInfo{"DejaVu Sans", 20, true, false, false}));
    EXPECT_EQ(w.pm.GetDefaultFont().size, 13);
    EXPECT_EQ(w.pm.GetFont(99).size, 13);  // unknown ids use the default font
    EXPECT_EQ(w.pm.GetInitSize(), (Size{640, 480}));
    EXPECT_EQ(w.pm.GetCaptionRect(), (Rect{0, 0, 0, 30}));
    EXPECT_EQ(w.pm.GetMinInfo(), (Size{320, 200}));
    EXPECT_EQ(w.pm.GetSizeBox(), (Rect{4, 4, 4, 4}));
    EXPECT_EQ(w.pm.GetRoundCorner(), (Size{3, 3}));
    EXPECT_EQ(w.pm.GetWindowAttribute("showshadow"), "true");
}

TEST_F(SkinFolder, ResXmlIdsIncludesAndFactoryRegistrations) {
    folder.WriteFile("layouts/part.xml", "<Label name='included' text='in'/>");
    folder.WriteFile("layouts/page.xml",
                     "<VerticalLayout name='page'><Include source='layouts/part.xml'/>"
                     "<Fancy name='fancy'/></VerticalLayout>");
    folder.WriteFile("res.xml",
                     "<Res><Xml><Item id='XML_PAGE' path='layouts/page.xml'/></Xml>"
                     "<Image><Item id='IMG_BG' path='images/bg.png'/></Image>"
                     "<Font><Item id='7' name='DejaVu Serif' size='17' underline='true'/></Font>"
                     "</Res>");
    ASSERT_TRUE(CResourceManager::GetInstance().LoadResource("res.xml"));
    EXPECT_EQ(CResourceManager::GetInstance().GetXmlPath("XML_PAGE"), "layouts/page.xml");
    EXPECT_EQ(CResourceManager::GetInstance().GetImagePath("IMG_BG"), "images/bg.png");
    EXPECT_EQ(CResourceManager::GetInstance().GetImagePath("nope"), "");

    // Layouts may be named with backslashes as folder separators.
    CDialogBuilder byPath;
    CControlUI* page = byPath.Create("layouts\\page.xml");
    ASSERT_NE(page, nullptr) << byPath.GetLastError();
    delete page;

    CControlFactory::GetInstance().RegisterControl("Fancy", [] { return new CTextUI; });
    SkinWindow w;
    CDialogBuilder builder;
    w.pm.SetRoot(builder.Create("XML_PAGE", nullptr, &w.pm));
    EXPECT_NE(w.pm.FindControl("included"), nullptr);
    ASSERT_NE(w.pm.FindControl("fancy"), nullptr);
    EXPECT_EQ(w.pm.FindControl("fancy")->GetClass(), "TextUI");
    EXPECT_EQ(w.pm.GetFont(7), (FontInfo{"DejaVu Serif", 17, false, true, false}));

    // A file that includes itself stops at the include depth limit.
    folder.WriteFile("loop.xml", "<VerticalLayout><Include source='loop.xml'/></VerticalLayout>");
    CControlUI* loop = builder.Create("loop.xml");
    EXPECT_NE(loop, nullptr);
    delete loop;
    // A broken res.xml changes nothing.
    folder.WriteFile("bad_res.xml", "<Res><Xml>");
    EXPECT_FALSE(CResourceManager::GetInstance().LoadResource("bad_res.xml"));
    EXPECT_EQ(CResourceManager::GetInstance().GetXmlPath("XML_PAGE"), "layouts/page.xml");
}

TEST_F(SkinFolder, MalformedLayoutsBuildNothingAndSayWhere) {
    CDialogBuilder builder;
    EXPECT_EQ(builder.Create("missing.xml"), nullptr);
    EXPECT_NE(builder.GetLastError().find("missing.xml"), std::string::npos);

    folder.WriteFile("broken.xml", "<VerticalLayout>\n<Button name='a'>\n</VerticalLayout>");
    EXPECT_EQ(builder.Create("broken.xml"), nullptr);
    EXPECT_NE(builder.GetLastError().find("broken.xml: line 3"), std::string::npos)
        << builder.GetLastError();

    // Bad attribute values are skipped; the control is still built.
    CControlUI* c = builder.CreateFromText(
        "<Button width='wide' height='-5' bkcolor='#nothex' pos='x' padding='' "
        "visible='maybe' name='ok'/>");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->GetFixedWidth(), 0);
    EXPECT_EQ(c->GetFixedHeight(), 0);
    EXPECT_EQ(c->GetBkColor(), 0u);
    EXPECT_TRUE(c->IsOwnVisible());
    EXPECT_EQ(c->GetName(), "ok");
    delete c;

    // Children under a control that is not a container are dropped.
    c = builder.CreateFromText("<Label name='l'><Button name='child'/></Label>");
    ASSERT_NE(c, nullptr);
    delete c;
}

class QueryAnswers : public IQueryControlText {
  public:
    std::string QueryControlText(const std::string& id, const std::string&) override {
        return id == "from_query" ? "answered" : "";
    }
};

TEST_F(SkinFolder, LanguageSwitchAndReloadText) {
    folder.WriteFile("lan_en.xml",
                     "<Language><Text id='hello' value='Hello'/>"
                     "<Text id='tip'>Tip &amp; more</Text></Language>");
    folder.WriteFile("lan_de.xml",
                     "<?xml version='1.0' encoding='utf-8'?><Language>"
                     "<Text id='hello' value='Hallo'/></Language>");
    folder.WriteFile("lan_bad.xml", "<Language><Text id='hello' value='x'></Language>");
    CResourceManager& rm = CResourceManager::GetInstance();
    rm.SetLanguage("English");
    ASSERT_TRUE(rm.LoadLanguage("lan_en.xml"));
    EXPECT_EQ(rm.GetLanguage(), "English");

    SkinWindow w;
    w.Load(
        "<VerticalLayout><Label name='by_id' textid='hello' height='20'/>"
        "<Label name='text_test' resourcetext='true' tooltip='tip'/>"
        "<Label name='plain' text='hello'/></VerticalLayout>");
    auto* byId = w.pm.FindControl("by_id");
    auto* probe = w.pm.FindControl("text_test");
    EXPECT_EQ(byId->GetText(), "Hello");
    EXPECT_EQ(w.pm.FindControl("plain")->GetText(), "hello");
    // The application's way of resolving a text: set the id, read it back.
    probe->SetText("hello");
    EXPECT_EQ(probe->GetText(), "Hello");
    EXPECT_EQ(probe->GetToolTip(), "Tip & more");
    probe->SetText("no_such_id");
    EXPECT_EQ(probe->GetText(), "no_such_id");
    QueryAnswers query;
    rm.SetTextQueryInterface(&query);
    probe->SetText("from_query");
    EXPECT_EQ(probe->GetText(), "answered");
    rm.SetTextQueryInterface(nullptr);

    w.host.PaintAll();
    rm.SetLanguage("Deutsch");
    ASSERT_TRUE(rm.LoadLanguage("lan_de.xml"));
    rm.ReloadText();
    EXPECT_EQ(byId->GetText(), "Hallo");
    EXPECT_EQ(w.host.DirtyRect(), (Rect{0, 0, 400, 300}));  // repainted with the new texts
    EXPECT_EQ(probe->GetToolTip(), "tip");                  // not in the new file: the id shows

    // A broken language file keeps the texts loaded before.
    EXPECT_FALSE(rm.LoadLanguage("lan_bad.xml"));
    EXPECT_FALSE(rm.LoadLanguage("lan_missing.xml"));
    EXPECT_EQ(byId->GetText(), "Hallo");
    EXPECT_NE(rm.GetLastError().find("lan_missing.xml"), std::string::npos);
}

}  // namespace
}  // namespace kelno::skin::test
