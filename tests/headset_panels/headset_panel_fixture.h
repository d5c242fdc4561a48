#pragma once
// Both headset audio panels, built from the shipped layouts, on a fake
// headset page in a headless window, with the main window's routing of
// their notifications and a recording panel host.

#include <gtest/gtest.h>

#include <string>

#include "fake_audio_actions.h"
#include "headset/magic_control.h"
#include "headset/voice6533_control.h"
#include "panel_fixture.h"
#include "skin/controls/button.h"
#include "skin/core/paint_manager.h"
#include "skin/host/headless_host.h"

namespace kelno::test {

class HeadsetPanelTest : public ::testing::Test, public skin::INotifyUI {
  protected:
    void SetUp() override;
    void TearDown() override;
    // What the main window does with a notification of the page.
    void Notify(skin::TNotifyUI& msg) override;

    // The panels show what the fake holds now.
    void Show();
    FakeAudioActions& Actions() { return page->actions; }
    CVoice6533ControlUI& Voice() { return *CVoice6533ControlUI::Of(*page); }
    CMagicControlUI& Magic() { return *CMagicControlUI::Of(*page); }

    // The user's input: a click, a slider let go at `value`, a list pick.
    void Click(const std::string& name);
    void MoveSlider(const std::string& name, int value);
    void PickListItem(const std::string& combo, int index);

    skin::CControlUI* Find(const std::string& name);
    bool IsSelected(const std::string& option);
    bool IsEnabled(const std::string& name) { return Find(name)->IsEnabled(); }
    int SliderValue(const std::string& name);
    std::vector<std::string> MessageIds() const;

    skin::HeadlessHost host{{1400, 900}};
    skin::CPaintManagerUI pm;
    FakePanelHost panelHost;
    FakeHeadsetPage* page = nullptr;  // owned by the window as its root
};

}  // namespace kelno::test
