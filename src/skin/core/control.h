#pragma once
// CControlUI: the base of every skin control. A control has a name, a
// rectangle given by its parent's layout, sizes and padding that feed that
// layout, colours and images, an optional language text id, and reacts to
// the events its paint manager hands it.

#include <cairo.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "skin/core/geometry.h"
#include "skin/core/ui_defs.h"

namespace kelno::skin {

class CPaintManagerUI;

// Walks the tree: returns the control that ends the search, or nullptr.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

class CControlUI {
  public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // Class name ("ButtonUI") and interface lookup by element name
    // ("Button"), compared without regard to case.
    virtual std::string GetClass() const;
    virtual void* GetInterface(std::string_view name);

    const std::string& GetName() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    CPaintManagerUI* GetManager() const { return manager_; }
    CControlUI* GetParent() const { return parent_; }
    // Attaches the control (and its children) to a manager and parent.
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    // Runs once after the control is attached to a manager.
    virtual void DoInit() {}

    // --- text ---
    // The displayed text: the language text of the text id when one is
    // set, the language text of the text itself when "resourcetext" is on,
    // otherwise the text as set.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& text);
    const std::string& GetRawText() const { return text_; }
    const std::string& GetTextId() const { return textId_; }
    void SetTextId(const std::string& id);
    bool IsResourceText() const { return resourceText_; }
    void SetResourceText(bool on);

    std::string GetToolTip() const;
    void SetToolTip(const std::string& text) { tooltip_ = text; }
    const std::string& GetUserData() const { return userData_; }
    void SetUserData(const std::string& data) { userData_ = data; }
    uintptr_t GetTag() const { return tag_; }
    void SetTag(uintptr_t tag) { tag_ = tag; }

    // --- geometry (logical pixels in, device pixels out) ---
    const Rect& GetPos() const { return rcItem_; }
    // Places the control (device pixels). Containers lay out children.
    virtual void SetPos(Rect rc, bool needInvalidate = true);
    int GetWidth() const { return rcItem_.Width(); }
    int GetHeight() const { return rcItem_.Height(); }
    const Rect& GetPadding() const { return rcPadding_; }
    void SetPadding(Rect rc);
    Point GetFixedXY() const { return xyFixed_; }
    void SetFixedXY(Point xy);
    int GetFixedWidth() const { return cxyFixed_.cx; }
    void SetFixedWidth(int cx);
    int GetFixedHeight() const { return cxyFixed_.cy; }
    void SetFixedHeight(int cy);
    int GetMinWidth() const { return cxyMin_.cx; }
    void SetMinWidth(int cx);
    int GetMaxWidth() const { return cxyMax_.cx; }
    void SetMaxWidth(int cx);
    int GetMinHeight() const { return cxyMin_.cy; }
    void SetMinHeight(int cy);
    int GetMaxHeight() const { return cxyMax_.cy; }
    void SetMaxHeight(int cy);
    bool IsFloat() const { return float_; }
    void SetFloat(bool on);
    // The size the control wants inside `available` (device pixels); 0 in
    // a dimension means "stretch".
    virtual Size EstimateSize(Size available);

    // Logical to device pixels through the manager's DPI scale.
    int Scale(int logical) const;
    Rect Scale(const Rect& logical) const;

    // --- state ---
    // Visible means the control's own flag and all its parents' flags.
    bool IsVisible() const { return visible_ && internVisible_; }
    bool IsOwnVisible() const { return visible_; }
    virtual void SetVisible(bool visible);
    // Set by the parent (a hidden parent or a tab layout hides its children).
    virtual void SetInternVisible(bool visible);
    bool IsEnabled() const { return enabled_; }
    virtual void SetEnabled(bool enabled);
    bool IsMouseEnabled() const { return mouseEnabled_; }
    void SetMouseEnabled(bool on) { mouseEnabled_ = on; }
    bool IsKeyboardEnabled() const { return keyboardEnabled_; }
    void SetKeyboardEnabled(bool on) { keyboardEnabled_ = on; }
    bool IsFocused() const { return focused_; }
    // Tab and Shift+Tab move the focus between controls that say yes.
    virtual bool IsTabStop() const { return false; }
    // The pointer is over the control (between MouseEnter and MouseLeave).
    bool IsHot() const { return hot_; }
    void SetFocus();
    bool IsContextMenuUsed() const { return contextMenu_; }
    CursorShape GetCursor() const { return cursor_; }
    void SetCursor(CursorShape shape) { cursor_ = shape; }

    // Runs the control's action as if the user triggered it (a button's
    // click). False when disabled or hidden.
    virtual bool Activate();

    // --- looks ---
    uint32_t GetBkColor() const { return bkColor_; }
    void SetBkColor(uint32_t argb);
    uint32_t GetBorderColor() const { return borderColor_; }
    void SetBorderColor(uint32_t argb);
    uint32_t GetFocusBorderColor() const { return focusBorderColor_; }
    void SetFocusBorderColor(uint32_t argb);
    int GetBorderSize() const { return borderSize_; }
    void SetBorderSize(int size);
    const std::string& GetBkImage() const { return bkImage_; }
    void SetBkImage(const std::string& image);
    const std::string& GetForeImage() const { return foreImage_; }
    void SetForeImage(const std::string& image);

    // --- layout and repaint ---
    void Invalidate();
    bool IsUpdateNeeded() const { return updateNeeded_; }
    void NeedUpdate();
    void NeedParentUpdate();

    // --- attributes ---
    // One attribute from a layout file. Unknown names are ignored; bad
    // values leave the attribute unchanged. "style" applies the attributes
    // of a named style (CResourceManager::GetStyle) at once, so attributes
    // set afterwards override them; an unknown style changes nothing.
    virtual void SetAttribute(std::string_view name, std::string_view value);
    // A list such as `width="20" text="a &quot;b&quot;"`, applied in order.
    void ApplyAttributeList(std::string_view list);

    // --- tree walk, events, painting ---
    virtual CControlUI* FindControl(FindControlProc proc, void* data, uint32_t flags);
    // Entry point of events from the manager: keeps the hot state, then
    // DoEvent.
    void Event(TEventUI& event);
    virtual void DoEvent(TEventUI& event);
    // Paints the part of the control inside `dirty` (device pixels).
    virtual void DoPaint(cairo_t* cr, const Rect& dirty);
    virtual void PaintBkColor(cairo_t* cr);
    virtual void PaintBkImage(cairo_t* cr);
    virtual void PaintStatusImage(cairo_t* cr) {}
    virtual void PaintForeImage(cairo_t* cr);
    virtual void PaintText(cairo_t* cr) {}
    virtual void PaintBorder(cairo_t* cr);
    // Draws an image attribute text (see docs/skin-format.md) inside the
    // control's rectangle; `modify` overrides keys of `image`. False when
    // the image cannot be drawn.
    bool DrawImage(cairo_t* cr, std::string_view image, std::string_view modify = {});

  private:
    void ApplyStyle(std::string_view styleName);

    CPaintManagerUI* manager_ = nullptr;
    CControlUI* parent_ = nullptr;
    std::string name_;
    std::string text_;
    std::string textId_;
    bool resourceText_ = false;
    std::string tooltip_;
    std::string userData_;
    uintptr_t tag_ = 0;

    Rect rcItem_;
    Rect rcPadding_;
    Point xyFixed_;
    Size cxyFixed_;
    Size cxyMin_;
    Size cxyMax_{9999, 9999};
    bool float_ = false;

    bool visible_ = true;
    bool internVisible_ = true;
    bool enabled_ = true;
    bool mouseEnabled_ = true;
    bool keyboardEnabled_ = true;
    bool focused_ = false;
    bool hot_ = false;
    bool contextMenu_ = false;
    bool updateNeeded_ = true;
    CursorShape cursor_ = CursorShape::Arrow;

    uint32_t bkColor_ = 0;
    uint32_t borderColor_ = 0;
    uint32_t focusBorderColor_ = 0;
    int borderSize_ = 0;
    std::string bkImage_;
    std::string foreImage_;

    friend class CPaintManagerUI;
};

}  // namespace kelno::skin
