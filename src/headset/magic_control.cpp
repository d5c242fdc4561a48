#include "headset/magic_control.h"

#include "headset/panel_controls.h"
#include "panels/update_scope.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

using Settings = HeadsetSystemSettings;
using namespace headset_controls;

constexpr const char* kSwitch = "magic_enable_option";
constexpr const char* kVoiceLayout = "magic_option_layout";
constexpr const char* kNotice = "magic_unsupported_label";
const std::string kVoicePrefix = "magic_option_";
constexpr int kFirstVoice = 1;
constexpr int kLastVoice = 4;

}  // namespace

std::string CMagicControlUI::GetClass() const {
    return "MagicControlUI";
}

void* CMagicControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return CHeadsetAudioPanel::GetInterface(name);
}

CMagicControlUI* CMagicControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CMagicControlUI>(device, kItemName, kElementName);
}

void CMagicControlUI::SetChangerOn(bool on) {
    UpdateScope scope(updating_);
    SetSelected(children_, kSwitch, on);
    headset_controls::SetEnabled(children_, kVoiceLayout, on && IsEnabled());
}

bool CMagicControlUI::IsChangerOn() {
    return IsSelected(children_, kSwitch);
}

void CMagicControlUI::SelectVoice(int voice) {
    UpdateScope scope(updating_);
    voice_ = voice >= kFirstVoice && voice <= kLastVoice ? voice : 0;
    SelectOneOf(children_, kVoicePrefix, kFirstVoice, kLastVoice, voice_);
}

void CMagicControlUI::ShowFrom(const IHeadsetAudioActions& actions) {
    UpdateScope scope(updating_);
    const Settings settings = actions.AudioSettings();
    const bool supported = actions.VoiceChangerSupported();
    // The panel first: enabling it enables every control below, the voices
    // included, which the switch then settles.
    CHeadsetAudioPanel::SetEnabled(supported);
    if (skin::CControlUI* notice = children_.Find(kNotice)) {
        notice->SetVisible(!supported);
        notice->SetEnabled(true);  // read in its own colour, not greyed with the rest
    }
    SetChangerOn(settings.values[Settings::kMagicEnable] != 0);
    SelectVoice(settings.values[Settings::kMagicType]);
}

bool CMagicControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                     CZembravaUSBDevice& device) {
    if (route.handler != app::Handler::VoiceChangerOption) return false;
    IHeadsetAudioActions* actions = ActionsFor(notify, device);
    if (!actions) return false;
    const std::string name = notify.pSender->GetName();
    const Settings stored = actions->AudioSettings();
    if (skin::EqualsNoCase(name, kSwitch)) {
        const bool on = IsChangerOn();
        SetChangerOn(actions->SetVoiceChangerOn(on) ? on
                                                    : stored.values[Settings::kMagicEnable] != 0);
        return true;
    }
    const int voice = route.number;
    if (voice < kFirstVoice || voice > kLastVoice) return false;
    // The group also reports the voice it cleared; only the chosen one acts.
    if (IsSelected(children_, name))
        SelectVoice(actions->ChooseVoice(voice) ? voice : stored.values[Settings::kMagicType]);
    return true;
}

}  // namespace kelno
