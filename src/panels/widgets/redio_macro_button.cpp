#include "panels/widgets/redio_macro_button.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"

namespace kelno::widgets {

std::string CRedioMacroButtonUI::GetClass() const {
    return "RedioMacroButtonUI";
}

void* CRedioMacroButtonUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return skin::CButtonUI::GetInterface(name);
}

void CRedioMacroButtonUI::SetAttribute(std::string_view name, std::string_view value) {
    if (name == "redioimage") {
        redioImage_ = std::string(value);
    } else {
        skin::CButtonUI::SetAttribute(name, value);
    }
}

void CRedioMacroButtonUI::DoEvent(skin::TEventUI& event) {
    if (event.Type == skin::UiEvent::Timer && event.wParam == kPulseTimer) {
        Pulse();
        return;
    }
    skin::CButtonUI::DoEvent(event);
}

void CRedioMacroButtonUI::Pulse() {
    fade_ += fadeDirection_ * kFadeStep;
    if (fade_ <= kMinFade || fade_ >= 255) {
        fade_ = std::clamp(fade_, kMinFade, 255);
        fadeDirection_ = -fadeDirection_;
    }
    Invalidate();
}

void CRedioMacroButtonUI::SetRecording(bool recording) {
    recording_ = recording;
    fade_ = 255;
    fadeDirection_ = -1;
    if (GetManager()) {
        if (recording) {
            GetManager()->SetTimer(this, kPulseTimer, kPulseIntervalMs);
        } else {
            GetManager()->KillTimer(this, kPulseTimer);
        }
    }
    Invalidate();
}

void CRedioMacroButtonUI::PaintStatusImage(cairo_t* cr) {
    skin::CButtonUI::PaintStatusImage(cr);
    if (!redioImage_.empty()) DrawImage(cr, redioImage_, "fade='" + std::to_string(fade_) + "'");
}

}  // namespace kelno::widgets
