#include "skin/controls/edit.h"

#include <algorithm>

#include "skin/core/attribute_values.h"
#include "skin/core/paint_manager.h"
#include "skin/core/render.h"

namespace kelno::skin {
namespace {

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

constexpr const char* kPasswordChar = "*";

// `offset` clamped into the text and moved back onto a character's start.
int CharBoundary(std::string_view text, int offset) {
    offset = std::clamp(offset, 0, static_cast<int>(text.size()));
    while (offset > 0 && offset < static_cast<int>(text.size()) &&
           IsContinuation(text[static_cast<size_t>(offset)]))
        --offset;
    return offset;
}

bool IsLetterKey(uint32_t keysym, char lower) {
    return keysym == static_cast<uint32_t>(lower) ||
           keysym == static_cast<uint32_t>(lower - 'a' + 'A');
}

}  // namespace

int PrevCharOffset(std::string_view text, int pos) {
    pos = std::clamp(pos, 0, static_cast<int>(text.size()));
    if (pos == 0) return 0;
    --pos;
    while (pos > 0 && IsContinuation(text[static_cast<size_t>(pos)])) --pos;
    return pos;
}

int NextCharOffset(std::string_view text, int pos) {
    int size = static_cast<int>(text.size());
    pos = std::clamp(pos, 0, size);
    if (pos == size) return size;
    ++pos;
    while (pos < size && IsContinuation(text[static_cast<size_t>(pos)])) ++pos;
    return pos;
}

int CountChars(std::string_view text) {
    return static_cast<int>(
        std::count_if(text.begin(), text.end(), [](char c) { return !IsContinuation(c); }));
}

CEditUI::CEditUI() {
    SetTextStyle(DT_VCENTER | DT_SINGLELINE);
    SetCursor(CursorShape::IBeam);
    SetTextPadding({2, 0, 2, 0});
}

std::string CEditUI::GetClass() const {
    return "EditUI";
}

void* CEditUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "Edit")) return this;
    return CLabelUI::GetInterface(name);
}

void CEditUI::SetText(const std::string& text, bool notify) {
    std::string cut;
    int chars = 0;
    for (size_t i = 0; i < text.size();) {
        size_t next = static_cast<size_t>(NextCharOffset(text, static_cast<int>(i)));
        if (++chars > maxChar_) break;
        cut.append(text, i, next - i);
        i = next;
    }
    bool changed = cut != GetRawText();
    CLabelUI::SetText(cut);
    caret_ = anchor_ = static_cast<int>(cut.size());
    if (changed && notify && GetManager()) GetManager()->SendNotify(this, notify::kTextChanged);
}

void CEditUI::SetReadOnly(bool on) {
    readOnly_ = on;
    Invalidate();
}

void CEditUI::SetPasswordMode(bool on) {
    password_ = on;
    Invalidate();
}

void CEditUI::SetMaxChar(int count) {
    maxChar_ = std::max(count, 0);
    if (CountChars(GetRawText()) > maxChar_) SetText(GetRawText());
}

void CEditUI::SetMultiLine(bool on) {
    multiLine_ = on;
    uint32_t style = GetTextStyle() & ~(DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER);
    SetTextStyle(on ? (style | DT_WORDBREAK) : (style | DT_SINGLELINE | DT_VCENTER));
}

void CEditUI::SetCaret(int byteOffset) {
    MoveCaret(byteOffset, false);
}

void CEditUI::MoveCaret(int byteOffset, bool extend) {
    caret_ = CharBoundary(GetRawText(), byteOffset);
    if (!extend) anchor_ = caret_;
    Invalidate();
}

void CEditUI::SetSelection(int anchor, int caret) {
    anchor_ = CharBoundary(GetRawText(), anchor);
    caret_ = CharBoundary(GetRawText(), caret);
    Invalidate();
}

std::string CEditUI::GetSelectedText() const {
    const auto [from, to] = std::minmax(anchor_, caret_);
    return GetRawText().substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

void CEditUI::SetAttribute(std::string_view name, std::string_view value) {
    auto flag = [&](auto apply) {
        if (auto b = ParseBool(value)) apply(*b);
    };
    if (name == "readonly")
        flag([&](bool b) { SetReadOnly(b); });
    else if (name == "password")
        flag([&](bool b) { SetPasswordMode(b); });
    else if (name == "numberonly")
        flag([&](bool b) { SetNumberOnly(b); });
    else if (name == "multiline")
        flag([&](bool b) { SetMultiLine(b); });
    else if (name == "maxchar") {
        if (auto v = ParseInt(value)) SetMaxChar(*v);
    } else if (name == "normalimage")
        normalImage_ = std::string(value);
    else if (name == "hotimage")
        hotImage_ = std::string(value);
    else if (name == "focusedimage")
        focusedImage_ = std::string(value);
    else if (name == "disabledimage")
        disabledImage_ = std::string(value);
    else if (name == "selectedbkcolor") {
        if (auto c = ParseColor(value)) selectedBkColor_ = *c;
    } else
        CLabelUI::SetAttribute(name, value);
}

bool CEditUI::InsertText(std::string_view typed) {
    std::string accepted;
    int room = maxChar_ - CountChars(GetRawText()) + CountChars(GetSelectedText());
    for (size_t i = 0; i < typed.size() && room > 0;) {
        size_t next = static_cast<size_t>(NextCharOffset(typed, static_cast<int>(i)));
        std::string_view ch = typed.substr(i, next - i);
        i = next;
        unsigned char first = static_cast<unsigned char>(ch[0]);
        if (ch == "\n" || ch == "\r") {
            if (!multiLine_) continue;
        } else if (first < 0x20 || first == 0x7F) {
            continue;  // control characters are never text
        }
        if (numberOnly_ && !(ch.size() == 1 && ch[0] >= '0' && ch[0] <= '9')) continue;
        accepted.append(ch);
        --room;
    }
    // Nothing acceptable keeps the selection too.
    if (accepted.empty()) return false;
    DeleteSelection();
    std::string text = GetRawText();
    text.insert(static_cast<size_t>(caret_), accepted);
    int caret = caret_ + static_cast<int>(accepted.size());
    CLabelUI::SetText(text);
    caret_ = anchor_ = caret;
    return true;
}

bool CEditUI::DeleteSelection() {
    if (!HasSelection()) return false;
    const auto [from, to] = std::minmax(anchor_, caret_);
    std::string text = GetRawText();
    text.erase(static_cast<size_t>(from), static_cast<size_t>(to - from));
    CLabelUI::SetText(text);
    caret_ = anchor_ = from;
    return true;
}

bool CEditUI::DeleteBackward() {
    if (DeleteSelection()) return true;
    if (caret_ == 0) return false;
    std::string text = GetRawText();
    int from = PrevCharOffset(text, caret_);
    text.erase(static_cast<size_t>(from), static_cast<size_t>(caret_ - from));
    CLabelUI::SetText(text);
    caret_ = anchor_ = from;
    return true;
}

bool CEditUI::DeleteForward() {
    if (DeleteSelection()) return true;
    std::string text = GetRawText();
    if (caret_ >= static_cast<int>(text.size())) return false;
    int to = NextCharOffset(text, caret_);
    text.erase(static_cast<size_t>(caret_), static_cast<size_t>(to - caret_));
    int caret = caret_;
    CLabelUI::SetText(text);
    caret_ = anchor_ = caret;
    return true;
}

bool CEditUI::HandleShortcut(uint32_t keysym) {
    IWindowHost* host = GetManager() ? GetManager()->GetHost() : nullptr;
    if (IsLetterKey(keysym, 'a')) {
        SelectAll();
    } else if (IsLetterKey(keysym, 'c')) {
        if (host && HasSelection() && !password_) host->SetClipboardText(GetSelectedText());
    } else if (IsLetterKey(keysym, 'x')) {
        if (!host || !HasSelection() || password_ || readOnly_) return true;
        host->SetClipboardText(GetSelectedText());
        if (DeleteSelection()) TextChangedByUser();
    } else if (IsLetterKey(keysym, 'v')) {
        if (host && !readOnly_ && InsertText(host->GetClipboardText())) TextChangedByUser();
    } else {
        return false;
    }
    return true;
}

void CEditUI::TextChangedByUser() {
    Invalidate();
    if (GetManager()) GetManager()->SendNotify(this, notify::kTextChanged);
}

std::string CEditUI::DisplayText() const {
    if (!password_) return GetRawText();
    std::string masked;
    for (int i = CountChars(GetRawText()); i > 0; --i) masked += kPasswordChar;
    return masked;
}

int CEditUI::DisplayOffset(int byteOffset) const {
    if (!password_) return byteOffset;
    return CountChars(std::string_view(GetRawText()).substr(0, static_cast<size_t>(byteOffset)));
}

int CEditUI::IndexAt(Point pt) {
    Rect rc = GetTextRect();
    const TextLayout& layout =
        LayoutOf(DisplayText(), GetFont(), multiLine_ ? rc.Width() : -1, GetTextStyle());
    int index = layout.XYToIndex({pt.x - rc.left + scrollX_, pt.y - rc.top - layout.TopOffset(rc)});
    if (password_) {
        // One '*' per character: map back to the real text.
        int offset = 0;
        for (int i = 0; i < index; ++i) offset = NextCharOffset(GetRawText(), offset);
        index = offset;
    }
    return index;
}

void CEditUI::DoEvent(TEventUI& event) {
    switch (event.Type) {
        case UiEvent::ButtonDown:
            if (IsEnabled() && GetManager()) {
                MoveCaret(IndexAt(event.ptMouse), (event.wKeyState & kModShift) != 0);
                dragging_ = true;
            }
            return;
        case UiEvent::MouseMove:
            if (dragging_ && GetManager()) MoveCaret(IndexAt(event.ptMouse), true);
            break;
        case UiEvent::ButtonUp:
            dragging_ = false;
            break;
        case UiEvent::DblClick:
            if (IsEnabled()) SelectAll();
            return;
        case UiEvent::Char:
            if (IsEnabled() && !readOnly_ && InsertText(event.text)) TextChangedByUser();
            return;
        case UiEvent::KeyDown: {
            if (!IsEnabled()) return;
            if ((event.wKeyState & kModControl) && HandleShortcut(event.chKey)) return;
            const std::string& text = GetRawText();
            const bool extend = (event.wKeyState & kModShift) != 0;
            const auto [from, to] = std::minmax(anchor_, caret_);
            switch (event.chKey) {
                case keys::kLeft:
                    // Without Shift an arrow first ends the selection at its edge.
                    MoveCaret(HasSelection() && !extend ? from : PrevCharOffset(text, caret_),
                              extend);
                    return;
                case keys::kRight:
                    MoveCaret(HasSelection() && !extend ? to : NextCharOffset(text, caret_),
                              extend);
                    return;
                case keys::kHome:
                    MoveCaret(0, extend);
                    return;
                case keys::kEnd:
                    MoveCaret(static_cast<int>(text.size()), extend);
                    return;
                case keys::kBackSpace:
                    if (!readOnly_ && DeleteBackward()) TextChangedByUser();
                    return;
                case keys::kDelete:
                    if (!readOnly_ && DeleteForward()) TextChangedByUser();
                    return;
                case keys::kReturn:
                case keys::kKpEnter:
                    if (multiLine_) {
                        if (!readOnly_ && InsertText("\n")) TextChangedByUser();
                    } else if (GetManager()) {
                        GetManager()->SendNotify(this, notify::kReturn);
                    }
                    return;
                default:
                    break;
            }
            break;
        }
        default:
            break;
    }
    CLabelUI::DoEvent(event);
}

void CEditUI::PaintStatusImage(cairo_t* cr) {
    const std::string* image = &normalImage_;
    if (!IsEnabled() && !disabledImage_.empty())
        image = &disabledImage_;
    else if (IsFocused() && !focusedImage_.empty())
        image = &focusedImage_;
    else if (IsHot() && !hotImage_.empty())
        image = &hotImage_;
    if (!image->empty()) DrawImage(cr, *image);
}

void CEditUI::PaintText(cairo_t* cr) {
    if (!GetManager()) return;
    Rect rc = GetTextRect();
    if (rc.IsEmpty()) return;
    uint32_t color = CurrentTextColor();
    // A single line is not wrapped: it scrolls sideways to keep the caret
    // in the box. Several lines wrap at the box's width.
    const TextLayout& layout =
        LayoutOf(DisplayText(), GetFont(), multiLine_ ? rc.Width() : -1, GetTextStyle());
    Rect caret = layout.CaretRect(DisplayOffset(caret_));
    if (!multiLine_) {
        if (caret.left - scrollX_ > rc.Width() - 1) scrollX_ = caret.left - rc.Width() + 1;
        if (caret.left < scrollX_) scrollX_ = caret.left;
        scrollX_ = std::max(scrollX_, 0);
    }
    Rect shifted{rc.left - scrollX_, rc.top, rc.right, rc.bottom};
    cairo_save(cr);
    cairo_rectangle(cr, rc.left, rc.top, rc.Width(), rc.Height());
    cairo_clip(cr);
    if (IsFocused() && HasSelection()) {
        const auto [from, to] = std::minmax(anchor_, caret_);
        const int top = rc.top + layout.TopOffset(rc);
        for (const Rect& r : layout.RangeRects(DisplayOffset(from), DisplayOffset(to)))
            FillRect(cr,
                     {shifted.left + r.left, top + r.top, shifted.left + r.right, top + r.bottom},
                     selectedBkColor_);
    }
    layout.Draw(cr, shifted, color);
    if (IsFocused() && !readOnly_) {
        int top = rc.top + layout.TopOffset(rc) + caret.top;
        int height = std::max(caret.Height(), Scale(12));
        int x = shifted.left + caret.left;
        FillRect(cr, {x, top, x + 1, top + height}, color);
    }
    cairo_restore(cr);
}

CRichEditUI::CRichEditUI() {
    SetMultiLine(true);
}

std::string CRichEditUI::GetClass() const {
    return "RichEditUI";
}

void* CRichEditUI::GetInterface(std::string_view name) {
    if (EqualsNoCase(name, "RichEdit")) return this;
    return CEditUI::GetInterface(name);
}

}  // namespace kelno::skin
