// The "RyxCombo" class window procedure: the edit field, the buttons, the
// private protocol and the notifications to the owner.
#include "zobase7/include/RyxCombo.h"
#include "zobase7/RyxComboGdi.h"
#include "zobase7/RyxComboInternal.h"
#include "zobase7/RyxComboAccessible.h"
#include "zobase7/RyxComboState.h"

#include "zobase7/include/ComboItemInterfaces.h"
#include "platform/codepage/codepage.h"
#include "platform/win/dropdown.h"
#include "platform/win/gdi.h"
#include "platform/win/popupmenu.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QClipboard>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace zobase7 {

namespace {
bool ensureListClass();
} // namespace

namespace detail {

constexpr UINT_PTR kSpinTimer = 1;
// Watches for the pointer leaving the window (there is no leave message).
constexpr UINT_PTR kHoverTimer = 2;
constexpr UINT kHoverInterval = 100;
constexpr UINT kDefaultSpinDelay = 400;

std::unordered_map<HWND, std::shared_ptr<RyxComboState>> &combos()
{
    static std::unordered_map<HWND, std::shared_ptr<RyxComboState>> map;
    return map;
}

bool isEmpty(const RECT &r) { return r.right <= r.left || r.bottom <= r.top; }
bool contains(const RECT &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

int lowShort(WPARAM v) { return static_cast<std::int16_t>(v & 0xFFFF); }

// ---- notifications: to the own window first (a superclass sees them) ----

LRESULT notify(HWND hwnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return SendMessageA(hwnd, msg, wParam, lParam);
}

void command(HWND hwnd, UINT code)
{
    const WPARAM w = MAKELONG(static_cast<WORD>(GetDlgCtrlID(hwnd)), static_cast<WORD>(code));
    SendMessageA(hwnd, wm::COMMAND, w, static_cast<LPARAM>(hwnd));
}

int shiftMask()
{
    int m = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        m |= 1;
    if (GetKeyState(VK_CONTROL) < 0)
        m |= 2;
    if (GetKeyState(VK_MENU) < 0)
        m |= 4;
    return m;
}

// ---- geometry ------------------------------------------------------------

bool spinShownNow(const RyxComboState &s)
{
    return s.spinVisibleMode == 0 || s.focused();
}

bool dropShownNow(const RyxComboState &s)
{
    return s.dropVisibleMode == 0 || s.focused();
}

RyxComboGeometry geometryOf(const RyxComboState &s)
{
    RECT client;
    GetClientRect(s.hwnd, &client);
    return layoutCombo(client, s.layout, spinShownNow(s), dropShownNow(s),
                       gdi::frameWidth(s.borderStyle, s.appearance), s.marginLeft, s.marginRight,
                       s.marginTop, s.marginBottom);
}

// Pixel offset of each character boundary of the shown text from its start
// (advance widths summed, each character measured once per font).
const std::vector<int> &boundaries(const RyxComboState &s)
{
    if (s.boundaryVersion == s.edit.version() && !s.boundaryCache.empty())
        return s.boundaryCache;
    std::vector<int> &xs = s.boundaryCache;
    xs.assign(1, 0);
    const std::string &t = s.edit.text();
    int x = 0;
    for (size_t i = 0; i < t.size();) {
        const size_t w = platform::codepage::isLeadByte(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
        const std::string ch = t.substr(i, w);
        auto it = s.charWidths.find(ch);
        if (it == s.charWidths.end())
            it = s.charWidths.emplace(ch, gdi::textWidth(s.font, ch)).first;
        x += it->second;
        xs.push_back(x);
        i += w;
    }
    s.boundaryVersion = s.edit.version();
    return xs;
}

// Client x where the text starts, after alignment and scrolling.
int textOrigin(const RyxComboState &s, const RyxComboGeometry &g, int width)
{
    const int room = g.text.right - g.text.left;
    switch (s.alignH) {
    case 1: return g.text.right - width;
    case 2: return g.text.left + (room - width) / 2;
    default: return g.text.left - s.scrollX;
    }
}

int textTop(const RyxComboState &s, const RyxComboGeometry &g)
{
    const int h = gdi::textHeight(s.font);
    switch (s.alignV) {
    case 1: return g.text.bottom - h;
    case 2: return g.text.top + (g.text.bottom - g.text.top - h) / 2;
    default: return g.text.top;
    }
}

int charFromX(const RyxComboState &s, int x)
{
    const RyxComboGeometry g = geometryOf(s);
    const std::vector<int> &xs = boundaries(s);
    const int origin = textOrigin(s, g, xs.back());
    int best = 0;
    int bestDist = 1 << 30;
    for (size_t i = 0; i < xs.size(); ++i) {
        int d = std::abs(origin + xs[i] - x);
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

// Keeps the caret inside the text area (left alignment scrolls).
void scrollToCaret(RyxComboState &s)
{
    if (s.alignH != 0) {
        s.scrollX = 0;
        return;
    }
    const RyxComboGeometry g = geometryOf(s);
    const std::vector<int> &xs = boundaries(s);
    const int room = std::max(1, static_cast<int>(g.text.right - g.text.left) - 1);
    const int cx = xs[static_cast<size_t>(std::min<int>(s.edit.caret(), static_cast<int>(xs.size()) - 1))];
    if (cx - s.scrollX > room)
        s.scrollX = cx - room;
    if (cx < s.scrollX)
        s.scrollX = cx;
    if (xs.back() - s.scrollX < room)
        s.scrollX = std::max(0, xs.back() - room);
}

void caretPoint(const RyxComboState &s, int ci, int *x, int *y)
{
    const RyxComboGeometry g = geometryOf(s);
    const std::vector<int> &xs = boundaries(s);
    const int origin = textOrigin(s, g, xs.back());
    *x = origin + xs[static_cast<size_t>(std::clamp(ci, 0, static_cast<int>(xs.size()) - 1))];
    *y = textTop(s, g);
}

void updateCaret(RyxComboState &s)
{
    if (!s.focused())
        return;
    int x = 0, y = 0;
    caretPoint(s, s.edit.caret(), &x, &y);
    gdi::placeCaret(x, y);
}

void repaint(RyxComboState &s)
{
    scrollToCaret(s);
    updateCaret(s);
    InvalidateRect(s.hwnd, nullptr, FALSE);
}

// ---- editing -------------------------------------------------------------

FormatMask::Options maskOptions(const RyxComboState &s)
{
    FormatMask::Options o;
    o.autoConvert = s.autoConvert;
    o.allowSpace = s.allowSpace;
    o.lookupTable = s.lookupTable;
    return o;
}

// The edit text shows the mask's template with the entered characters.
void showMask(RyxComboState &s, int caret)
{
    s.edit.setText(s.mask.text(s.promptChar));
    s.edit.moveCaret(caret, false);
}

std::string currentValue(const RyxComboState &s)
{
    return s.masked() ? s.mask.value() : s.edit.text();
}

std::string displayText(const RyxComboState &s)
{
    return s.masked() ? s.mask.text(" ") : s.edit.text();
}

void beep(const RyxComboState &s)
{
    if (s.errorBeep)
        QApplication::beep();
}

void refused(const std::shared_ptr<RyxComboState> &s)
{
    beep(*s);
    command(s->hwnd, ZON_INVALIDINPUT);
}

// True when content starts with typed; ASCII letters fold case, double-byte
// characters compare as they are.
bool startsWithFold(const std::string &content, const std::string &typed)
{
    if (content.size() < typed.size())
        return false;
    for (size_t k = 0; k < typed.size(); ++k) {
        const unsigned char a = static_cast<unsigned char>(content[k]);
        const unsigned char b = static_cast<unsigned char>(typed[k]);
        if (platform::codepage::isLeadByte(a)) {
            if (a != b || k + 1 >= typed.size() || content[k + 1] != typed[k + 1])
                return false;
            ++k;
            continue;
        }
        if (a < 0x80 && b < 0x80 ? std::tolower(a) != std::tolower(b) : a != b)
            return false;
    }
    return true;
}

// AutoSelect: the first item whose content starts with the typed text;
// -1 when none matches or the text is empty.
int autoSelectIndex(const RyxComboState &s, const std::string &typed)
{
    if (typed.empty())
        return -1;
    const int n = itemCount(s);
    for (int i = 0; i < n; ++i)
        if (startsWithFold(itemContent(s, i), typed))
            return i;
    return -1;
}

void setSelected(const std::shared_ptr<RyxComboState> &s, int index, bool notifyOwner)
{
    const int n = itemCount(*s);
    if (index < 0 || index >= n)
        index = -1;
    if (s->dropped)
        s->hot = index;
    if (s->selected == index)
        return;
    s->selected = index;
    if (s->list)
        InvalidateRect(s->list, nullptr, FALSE);
    announceSelection(*s);
    if (notifyOwner)
        notify(s->hwnd, ZOM_SELCHANGED);
}

void textChanged(const std::shared_ptr<RyxComboState> &s, bool typed)
{
    repaint(*s);
    announceText(*s);
    command(s->hwnd, ZON_CHANGE);
    if (!IsWindow(s->hwnd))
        return;
    if (typed && s->autoSelect)
        setSelected(s, autoSelectIndex(*s, currentValue(*s)), true);
}

bool editable(const RyxComboState &s)
{
    return !s.readOnly && s.style != 2;
}

void typeChar(const std::shared_ptr<RyxComboState> &s, const std::string &ch)
{
    if (s->style == 2) {
        // A drop-down list takes no text: a character picks the next item
        // whose content starts with it.
        const int n = itemCount(*s);
        for (int k = 1; k <= n; ++k) {
            const int i = (std::max(s->selected, -1) + k) % n;
            if (startsWithFold(itemContent(*s, i), ch)) {
                pickItem(s, i);
                return;
            }
        }
        return;
    }
    if (s->readOnly) {
        beep(*s);
        return;
    }
    if (s->masked()) {
        const FormatMask::Options o = maskOptions(*s);
        int start = s->edit.selStart();
        if (s->edit.hasSelection())
            for (int i = s->edit.selStart(); i < s->edit.selEnd(); ++i)
                s->mask.clearSlot(i);
        const int slot = s->mask.nextInput(start);
        if (slot >= s->mask.slotCount() || !s->mask.put(slot, ch, o)) {
            showMask(*s, start);
            repaint(*s);
            refused(s);
            return;
        }
        int next = s->mask.nextInput(slot + 1);
        showMask(*s, next < s->mask.slotCount() ? next : slot + 1);
    } else {
        if (!s->edit.type(ch, !s->insertMode)) {
            beep(*s); // the text is full
            return;
        }
    }
    if (s->autoDropDown && !s->dropped && s->dropEnabled)
        openList(*s);
    textChanged(s, true);
}

void backspace(const std::shared_ptr<RyxComboState> &s)
{
    if (!editable(*s)) {
        beep(*s);
        return;
    }
    if (s->masked()) {
        int caret = s->edit.caret();
        if (s->edit.hasSelection()) {
            for (int i = s->edit.selStart(); i < s->edit.selEnd(); ++i)
                s->mask.clearSlot(i);
            caret = s->edit.selStart();
        } else {
            int p = s->mask.prevInput(caret);
            if (p < 0)
                return;
            s->mask.clearSlot(p);
            caret = p;
        }
        showMask(*s, caret);
    } else if (!s->edit.backspace()) {
        return;
    }
    textChanged(s, true);
}

void deleteForward(const std::shared_ptr<RyxComboState> &s)
{
    if (!editable(*s)) {
        beep(*s);
        return;
    }
    if (s->masked()) {
        int caret = s->edit.selStart();
        if (s->edit.hasSelection()) {
            for (int i = s->edit.selStart(); i < s->edit.selEnd(); ++i)
                s->mask.clearSlot(i);
        } else {
            int slot = s->mask.nextInput(caret);
            if (slot >= s->mask.slotCount())
                return;
            s->mask.clearSlot(slot);
        }
        showMask(*s, caret);
    } else if (!s->edit.deleteForward()) {
        return;
    }
    textChanged(s, true);
}

void clearAll(const std::shared_ptr<RyxComboState> &s)
{
    if (s->masked()) {
        s->mask.clearAll();
        showMask(*s, s->mask.nextInput(0));
    } else {
        s->edit.setText({});
    }
    textChanged(s, false);
}

bool replaceSelectionWith(RyxComboState &s, const std::string &cp932)
{
    if (!s.masked())
        return s.edit.replaceSelection(cp932);
    // Fills the selected positions in order; refused when a character does not fit.
    FormatMask copy = s.mask;
    const FormatMask::Options o = maskOptions(s);
    for (int i = s.edit.selStart(); i < s.edit.selEnd(); ++i)
        copy.clearSlot(i);
    int slot = copy.nextInput(s.edit.selStart());
    for (const std::string &ch : FormatMask::splitChars(cp932)) {
        if (slot >= copy.slotCount() || !copy.put(slot, ch, o))
            return false;
        slot = copy.nextInput(slot + 1);
    }
    s.mask = copy;
    showMask(s, std::min(slot, s.mask.slotCount()));
    return true;
}

// ---- clipboard -----------------------------------------------------------

void copySelection(const RyxComboState &s)
{
    if (!s.edit.hasSelection())
        return;
    const std::string sel = s.edit.selectedText();
    QApplication::clipboard()->setText(platform::codepage::fromAnsiLenient(QByteArray(sel.data(), static_cast<int>(sel.size()))));
}

// Cut: the selection to the clipboard, then out of the field (nothing when
// the field takes no editing).
void cutSelection(const std::shared_ptr<RyxComboState> &s)
{
    if (!s->edit.hasSelection())
        return;
    if (!editable(*s)) {
        beep(*s);
        return;
    }
    copySelection(*s);
    deleteForward(s);
}

// Paste: the clipboard's first line in place of the selection, as if typed
// (AutoSelect follows). Refused whole, with InvalidInput, when the field is
// read-only, a character cannot be held in the field's code page, does not
// fit the input mask, or the text would grow beyond its limit.
void paste(const std::shared_ptr<RyxComboState> &s)
{
    if (!editable(*s)) {
        beep(*s);
        return;
    }
    QString text = QApplication::clipboard()->text();
    const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
    if (lineEnd >= 0)
        text.truncate(lineEnd);
    if (text.isEmpty())
        return;
    if (!platform::codepage::isAnsiEncodable(text)) {
        refused(s);
        return;
    }
    const QByteArray bytes = platform::codepage::toAnsi(text);
    if (!replaceSelectionWith(*s, RyxComboText::sanitize(std::string(bytes.constData(), static_cast<size_t>(bytes.size()))))) {
        repaint(*s);
        refused(s);
        return;
    }
    textChanged(s, true);
}

// The edit's context menu at a screen point ((-1, -1): below the caret).
void contextMenu(const std::shared_ptr<RyxComboState> &s, int x, int y)
{
    if (!s->showContextMenu)
        return;
    if (GetFocus() != s->hwnd) {
        SetFocus(s->hwnd);
        if (!IsWindow(s->hwnd))
            return;
    }
    if (x == -1 && y == -1) {
        int cx = 0, cy = 0;
        caretPoint(*s, s->edit.caret(), &cx, &cy);
        POINT p{cx, cy + gdi::textHeight(s->font)};
        ClientToScreen(s->hwnd, &p);
        x = p.x;
        y = p.y;
    }
    const bool selection = s->edit.hasSelection();
    const bool canEdit = editable(*s);
    const bool clip = !QApplication::clipboard()->text().isEmpty();
    const bool all = !s->edit.text().empty() && s->edit.selLength() < s->edit.charCount();
    const HMENU menu = CreatePopupMenu();
    // Texts in CP932: 切り取り(&T), コピー(&C), 貼り付け(&P), 削除(&D), すべて選択(&A).
    AppendMenuA(menu, selection && canEdit ? MF_STRING : MF_GRAYED, wm::CUT, "\x90\xD8\x82\xE8\x8E\xE6\x82\xE8(&T)");
    AppendMenuA(menu, selection ? MF_STRING : MF_GRAYED, wm::COPY, "\x83\x52\x83\x73\x81\x5B(&C)");
    AppendMenuA(menu, canEdit && clip ? MF_STRING : MF_GRAYED, wm::PASTE, "\x93\x5C\x82\xE8\x95\x74\x82\xAF(&P)");
    AppendMenuA(menu, selection && canEdit ? MF_STRING : MF_GRAYED, wm::CLEAR, "\x8D\xED\x8F\x9C(&D)");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, all ? MF_STRING : MF_GRAYED, wm::EM_SETSEL, "\x82\xB7\x82\xD7\x82\xC4\x91\x49\x91\xF0(&A)");
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, x, y, 0, s->hwnd, nullptr);
    DestroyMenu(menu);
}

// A command chosen in the context menu.
bool menuCommand(const std::shared_ptr<RyxComboState> &s, UINT id)
{
    switch (id) {
    case wm::CUT: cutSelection(s); return true;
    case wm::COPY: copySelection(*s); return true;
    case wm::PASTE: paste(s); return true;
    case wm::CLEAR:
        if (s->edit.hasSelection())
            deleteForward(s);
        return true;
    case wm::EM_SETSEL:
        s->edit.select(0, -1);
        repaint(*s);
        return true;
    default: return false;
    }
}

// Sets the text from the owner (no change notification).
bool setFromOwner(RyxComboState &s, const char *text, bool asValue)
{
    const std::string t = text ? std::string(text) : std::string();
    if (s.masked()) {
        const FormatMask::Options o = maskOptions(s);
        FormatMask copy = s.mask;
        bool ok = asValue ? copy.setValue(t, o) : (copy.setText(t, s.promptChar, o) || copy.setValue(t, o));
        if (!ok)
            return false;
        s.mask = copy;
        showMask(s, s.mask.slotCount());
    } else if (!s.edit.setText(t)) {
        return false;
    }
    repaint(s);
    announceText(s);
    return true;
}

// Copies bytes and a terminator into an owner's buffer.
LRESULT giveText(const std::string &text, LPARAM buffer)
{
    if (buffer) {
        char *out = reinterpret_cast<char *>(buffer);
        std::memcpy(out, text.data(), text.size());
        out[text.size()] = '\0';
    }
    return static_cast<LRESULT>(text.size());
}

bool toggleInsert(const std::shared_ptr<RyxComboState> &s)
{
    if (!s->editModeToggle)
        return false;
    s->insertMode = !s->insertMode;
    command(s->hwnd, ZON_EDITMODECHANGE);
    return true;
}

// Field movement of a masked field: to the first input position of the next
// (forward) or previous field; false when there is none.
int nextFieldStart(const RyxComboState &s, bool forward)
{
    if (!s.masked())
        return -1;
    const int cur = s.mask.fieldOf(s.edit.caret());
    int target = -1;
    const int n = s.mask.slotCount();
    for (int i = 0; i < n; ++i) {
        if (!s.mask.isInput(i) || (i > 0 && s.mask.isInput(i - 1)))
            continue; // only the first position of each field
        int f = s.mask.fieldOf(i);
        if (forward && f == cur + 1)
            target = i;
        if (!forward && f == cur - 1)
            target = i;
    }
    return target;
}

bool wantsTab(const RyxComboState &s)
{
    return s.tabAction == 1 && nextFieldStart(s, GetKeyState(VK_SHIFT) >= 0) >= 0;
}

bool moveField(RyxComboState &s, bool forward)
{
    const int target = nextFieldStart(s, forward);
    if (target < 0)
        return false;
    s.edit.moveCaret(target, false);
    repaint(s);
    return true;
}

void selectStep(const std::shared_ptr<RyxComboState> &s, int delta)
{
    const int n = itemCount(*s);
    if (n == 0)
        return;
    if (s->dropped) {
        // the open list's highlight moved (ZOM_LISTKEYACTION): select it, keep the list open
        if (s->hot < 0)
            moveHot(*s, delta);
        pickItem(s, s->hot, false);
        return;
    }
    const int i = s->selected < 0 ? (delta > 0 ? 0 : n - 1) : std::clamp(s->selected + delta, 0, n - 1);
    if (i != s->selected)
        pickItem(s, i, false);
}

void onFocus(const std::shared_ptr<RyxComboState> &s)
{
    gdi::createCaret(s->hwnd, gdi::textHeight(s->font));
    if (s->cursorPosition >= 0) {
        s->edit.moveCaret(s->cursorPosition, false);
    } else if (s->highlightText == 2) {
        s->edit.select(0, -1);
    } else if (s->highlightText == 1 && s->masked()) {
        int start = s->edit.caret();
        while (start > 0 && s->mask.fieldOf(start - 1) == s->mask.fieldOf(s->edit.caret()))
            --start;
        int end = s->edit.caret();
        while (end < s->mask.slotCount() && s->mask.fieldOf(end) == s->mask.fieldOf(s->edit.caret()))
            ++end;
        s->edit.select(start, end - start);
    }
    repaint(*s);
}

// ---- keys ----------------------------------------------------------------

void onKeyDown(const std::shared_ptr<RyxComboState> &s, int vk, bool alt)
{
    const int shift = shiftMask();
    // A key bound to a key action is the owner's (it sends ZOM_KEYACTION).
    if (!alt && notify(s->hwnd, ZOM_QUERYKEYACTION, static_cast<WPARAM>(vk), shift) == 1)
        return;
    if (!IsWindow(s->hwnd))
        return;
    const bool extend = shift & 1;
    const bool ctrl = shift & 2;
    if ((alt && (vk == VK_DOWN || vk == VK_UP)) || (!alt && vk == wm::VK_F4)) {
        if (s->dropped)
            closeList(*s);
        else if (s->dropEnabled && s->style != 0)
            openList(*s);
        return;
    }
    if (alt)
        return;
    if (s->dropped) {
        switch (vk) {
        case VK_UP: moveHot(*s, -1); return;
        case VK_DOWN: moveHot(*s, 1); return;
        case VK_PRIOR: moveHot(*s, -std::max(1, s->maxDropDownItems - 1)); return;
        case VK_NEXT: moveHot(*s, std::max(1, s->maxDropDownItems - 1)); return;
        case VK_RETURN:
            if (s->hot >= 0)
                pickItem(s, s->hot);
            else
                closeList(*s);
            return;
        case VK_ESCAPE: closeList(*s); return;
        // Home and End go to the list's first and last item.
        case VK_HOME: moveHot(*s, s->hot < 0 ? 1 : -itemCount(*s)); return;
        case VK_END: moveHot(*s, itemCount(*s)); return;
        default: break;
        }
    }
    const int n = s->edit.charCount();
    switch (vk) {
    case VK_LEFT:
        if (!extend && s->edit.caret() == 0 && (s->moveOnLRKey & 1)) {
            notify(s->hwnd, ZOM_KEYEXIT, ctrl ? RyxKeyExitCtrlLeft : RyxKeyExitLeft);
            return;
        }
        if (!extend && s->edit.hasSelection())
            s->edit.moveCaret(s->edit.selStart(), false);
        else
            s->edit.moveCaret(s->edit.caret() - 1, extend);
        break;
    case VK_RIGHT:
        if (!extend && s->edit.caret() == n && (s->moveOnLRKey & 2)) {
            notify(s->hwnd, ZOM_KEYEXIT, ctrl ? RyxKeyExitCtrlRight : RyxKeyExitRight);
            return;
        }
        if (!extend && s->edit.hasSelection())
            s->edit.moveCaret(s->edit.selEnd(), false);
        else
            s->edit.moveCaret(s->edit.caret() + 1, extend);
        break;
    case VK_HOME: s->edit.moveCaret(0, extend); break;
    case VK_END: s->edit.moveCaret(n, extend); break;
    case VK_DELETE:
        if (extend && !ctrl)
            cutSelection(s); // Shift+Delete
        else
            deleteForward(s);
        return;
    case VK_INSERT:
        if (extend && !ctrl)
            paste(s); // Shift+Insert
        else if (ctrl && !extend)
            copySelection(*s); // Ctrl+Insert
        else if (!extend && !ctrl)
            toggleInsert(s);
        return;
    case VK_TAB:
        // Tab reaches the window only when it asked for it (TabAction 1 on a
        // mask with a field in that direction): the caret goes to that field.
        if (s->tabAction == 1 && !ctrl)
            moveField(*s, !extend);
        return;
    case wm::VK_F10:
        if (extend && !ctrl)
            SendMessageA(s->hwnd, WM_CONTEXTMENU, static_cast<WPARAM>(s->hwnd), MAKELPARAM(-1, -1));
        return;
    case VK_UP:
    case VK_DOWN:
        if (s->spinKeys) {
            if (s->spinEnabled)
                notify(s->hwnd, vk == VK_UP ? ZOM_NOTIFYSPINUP : ZOM_NOTIFYSPINDOWN);
        } else {
            selectStep(s, vk == VK_UP ? -1 : 1);
        }
        return;
    default: return;
    }
    repaint(*s);
}

void onChar(const std::shared_ptr<RyxComboState> &s, unsigned char c)
{
    if (s->pendingLead) {
        std::string ch{static_cast<char>(s->pendingLead), static_cast<char>(c)};
        s->pendingLead = 0;
        typeChar(s, ch);
        return;
    }
    if (platform::codepage::isLeadByte(c)) {
        s->pendingLead = c;
        return;
    }
    switch (c) {
    case 0x08: backspace(s); return;
    case 0x03: SendMessageA(s->hwnd, wm::COPY, 0, 0); return;
    case 0x16: SendMessageA(s->hwnd, wm::PASTE, 0, 0); return;  // Ctrl+V
    case 0x18: SendMessageA(s->hwnd, wm::CUT, 0, 0); return;    // Ctrl+X
    case 0x01: s->edit.select(0, -1); repaint(*s); return;
    default: break;
    }
    if (c < 0x20 || c == 0x7F)
        return;
    typeChar(s, std::string(1, static_cast<char>(c)));
}

// ---- mouse ---------------------------------------------------------------

int buttonAt(const RyxComboState &s, int x, int y)
{
    const RyxComboGeometry g = geometryOf(s);
    if (!isEmpty(g.drop) && contains(g.drop, x, y))
        return 3;
    if (!isEmpty(g.spin) && contains(g.spin, x, y))
        return y < (g.spin.top + g.spin.bottom) / 2 ? 1 : 2;
    return 0;
}

void spinStep(const std::shared_ptr<RyxComboState> &s)
{
    if (s->pressed == 1)
        notify(s->hwnd, ZOM_NOTIFYSPINUP);
    else if (s->pressed == 2)
        notify(s->hwnd, ZOM_NOTIFYSPINDOWN);
}

void onLButtonDown(const std::shared_ptr<RyxComboState> &s, int x, int y, bool shift)
{
    if (GetFocus() != s->hwnd) {
        SetFocus(s->hwnd);
        if (!IsWindow(s->hwnd))
            return;
    }
    const int button = buttonAt(*s, x, y);
    if (button == 3) {
        if (!s->dropEnabled)
            return;
        s->pressed = 3;
        InvalidateRect(s->hwnd, nullptr, FALSE);
        if (s->dropped)
            closeList(*s);
        else
            openList(*s);
        return;
    }
    if (button == 1 || button == 2) {
        if (!s->spinEnabled)
            return;
        s->pressed = button;
        SetCapture(s->hwnd);
        InvalidateRect(s->hwnd, nullptr, FALSE);
        spinStep(s);
        if (IsWindow(s->hwnd))
            SetTimer(s->hwnd, kSpinTimer, s->spinDelay > 0 ? static_cast<UINT>(s->spinDelay) : kDefaultSpinDelay, nullptr);
        return;
    }
    if (s->dropped)
        closeList(*s);
    if (s->style == 2) {
        if (s->dropEnabled)
            openList(*s);
        return;
    }
    s->edit.moveCaret(charFromX(*s, x), shift);
    s->selecting = true;
    SetCapture(s->hwnd);
    repaint(*s);
}

// The pointer over the window: the owner's MousePointer (99 = its icon),
// else an I-beam over the text and the arrow over the buttons.
HCURSOR cursorFor(const RyxComboState &s)
{
    static const char *const shapes[16] = {
        nullptr, IDC_ARROW, IDC_CROSS, IDC_IBEAM, IDC_ARROW, IDC_SIZEALL, IDC_SIZENESW, IDC_SIZENS,
        IDC_SIZENWSE, IDC_SIZEWE, IDC_UPARROW, IDC_WAIT, IDC_NO, IDC_APPSTARTING, IDC_HELP, IDC_SIZEALL,
    };
    auto pointer = s.stored.find(ZOM_SETMOUSEPOINTER);
    const LRESULT p = pointer == s.stored.end() ? 0 : pointer->second;
    if (p == 99) {
        auto icon = s.stored.find(ZOM_SETMOUSEICON);
        if (icon != s.stored.end() && icon->second)
            return static_cast<HCURSOR>(icon->second);
    }
    if (p > 0 && p < 16)
        return LoadCursorA(0, shapes[p]);
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(s.hwnd, &pt);
    return LoadCursorA(0, buttonAt(s, pt.x, pt.y) ? IDC_ARROW : IDC_IBEAM);
}

// ---- painting ------------------------------------------------------------

void paint(RyxComboState &s, HDC hdc)
{
    RECT client;
    GetClientRect(s.hwnd, &client);
    const RyxComboGeometry g = geometryOf(s);
    const bool enabled = IsWindowEnabled(s.hwnd);
    const COLORREF back = enabled ? gdi::colorOf(s.backColor) : GetSysColor(COLOR_3DFACE);
    const COLORREF fore = enabled ? gdi::colorOf(s.foreColor) : GetSysColor(17 /* COLOR_GRAYTEXT */);
    gdi::fillRect(hdc, client, GetSysColor(COLOR_3DFACE));
    const HBRUSH classBrush = static_cast<HBRUSH>(GetClassLongPtrA(s.hwnd, GCLP_HBRBACKGROUND));
    if (enabled && !s.backColorSet && classBrush)
        FillRect(hdc, &g.frame, classBrush);
    else
        gdi::fillRect(hdc, g.frame, back);
    gdi::drawFrame(hdc, g.frame, s.borderStyle, s.appearance);

    const std::string shown = s.focused() ? s.edit.text() : displayText(s);
    const std::vector<int> &xs = boundaries(s);
    const int origin = textOrigin(s, g, xs.back());
    const int top = textTop(s, g);
    gdi::drawText(hdc, s.font, g.text, origin, top, shown, fore);
    if (s.focused() && s.edit.hasSelection()) {
        const int x0 = origin + xs[static_cast<size_t>(s.edit.selStart())];
        const int x1 = origin + xs[static_cast<size_t>(s.edit.selEnd())];
        RECT sel{std::max<LONG>(x0, g.text.left), top, std::min<LONG>(x1, g.text.right),
                 std::min<LONG>(top + gdi::textHeight(s.font), g.text.bottom)};
        if (!isEmpty(sel)) {
            gdi::fillRect(hdc, sel, GetSysColor(13 /* COLOR_HIGHLIGHT */));
            gdi::drawText(hdc, s.font, sel, origin, top, shown, GetSysColor(14 /* COLOR_HIGHLIGHTTEXT */));
        }
    }
    if (!isEmpty(g.spin)) {
        RECT up = g.spin, down = g.spin;
        up.bottom = down.top = (g.spin.top + g.spin.bottom) / 2;
        gdi::drawButton(hdc, up, gdi::ButtonGlyph::SpinUp, s.pressed == 1, enabled && s.spinEnabled);
        gdi::drawButton(hdc, down, gdi::ButtonGlyph::SpinDown, s.pressed == 2, enabled && s.spinEnabled);
    }
    if (!isEmpty(g.drop))
        gdi::drawButton(hdc, g.drop, gdi::ButtonGlyph::Drop, s.pressed == 3 || s.dropped, enabled && s.dropEnabled);
}

} // namespace detail

using namespace detail;

HINSTANCE g_instance = 0;

// ---- shared helpers --------------------------------------------------------

bool RyxComboState::focused() const { return hwnd && GetFocus() == hwnd; }

std::shared_ptr<RyxComboState> comboOf(HWND hwnd)
{
    auto it = combos().find(hwnd);
    return it == combos().end() ? nullptr : it->second;
}

std::shared_ptr<RyxComboState> comboOfList(HWND list)
{
    for (auto &[h, s] : combos())
        if (s->list == list)
            return s;
    return nullptr;
}

void openList(RyxComboState &s)
{
    if (s.dropped || !s.list || s.style == 0)
        return;
    command(s.hwnd, ZON_DROPOPEN); // the answer is not used
    if (!IsWindow(s.hwnd) || !s.list)
        return;
    s.dropped = true;
    s.hot = s.selected;
    s.topRow = 0;
    s.wheelRest = 0;
    s.scrollPart = ListPartNone;
    placeList(s);
    if (s.hot >= 0)
        moveHot(s, 0); // scrolls the selected row into view
    // A drop-down of the combo's own top-level window: a modal dialog
    // holding the combo does not block it, and a press elsewhere closes it.
    ShowDropDown(s.list, s.hwnd);
    InvalidateRect(s.hwnd, nullptr, FALSE);
    detail::announceList(s, true);
}

void closeList(RyxComboState &s)
{
    if (!s.dropped)
        return;
    s.dropped = false;
    s.hot = -1;
    if (s.list)
        HideDropDown(s.list);
    if (s.pressed == 3)
        s.pressed = 0;
    InvalidateRect(s.hwnd, nullptr, FALSE);
    detail::announceList(s, false);
    command(s.hwnd, ZON_DROPCLOSE);
}

void pickItem(const std::shared_ptr<RyxComboState> &s, int row, bool close)
{
    if (row < 0 || row >= itemCount(*s))
        return;
    if (close)
        closeList(*s);
    if (!IsWindow(s->hwnd))
        return;
    const bool changed = s->selected != row;
    s->selected = row;
    if (s->dropped)
        s->hot = row;
    if (s->list)
        InvalidateRect(s->list, nullptr, FALSE);
    const std::string content = itemContent(*s, row);
    if (setFromOwner(*s, content.c_str(), false)) {
        s->edit.select(0, -1);
        textChanged(s, false);
    }
    if (changed && IsWindow(s->hwnd))
        notify(s->hwnd, ZOM_SELCHANGED);
}

RyxComboGeometry layoutCombo(const RECT &client, UINT code, bool spinShown, bool dropShown, int fw,
                             int ml, int mr, int mt, int mb)
{
    // Buttons left to right: inside ones, then outside ones.
    enum B { S, D };
    std::vector<B> inside, outside;
    switch (code) {
    case RyxLayoutSpinInside: inside = {S}; break;
    case RyxLayoutSpinInsideDropOutside: inside = {S}; outside = {D}; break;
    case RyxLayoutDropInside: inside = {D}; break;
    case RyxLayoutDropInsideSpinOutside: inside = {D}; outside = {S}; break;
    case RyxLayoutBothInsideSpinLeft: inside = {S, D}; break;
    case RyxLayoutBothInsideSpinRight: inside = {D, S}; break;
    case RyxLayoutSpinOutside: outside = {S}; break;
    case RyxLayoutDropOutside: outside = {D}; break;
    case RyxLayoutBothOutsideSpinRight: outside = {D, S}; break;
    case RyxLayoutBothOutsideSpinLeft: outside = {S, D}; break;
    default: break;
    }
    auto shown = [&](B b) { return b == S ? spinShown : dropShown; };
    std::erase_if(inside, [&](B b) { return !shown(b); });
    std::erase_if(outside, [&](B b) { return !shown(b); });

    RyxComboGeometry g{};
    g.frame = client;
    g.frame.right -= static_cast<LONG>(outside.size()) * kButtonWidth;
    if (g.frame.right < g.frame.left)
        g.frame.right = g.frame.left;
    LONG x = g.frame.right;
    for (B b : outside) {
        RECT r{x, client.top, x + kButtonWidth, client.bottom};
        (b == S ? g.spin : g.drop) = r;
        x += kButtonWidth;
    }
    RECT inner{g.frame.left + fw, g.frame.top + fw, g.frame.right - fw, g.frame.bottom - fw};
    x = inner.right - static_cast<LONG>(inside.size()) * kButtonWidth;
    if (x < inner.left)
        x = inner.left;
    const LONG textRight = x;
    for (B b : inside) {
        RECT r{x, inner.top, x + kButtonWidth, inner.bottom};
        (b == S ? g.spin : g.drop) = r;
        x += kButtonWidth;
    }
    g.text = RECT{inner.left + ml, inner.top + mt, textRight - mr, inner.bottom - mb};
    if (g.text.right < g.text.left)
        g.text.right = g.text.left;
    if (g.text.bottom < g.text.top)
        g.text.bottom = g.text.top;
    return g;
}

// ---- the class procedure ----------------------------------------------------

LRESULT RyxComboWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_CREATE) {
        auto s = std::make_shared<RyxComboState>();
        s->hwnd = hwnd;
        combos()[hwnd] = s;
        const auto *cs = reinterpret_cast<const CREATESTRUCTA *>(lParam);
        if (cs && cs->lpszName)
            s->edit.setText(cs->lpszName);
        if (!ensureListClass())
            return -1;
        s->list = CreateWindowExA(0, kRyxComboListClassName, "", WS_POPUP, 0, 0, 10, 10, 0, 0, g_instance, nullptr);
        if (!s->list) {
            combos().erase(hwnd);
            return -1;
        }
        // Ask the owner for the items.
        notify(hwnd, ZOM_REQUESTITEMS);
        return 0;
    }
    std::shared_ptr<RyxComboState> s = comboOf(hwnd);
    if (!s)
        return DefWindowProcA(hwnd, msg, wParam, lParam);

    if (isNotification(msg)) {
        // Our own notification (or the superclass passing it on): to the parent.
        if (msg == ZOM_REQUESTFOCUS) {
            SetFocus(hwnd);
            return 0;
        }
        const HWND parent = GetParent(hwnd);
        LRESULT r = parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
        if (!parent && msg == ZOM_QUERYKEYACTION)
            r = -1;
        if (!parent && msg == ZOM_QUERYUSERMODE)
            r = s->userMode ? 1 : 0;
        return r;
    }
    if (msg == ZOM_REQUESTFOCUS) {
        SetFocus(hwnd);
        return 0;
    }

    bool handled = false;
    LRESULT r = protocol(s, msg, wParam, lParam, &handled);
    if (handled)
        return r;
    r = detail::accessibleQuery(*s, msg, wParam, lParam, &handled);
    if (handled)
        return r;

    switch (msg) {
    case wm::COMMAND: {
        // A command of the context menu (no control, no code).
        if (lParam == 0 && HIWORD(wParam) == 0 && menuCommand(s, LOWORD(wParam)))
            return 0;
        const HWND parent = GetParent(hwnd);
        return parent ? SendMessageA(parent, msg, wParam, lParam) : 0;
    }
    case WM_DESTROY:
        KillTimer(hwnd, kSpinTimer);
        gdi::destroyCaret(hwnd);
        if (s->list) {
            const HWND list = s->list;
            s->list = 0;
            HideDropDown(list);
            DestroyWindow(list);
        }
        return 0;
    case WM_NCDESTROY:
        if (s->items) {
            s->items->Release();
            s->items = nullptr;
        }
        if (auto *bg = reinterpret_cast<platform::com::IUnknown *>(s->backgroundImage)) {
            s->backgroundImage = 0;
            bg->Release();
        }
        combos().erase(hwnd);
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SIZE:
        if (s->dropped)
            placeList(*s);
        repaint(*s);
        return 0;
    case WM_MOVE:
        if (s->dropped)
            placeList(*s);
        return 0;
    case wm::GETDLGCODE:
        // While the list is dropped, Enter and Esc are the list's (pick,
        // close), not the dialog's default and cancel buttons. Tab is asked
        // for only while it has a field of the mask to go to (TabAction 1);
        // otherwise it is the dialog's and leaves the combo.
        return wm::DLGC_WANTARROWS | wm::DLGC_WANTCHARS | (wantsTab(*s) ? wm::DLGC_WANTTAB : 0)
            | (s->dropped ? wm::DLGC_WANTMESSAGE : 0);
    case wm::SETFONT:
        s->font = wParam;
        s->charWidths.clear();
        s->boundaryCache.clear();
        if (s->itemHeight == -1)
            notify(hwnd, ZOM_NOTIFYITEMHEIGHT, static_cast<WPARAM>(listRowHeight(*s)));
        if (IsWindow(hwnd) && lParam)
            repaint(*s);
        return 0;
    case wm::GETFONT: return static_cast<LRESULT>(s->font);
    case wm::EM_SETREADONLY:
        s->readOnly = wParam != 0;
        repaint(*s);
        return TRUE;
    case wm::COPY:
        copySelection(*s);
        return 0;
    case wm::CUT:
        cutSelection(s);
        return 0;
    case wm::PASTE:
        paste(s);
        return 0;
    case wm::CLEAR:
        if (s->edit.hasSelection())
            deleteForward(s);
        return 0;
    case WM_RBUTTONUP:
        // As the default procedure: the release asks for the context menu.
        if (IsWindow(hwnd)) {
            POINT p{lowShort(LOWORD(lParam)), lowShort(HIWORD(lParam))};
            ClientToScreen(hwnd, &p);
            SendMessageA(hwnd, WM_CONTEXTMENU, static_cast<WPARAM>(hwnd), MAKELPARAM(p.x, p.y));
        }
        return 0;
    case WM_CONTEXTMENU:
        if (static_cast<HWND>(wParam) == hwnd)
            contextMenu(s, lowShort(LOWORD(lParam)), lowShort(HIWORD(lParam)));
        return 0;
    case WM_MOUSEWHEEL:
        // The open list scrolls for a turn over the field as well.
        if (s->dropped && s->list)
            return SendMessageA(s->list, msg, wParam, lParam);
        return 0;
    case wm::EM_POSFROMCHAR: {
        int x = 0, y = 0;
        caretPoint(*s, static_cast<int>(wParam), &x, &y);
        return MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y));
    }
    case wm::EM_CHARFROMPOS: return MAKELONG(static_cast<WORD>(charFromX(*s, lowShort(LOWORD(lParam)))), 0);
    case wm::EM_SCROLLCARET: repaint(*s); return TRUE;
    case WM_SETTEXT:
        return setFromOwner(*s, reinterpret_cast<const char *>(lParam), false) ? TRUE : FALSE;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(s->edit.text().size());
    case WM_GETTEXT: {
        if (wParam == 0 || !lParam)
            return 0;
        const std::string &t = s->edit.text();
        int n = std::min<int>(static_cast<int>(t.size()), static_cast<int>(wParam) - 1);
        n = s->edit.byteOfChar(s->edit.charOfByte(n)); // never split a double-byte character
        std::memcpy(reinterpret_cast<char *>(lParam), t.data(), static_cast<size_t>(n));
        reinterpret_cast<char *>(lParam)[n] = '\0';
        return n;
    }
    case WM_SETFOCUS:
        onFocus(s);
        return 0;
    case WM_KILLFOCUS:
        gdi::destroyCaret(hwnd);
        s->pendingLead = 0;
        if (s->dropped)
            closeList(*s);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
        if (!wParam && s->dropped)
            closeList(*s);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
        onKeyDown(s, static_cast<int>(wParam), false);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_UP) {
            onKeyDown(s, static_cast<int>(wParam), true);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_CHAR:
        onChar(s, static_cast<unsigned char>(wParam & 0xFF));
        return 0;
    case WM_LBUTTONDOWN:
        onLButtonDown(s, lowShort(LOWORD(lParam)), lowShort(HIWORD(lParam)), (wParam & MK_SHIFT) != 0);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (buttonAt(*s, lowShort(LOWORD(lParam)), lowShort(HIWORD(lParam))) != 0) {
            onLButtonDown(s, lowShort(LOWORD(lParam)), lowShort(HIWORD(lParam)), false);
            return 0;
        }
        s->edit.select(0, -1);
        repaint(*s);
        return 0;
    case WM_MOUSEMOVE:
        if (!s->mouseInside) {
            s->mouseInside = true;
            SetTimer(hwnd, kHoverTimer, kHoverInterval, nullptr);
            notify(hwnd, ZOM_NOTIFYMOUSEENTER);
            if (!IsWindow(hwnd))
                return 0;
        }
        if (s->selecting) {
            s->edit.moveCaret(charFromX(*s, lowShort(LOWORD(lParam))), true);
            repaint(*s);
        }
        return 0;
    case WM_LBUTTONUP:
        if (s->selecting || s->pressed == 1 || s->pressed == 2) {
            KillTimer(hwnd, kSpinTimer);
            ReleaseCapture();
        }
        s->selecting = false;
        if (s->pressed) {
            s->pressed = 0;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_CAPTURECHANGED:
        s->selecting = false;
        if (s->pressed == 1 || s->pressed == 2) {
            KillTimer(hwnd, kSpinTimer);
            s->pressed = 0;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    case WM_TIMER:
        if (wParam == kHoverTimer) {
            POINT pt;
            GetCursorPos(&pt);
            if (WindowFromPoint(pt) != hwnd && GetCapture() != hwnd) {
                KillTimer(hwnd, kHoverTimer);
                s->mouseInside = false;
                notify(hwnd, ZOM_NOTIFYMOUSEEXIT);
            }
            return 0;
        }
        if (wParam == kSpinTimer) {
            if (s->pressed == 1 || s->pressed == 2)
                spinStep(s);
            else
                KillTimer(hwnd, kSpinTimer);
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_SETCURSOR:
        if (LOWORD(lParam) != HTCLIENT || static_cast<HWND>(wParam) != hwnd)
            return DefWindowProcA(hwnd, msg, wParam, lParam);
        SetCursor(cursorFor(*s));
        return TRUE;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        if (wParam) {
            paint(*s, static_cast<HDC>(wParam));
            return 0;
        }
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        if (hdc)
            paint(*s, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

namespace {

// The list class is registered with the first combo window (the library's
// class table registers "RyxCombo" itself) and taken back when this code is
// unloaded, so no class is left pointing at a procedure that is gone.
struct ListClassRegistration {
    bool registered = false;
    ~ListClassRegistration()
    {
        if (registered)
            UnregisterClassA(kRyxComboListClassName, g_instance);
    }
};
ListClassRegistration g_listClass;

bool ensureListClass()
{
    WNDCLASSA existing;
    if (GetClassInfoA(g_instance, kRyxComboListClassName, &existing))
        return existing.lpfnWndProc == RyxComboListProc;
    WNDCLASSA lc;
    lc.style = CS_GLOBALCLASS;
    lc.lpfnWndProc = RyxComboListProc;
    lc.hInstance = g_instance;
    lc.lpszClassName = kRyxComboListClassName;
    g_listClass.registered = RegisterClassA(&lc) != 0;
    return g_listClass.registered;
}

} // namespace

bool RegisterRyxComboClasses(HINSTANCE instance)
{
    g_instance = instance;
    WNDCLASSA wc;
    wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = RyxComboWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kRyxComboClassName;
    if (!RegisterClassA(&wc))
        return false;
    if (!ensureListClass()) {
        UnregisterClassA(kRyxComboClassName, instance);
        return false;
    }
    return true;
}

void UnregisterRyxComboClasses(HINSTANCE instance)
{
    UnregisterClassA(kRyxComboClassName, instance);
    if (UnregisterClassA(kRyxComboListClassName, instance))
        g_listClass.registered = false;
}

RyxComboInfo RyxComboInspect(HWND hwnd)
{
    RyxComboInfo info;
    auto s = comboOf(hwnd);
    if (!s)
        return info;
    info.exists = true;
    info.dropped = s->dropped;
    info.hotRow = s->hot;
    info.topRow = s->topRow;
    info.visibleRows = visibleRows(*s);
    const ListScrollBar sb = listScrollBar(*s);
    info.scrollBarShown = sb.shown;
    info.scrollBar = sb.bar;
    info.scrollThumb = sb.thumb;
    info.selected = s->selected;
    info.list = s->list;
    const RyxComboGeometry g = geometryOf(*s);
    info.textRect = g.text;
    info.spinRect = g.spin;
    info.dropRect = g.drop;
    info.caretChar = s->edit.caret();
    info.anchorChar = s->edit.anchor();
    info.insertMode = s->insertMode;
    info.readOnly = s->readOnly;
    info.format = s->mask.source();
    return info;
}

LRESULT RyxComboStoredValue(HWND hwnd, UINT message)
{
    auto s = comboOf(hwnd);
    if (!s)
        return -1;
    auto it = s->stored.find(message);
    return it == s->stored.end() ? -1 : it->second;
}

} // namespace zobase7
