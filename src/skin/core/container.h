#pragma once
// CContainerUI: a control with children. The plain container gives every
// child its whole inner rectangle (its rectangle less the inset); layouts
// derive from it and arrange children in a row, a column or as tabs. A
// container owns its children. It may scroll vertically with a CScrollBarUI.

#include <vector>

#include "skin/core/control.h"

namespace kelno::skin {

class CScrollBarUI;

class CContainerUI : public CControlUI {
  public:
    CContainerUI();
    ~CContainerUI() override;

    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    // --- children ---
    int GetCount() const { return static_cast<int>(items_.size()); }
    // nullptr for an index out of range.
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(const CControlUI* control) const;  // -1 when not a child
    bool SetItemIndex(CControlUI* control, int index);
    // Takes ownership. False for nullptr or a control that is already a
    // child (it would be freed twice).
    virtual bool Add(CControlUI* control);
    virtual bool AddAt(CControlUI* control, int index);
    // Removes and deletes the child (deletion waits until the current event
    // dispatch ends, so a notifier may remove the control that notified).
    // With doNotDestroy the caller takes the child back.
    virtual bool Remove(CControlUI* control, bool doNotDestroy = false);
    virtual bool RemoveAt(int index, bool doNotDestroy = false);
    virtual void RemoveAll();

    // --- layout parameters (logical pixels) ---
    const Rect& GetInset() const { return rcInset_; }
    void SetInset(Rect rc);
    int GetChildPadding() const { return childPadding_; }
    void SetChildPadding(int padding);
    bool IsMouseChildEnabled() const { return mouseChildEnabled_; }
    void SetMouseChildEnabled(bool on) { mouseChildEnabled_ = on; }

    // --- scrolling ---
    void EnableScrollBar(bool vertical);
    CScrollBarUI* GetVerticalScrollBar() const { return verticalScrollBar_; }
    int GetScrollPos() const;
    int GetScrollRange() const;
    // Clamped to the range; moves the children and repaints.
    virtual void SetScrollPos(int pos);
    void LineUp();
    void LineDown();
    void PageUp();
    void PageDown();
    // Scrolls so that `control` (a descendant) is fully visible.
    void EnsureVisible(CControlUI* control);

    // --- CControlUI ---
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void SetVisible(bool visible) override;
    void SetInternVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetPos(Rect rc, bool needInvalidate = true) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    CControlUI* FindControl(FindControlProc proc, void* data, uint32_t flags) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const Rect& dirty) override;

  protected:
    // The rectangle children share: the control's rectangle less the inset
    // and the scroll bar.
    Rect InnerRect() const;
    // Shows or hides the scroll bar for a content height (device pixels)
    // and places it; returns the scroll offset children are shifted by.
    int ProcessScrollBar(int contentHeight);
    // Shifts every non-float child by `dy` (device pixels).
    void ShiftChildren(int dy);
    // Places a float child from its fixed position relative to `rc`.
    void SetFloatPos(CControlUI* child, const Rect& rc);

    std::vector<CControlUI*> items_;
    Rect rcInset_;
    int childPadding_ = 0;
    bool mouseChildEnabled_ = true;
    CScrollBarUI* verticalScrollBar_ = nullptr;
    int scrollPos_ = 0;
};

}  // namespace kelno::skin
