#pragma once
// CComboUI: a closed box showing the selected item's text; a click opens
// the item list drawn over the window below the box (through the paint
// manager's popup, so it works in every host). Picking an item closes the
// list and raises "itemselect".

#include <memory>

#include "skin/controls/list.h"

namespace kelno::skin {

class CComboDropUI;

class CComboUI : public CContainerUI, public IListOwnerUI {
  public:
    bool IsTabStop() const override { return true; }
    CComboUI();
    ~CComboUI() override;
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control, bool doNotDestroy = false) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    void RemoveAll() override;

    TListInfoUI* GetListInfo() override { return &info_; }
    int GetCurSel() const override { return curSel_; }
    bool SelectItem(int index, bool notify = false) override;
    // The selected item's text ("" when none is selected).
    std::string GetText() const override;

    bool IsDropOpen() const;
    void OpenDrop();
    void CloseDrop();
    Size GetDropBoxSize() const { return dropBoxSize_; }

    // Hiding or disabling the box closes its list.
    void SetVisible(bool visible) override;
    void SetInternVisible(bool visible) override;
    void SetEnabled(bool enabled) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void SetPos(Rect rc, bool needInvalidate = true) override;
    void DoEvent(TEventUI& event) override;
    void DoPaint(cairo_t* cr, const Rect& dirty) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;

  private:
    // Items from `from` on learn their new positions; an open list is laid out again.
    void Reindex(int from);

    TListInfoUI info_;
    int curSel_ = -1;
    Size dropBoxSize_{0, 150};
    Rect textPadding_{4, 0, 4, 0};
    CachedTextLayout shownText_;
    uint32_t textColor_ = 0xFF000000;
    int font_ = -1;
    std::string normalImage_, hotImage_, pushedImage_, disabledImage_;
    std::unique_ptr<CComboDropUI> drop_;
};

}  // namespace kelno::skin
