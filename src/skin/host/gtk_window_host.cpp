#include "skin/host/gtk_window_host.h"

#include <cmath>
#include <deque>
#include <mutex>

namespace kelno::skin {

// Tasks posted from any thread, run in order by one idle callback on the
// main context. The gate outlives the host: a callback that fires after the
// window is gone finds it closed and drops its tasks. The callback is given
// the bare gate and reads nothing that was not written under `mutex`: the
// hand-off inside GLib is invisible to the thread sanitizer, our lock is not.
struct GtkWindowHost::TaskGate {
    std::mutex mutex;
    std::deque<std::function<void()>> tasks;
    bool open = true;
    // Set while a callback is due; the gate keeps itself alive for it.
    std::shared_ptr<TaskGate> scheduled;

    static gboolean Drain(gpointer data) {
        static_cast<TaskGate*>(data)->RunAll();
        return G_SOURCE_REMOVE;
    }

    void RunAll() {
        std::shared_ptr<TaskGate> self;  // let go of after the lock and the tasks
        std::deque<std::function<void()>> ready;
        {
            std::lock_guard lock(mutex);
            self = std::move(scheduled);
            if (!open) return;
            ready.swap(tasks);
        }
        for (auto& task : ready) {
            {
                std::lock_guard lock(mutex);
                if (!open) return;  // an earlier task closed the window
            }
            task();
        }
    }
};

struct GtkWindowHost::TimerClosure {
    GtkWindowHost* host;
    uint32_t id;

    static gboolean Fire(gpointer data) {
        auto* closure = static_cast<TimerClosure*>(data);
        // The client may kill this timer or destroy the host from here; the
        // closure itself stays valid until the dispatch returns.
        closure->host->client_.OnHostTimer(closure->id);
        return G_SOURCE_CONTINUE;
    }
    static void Release(gpointer data) { delete static_cast<TimerClosure*>(data); }
};

namespace {

uint32_t ModifiersFrom(guint state) {
    uint32_t m = 0;
    if (state & GDK_SHIFT_MASK) m |= kModShift;
    if (state & GDK_CONTROL_MASK) m |= kModControl;
    if (state & GDK_MOD1_MASK) m |= kModAlt;
    if (state & (GDK_SUPER_MASK | GDK_MOD4_MASK)) m |= kModSuper;
    return m;
}

MouseButton ButtonFrom(guint button) {
    switch (button) {
        case 1:
            return MouseButton::Left;
        case 2:
            return MouseButton::Middle;
        case 3:
            return MouseButton::Right;
        default:
            return MouseButton::None;
    }
}

const char* CursorName(CursorShape shape) {
    switch (shape) {
        case CursorShape::Hand:
            return "pointer";
        case CursorShape::IBeam:
            return "text";
        case CursorShape::SizeWE:
            return "ew-resize";
        case CursorShape::SizeNS:
            return "ns-resize";
        case CursorShape::Wait:
            return "wait";
        case CursorShape::SizeNWSE:
            return "nwse-resize";
        case CursorShape::SizeNESW:
            return "nesw-resize";
        case CursorShape::Arrow:
            break;
    }
    return "default";
}

int MonitorScale() {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return 1;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0)
        monitor = gdk_display_get_monitor(display, 0);
    return monitor ? std::max(1, gdk_monitor_get_scale_factor(monitor)) : 1;
}

}  // namespace

GtkWindowHost::GtkWindowHost(IHostClient& client, const GtkHostOptions& options)
    : client_(client), popup_(options.popup), gate_(std::make_shared<TaskGate>()) {
    scale_ = MonitorScale();
    window_ = GTK_WINDOW(gtk_window_new(popup_ ? GTK_WINDOW_POPUP : GTK_WINDOW_TOPLEVEL));
    gtk_window_set_decorated(window_, FALSE);
    gtk_window_set_title(window_, options.title.c_str());
    gtk_window_set_skip_taskbar_hint(window_, options.skipTaskbar || popup_);
    if (options.transientFor != nullptr) {
        gtk_window_set_transient_for(window_, options.transientFor);
        gtk_window_set_destroy_with_parent(window_, TRUE);
    }
    if (popup_) gtk_window_set_type_hint(window_, GDK_WINDOW_TYPE_HINT_POPUP_MENU);

    area_ = gtk_drawing_area_new();
    gtk_widget_set_can_focus(area_, TRUE);
    gtk_widget_add_events(
        area_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK |
                   GDK_SCROLL_MASK | GDK_LEAVE_NOTIFY_MASK | GDK_ENTER_NOTIFY_MASK |
                   GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_FOCUS_CHANGE_MASK);
    gtk_container_add(GTK_CONTAINER(window_), area_);

    im_ = gtk_im_multicontext_new();
    // Our edits draw committed text only; the input method shows the text
    // being composed in its own window.
    gtk_im_context_set_use_preedit(im_, FALSE);
    ConnectSignals();

    if (!options.rect.IsEmpty()) {
        gtk_window_set_default_size(
            window_, std::max(1, static_cast<int>(ToLogical(options.rect.Width()))),
            std::max(1, static_cast<int>(ToLogical(options.rect.Height()))));
        gtk_window_move(window_, static_cast<int>(ToLogical(options.rect.left)),
                        static_cast<int>(ToLogical(options.rect.top)));
    } else {
        gtk_window_set_position(window_, GTK_WIN_POS_CENTER);
    }
    gtk_widget_show(area_);
    gtk_widget_grab_focus(area_);
}

GtkWindowHost::~GtkWindowHost() {
    {
        std::lock_guard lock(gate_->mutex);
        gate_->open = false;
        gate_->tasks.clear();
    }
    for (auto& [id, source] : timers_) g_source_remove(source);
    timers_.clear();
    if (window_ != nullptr) {
        Ungrab();
        DisconnectAll();
        GtkWidget* widget = GTK_WIDGET(window_);
        window_ = nullptr;
        gtk_widget_destroy(widget);
    }
    if (im_ != nullptr) {
        g_signal_handlers_disconnect_by_data(im_, this);
        g_object_unref(im_);
    }
}

void GtkWindowHost::ConnectSignals() {
    GObject* w = G_OBJECT(window_);
    GObject* a = G_OBJECT(area_);
    g_signal_connect(a, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(a, "button-press-event", G_CALLBACK(OnButtonPress), this);
    g_signal_connect(a, "button-release-event", G_CALLBACK(OnButtonRelease), this);
    g_signal_connect(a, "motion-notify-event", G_CALLBACK(OnMotion), this);
    g_signal_connect(a, "scroll-event", G_CALLBACK(OnScroll), this);
    g_signal_connect(a, "leave-notify-event", G_CALLBACK(OnLeave), this);
    g_signal_connect(a, "size-allocate", G_CALLBACK(OnSizeAllocate), this);
    g_signal_connect(a, "realize", G_CALLBACK(OnRealize), this);
    g_signal_connect(w, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(w, "key-release-event", G_CALLBACK(OnKeyRelease), this);
    g_signal_connect(w, "focus-in-event", G_CALLBACK(OnFocusIn), this);
    g_signal_connect(w, "focus-out-event", G_CALLBACK(OnFocusOut), this);
    g_signal_connect(w, "delete-event", G_CALLBACK(OnDelete), this);
    g_signal_connect(w, "map-event", G_CALLBACK(OnMapped), this);
    g_signal_connect(w, "unmap-event", G_CALLBACK(OnUnmapped), this);
    g_signal_connect(w, "window-state-event", G_CALLBACK(OnWindowState), this);
    g_signal_connect(w, "destroy", G_CALLBACK(OnDestroy), this);
    g_signal_connect(w, "notify::scale-factor", G_CALLBACK(OnScaleChanged), this);
    g_signal_connect(im_, "commit", G_CALLBACK(OnImCommit), this);
}

void GtkWindowHost::DisconnectAll() {
    if (area_ != nullptr) g_signal_handlers_disconnect_by_data(area_, this);
    if (window_ != nullptr) g_signal_handlers_disconnect_by_data(window_, this);
}

int GtkWindowHost::ToDevice(double logical) const {
    return static_cast<int>(std::lround(logical * scale_));
}

double GtkWindowHost::ToLogical(int device) const {
    return static_cast<double>(device) / scale_;
}

Point GtkWindowHost::ToDevicePoint(double x, double y) const {
    return {ToDevice(x), ToDevice(y)};
}

void GtkWindowHost::EmitInput(InputEvent event) {
    client_.OnHostInput(event);
}

Size GtkWindowHost::ClientSize() const {
    if (area_ == nullptr || window_ == nullptr) return {};
    return {gtk_widget_get_allocated_width(area_) * scale_,
            gtk_widget_get_allocated_height(area_) * scale_};
}

double GtkWindowHost::DpiScale() const {
    double resolution = 96.0;
    if (GdkScreen* screen = gdk_screen_get_default()) {
        double r = gdk_screen_get_resolution(screen);
        if (r > 0) resolution = r;
    }
    return scale_ * resolution / 96.0;
}

void GtkWindowHost::Invalidate(const Rect& area) {
    if (area_ == nullptr || window_ == nullptr || area.IsEmpty()) return;
    int left = static_cast<int>(std::floor(ToLogical(area.left)));
    int top = static_cast<int>(std::floor(ToLogical(area.top)));
    int right = static_cast<int>(std::ceil(ToLogical(area.right)));
    int bottom = static_cast<int>(std::ceil(ToLogical(area.bottom)));
    gtk_widget_queue_draw_area(area_, left, top, right - left, bottom - top);
}

void GtkWindowHost::SetTimer(uint32_t id, uint32_t intervalMs) {
    if (window_ == nullptr) return;
    KillTimer(id);
    timers_[id] =
        g_timeout_add_full(G_PRIORITY_DEFAULT, std::max<uint32_t>(1, intervalMs),
                           &TimerClosure::Fire, new TimerClosure{this, id}, &TimerClosure::Release);
}

void GtkWindowHost::KillTimer(uint32_t id) {
    auto it = timers_.find(id);
    if (it == timers_.end()) return;
    g_source_remove(it->second);
    timers_.erase(it);
}

void GtkWindowHost::SetCapture() {
    // While a button is held GTK's implicit grab already sends us every
    // pointer event; otherwise take the pointer explicitly.
    if (captured_ || buttonDown_ || area_ == nullptr) return;
    GdkWindow* gdkWindow = gtk_widget_get_window(area_);
    GdkDisplay* display = gdk_display_get_default();
    if (gdkWindow == nullptr || display == nullptr) return;
    GdkSeat* seat = gdk_display_get_default_seat(display);
    captured_ = gdk_seat_grab(seat, gdkWindow, GDK_SEAT_CAPABILITY_ALL_POINTING, TRUE, nullptr,
                              nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS;
}

void GtkWindowHost::ReleaseCapture() {
    if (!popup_) Ungrab();
}

void GtkWindowHost::Ungrab() {
    if (!captured_) return;
    captured_ = false;
    if (GdkDisplay* display = gdk_display_get_default())
        gdk_seat_ungrab(gdk_display_get_default_seat(display));
}

void GtkWindowHost::GrabForPopup() {
    // Every pointer and key event comes to the pop-up, reported against its
    // own window, so a click elsewhere shows up as a point outside it.
    if (captured_ || area_ == nullptr) return;
    GdkWindow* gdkWindow = gtk_widget_get_window(area_);
    GdkDisplay* display = gdk_display_get_default();
    if (gdkWindow == nullptr || display == nullptr) return;
    captured_ =
        gdk_seat_grab(gdk_display_get_default_seat(display), gdkWindow, GDK_SEAT_CAPABILITY_ALL,
                      FALSE, nullptr, nullptr, nullptr, nullptr) == GDK_GRAB_SUCCESS;
}

void GtkWindowHost::SetCursor(CursorShape shape) {
    if (area_ == nullptr) return;
    GdkWindow* gdkWindow = gtk_widget_get_window(area_);
    if (gdkWindow == nullptr) return;
    GdkCursor* cursor =
        gdk_cursor_new_from_name(gdk_window_get_display(gdkWindow), CursorName(shape));
    gdk_window_set_cursor(gdkWindow, cursor);
    if (cursor != nullptr) g_object_unref(cursor);
}

bool GtkWindowHost::PostTask(std::function<void()> task) {
    std::lock_guard lock(gate_->mutex);
    if (!gate_->open) return false;
    gate_->tasks.push_back(std::move(task));
    if (!gate_->scheduled) {
        gate_->scheduled = gate_;
        g_idle_add_full(G_PRIORITY_DEFAULT, &TaskGate::Drain, gate_.get(), nullptr);
    }
    return true;
}

void GtkWindowHost::Show(bool visible) {
    if (window_ == nullptr) return;
    if (visible) {
        gtk_widget_show(GTK_WIDGET(window_));
    } else {
        Ungrab();
        gtk_widget_hide(GTK_WIDGET(window_));
    }
}

bool GtkWindowHost::IsVisible() const {
    return window_ != nullptr && gtk_widget_get_visible(GTK_WIDGET(window_));
}

void GtkWindowHost::SetTitle(const std::string& title) {
    if (window_ != nullptr) gtk_window_set_title(window_, title.c_str());
}

void GtkWindowHost::Move(const Rect& r) {
    if (window_ == nullptr) return;
    gtk_window_move(window_, static_cast<int>(ToLogical(r.left)),
                    static_cast<int>(ToLogical(r.top)));
    if (!r.IsEmpty())
        gtk_window_resize(window_, std::max(1, static_cast<int>(ToLogical(r.Width()))),
                          std::max(1, static_cast<int>(ToLogical(r.Height()))));
}

Rect GtkWindowHost::WindowRect() const {
    if (window_ == nullptr) return {};
    int x = 0, y = 0, w = 0, h = 0;
    gtk_window_get_position(window_, &x, &y);
    gtk_window_get_size(window_, &w, &h);
    return {x * scale_, y * scale_, (x + w) * scale_, (y + h) * scale_};
}

void GtkWindowHost::Minimize() {
    if (window_ != nullptr) gtk_window_iconify(window_);
}

void GtkWindowHost::Restore() {
    if (window_ == nullptr) return;
    gtk_window_deiconify(window_);
    if (gtk_window_is_maximized(window_)) gtk_window_unmaximize(window_);
}

void GtkWindowHost::Maximize() {
    if (window_ != nullptr) gtk_window_maximize(window_);
}

bool GtkWindowHost::IsMaximized() const {
    return window_ != nullptr && gtk_window_is_maximized(window_);
}

Rect GtkWindowHost::WorkArea() const {
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr) return {};
    GdkWindow* gdkWindow = window_ ? gtk_widget_get_window(GTK_WIDGET(window_)) : nullptr;
    GdkMonitor* monitor = gdkWindow ? gdk_display_get_monitor_at_window(display, gdkWindow)
                                    : gdk_display_get_primary_monitor(display);
    if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0)
        monitor = gdk_display_get_monitor(display, 0);
    if (monitor == nullptr) return {};
    GdkRectangle area{};
    gdk_monitor_get_workarea(monitor, &area);
    return {area.x * scale_, area.y * scale_, (area.x + area.width) * scale_,
            (area.y + area.height) * scale_};
}

void GtkWindowHost::SetClipboardText(const std::string& text) {
    GtkClipboard* clipboard = gtk_clipboard_get(GDK_SELECTION_CLIPBOARD);
    gtk_clipboard_set_text(clipboard, text.c_str(), static_cast<gint>(text.size()));
    gtk_clipboard_store(clipboard);
}

std::string GtkWindowHost::GetClipboardText() {
    // Waits for the owning program's answer; GTK keeps the UI running meanwhile.
    gchar* text = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

void GtkWindowHost::SetTextInputArea(const Rect& caret) {
    GdkRectangle area{static_cast<int>(ToLogical(caret.left)),
                      static_cast<int>(ToLogical(caret.top)),
                      std::max(1, static_cast<int>(ToLogical(caret.Width()))),
                      std::max(1, static_cast<int>(ToLogical(caret.Height())))};
    gtk_im_context_set_cursor_location(im_, &area);
}

void GtkWindowHost::ShowToolTip(const std::string& text, const Rect&) {
    if (area_ == nullptr) return;
    // GTK places the tooltip beside the pointer, which rests on the control.
    gtk_widget_set_tooltip_text(area_, text.empty() ? nullptr : text.c_str());
    if (!text.empty()) gtk_widget_trigger_tooltip_query(area_);
}

void GtkWindowHost::BringToFront() {
    if (window_ == nullptr) return;
    gtk_widget_show(GTK_WIDGET(window_));
    gtk_window_deiconify(window_);
    gtk_window_present_with_time(window_, GDK_CURRENT_TIME);
}

void GtkWindowHost::BeginMoveDrag(Point) {
    if (window_ == nullptr || popup_) return;
    buttonDown_ = false;  // the window manager takes over the pointer
    gtk_window_begin_move_drag(window_, 1, static_cast<int>(lastPressRootX_),
                               static_cast<int>(lastPressRootY_), lastPressTime_);
}

void GtkWindowHost::BeginResizeDrag(ResizeEdge edge, Point) {
    if (window_ == nullptr || popup_) return;
    static constexpr GdkWindowEdge kEdges[] = {
        GDK_WINDOW_EDGE_WEST,       GDK_WINDOW_EDGE_EAST,       GDK_WINDOW_EDGE_NORTH,
        GDK_WINDOW_EDGE_SOUTH,      GDK_WINDOW_EDGE_NORTH_WEST, GDK_WINDOW_EDGE_NORTH_EAST,
        GDK_WINDOW_EDGE_SOUTH_WEST, GDK_WINDOW_EDGE_SOUTH_EAST};
    buttonDown_ = false;  // the window manager takes over the pointer
    gtk_window_begin_resize_drag(window_, kEdges[static_cast<int>(edge)], 1,
                                 static_cast<int>(lastPressRootX_),
                                 static_cast<int>(lastPressRootY_), lastPressTime_);
}

void GtkWindowHost::SetSizeLimits(Size minimum, Size maximum) {
    if (window_ == nullptr) return;
    GdkGeometry geometry{};
    int hints = 0;
    if (minimum.cx > 0 || minimum.cy > 0) {
        geometry.min_width = static_cast<int>(ToLogical(minimum.cx));
        geometry.min_height = static_cast<int>(ToLogical(minimum.cy));
        hints |= GDK_HINT_MIN_SIZE;
    }
    if (maximum.cx > 0 && maximum.cy > 0) {
        geometry.max_width = static_cast<int>(ToLogical(maximum.cx));
        geometry.max_height = static_cast<int>(ToLogical(maximum.cy));
        hints |= GDK_HINT_MAX_SIZE;
    }
    gtk_window_set_geometry_hints(window_, nullptr, &geometry, static_cast<GdkWindowHints>(hints));
}

void GtkWindowHost::Destroy() {
    if (window_ != nullptr) gtk_widget_destroy(GTK_WIDGET(window_));  // "destroy" follows
}

std::unique_ptr<IWindowHost> GtkWindowHost::CreatePopup(IHostClient& client,
                                                        const Rect& screenRect) {
    if (window_ == nullptr) return nullptr;
    GtkHostOptions options;
    options.rect = screenRect;
    options.transientFor = window_;
    options.popup = true;
    return std::make_unique<GtkWindowHost>(client, options);
}

void GtkWindowHost::OnNativeDestroyed() {
    {
        std::lock_guard lock(gate_->mutex);
        gate_->open = false;
        gate_->tasks.clear();
    }
    for (auto& [id, source] : timers_) g_source_remove(source);
    timers_.clear();
    Ungrab();
    DisconnectAll();
    window_ = nullptr;
    area_ = nullptr;
    client_.OnHostDestroyed();
}

// ---- signal handlers -------------------------------------------------------

gboolean GtkWindowHost::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    GdkRectangle clip{};
    if (!gdk_cairo_get_clip_rectangle(cr, &clip)) return TRUE;
    Rect dirty{clip.x * host->scale_, clip.y * host->scale_, (clip.x + clip.width) * host->scale_,
               (clip.y + clip.height) * host->scale_};
    cairo_save(cr);
    cairo_scale(cr, 1.0 / host->scale_, 1.0 / host->scale_);
    host->client_.OnHostPaint(cr, dirty);
    cairo_restore(cr);
    return TRUE;
}

gboolean GtkWindowHost::OnButtonPress(GtkWidget*, GdkEventButton* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    if (host->area_ != nullptr && !gtk_widget_has_focus(host->area_))
        gtk_widget_grab_focus(host->area_);
    Point p = host->ToDevicePoint(e->x, e->y);
    if (host->popup_ && e->type == GDK_BUTTON_PRESS) {
        Size size = host->ClientSize();
        if (p.x < 0 || p.y < 0 || p.x >= size.cx || p.y >= size.cy) {
            host->client_.OnHostCloseRequest();
            return TRUE;
        }
    }
    InputEvent event;
    if (e->type == GDK_2BUTTON_PRESS) {
        event.type = InputEvent::Type::DoubleClick;
    } else if (e->type == GDK_BUTTON_PRESS) {
        event.type = InputEvent::Type::MouseDown;
    } else {
        return TRUE;  // triple clicks carry nothing more
    }
    host->buttonDown_ = true;
    host->lastPressRootX_ = e->x_root;
    host->lastPressRootY_ = e->y_root;
    host->lastPressTime_ = e->time;
    event.point = p;
    event.button = ButtonFrom(e->button);
    event.modifiers = ModifiersFrom(e->state);
    host->EmitInput(std::move(event));
    return TRUE;
}

gboolean GtkWindowHost::OnButtonRelease(GtkWidget*, GdkEventButton* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    host->buttonDown_ = false;
    InputEvent event;
    event.type = InputEvent::Type::MouseUp;
    event.point = host->ToDevicePoint(e->x, e->y);
    event.button = ButtonFrom(e->button);
    event.modifiers = ModifiersFrom(e->state);
    host->EmitInput(std::move(event));
    return TRUE;
}

gboolean GtkWindowHost::OnMotion(GtkWidget*, GdkEventMotion* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    InputEvent event;
    event.type = InputEvent::Type::MouseMove;
    event.point = host->ToDevicePoint(e->x, e->y);
    event.modifiers = ModifiersFrom(e->state);
    host->EmitInput(std::move(event));
    return TRUE;
}

gboolean GtkWindowHost::OnScroll(GtkWidget*, GdkEventScroll* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    int delta = 0;
    if (e->direction == GDK_SCROLL_UP) delta = 1;
    if (e->direction == GDK_SCROLL_DOWN) delta = -1;
    if (delta == 0) return FALSE;
    InputEvent event;
    event.type = InputEvent::Type::MouseWheel;
    event.point = host->ToDevicePoint(e->x, e->y);
    event.modifiers = ModifiersFrom(e->state);
    event.wheelDelta = delta;
    host->EmitInput(std::move(event));
    return TRUE;
}

gboolean GtkWindowHost::OnLeave(GtkWidget*, GdkEventCrossing* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    // Crossings caused by grabs or into child windows are not the pointer
    // leaving the window.
    if (e->mode != GDK_CROSSING_NORMAL || e->detail == GDK_NOTIFY_INFERIOR) return FALSE;
    InputEvent event;
    event.type = InputEvent::Type::MouseLeave;
    event.point = host->ToDevicePoint(e->x, e->y);
    host->EmitInput(std::move(event));
    return FALSE;
}

gboolean GtkWindowHost::OnKeyPress(GtkWidget*, GdkEventKey* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    // Let the input method see the key first; text it commits becomes Char
    // events after the key itself, as a key press and its typed text arrive.
    host->committed_.clear();
    host->filteringKey_ = true;
    gboolean filtered = gtk_im_context_filter_keypress(host->im_, e);
    host->filteringKey_ = false;
    std::string text;
    text.swap(host->committed_);
    if (filtered && text.empty()) return TRUE;  // composing: the key belongs to the IME

    InputEvent key;
    key.type = InputEvent::Type::KeyDown;
    key.keyCode = e->keyval;
    key.hardwareKey = e->hardware_keycode;
    key.modifiers = ModifiersFrom(e->state);
    std::weak_ptr<int> alive = host->lifetime_;
    host->EmitInput(std::move(key));
    // The key may have closed the window and deleted this host.
    if (alive.expired()) return TRUE;
    if (!text.empty() && host->window_ != nullptr) {
        InputEvent typed;
        typed.type = InputEvent::Type::Char;
        typed.text = std::move(text);
        typed.modifiers = ModifiersFrom(e->state);
        host->EmitInput(std::move(typed));
    }
    return TRUE;
}

gboolean GtkWindowHost::OnKeyRelease(GtkWidget*, GdkEventKey* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    if (gtk_im_context_filter_keypress(host->im_, e)) return TRUE;
    InputEvent key;
    key.type = InputEvent::Type::KeyUp;
    key.keyCode = e->keyval;
    key.hardwareKey = e->hardware_keycode;
    key.modifiers = ModifiersFrom(e->state);
    host->EmitInput(std::move(key));
    return TRUE;
}

void GtkWindowHost::OnImCommit(GtkIMContext*, const gchar* text, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    if (text == nullptr || *text == '\0') return;
    if (host->filteringKey_) {
        host->committed_ += text;
        return;
    }
    // Committed outside a key press (end of a composition, on-screen input).
    InputEvent typed;
    typed.type = InputEvent::Type::Char;
    typed.text = text;
    host->EmitInput(std::move(typed));
}

gboolean GtkWindowHost::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    gtk_im_context_focus_in(host->im_);
    InputEvent event;
    event.type = InputEvent::Type::WindowFocusIn;
    host->EmitInput(std::move(event));
    return FALSE;
}

gboolean GtkWindowHost::OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    gtk_im_context_focus_out(host->im_);
    host->buttonDown_ = false;
    InputEvent event;
    event.type = InputEvent::Type::WindowFocusOut;
    host->EmitInput(std::move(event));
    return FALSE;
}

gboolean GtkWindowHost::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<GtkWindowHost*>(self)->client_.OnHostCloseRequest();
    return TRUE;  // the client decides; GTK must not destroy the window itself
}

gboolean GtkWindowHost::OnMapped(GtkWidget*, GdkEvent*, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    if (host->popup_) host->GrabForPopup();
    host->mapped_ = true;
    host->ReportShown();
    return FALSE;
}

gboolean GtkWindowHost::OnUnmapped(GtkWidget*, GdkEvent*, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    host->mapped_ = false;
    host->ReportShown();
    return FALSE;
}

gboolean GtkWindowHost::OnWindowState(GtkWidget*, GdkEventWindowState* e, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    host->minimized_ = (e->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    host->ReportShown();
    return FALSE;
}

void GtkWindowHost::ReportShown() {
    const bool shown = mapped_ && !minimized_;
    if (shown == reportedShown_) return;
    reportedShown_ = shown;
    client_.OnHostShown(shown);
}

void GtkWindowHost::OnDestroy(GtkWidget*, gpointer self) {
    static_cast<GtkWindowHost*>(self)->OnNativeDestroyed();
}

void GtkWindowHost::OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    host->client_.OnHostResize(
        {allocation->width * host->scale_, allocation->height * host->scale_});
}

void GtkWindowHost::OnScaleChanged(GObject*, GParamSpec*, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    if (host->window_ == nullptr) return;
    host->scale_ = std::max(1, gtk_widget_get_scale_factor(GTK_WIDGET(host->window_)));
    host->client_.OnHostResize(host->ClientSize());
}

void GtkWindowHost::OnRealize(GtkWidget* widget, gpointer self) {
    auto* host = static_cast<GtkWindowHost*>(self);
    gtk_im_context_set_client_window(host->im_, gtk_widget_get_window(widget));
    host->scale_ = std::max(1, gtk_widget_get_scale_factor(widget));
}

}  // namespace kelno::skin
