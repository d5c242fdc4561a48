#pragma once
// A headless window with a paint manager and a notification recorder, for
// tests that drive layouts the way a user's input arrives.

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "skin/core/dialog_builder.h"
#include "skin/core/paint_manager.h"
#include "skin/host/headless_host.h"
#include "skin/host/headless_input.h"

namespace kelno::skin::test {

struct Notice {
    std::string type;
    std::string sender;
    uintptr_t wParam;
    intptr_t lParam;
};

class NotifyRecorder : public INotifyUI {
  public:
    void Notify(TNotifyUI& msg) override {
        notices.push_back({msg.sType, msg.pSender ? msg.pSender->GetName() : std::string(),
                           msg.wParam, msg.lParam});
    }
    // Notices of one type, in order.
    std::vector<Notice> OfType(std::string_view type) const {
        std::vector<Notice> out;
        for (const Notice& n : notices) {
            if (n.type == type) out.push_back(n);
        }
        return out;
    }
    std::vector<std::string> Types() const {
        std::vector<std::string> out;
        for (const Notice& n : notices) out.push_back(n.type + ":" + n.sender);
        return out;
    }
    std::vector<Notice> notices;
};

class SkinWindow {
  public:
    explicit SkinWindow(Size size = {400, 300}, double dpi = 1.0) : host(size, dpi) {
        host.SetClient(&pm);
        pm.Init(&host, "test");
        pm.AddNotifier(&recorder);
    }
    ~SkinWindow() { pm.RemoveNotifier(&recorder); }

    // Builds `xml` as the window's tree; fails the test when nothing is built.
    CControlUI* Load(std::string_view xml, IDialogBuilderCallback* callback = nullptr) {
        CDialogBuilder builder;
        CControlUI* root = builder.CreateFromText(xml, callback, &pm);
        EXPECT_NE(root, nullptr) << builder.GetLastError();
        pm.SetRoot(root);
        pm.UpdateLayout();
        return root;
    }
    template <typename T>
    T* Find(std::string_view name) {
        auto* control = dynamic_cast<T*>(pm.FindControl(name));
        EXPECT_NE(control, nullptr) << "no control " << name;
        return control;
    }
    Rect PosOf(std::string_view name) {
        pm.UpdateLayout();
        CControlUI* control = pm.FindControl(name);
        return control ? control->GetPos() : Rect{-1, -1, -1, -1};
    }
    void Click(std::string_view name) { ASSERT_TRUE(ClickControl(host, pm, name)) << name; }

    HeadlessHost host;
    CPaintManagerUI pm;
    NotifyRecorder recorder;
};

}  // namespace kelno::skin::test
