#pragma once
// The layouts: a row, a column, and tabs (one visible child at a time).

#include "skin/layout/linear_layout.h"

namespace kelno::skin {

class CHorizontalLayoutUI : public CLinearLayoutUI {
  public:
    CHorizontalLayoutUI() : CLinearLayoutUI(false) {}
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

class CVerticalLayoutUI : public CLinearLayoutUI {
  public:
    CVerticalLayoutUI() : CLinearLayoutUI(true) {}
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

// Children share the inner rectangle; only the selected one is visible.
class CTabLayoutUI : public CContainerUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool RemoveAt(int index, bool doNotDestroy = false) override;
    void RemoveAll() override;
    int GetCurSel() const { return curSel_; }
    // Shows child `index`; false when out of range. Raises "tabselect" only
    // when `notify` is set.
    bool SelectItem(int index, bool notify = false);
    bool SelectItem(CControlUI* control, bool notify = false);
    void SetAttribute(std::string_view name, std::string_view value) override;

  private:
    void ShowOnly(int index);
    int curSel_ = -1;
    int pendingSel_ = -1;
};

}  // namespace kelno::skin
