#pragma once
// A small skinned window for automation tests: two buttons named "btn" (the
// second inside a hidden panel), an option and an edit, registered with the
// automation server, on a host whose tasks the test thread runs.

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <string>
#include <vector>

#include "skin/automation/automation_executor.h"
#include "skin/automation/automation_server.h"
#include "skin/controls/button.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/progress.h"
#include "skin/core/container.h"
#include "skin/core/paint_manager.h"
#include "task_pump_host.h"

namespace kelno::skin::test {

// Records the injected input, then hands it on like a window does.
class InputRecorder : public IHostClient {
  public:
    explicit InputRecorder(CPaintManagerUI& pm) : pm_(pm) {}
    void OnHostPaint(cairo_t* cr, const Rect& dirty) override { pm_.OnHostPaint(cr, dirty); }
    void OnHostInput(const InputEvent& e) override {
        events.push_back(e);
        pm_.OnHostInput(e);
    }
    void OnHostResize(Size s) override { pm_.OnHostResize(s); }
    void OnHostTimer(uint32_t id) override { pm_.OnHostTimer(id); }
    void OnHostCloseRequest() override {}
    void OnHostDestroyed() override { pm_.OnHostDestroyed(); }
    std::vector<InputEvent> events;

  private:
    CPaintManagerUI& pm_;
};

class NotifyLog : public INotifyUI {
  public:
    void Notify(TNotifyUI& msg) override {
        lines.push_back(msg.sType + " " + (msg.pSender ? msg.pSender->GetName() : ""));
    }
    bool Saw(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::vector<std::string> lines;
};

template <typename T>
T* Named(const char* name, int width, int height) {
    T* c = new T;
    c->SetName(name);
    c->SetFixedWidth(width);
    c->SetFixedHeight(height);
    return c;
}

// A small window: two buttons named "btn" (the second inside a hidden
// panel), an option, an edit.
class AutomationFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        host_.SetClientSize({400, 300});
        pm_.Init(&host_, "test");
        auto* root = new CContainerUI;
        root->SetName("root");
        first_ = Place(Named<CButtonUI>("btn", 100, 30), {10, 10, 110, 40});
        first_->SetText("First");
        root->Add(first_);
        hiddenPanel_ = new CContainerUI;
        hiddenPanel_->SetName("panel");
        hiddenPanel_->SetVisible(false);
        root->Add(Place(hiddenPanel_, {0, 50, 400, 100}));
        second_ = Named<CButtonUI>("btn", 100, 30);
        hiddenPanel_->Add(second_);
        option_ = Place(Named<COptionUI>("opt", 100, 30), {10, 110, 110, 140});
        root->Add(option_);
        edit_ = Place(Named<CEditUI>("name_edit", 200, 30), {10, 150, 210, 180});
        edit_->SetText("line\none");
        root->Add(edit_);
        combo_ = Place(Named<CComboUI>("combo", 150, 26), {220, 10, 370, 36});
        combo_->SetAttribute("dropboxsize", "0,60");
        for (int i = 0; i < 8; ++i) {
            auto* item = new CListLabelElementUI;
            item->SetText("item " + std::to_string(i));
            item->SetFixedHeight(24);
            combo_->Add(item);
        }
        root->Add(combo_);
        slider_ = Place(Named<CSliderUI>("slider", 200, 20), {150, 250, 350, 270});
        slider_->SetMinValue(0);
        slider_->SetMaxValue(10);
        root->Add(slider_);
        pm_.SetRoot(root);
        pm_.OnHostResize({400, 300});
        pm_.AddNotifier(&log_);
        AutomationServer::RegisterWindow(&pm_, &input_);
    }
    void TearDown() override { AutomationServer::UnregisterWindow(&pm_); }

    template <typename T>
    T* Place(T* control, Rect r) {
        control->SetFloat(true);
        control->SetFixedXY({r.left, r.top});
        control->SetFixedWidth(r.Width());
        control->SetFixedHeight(r.Height());
        return control;
    }

    // Runs one line here, as the UI thread does for the server.
    std::string Run(const std::string& line) {
        AutomationParse parsed = ParseAutomationCommand(line);
        if (auto* bad = std::get_if<AutomationError>(&parsed)) return FormatError(bad->message);
        return AutomationExecutor(AutomationServer::RegisteredWindows())
            .Execute(std::get<AutomationCommand>(parsed));
    }

    // Sends one line from a worker while this thread plays the UI thread.
    std::string Ask(const std::string& line) {
        auto reply =
            std::async(std::launch::async, [line] { return AutomationServer::HandleLine(line); });
        while (reply.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            host_.Pump(std::chrono::milliseconds(20));
        return reply.get();
    }

    TaskPumpHost host_;
    CPaintManagerUI pm_;
    InputRecorder input_{pm_};
    NotifyLog log_;
    CButtonUI* first_ = nullptr;
    CButtonUI* second_ = nullptr;
    CContainerUI* hiddenPanel_ = nullptr;
    COptionUI* option_ = nullptr;
    CEditUI* edit_ = nullptr;
    CComboUI* combo_ = nullptr;
    CSliderUI* slider_ = nullptr;
};

}  // namespace kelno::skin::test
