#include "skin/host/headless_host.h"

#include <algorithm>

namespace kelno::skin {

HeadlessHost::HeadlessHost(Size clientSize, double dpiScale)
    : size_(clientSize), dpiScale_(dpiScale), windowRect_{0, 0, clientSize.cx, clientSize.cy} {}

HeadlessHost::~HeadlessHost() {
    if (surface_) cairo_surface_destroy(surface_);
}

void HeadlessHost::Invalidate(const Rect& area) {
    Rect clipped = area.Intersect({0, 0, size_.cx, size_.cy});
    dirty_ = dirty_.Union(clipped);
}

void HeadlessHost::SetTimer(uint32_t id, uint32_t intervalMs) {
    intervalMs = std::max<uint32_t>(intervalMs, 1);
    timers_[id] = Timer{intervalMs, nowMs_ + intervalMs, ++timerOrder_};
}

void HeadlessHost::KillTimer(uint32_t id) {
    timers_.erase(id);
}

bool HeadlessHost::PostTask(std::function<void()> task) {
    std::lock_guard<std::mutex> lock(tasksMutex_);
    if (destroyed_) return false;
    tasks_.push_back(std::move(task));
    return true;
}

void HeadlessHost::Show(bool visible) {
    const bool wasShown = visible_ && !minimized_;
    visible_ = visible;
    ReportShown(wasShown);
}

void HeadlessHost::Minimize() {
    const bool wasShown = visible_ && !minimized_;
    minimized_ = true;
    ReportShown(wasShown);
}

void HeadlessHost::Restore() {
    const bool wasShown = visible_ && !minimized_;
    minimized_ = false;
    ReportShown(wasShown);
}

void HeadlessHost::ReportShown(bool wasShown) {
    const bool shown = visible_ && !minimized_;
    if (shown != wasShown && client_) client_->OnHostShown(shown);
}

void HeadlessHost::Move(const Rect& windowRect) {
    windowRect_ = windowRect;
    Resize({windowRect.Width(), windowRect.Height()});
}

void HeadlessHost::Destroy() {
    {
        std::lock_guard<std::mutex> lock(tasksMutex_);
        if (destroyed_) return;
        destroyed_ = true;
        tasks_.clear();
    }
    timers_.clear();
    IHostClient* client = client_;
    client_ = nullptr;
    if (client) client->OnHostDestroyed();
}

void HeadlessHost::Resize(Size size) {
    if (size == size_) return;
    size_ = size;
    if (surface_) {
        cairo_surface_destroy(surface_);
        surface_ = nullptr;
    }
    dirty_ = {0, 0, size_.cx, size_.cy};
    if (client_) client_->OnHostResize(size_);
}

void HeadlessHost::AdvanceTime(uint32_t ms) {
    const uint64_t end = nowMs_ + ms;
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it) {
            if (it->second.due > end) continue;
            if (next == timers_.end() || it->second.due < next->second.due ||
                (it->second.due == next->second.due && it->second.order < next->second.order))
                next = it;
        }
        if (next == timers_.end()) break;
        uint32_t id = next->first;
        nowMs_ = next->second.due;
        next->second.due += next->second.interval;
        if (client_) client_->OnHostTimer(id);
    }
    nowMs_ = end;
}

size_t HeadlessHost::RunPendingTasks() {
    size_t ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(tasksMutex_);
            if (tasks_.empty()) return ran;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        ++ran;
    }
}

// --- input ---

void HeadlessHost::Send(const InputEvent& event) {
    if (client_) client_->OnHostInput(event);
}

namespace {

InputEvent MakeEvent(InputEvent::Type type, Point pt = {}, MouseButton button = MouseButton::None,
                     uint32_t modifiers = 0) {
    InputEvent e;
    e.type = type;
    e.point = pt;
    e.button = button;
    e.modifiers = modifiers;
    return e;
}

}  // namespace

void HeadlessHost::MouseMove(Point pt, uint32_t modifiers) {
    Send(MakeEvent(InputEvent::Type::MouseMove, pt, MouseButton::None, modifiers));
}

void HeadlessHost::MouseDown(Point pt, MouseButton button, uint32_t modifiers) {
    Send(MakeEvent(InputEvent::Type::MouseDown, pt, button, modifiers));
}

void HeadlessHost::MouseUp(Point pt, MouseButton button, uint32_t modifiers) {
    Send(MakeEvent(InputEvent::Type::MouseUp, pt, button, modifiers));
}

void HeadlessHost::Click(Point pt, MouseButton button) {
    MouseMove(pt);
    MouseDown(pt, button);
    MouseUp(pt, button);
}

void HeadlessHost::DoubleClick(Point pt) {
    Click(pt);
    MouseDown(pt);
    Send(MakeEvent(InputEvent::Type::DoubleClick, pt, MouseButton::Left));
    MouseUp(pt);
}

void HeadlessHost::Drag(Point from, Point to, int steps) {
    steps = std::max(steps, 1);
    MouseMove(from);
    MouseDown(from);
    for (int i = 1; i <= steps; ++i) {
        MouseMove({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    }
    MouseUp(to);
}

void HeadlessHost::Wheel(Point pt, int delta) {
    InputEvent e = MakeEvent(InputEvent::Type::MouseWheel, pt);
    e.wheelDelta = delta;
    Send(e);
}

void HeadlessHost::KeyDown(uint32_t keysym, uint32_t modifiers) {
    InputEvent e = MakeEvent(InputEvent::Type::KeyDown, {}, MouseButton::None, modifiers);
    e.keyCode = keysym;
    Send(e);
}

void HeadlessHost::KeyUp(uint32_t keysym, uint32_t modifiers) {
    InputEvent e = MakeEvent(InputEvent::Type::KeyUp, {}, MouseButton::None, modifiers);
    e.keyCode = keysym;
    Send(e);
}

void HeadlessHost::PressKey(uint32_t keysym, uint32_t modifiers) {
    KeyDown(keysym, modifiers);
    KeyUp(keysym, modifiers);
}

void HeadlessHost::TypeText(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        size_t next = i + 1;
        while (next < text.size() && (static_cast<unsigned char>(text[next]) & 0xC0) == 0x80)
            ++next;
        InputEvent e = MakeEvent(InputEvent::Type::Char);
        e.text = text.substr(i, next - i);
        Send(e);
        i = next;
    }
}

// --- rendering ---

void HeadlessHost::EnsureSurface() {
    if (surface_) return;
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(size_.cx, 1),
                                          std::max(size_.cy, 1));
    dirty_ = {0, 0, size_.cx, size_.cy};
}

Rect HeadlessHost::PaintPending() {
    EnsureSurface();
    Rect painted;
    for (int pass = 0; pass < 4 && !dirty_.IsEmpty(); ++pass) {
        Rect area = dirty_;
        dirty_ = {};
        painted = painted.Union(area);
        cairo_t* cr = cairo_create(surface_);
        cairo_rectangle(cr, area.left, area.top, area.Width(), area.Height());
        cairo_clip(cr);
        // A window starts from white, as a native window's background.
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        if (client_) client_->OnHostPaint(cr, area);
        cairo_destroy(cr);
    }
    cairo_surface_flush(surface_);
    return painted;
}

void HeadlessHost::PaintAll() {
    EnsureSurface();
    dirty_ = {0, 0, size_.cx, size_.cy};
    PaintPending();
}

cairo_surface_t* HeadlessHost::RenderToSurface() {
    PaintPending();
    return surface_;
}

bool HeadlessHost::RenderToPng(const std::string& path) {
    return cairo_surface_write_to_png(RenderToSurface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

uint32_t HeadlessHost::PixelAt(Point pt) const {
    if (!surface_ || pt.x < 0 || pt.y < 0 || pt.x >= cairo_image_surface_get_width(surface_) ||
        pt.y >= cairo_image_surface_get_height(surface_))
        return 0;
    cairo_surface_flush(surface_);
    const unsigned char* data = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    return reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(pt.y) * stride)[pt.x];
}

}  // namespace kelno::skin
