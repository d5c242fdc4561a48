#pragma once
// WindowImplBase: a CWindowWnd whose content comes from a layout file. It
// builds the layout with CDialogBuilder (unknown elements go to
// CreateControl, the window's own factory hook), listens to its controls'
// notifications, runs the title-bar buttons "closebtn", "minbtn", "maxbtn"
// and "restorebtn", lets the user drag the window by its caption area (the
// layout's <Window caption="left,top,right,height">) and resize it at its
// sizebox border, within the layout's mininfo and maxinfo.

#include <optional>
#include <string>

#include "skin/core/dialog_builder.h"
#include "skin/core/ui_defs.h"
#include "skin/window/window_wnd.h"

namespace kelno::skin {

class WindowImplBase : public CWindowWnd, public INotifyUI, public IDialogBuilderCallback {
  public:
    WindowImplBase();
    ~WindowImplBase() override;

    // Makes the native window and builds the layout into it; hidden until
    // ShowWindow. Without a `rect` the layout's size is used. False (and no
    // window) when the layout cannot be built; GetBuildError says why.
    bool Create(CWindowWnd* owner, const std::string& title, const Rect& rect = {},
                bool toolWindow = false);
    const std::string& GetBuildError() const { return buildError_; }

    void Notify(TNotifyUI& msg) override;
    CControlUI* CreateControl(const std::string& className) override;

  protected:
    // The layout file: a res.xml id, a file under the resource path, or an
    // absolute path.
    virtual std::string GetSkinFile() = 0;
    // After the layout is built, before "windowinit" is sent.
    virtual void InitWindow() {}
    // "click" notifications; the base runs the title-bar buttons.
    virtual void OnClick(TNotifyUI& msg);

    bool PreviewInput(const InputEvent& event) override;
    bool CreateWithLayout(CWindowWnd* owner, const std::string& title, const Rect& rect,
                          HostKind kind);

    // True when `pt` is in the caption area and not over a control that
    // takes clicks itself.
    bool IsCaptionPoint(Point pt);
    // The edge or corner at `pt` inside the layout's <Window sizebox="l,t,r,b">
    // border, where a drag resizes the window; nothing elsewhere or while
    // maximised.
    std::optional<ResizeEdge> ResizeEdgeAt(Point pt);

    CPaintManagerUI& m_PaintManager;

  private:
    void ShowMaximized(bool maximized);

    std::string buildError_;
};

}  // namespace kelno::skin
