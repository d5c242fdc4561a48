#include "skin/window/window_impl_base.h"

#include <array>
#include <string_view>

#include "core/debug_output.h"
#include "skin/core/control.h"

namespace kelno::skin {
namespace {

// Controls that take a press themselves; the caption does not move the
// window through them.
constexpr std::array<std::string_view, 11> kActiveInterfaces{
    "Button", "Option", "CheckBox",  "Edit",         "RichEdit", "Combo",
    "Slider", "List",   "ScrollBar", "ColorPalette", "ListItem"};

bool TakesClicks(CControlUI* control) {
    for (CControlUI* c = control; c != nullptr; c = c->GetParent()) {
        for (std::string_view name : kActiveInterfaces)
            if (c->GetInterface(name) != nullptr) return true;
    }
    return false;
}

CursorShape CursorFor(ResizeEdge edge) {
    switch (edge) {
        case ResizeEdge::Left:
        case ResizeEdge::Right:
            return CursorShape::SizeWE;
        case ResizeEdge::Top:
        case ResizeEdge::Bottom:
            return CursorShape::SizeNS;
        case ResizeEdge::TopLeft:
        case ResizeEdge::BottomRight:
            return CursorShape::SizeNWSE;
        case ResizeEdge::TopRight:
        case ResizeEdge::BottomLeft:
            return CursorShape::SizeNESW;
    }
    return CursorShape::Arrow;
}

}  // namespace

WindowImplBase::WindowImplBase() : m_PaintManager(GetPaintManager()) {}

WindowImplBase::~WindowImplBase() {
    m_PaintManager.RemoveNotifier(this);
}

bool WindowImplBase::Create(CWindowWnd* owner, const std::string& title, const Rect& rect,
                            bool toolWindow) {
    return CreateWithLayout(owner, title, rect, toolWindow ? HostKind::Tool : HostKind::Normal);
}

bool WindowImplBase::CreateWithLayout(CWindowWnd* owner, const std::string& title, const Rect& rect,
                                      HostKind kind) {
    buildError_.clear();
    if (!CreateHost(owner, title, rect, kind)) {
        buildError_ = "no native window";
        return false;
    }
    CDialogBuilder builder;
    std::string file = GetSkinFile();
    CControlUI* root = builder.Create(file, this, &m_PaintManager);
    if (root == nullptr) {
        buildError_ = "cannot build " + file + ": " + builder.GetLastError();
        DebugOutputF("WindowImplBase: %s", buildError_.c_str());
        DiscardWindow();  // no half-made window stays behind
        return false;
    }
    m_PaintManager.SetRoot(root);
    m_PaintManager.AddNotifier(this);
    Size minimum = m_PaintManager.GetMinInfo(), maximum = m_PaintManager.GetMaxInfo();
    if (minimum.cx > 0 || minimum.cy > 0 || maximum.cx > 0 || maximum.cy > 0) {
        auto scaled = [&](Size size) {
            return Size{m_PaintManager.ScaleValue(size.cx), m_PaintManager.ScaleValue(size.cy)};
        };
        GetHost()->SetSizeLimits(scaled(minimum), scaled(maximum));
    }
    Size init = m_PaintManager.GetInitSize();
    if (rect.IsEmpty() && init.cx > 0 && init.cy > 0)
        ResizeClient(m_PaintManager.ScaleValue(init.cx), m_PaintManager.ScaleValue(init.cy));
    InitWindow();
    m_PaintManager.SendNotify(root, notify::kWindowInit);
    return true;
}

CControlUI* WindowImplBase::CreateControl(const std::string&) {
    return nullptr;
}

void WindowImplBase::Notify(TNotifyUI& msg) {
    if (msg.sType == notify::kClick) OnClick(msg);
}

void WindowImplBase::OnClick(TNotifyUI& msg) {
    IWindowHost* host = GetHost();
    if (msg.pSender == nullptr || host == nullptr) return;
    const std::string& name = msg.pSender->GetName();
    if (name == "closebtn") {
        OnCloseRequest();
    } else if (name == "minbtn") {
        host->Minimize();
    } else if (name == "maxbtn") {
        host->Maximize();
        ShowMaximized(true);
    } else if (name == "restorebtn") {
        host->Restore();
        ShowMaximized(false);
    }
}

void WindowImplBase::ShowMaximized(bool maximized) {
    if (CControlUI* max = m_PaintManager.FindControl("maxbtn")) max->SetVisible(!maximized);
    if (CControlUI* restore = m_PaintManager.FindControl("restorebtn"))
        restore->SetVisible(maximized);
}

bool WindowImplBase::IsCaptionPoint(Point pt) {
    const Rect& caption = m_PaintManager.GetCaptionRect();
    if (caption.bottom <= 0) return false;
    Size client = m_PaintManager.GetClientSize();
    // left and top are margins, right is a margin from the right edge and
    // bottom is the caption's height.
    Rect area{m_PaintManager.ScaleValue(caption.left), m_PaintManager.ScaleValue(caption.top),
              client.cx - m_PaintManager.ScaleValue(caption.right),
              m_PaintManager.ScaleValue(caption.bottom)};
    if (!area.Contains(pt)) return false;
    return !TakesClicks(m_PaintManager.FindControl(pt));
}

std::optional<ResizeEdge> WindowImplBase::ResizeEdgeAt(Point pt) {
    IWindowHost* host = GetHost();
    const Rect& box = m_PaintManager.GetSizeBox();
    if (host == nullptr || host->IsMaximized()) return std::nullopt;
    Size client = m_PaintManager.GetClientSize();
    auto within = [&](int thickness, bool near) { return thickness > 0 && near; };
    bool left = within(box.left, pt.x < m_PaintManager.ScaleValue(box.left));
    bool right = within(box.right, pt.x >= client.cx - m_PaintManager.ScaleValue(box.right));
    bool top = within(box.top, pt.y < m_PaintManager.ScaleValue(box.top));
    bool bottom = within(box.bottom, pt.y >= client.cy - m_PaintManager.ScaleValue(box.bottom));
    if (top && left) return ResizeEdge::TopLeft;
    if (top && right) return ResizeEdge::TopRight;
    if (bottom && left) return ResizeEdge::BottomLeft;
    if (bottom && right) return ResizeEdge::BottomRight;
    if (left) return ResizeEdge::Left;
    if (right) return ResizeEdge::Right;
    if (top) return ResizeEdge::Top;
    if (bottom) return ResizeEdge::Bottom;
    return std::nullopt;
}

bool WindowImplBase::PreviewInput(const InputEvent& event) {
    IWindowHost* host = GetHost();
    if (host == nullptr) return false;
    if (event.type == InputEvent::Type::MouseMove || event.type == InputEvent::Type::MouseDown) {
        if (std::optional<ResizeEdge> edge = ResizeEdgeAt(event.point)) {
            // The border belongs to the window, not to the controls under it.
            if (event.type == InputEvent::Type::MouseMove) {
                host->SetCursor(CursorFor(*edge));
            } else if (event.button == MouseButton::Left) {
                host->BeginResizeDrag(*edge, event.point);
            }
            return true;
        }
    }
    if (event.type == InputEvent::Type::MouseDown && event.button == MouseButton::Left &&
        IsCaptionPoint(event.point)) {
        host->BeginMoveDrag(event.point);
        return true;
    }
    if (event.type == InputEvent::Type::DoubleClick && event.button == MouseButton::Left &&
        IsCaptionPoint(event.point) && m_PaintManager.FindControl("maxbtn") != nullptr) {
        // A double click on a resizable window's caption toggles maximised.
        bool maximized = host->IsMaximized();
        if (maximized)
            host->Restore();
        else
            host->Maximize();
        ShowMaximized(!maximized);
        return true;
    }
    return false;
}

}  // namespace kelno::skin
