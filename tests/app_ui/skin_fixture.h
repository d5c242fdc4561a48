#pragma once
// The program's skin for tests: resource path on the built skin folder,
// res.xml and a language loaded, and an element factory that knows the
// program's custom tags: the widgets, the power indicator; tags owned
// elsewhere (device pages, panels, the tab item) become plain controls that
// remember their tag, so tests can check which element built a control;
// a tag nobody knows (a typo in a layout) builds nothing.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "skin/core/container.h"
#include "skin/core/dialog_builder.h"
#include "skin/window/headless_window_system.h"
#include "skin/window/window_impl_base.h"

namespace kelno::app::test {

// Loads res.xml from the built skin and the language file `languageFile`.
void LoadProgramSkin(const std::string& languageFile = "lan_en.xml");

class TestElementFactory final : public skin::IDialogBuilderCallback {
  public:
    skin::CControlUI* CreateControl(const std::string& className) override;
    // The custom tag that built `control` ("" for the library's own names).
    std::string TagOf(const skin::CControlUI* control) const;

  private:
    std::map<const skin::CControlUI*, std::string> tags_;
};

// Builds a layout with `factory`; the caller owns the tree. nullptr when
// nothing was built.
skin::CControlUI* BuildLayout(const std::string& file, TestElementFactory& factory,
                              std::string* error = nullptr);

// Every control of a tree, root first.
std::vector<skin::CControlUI*> AllControls(skin::CControlUI* root);

// A plain window that owns the window under test (as the main window
// does) and keeps the application messages it gets.
class OwnerWindow final : public skin::WindowImplBase {
  public:
    std::vector<std::pair<uint32_t, int64_t>> messages;  // id, wParam as a number

  protected:
    std::string GetSkinFile() override { return "XML_MSG"; }
    int64_t HandleMessage(uint32_t id, const skin::MessageParam& wParam,
                          const skin::MessageParam& lParam) override;
};

// The program's skin on the headless window system, with a shown owner
// window.
class OwnedWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    skin::HeadlessWindowSystem system_;
    OwnerWindow owner_;
};

}  // namespace kelno::app::test
