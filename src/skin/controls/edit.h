#pragma once
// CEditUI: a single-line text entry that edits itself from key and Char
// events (so it works without a native entry): caret, Home/End, arrows,
// BackSpace/Delete, a selection (Shift with the moving keys, a drag, a
// double click or Ctrl+A), the clipboard (Ctrl+C, Ctrl+X, Ctrl+V; a password
// is never copied), "textchanged" on every user edit and "return" on Enter.
// CRichEditUI is the same entry with several lines.

#include "skin/controls/label.h"

namespace kelno::skin {

class CEditUI : public CLabelUI {
  public:
    bool IsTabStop() const override { return true; }
    CEditUI();
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;

    // Programmatic: no notification unless `notify` is set. The caret goes
    // to the end. Text beyond the character limit is cut.
    void SetText(const std::string& text) override { SetText(text, false); }
    void SetText(const std::string& text, bool notify);
    bool IsReadOnly() const { return readOnly_; }
    void SetReadOnly(bool on);
    bool IsPasswordMode() const { return password_; }
    void SetPasswordMode(bool on);
    bool IsNumberOnly() const { return numberOnly_; }
    void SetNumberOnly(bool on) { numberOnly_ = on; }
    int GetMaxChar() const { return maxChar_; }
    void SetMaxChar(int count);
    bool IsMultiLine() const { return multiLine_; }
    void SetMultiLine(bool on);
    // Caret as a byte offset into the UTF-8 text. Setting it clears the
    // selection.
    int GetCaret() const { return caret_; }
    void SetCaret(int byteOffset);
    // The selection runs from the anchor to the caret (byte offsets; empty
    // when they meet).
    void SetSelection(int anchor, int caret);
    void SelectAll() { SetSelection(0, static_cast<int>(GetRawText().size())); }
    bool HasSelection() const { return anchor_ != caret_; }
    std::string GetSelectedText() const;
    // Selection colour (ARGB), "selectedbkcolor" in layouts.
    void SetSelectedBkColor(uint32_t argb) { selectedBkColor_ = argb; }

    void SetAttribute(std::string_view name, std::string_view value) override;
    void DoEvent(TEventUI& event) override;
    void PaintStatusImage(cairo_t* cr) override;
    void PaintText(cairo_t* cr) override;

  private:
    // Puts typed text in place of the selection, or at the caret (filtered
    // by number-only, multi-line and the character limit); true when
    // anything changed.
    bool InsertText(std::string_view typed);
    bool DeleteSelection();
    bool DeleteBackward();
    bool DeleteForward();
    // Moves the caret; with `extend` the anchor stays (Shift).
    void MoveCaret(int byteOffset, bool extend);
    // Ctrl+A/C/X/V; true when the key was one of them.
    bool HandleShortcut(uint32_t keysym);
    int IndexAt(Point pt);
    std::string DisplayText() const;
    // Byte offset in the displayed text of a byte offset of the text.
    int DisplayOffset(int byteOffset) const;
    void TextChangedByUser();

    int caret_ = 0;
    int anchor_ = 0;
    bool dragging_ = false;
    uint32_t selectedBkColor_ = 0x663399FF;
    int maxChar_ = 255;
    bool readOnly_ = false;
    bool password_ = false;
    bool numberOnly_ = false;
    bool multiLine_ = false;
    int scrollX_ = 0;
    std::string normalImage_, hotImage_, focusedImage_, disabledImage_;
};

class CRichEditUI : public CEditUI {
  public:
    CRichEditUI();
    std::string GetClass() const override;
    void* GetInterface(std::string_view name) override;
};

// Byte offset of the UTF-8 character before / after `pos`.
int PrevCharOffset(std::string_view text, int pos);
int NextCharOffset(std::string_view text, int pos);
int CountChars(std::string_view text);

}  // namespace kelno::skin
