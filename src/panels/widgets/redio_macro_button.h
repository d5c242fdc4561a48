#pragma once
// CRedioMacroButtonUI ("RedioMacroButton"): the record button. While
// recording, its "redioimage" picture pulses: every timer event moves the
// picture's fade one step down and back up.

#include "skin/controls/button.h"

namespace kelno::widgets {

class CRedioMacroButtonUI : public skin::CButtonUI {
  public:
    static constexpr const char* kElementName = "RedioMacroButton";
    static constexpr uint32_t kPulseTimer = 1;
    static constexpr uint32_t kPulseIntervalMs = 50;
    static constexpr int kFadeStep = 20;
    static constexpr int kMinFade = 55;

    std::string GetClass() const override;  // "RedioMacroButtonUI"
    void* GetInterface(std::string_view name) override;
    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(skin::TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;

    // Starts or stops the pulse (the fade returns to full when stopped).
    void SetRecording(bool recording);
    bool IsRecording() const { return recording_; }
    int GetFade() const { return fade_; }
    // One pulse step (what each timer event does).
    void Pulse();

  private:
    std::string redioImage_;
    bool recording_ = false;
    int fade_ = 255;
    int fadeDirection_ = -1;
};

}  // namespace kelno::widgets
