#pragma once
// Lists: CListUI (an optional header over a scrolling body of items with one
// selected item), its items CListLabelElementUI (one text),
// CListTextElementUI (one text per header column) and
// CListContainerElementUI (any controls), and the header classes. CComboUI
// shares the item classes through IListOwnerUI.

#include <vector>

#include "skin/controls/label.h"
#include "skin/layout/layouts.h"

namespace kelno::skin {

// How a list draws its items; set from the owner's "item..." attributes.
struct TListInfoUI {
    int font = -1;
    uint32_t textStyle = DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS;
    Rect textPadding{4, 0, 4, 0};
    uint32_t textColor = 0xFF000000;
    uint32_t bkColor = 0;
    uint32_t selectedTextColor = 0xFFFFFFFF;
    uint32_t selectedBkColor = 0xFF3874D8;
    uint32_t hotTextColor = 0;
    uint32_t hotBkColor = 0x20000000;
    uint32_t disabledTextColor = 0xFFA0A0A0;
    std::string selectedImage, hotImage;
    // Column edges (device pixels) from the header, when there is one.
    std::vector<std::pair<int, int>> columns;
};

// Applies an "item..." attribute; false when the name is not one.
bool SetListInfoAttribute(TListInfoUI& info, std::string_view name, std::string_view value);

class IListOwnerUI {
  public:
    virtual ~IListOwnerUI() = default;
    virtual TListInfoUI* GetListInfo() = 0;
    virtual int GetCurSel() const = 0;
    // The user's choice raises "itemselect" when `notify` is set.
    virtual bool SelectItem(int index, bool notify = false) = 0;
    // Key events of an item go to the owner (arrows move the selection).
    virtual void DoEvent(TEventUI& event) = 0;
};

// The state and behaviour every list item shares.
class IListItemUI {
  public:
    virtual ~IListItemUI() = default;
    int GetIndex() const { return index_; }
    void SetIndex(int index) { index_ = index; }
    IListOwnerUI* GetOwner() const { return owner_; }
    void SetOwner(IListOwnerUI* owner) { owner_ = owner; }
    bool IsSelected() const { return selected_; }
    // Marks the item; the owner keeps the selection consistent.
    virtual bool Select(bool selected = true) = 0;

  protected:
    // Shared event handling: press selects (as the user), release inside
    // raises "itemclick", double click raises "itemactivate"; the pointer
    // entering or leaving the item or a control inside it repaints the
    // row. True when the event was handled.
    bool HandleItemEvent(CControlUI& self, TEventUI& event);
    // "itemactivate" after the control's own activation succeeded.
    bool NotifyActivated(CControlUI& self, bool activated);
    // Background of an item for its state.
    void PaintItemBk(CControlUI& self, cairo_t* cr);
    // The row is hot while the pointer is over it or a control inside it.
    static bool IsItemHot(const CControlUI& self);
    // Text colour for the item's state.
    uint32_t ItemTextColor(const CControlUI& self, const TListInfoUI& info) const;

    IListOwnerUI* owner_ = nullptr;
    int index_ = -1;
    bool selected_ = false;
};

// A list item made of any control class.
template <typename Base>
class CListElementT : public Base, public IListItemUI {
  public:
    bool Select(bool selected = true) override {
        selected_ = selected;
        this->Invalidate();
        return true;
    }
    bool Activate() override { return NotifyActivated(*this, Base::Activate()); }
    void DoEvent(TEventUI& event) override {
        if (!HandleItemEvent(*this, event)) Base::DoEvent(event);
    }
    void PaintBkColor(cairo_t* cr) override { PaintItemBk(*this, cr); }
};

class CListLabelElementUI : public CListElementT<CLabelUI> {
  public:
    CListLabelElementUI();
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
    void PaintText(cairo_t* cr) override;
};

class CListTextElementUI : public CListLabelElementUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
    // Column texts; column 0 is also the element's text.
    std::string GetText(int column) const;
    void SetText(int column, const std::string& text);
    std::string GetText() const override { return GetText(0); }
    void SetText(const std::string& text) override { SetText(0, text); }
    void PaintText(cairo_t* cr) override;

  private:
    std::vector<std::string> texts_;
    std::vector<CachedTextLayout> columnLayouts_;
};

class CListContainerElementUI : public CListElementT<CHorizontalLayoutUI> {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

class CListHeaderItemUI : public CLabelUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

class CListHeaderUI : public CHorizontalLayoutUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
    Size EstimateSize(Size available) override;
};

class CListUI : public CVerticalLayoutUI, public IListOwnerUI {
  public:
    bool IsTabStop() const override { return true; }
    CListUI();
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    CListHeaderUI* GetHeader() const { return header_; }
    CVerticalLayoutUI* GetList() const { return body_; }

    // Items (the header is not one).
    int GetCount() const;
    CControlUI* GetItemAt(int index) const;
    int GetItemIndex(const CControlUI* control) const;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    void RemoveAll() override;

    TListInfoUI* GetListInfo() override;
    int GetCurSel() const override { return curSel_; }
    bool SelectItem(int index, bool notify = false) override;
    void EnsureVisible(int index);
    void SetScrollPos(int pos) override;

    void SetAttribute(std::string_view name, std::string_view value) override;
    void SetPos(Rect rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;

  private:
    CListHeaderUI* header_ = nullptr;
    CVerticalLayoutUI* body_ = nullptr;
    TListInfoUI info_;
    int curSel_ = -1;
};

// The IListItemUI of a control, or nullptr.
IListItemUI* AsListItem(CControlUI* control);

// Tells the list items of `items` from position `from` on where they now
// stand. Only the items from a change on are told, so filling a list one
// item at a time stays linear.
void ReindexListItems(CContainerUI& items, int from);

}  // namespace kelno::skin
