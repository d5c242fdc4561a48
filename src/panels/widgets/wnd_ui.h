#pragma once
// CWndUI ("Wnd"): where a skin reserves room for a native child window.
// This platform embeds no native child windows, so it is an empty control
// that keeps its place in the layout.

#include "skin/core/control.h"

namespace kelno::widgets {

class CWndUI : public skin::CControlUI {
  public:
    static constexpr const char* kElementName = "Wnd";

    std::string GetClass() const override;  // "WndUI"
    void* GetInterface(std::string_view name) override;
};

}  // namespace kelno::widgets
