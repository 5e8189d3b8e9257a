// The private messages of the "RyxCombo" window: the owner's settings, the
// get/set pairs, text and value exchange, the mask, the items and the drop
// feedback.
#include "zobase7/RyxComboInternal.h"
#include "zobase7/RyxComboText.h"

#include "zobase7/include/ComboItemInterfaces.h"
#include "platform/codepage/codepage.h"
#include "platform/win/window.h"

#include <algorithm>

namespace zobase7::detail {

// ---- the stored-only messages ---------------------------------------------

static bool isStoreOnly(UINT msg)
{
    switch (msg) {
    case ZOM_SETMOUSEPOINTER: case ZOM_SETMOUSEICON: case ZOM_SETSHOWCONTEXTMENU: case ZOM_SETDATABIND:
    case ZOM_SETCLIPMODE: case ZOM_SETSHOWLITERALS: case ZOM_SETLOOKUPMODE:
    case ZOM_SETITEMTIP: case ZOM_SETOVERFLOWTIP: case ZOM_SETSTATUSBAR: case ZOM_SETDROPDOWNSHADOW:
    case ZOM_SETSCROLLBARMODE: case ZOM_SETSHOWSCROLLBAR: case ZOM_SETSORTBY: case ZOM_SETSORTORDER:
    case ZOM_SETTEXTBOXSTYLE: case ZOM_SETINTEGRALHEIGHT: case ZOM_SETOLEDRAGMODE: case ZOM_SETSPINWRAP:
    case ZOM_SETSPININCREMENT: case ZOM_SETDRAGCURSOR:
        return true;
    default:
        return false;
    }
}

// Messages the window sends to itself as notifications; the class
// procedure passes them on to the parent.
bool isNotification(UINT msg)
{
    switch (msg) {
    case ZOM_QUERYOWNDRAG: case ZOM_QUERYDRAGMOVE: case ZOM_NOTIFYSPINUP: case ZOM_NOTIFYSPINDOWN:
    case ZOM_SELCHANGED: case ZOM_NOTIFYMOUSEENTER: case ZOM_NOTIFYMOUSEEXIT: case ZOM_KEYEXIT:
    case ZOM_NOTIFYITEMHEIGHT: case ZOM_QUERYAMBIENTBACKCOLOR: case ZOM_QUERYUSERMODE: case ZOM_LISTCHAR:
    case ZOM_NOTIFYSPINCHANGED: case ZOM_QUERYCURSORINSELECTION: case ZOM_QUERYKEYACTION:
    case ZOM_LISTRBUTTONDOWN: case ZOM_REQUESTITEMS:
        return true;
    default:
        return false;
    }
}

LRESULT protocol(const std::shared_ptr<RyxComboState> &sp, UINT msg, WPARAM wParam, LPARAM lParam, bool *handled)
{
    RyxComboState &s = *sp;
    *handled = true;
    const char *text = reinterpret_cast<const char *>(lParam);
    if (isStoreOnly(msg)) {
        s.stored[msg] = static_cast<LRESULT>(wParam);
        if (msg == ZOM_SETSPININCREMENT)
            s.spinIncrement = lowShort(wParam);
        if (msg == ZOM_SETSPINWRAP)
            s.spinWrap = wParam != 0;
        if (msg == ZOM_SETSHOWSCROLLBAR || msg == ZOM_SETSCROLLBARMODE) {
            if (msg == ZOM_SETSHOWSCROLLBAR)
                s.showScrollBar = wParam != 0;
            else
                s.scrollBarMode = lowShort(wParam) == 1 ? 1 : 0;
            if (s.list)
                InvalidateRect(s.list, nullptr, FALSE);
        }
        if (msg == ZOM_SETSHOWCONTEXTMENU)
            s.showContextMenu = wParam != 0;
        return 0;
    }
    switch (msg) {
    case ZOM_GETEDITMODESTATUS: return s.insertMode ? 1 : 0;
    case ZOM_SETINSERTMODE:
        s.insertMode = wParam != 0;
        return 0;
    case ZOM_SETEDITMODETOGGLE:
        s.editModeToggle = wParam != 0;
        return 0;
    case ZOM_GETSELSTART: return s.edit.selStart();
    case ZOM_SETSELSTART: {
        const int len = s.edit.selLength();
        s.edit.select(static_cast<int>(wParam), len);
        repaint(s);
        return 0;
    }
    case ZOM_GETSELLENGTH: return s.edit.selLength();
    case ZOM_SETSELLENGTH:
        s.edit.select(s.edit.selStart(), static_cast<int>(wParam & 0xFFFF));
        repaint(s);
        return 0;
    case ZOM_GETSELTEXT: return giveText(s.edit.selectedText(), lParam);
    case ZOM_SETSELTEXT: {
        if (!editable(s))
            return 1;
        if (!replaceSelectionWith(s, text ? RyxComboText::sanitize(text) : std::string()))
            return 1;
        textChanged(sp, false);
        return 0;
    }
    case ZOM_SETALIGNHORIZONTAL:
        s.alignH = std::clamp(lowShort(wParam), 0, 2);
        s.scrollX = 0;
        repaint(s);
        return 0;
    case ZOM_SETALIGNVERTICAL:
        s.alignV = std::clamp(lowShort(wParam), 0, 2);
        repaint(s);
        return 0;
    case ZOM_GETMARGINSH: return MAKELONG(s.marginLeft, s.marginRight);
    case ZOM_SETMARGINSH:
        s.marginLeft = std::max(0, lowShort(LOWORD(wParam)));
        s.marginRight = std::max(0, lowShort(HIWORD(wParam)));
        repaint(s);
        return 0;
    case ZOM_GETMARGINSV: return MAKELONG(s.marginTop, s.marginBottom);
    case ZOM_SETMARGINSV:
        s.marginTop = std::max(0, lowShort(LOWORD(wParam)));
        s.marginBottom = std::max(0, lowShort(HIWORD(wParam)));
        repaint(s);
        return 0;
    case ZOM_SETBACKCOLOR:
        s.backColor = static_cast<std::uint32_t>(wParam);
        s.backColorSet = true;
        repaint(s);
        return 0;
    case ZOM_SETFORECOLOR: s.foreColor = static_cast<std::uint32_t>(wParam); repaint(s); return 0;
    case ZOM_SETAPPEARANCE: s.appearance = lowShort(wParam); repaint(s); return 0;
    case ZOM_SETBORDERSTYLE: s.borderStyle = lowShort(wParam); repaint(s); return 0;
    case ZOM_GETTEXTRECT:
        if (lParam)
            *reinterpret_cast<RECT *>(lParam) = geometryOf(s).text;
        return 0;
    case ZOM_SETSPINDELAY: s.spinDelay = lowShort(wParam); return 0;
    case ZOM_SETSPINENABLED: s.spinEnabled = wParam != 0; repaint(s); return 0;
    case ZOM_SETDROPDOWNENABLED:
        s.dropEnabled = wParam != 0;
        if (!s.dropEnabled && s.dropped)
            closeList(s);
        repaint(s);
        return 0;
    case ZOM_SETBUTTONLAYOUT:
        s.layout = wParam <= 10 ? static_cast<UINT>(wParam) : 0;
        // the visibility modes follow with their own messages
        s.spinVisibleMode = s.dropVisibleMode = 0;
        repaint(s);
        return 0;
    case ZOM_SETSPINVISIBLE: s.spinVisibleMode = lowShort(wParam) == 1 ? 1 : 0; repaint(s); return 0;
    case ZOM_SETDROPDOWNVISIBLE: s.dropVisibleMode = lowShort(wParam) == 1 ? 1 : 0; repaint(s); return 0;
    case ZOM_GETIMEMODE: return s.imeMode;
    case ZOM_SETIMEMODE: s.imeMode = lowShort(wParam); return 0;
    case ZOM_GETIMESTATUS: return s.imeStatus;
    case ZOM_SETIMESTATUS: s.imeStatus = lowShort(wParam); return 0;
    case ZOM_GETSELECTIONPOS:
        if (wParam)
            *reinterpret_cast<int *>(wParam) = s.edit.anchor();
        if (lParam)
            *reinterpret_cast<int *>(lParam) = s.edit.caret();
        return 0;
    case ZOM_SETUSERMODE: s.userMode = wParam != 0; return 0;
    case ZOM_SETSPINKEYS: s.spinKeys = lowShort(wParam); return 0;
    case ZOM_DRAGENTER: s.stored[msg] = 1; return 0;
    case ZOM_DRAGLEAVE:
    case ZOM_ENDDROPFEEDBACK:
        s.stored[ZOM_DRAGENTER] = 0;
        s.dropCaretShown = false;
        s.dropCaretX = s.dropCaretY = -1;
        return 0;
    case ZOM_REMOVEMOVEDTEXT:
        if (editable(s) && s.edit.hasSelection()) {
            s.edit.replaceSelection({});
            textChanged(sp, false);
        }
        return 0;
    case ZOM_INSERTDROPTEXT:
    case ZOM_MOVEDROPTEXT: {
        if (!editable(s) || s.masked() || !text)
            return 1;
        int at = static_cast<int>(wParam);
        if (msg == ZOM_MOVEDROPTEXT && s.edit.hasSelection()) {
            // the control's own text moves: take it out first, then insert
            const int start = s.edit.selStart(), len = s.edit.selLength();
            if (at >= start && at <= start + len)
                return 0; // dropped onto itself
            s.edit.replaceSelection({});
            if (at > start)
                at -= len;
        }
        s.edit.moveCaret(at, false);
        const int begin = s.edit.caret();
        if (!s.edit.replaceSelection(text)) {
            textChanged(sp, false); // a moved text may already be out
            return 1;
        }
        s.edit.select(begin, s.edit.caret() - begin);
        textChanged(sp, false);
        return 0;
    }
    case ZOM_CREATEDROPCARET: s.stored[msg] = lParam; return 0;
    case ZOM_SETDROPCARETPOS:
        s.dropCaretX = static_cast<int>(wParam);
        s.dropCaretY = static_cast<int>(lParam);
        return 0;
    case ZOM_SHOWDROPCARET: s.dropCaretShown = true; return 0;
    case ZOM_DROPCARETOFF: s.dropCaretShown = false; return 0;
    case ZOM_SETERRORBEEP: s.errorBeep = wParam != 0; return 0;
    case ZOM_SETHIGHLIGHTTEXT: s.highlightText = lowShort(wParam); return 0;
    case ZOM_SETMOVEONLRKEY: s.moveOnLRKey = lowShort(wParam); return 0;
    case ZOM_SETPROMPTCHAR: {
        const unsigned char b = static_cast<unsigned char>(wParam & 0xFF);
        if (b < 0x20 || platform::codepage::isLeadByte(b))
            return 1;
        s.promptChar = std::string(1, static_cast<char>(b));
        if (s.masked())
            showMask(s, s.edit.caret());
        repaint(s);
        return 0;
    }
    case ZOM_SETTABACTION: s.tabAction = lowShort(wParam); return 0;
    case ZOM_SETALLOWSPACE: s.allowSpace = wParam != 0; return 0;
    case ZOM_SETAUTOCONVERT: s.autoConvert = wParam != 0; return 0;
    case ZOM_GETCURRENTFIELD: return s.masked() ? s.mask.fieldOf(s.edit.caret()) : 0;
    case ZOM_SETCURSORPOSITION: {
        const int v = lowShort(wParam);
        if (v < -1)
            return 1;
        s.cursorPosition = v;
        return 0;
    }
    case ZOM_GETTEXTLENGTH: return static_cast<LRESULT>(s.edit.text().size());
    case ZOM_GETTEXT: return giveText(s.edit.text(), lParam);
    case ZOM_SETTEXT: return setFromOwner(s, text, false) ? 0 : 1;
    case ZOM_GETDISPLAYTEXTLENGTH: return static_cast<LRESULT>(displayText(s).size());
    case ZOM_GETDISPLAYTEXT: return giveText(displayText(s), lParam);
    case ZOM_GETVALUELENGTH: return static_cast<LRESULT>(currentValue(s).size());
    case ZOM_GETVALUE: return giveText(currentValue(s), lParam);
    case ZOM_SETVALUE: return setFromOwner(s, text, true) ? 0 : 1;
    case ZOM_GETVALUEISFULL: return s.masked() ? (s.mask.isFull() ? 1 : 0) : (s.edit.charCount() > 0 ? 1 : 0);
    case ZOM_CLEAR: clearAll(sp); return 0;
    case ZOM_KEYACTION:
        switch (wParam) {
        case RyxKeyPrevItem: selectStep(sp, -1); return 0;
        case RyxKeyNextItem: selectStep(sp, 1); return 0;
        case RyxKeyPrevField:
        case RyxKeyNextField:
            // With the list dropped, the key that moves on (Enter) takes the
            // highlighted item and closes the list.
            if (s.dropped) {
                if (s.hot >= 0)
                    pickItem(sp, s.hot);
                else
                    closeList(s);
                return 0;
            }
            return moveField(s, wParam == RyxKeyNextField) ? 0 : 1;
        default: return 1;
        }
    case ZOM_QUERYTABSTOP: {
        // Asked for Tab and Shift+Tab. Ctrl or Alt with Tab is not a move.
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0)
            return 1;
        const bool back = GetKeyState(VK_SHIFT) < 0;
        // A dropped list closes and keeps its highlighted item, as Enter
        // does; then the key moves on.
        if (s.dropped) {
            if (s.hot >= 0)
                pickItem(sp, s.hot);
            else
                closeList(s);
            if (!IsWindow(s.hwnd))
                return 1;
        }
        // TabAction 1: the caret goes to the mask's next (previous) field.
        if (s.tabAction == 1 && moveField(s, !back))
            return 0;
        // Otherwise the key leaves the control.
        SendMessageA(s.hwnd, ZOM_KEYEXIT, back ? RyxKeyExitShiftTab : RyxKeyExitTab, 0);
        return 1;
    }
    case ZOM_SETFORMAT: {
        const std::string f = text ? std::string(text) : std::string();
        if (f.empty()) {
            const std::string value = currentValue(s);
            s.mask = FormatMask();
            s.edit.setText(value);
        } else {
            FormatMask m;
            if (!FormatMask::parse(f, &m))
                return 1;
            const std::string value = currentValue(s);
            if (!m.setValue(value, maskOptions(s)))
                m.clearAll();
            s.mask = std::move(m);
            showMask(s, s.mask.nextInput(0));
        }
        repaint(s);
        return 0;
    }
    case ZOM_SETLOOKUPTABLE: {
        const std::string t = text ? std::string(text) : std::string();
        if (RyxComboText::sanitize(t) != t)
            return 1; // broken double-byte characters or control bytes
        s.lookupTable = t;
        return 0;
    }
    case ZOM_SETSTYLE:
        s.style = std::clamp(lowShort(wParam), 0, 2);
        if (s.style == 0 && s.dropped)
            closeList(s);
        repaint(s);
        return 0;
    case ZOM_SETITEMCOLLECTION: {
        auto *c = reinterpret_cast<IComboItemCollection *>(wParam);
        if (c)
            c->AddRef();
        if (s.items)
            s.items->Release();
        s.items = c;
        if (s.selected >= itemCount(s))
            s.selected = -1;
        if (s.list)
            InvalidateRect(s.list, nullptr, FALSE);
        return 0;
    }
    case ZOM_SETLISTBOXSTYLE: s.listBoxStyle = lowShort(wParam); break;
    case ZOM_SETIMAGEALIGN: s.imageAlign = lowShort(wParam); break;
    case ZOM_SETDESCRIPTIONWIDTH: s.descriptionWidth = static_cast<int>(wParam); break;
    case ZOM_SETIMAGEWIDTH: s.imageWidth = static_cast<int>(wParam); break;
    case ZOM_SETBACKGROUNDIMAGE: {
        auto *p = reinterpret_cast<platform::com::IUnknown *>(wParam);
        if (p)
            p->AddRef();
        if (auto *old = reinterpret_cast<platform::com::IUnknown *>(s.backgroundImage))
            old->Release();
        s.backgroundImage = wParam;
        return 0;
    }
    case ZOM_SETMAXDROPDOWNITEMS: s.maxDropDownItems = std::max(1, static_cast<int>(wParam)); break;
    case ZOM_SETDROPDOWNWIDTH: s.dropDownWidth = std::max(0, static_cast<int>(wParam)); break;
    case ZOM_SETITEMHEIGHT: s.itemHeight = static_cast<int>(static_cast<std::int32_t>(wParam)); break;
    case ZOM_ITEMSCHANGED:
    case ZOM_ITEMSNOTIFY1:
    case ZOM_ITEMSNOTIFY2:
    case ZOM_ITEMSNOTIFY5:
    case ZOM_ITEMSNOTIFY4:
        if (msg == ZOM_ITEMSNOTIFY4 || s.selected >= itemCount(s))
            s.selected = -1;
        if (s.hot >= itemCount(s))
            s.hot = itemCount(s) - 1;
        break;
    case ZOM_SETAUTOSELECT: s.autoSelect = wParam != 0; return 0;
    case ZOM_SETAUTODROPDOWN: s.autoDropDown = wParam != 0; return 0;
    case ZOM_SETSELECTEDINDEX: {
        const int i = static_cast<int>(static_cast<std::int32_t>(wParam));
        setSelected(sp, i, false);
        if (s.selected >= 0)
            setFromOwner(s, itemContent(s, s.selected).c_str(), false);
        return 0;
    }
    case ZOM_GETSELECTEDINDEX: return s.selected;
    case ZOM_GETLISTWINDOW:
    case ZOM_GETLISTWINDOW2: return static_cast<LRESULT>(s.list);
    default:
        *handled = false;
        return 0;
    }
    // list settings: the open list follows them
    if (s.dropped)
        placeList(s);
    if (s.list)
        InvalidateRect(s.list, nullptr, FALSE);
    return 0;
}

} // namespace zobase7::detail
