#pragma once
// The arithmetic shared by the horizontal and the vertical layout: children
// in a line along one axis, fixed sizes first, the rest shared by the
// stretching children within their minimum and maximum.

#include "skin/core/container.h"

namespace kelno::skin {

// Base of CHorizontalLayoutUI and CVerticalLayoutUI.
class CLinearLayoutUI : public CContainerUI {
  public:
    explicit CLinearLayoutUI(bool vertical) : vertical_(vertical) {}
    void SetPos(Rect rc, bool needInvalidate = true) override;

  private:
    bool vertical_;
};

}  // namespace kelno::skin
