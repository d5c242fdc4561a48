#pragma once
// CButtonUI (hot/pushed states, "click"), COptionUI (selected state,
// groups with one selected option, "selectchanged") and CCheckBoxUI.

#include "skin/controls/label.h"

namespace kelno::skin {

class CButtonUI : public CLabelUI {
  public:
    CButtonUI();  // text centred on one line
    bool IsTabStop() const override { return true; }
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    // ControlState bits of the button as it is drawn now.
    uint32_t GetButtonState() const;

    // State pictures (image attribute texts, docs/skin-format.md).
    const std::string& GetNormalImage() const { return normalImage_; }
    void SetNormalImage(const std::string& image) { SetImage(normalImage_, image); }
    const std::string& GetHotImage() const { return hotImage_; }
    void SetHotImage(const std::string& image) { SetImage(hotImage_, image); }
    const std::string& GetPushedImage() const { return pushedImage_; }
    void SetPushedImage(const std::string& image) { SetImage(pushedImage_, image); }
    const std::string& GetFocusedImage() const { return focusedImage_; }
    void SetFocusedImage(const std::string& image) { SetImage(focusedImage_, image); }
    const std::string& GetDisabledImage() const { return disabledImage_; }
    void SetDisabledImage(const std::string& image) { SetImage(disabledImage_, image); }
    // Raises "click"; false when disabled or hidden.
    bool Activate() override;

    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintBkColor(cairo_t* cr) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintForeImage(cairo_t* cr) override;

  protected:
    uint32_t CurrentTextColor() const override;
    // The image for the current state, falling back to the normal one.
    virtual const std::string& StateImage() const;

    void SetImage(std::string& slot, const std::string& image);

    uint32_t state_ = 0;

  private:
    std::string normalImage_, hotImage_, pushedImage_, focusedImage_, disabledImage_;
    std::string hotForeImage_, pushedForeImage_;
    uint32_t hotTextColor_ = 0, pushedTextColor_ = 0, focusedTextColor_ = 0;
    uint32_t hotBkColor_ = 0, pushedBkColor_ = 0;
};

class COptionUI : public CButtonUI {
  public:
    ~COptionUI() override;
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    const std::string& GetGroup() const { return group_; }
    void SetGroup(const std::string& group);
    bool IsSelected() const { return selected_; }
    const std::string& GetSelectedImage() const { return selectedImage_; }
    void SetSelectedImage(const std::string& image) { SetImage(selectedImage_, image); }
    void SetSelectedTextColor(uint32_t argb) {
        selectedTextColor_ = argb;
        Invalidate();
    }
    // Changes the selection; in a group, selecting one option deselects the
    // others. "selectchanged" is raised (for every option that changed)
    // only when `notify` is set.
    virtual void Selected(bool selected, bool notify = false);
    // The user's click: selects (in a group) or toggles, and notifies.
    bool Activate() override;

    void SetAttribute(std::string_view name, std::string_view value) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    void PaintBkColor(cairo_t* cr) override;

  protected:
    uint32_t CurrentTextColor() const override;
    const std::string& StateImage() const override;

  private:
    std::string group_;
    bool selected_ = false;
    bool pendingSelect_ = false;
    std::string selectedImage_, selectedHotImage_;
    uint32_t selectedTextColor_ = 0, selectedBkColor_ = 0;
};

class CCheckBoxUI : public COptionUI {
  public:
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check, bool notify = false) { Selected(check, notify); }
};

}  // namespace kelno::skin
