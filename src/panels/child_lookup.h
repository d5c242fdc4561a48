#pragma once
// Named controls below a panel, looked up by name on first use and kept
// (a missing control is looked up again next time, so a later build of the
// layout is seen), and the list items the panels add to their combos.

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "devices/models/page_lookup.h"
#include "skin/core/control.h"

namespace kelno {

class ChildLookup {
  public:
    explicit ChildLookup(skin::CControlUI& owner) : owner_(owner) {}

    skin::CControlUI* Find(const std::string& name);
    // The control's interface `interfaceName` ("Combo", "Slider", ...).
    template <typename T>
    T* FindAs(const std::string& name, std::string_view interfaceName) {
        skin::CControlUI* control = Find(name);
        return control ? static_cast<T*>(control->GetInterface(interfaceName)) : nullptr;
    }
    // True when `control` is the owner or below it.
    bool Owns(const skin::CControlUI* control) const;

  private:
    skin::CControlUI& owner_;
    std::map<std::string, skin::CControlUI*, std::less<>> found_;
};

// Appends an item of height 30 showing `text` (its user data too) to a
// combo's list; returns it for further settings.
skin::CControlUI* AppendListItem(skin::CControlUI& combo, const std::string& text);

// The panel named `itemName` on a device page, through its element
// interface; null when the page has none.
template <typename Panel>
Panel* PanelOnPage(skin::CControlUI& page, std::string_view itemName,
                   std::string_view elementName) {
    skin::CControlUI* item = FindDescendantByName(&page, itemName);
    return item ? static_cast<Panel*>(item->GetInterface(elementName)) : nullptr;
}

}  // namespace kelno
