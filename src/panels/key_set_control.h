#pragma once
// CKeySetControlUI ("KeySetControl", found on a device page as
// "KeySetControlItem"): the key assignment panel. The user picks a key on
// the device picture; the panel shows what the key does, lets the user pick
// a function (a category and its options, or a key captured from the
// keyboard) and applies it to the device's key record at once; "prosave"
// writes the device's macros and key map and saves the profile.
//
// The encoding lives in keys/key_assignment_codec.h; this class only reads
// its controls into a choice and shows a decoded one. Everything runs on the
// UI thread; code-driven control changes never re-enter the handlers.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panels/notify_routes.h"
#include "devices/models/usb_device.h"
#include "keys/key_assignment_codec.h"
#include "panels/capture_panels.h"
#include "panels/child_lookup.h"
#include "panels/update_scope.h"
#include "profiles/profile_records.h"
#include "skin/layout/layouts.h"

namespace kelno {

class IPanelHost;
class IKeyAssignmentDevice;

class CKeySetControlUI : public skin::CHorizontalLayoutUI,
                         public IDevicePanel,
                         public IKeyCapturePanel {
  public:
    static constexpr const char* kElementName = "KeySetControl";
    static constexpr const char* kItemName = "KeySetControlItem";

    explicit CKeySetControlUI(IPanelHost* host = nullptr) : host_(host) {}

    std::string GetClass() const override;  // "KeySetControlUI"
    void* GetInterface(std::string_view name) override;
    static CKeySetControlUI* Of(CZembravaUSBDevice& device);

    // IDevicePanel: binding takes the kind and the macro names; a refresh
    // shows the selected key's record.
    void BindDevice(CZembravaUSBDevice* device) override;
    void RefreshFromDevice() override;

    // --- Operations ---------------------------------------------------------------
    void SetDeviceKind(int kind);
    void SetMacroNames(const std::vector<std::string>& names);
    void ShowKey(const KeyAssignment& current, const KeyAssignment& defaults);
    void ShowCurrent();
    void ShowDefault();
    // The controls' choice as the key's new record (current, then default).
    KeyAssignmentPair Encode();
    void SelectModifier(int check);  // -1 clears every check
    int GetModifier();
    void EnableSaveButtons(bool enabled);
    // A capture or recording runs elsewhere: no key edits meanwhile.
    void SetBusy(bool busy);
    // Applied edits not yet written to the device and the profile.
    bool HasUnsavedEdits() const { return unsaved_; }

    // The main window's entry for the key assignment routes
    // (KeyAssignmentButton, KeyAssignmentCheck, KeyAssignmentList,
    // KeyAssignmentPendingChange). True when handled.
    bool OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                        CZembravaUSBDevice& device);

    // IKeyCapturePanel.
    void OnCapturedKey(const input::KeyInput& key) override;
    void OnKeyCaptureState(bool capturing, CaptureResult result) override;

  private:
    skin::CControlUI* Find(const std::string& name) { return children_.Find(name); }
    IKeyAssignmentDevice* KeyDevice() const;
    int MacroCount() const { return static_cast<int>(macroNames_.size()); }

    keyassign::KeyPanelChoice ReadChoice();
    void ShowChoice(const keyassign::KeyPanelChoice& choice);
    void ShowValue(const KeyAssignment& value);
    void ShowCategory(std::optional<keyassign::Category> category);
    void ShowKeyText(std::optional<size_t> nameRow);
    int ListSelection(const std::string& name);
    void SelectListItem(const std::string& name, int index);
    int EditNumber(const std::string& name);
    void SetEditNumber(const std::string& name, int value);

    // Handlers (key_set_control_handlers.cpp).
    // Encodes the controls into the selected key's record on the device.
    void Apply(CZembravaUSBDevice& device);
    void OnButton(const std::string& name, CZembravaUSBDevice& device);
    void OnListSelected(const std::string& name, CZembravaUSBDevice& device);
    void SaveToDevice(CZembravaUSBDevice& device);

    IPanelHost* host_ = nullptr;
    CZembravaUSBDevice* device_ = nullptr;
    ChildLookup children_{*this};
    int deviceKind_ = 0;
    std::vector<std::string> macroNames_;
    KeyAssignment current_{};
    KeyAssignment defaults_{};
    std::optional<size_t> keyTextRow_;  // the key named in the key text
    int updating_ = 0;
    bool unsaved_ = false;
};

}  // namespace kelno
