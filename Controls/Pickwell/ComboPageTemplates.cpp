// The dialog templates of the combo's property pages. Items are created in
// the order given here, which is also the Tab order: each field follows its
// label, and the fields follow the order of the page's property table.
#include "Controls/Pickwell/ComboPages.h"

#include "Controls/Pickwell/ComboPageControls.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"

namespace pickwell {

using namespace platform::win;

namespace {

constexpr const char *kNumberClass = "RyxNumberLgtX";
constexpr DWORD kListStyle = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
constexpr DWORD kCheckStyle = WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kEditStyle = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr DWORD kNumberStyle = WS_VISIBLE | WS_TABSTOP;
constexpr int kRow = 12; // field height

std::string ansi(const char *utf8)
{
    return platform::codepage::toAnsi(QString::fromUtf8(utf8)).toStdString();
}

// Builds a page template item by item.
class Builder {
public:
    Builder(int cx, int cy)
    {
        m_t.style = WS_CHILD | DS_SETFONT | DS_CONTROL;
        m_t.cx = cx;
        m_t.cy = cy;
    }
    Builder &label(const char *text, int x, int y, int cx)
    {
        return add(-1, "STATIC", text, WS_VISIBLE | SS_LEFT, x, y + 2, cx, 8);
    }
    Builder &list(int id, int x, int y, int cx) { return add(id, "COMBOBOX", "", kListStyle, x, y, cx, kRow); }
    Builder &check(int id, const char *text, int x, int y, int cx)
    {
        return add(id, "BUTTON", text, kCheckStyle, x, y, cx, 10);
    }
    Builder &number(int id, int x, int y, int cx) { return add(id, kNumberClass, "", kNumberStyle, x, y, cx, kRow); }
    Builder &edit(int id, int x, int y, int cx) { return add(id, "EDIT", "", kEditStyle, x, y, cx, kRow); }
    Builder &group(const char *text, int x, int y, int cx, int cy)
    {
        return add(-1, "BUTTON", text, WS_VISIBLE | BS_GROUPBOX, x, y, cx, cy);
    }
    Builder &text(const char *text, int x, int y, int cx, int cy = 8)
    {
        return add(-1, "STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOPREFIX, x, y, cx, cy);
    }
    Builder &add(int id, const char *cls, const char *text, DWORD style, int x, int y, int cx, int cy,
                 DWORD exStyle = 0)
    {
        DialogItemTemplate item;
        item.id = id;
        item.className = cls;
        item.text = ansi(text);
        item.style = style;
        item.exStyle = exStyle;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        m_t.items.push_back(item);
        return *this;
    }
    const DialogTemplate &get() const { return m_t; }

private:
    DialogTemplate m_t;
};

// A label and its list, number or text field on one row.
struct Column {
    Builder &b;
    int x, labelWidth, fieldWidth;
    int y;
    int step = 15;
    Column &list(const char *name, int id)
    {
        b.label(name, x, y, labelWidth).list(id, x + labelWidth, y, fieldWidth);
        y += step;
        return *this;
    }
    Column &number(const char *name, int id, int width = 0)
    {
        b.label(name, x, y, labelWidth).number(id, x + labelWidth, y, width ? width : fieldWidth);
        y += step;
        return *this;
    }
    Column &edit(const char *name, int id, int width = 0)
    {
        b.label(name, x, y, labelWidth).edit(id, x + labelWidth, y, width ? width : fieldWidth);
        y += step;
        return *this;
    }
    Column &check(const char *text, int id, int rowStep = 11)
    {
        b.check(id, text, x, y, labelWidth + fieldWidth);
        y += rowStep;
        return *this;
    }
};

DialogTemplate generalPage()
{
    Builder b(309, 207);
    Column left{b, 7, 60, 86, 5, 14};
    left.list("ClipMode:", IDC_CLIPMODE)
        .list("DataProperty:", IDC_DATAPROPERTY)
        .list("EditMode:", IDC_EDITMODE)
        .list("IMEMode:", IDC_IMEMODE)
        .list("IMEStatus:", IDC_IMESTATUS)
        .list("HighlightText:", IDC_HIGHLIGHTTEXT)
        .list("MousePointer:", IDC_MOUSEPOINTER)
        .list("MoveOnLRKey:", IDC_MOVEONLRKEY)
        .list("ShowLiterals:", IDC_SHOWLITERALS)
        .list("TabAction:", IDC_TABACTION);
    left.y += 2;
    left.check("読み出し専用", IDC_READONLY, 10)
        .check("ｴﾗｰ発生時にﾋﾞｰﾌﾟ", IDC_ERRORBEEP, 10)
        .check("ﾎﾟｯﾌﾟｱｯﾌﾟﾒﾆｭｰを表示", IDC_SHOWCONTEXTMENU, 10)
        .check("ｽﾍﾟｰｽ入力を許可", IDC_ALLOWSPACE, 10)
        .check("文字を自動的に変換", IDC_AUTOCONVERT, 10);
    Column right{b, 160, 72, 72, 5, 14};
    right.list("Style:", IDC_STYLE)
        .list("SortBy:", IDC_SORTBY)
        .list("SortOrder:", IDC_SORTORDER)
        .number("CursorPosition:", IDC_CURSORPOSITION, 40)
        .edit("PromptChar:", IDC_PROMPTCHAR, 20)
        .number("MaxDropDownItems:", IDC_MAXDROPDOWNITEMS, 40);
    right.y += 2;
    right.check("AutoSelect", IDC_AUTOSELECT)
        .check("AutoDropDown", IDC_AUTODROPDOWN)
        .check("ItemTip", IDC_ITEMTIP)
        .check("OverflowTip", IDC_OVERFLOWTIP)
        .check("StatusBar", IDC_STATUSBAR)
        .check("IntegralHeight", IDC_INTEGRALHEIGHT);
    return b.get();
}

DialogTemplate appearancePage()
{
    Builder b(274, 202);
    Column left{b, 7, 56, 68, 7};
    left.list("Appearance:", IDC_APPEARANCE)
        .list("BorderStyle:", IDC_BORDERSTYLE)
        .list("AlignHorizontal:", IDC_ALIGNHORIZONTAL)
        .list("AlignVertical:", IDC_ALIGNVERTICAL)
        .number("MarginBottom:", IDC_MARGINBOTTOM, 40)
        .number("MarginLeft:", IDC_MARGINLEFT, 40)
        .number("MarginRight:", IDC_MARGINRIGHT, 40)
        .number("MarginTop:", IDC_MARGINTOP, 40);
    Column right{b, 140, 62, 68, 7};
    right.number("DescriptionWidth:", IDC_DESCRIPTIONWIDTH, 40)
        .number("DropDownWidth:", IDC_DROPDOWNWIDTH, 40)
        .number("ImageWidth:", IDC_IMAGEWIDTH, 40)
        .number("ItemHeight:", IDC_ITEMHEIGHT, 40)
        .list("ImageAlign:", IDC_IMAGEALIGN)
        .list("ListBoxStyle:", IDC_LISTBOXSTYLE)
        .list("TextBoxStyle:", IDC_TEXTBOXSTYLE)
        .list("SrollBarMode:", IDC_SCROLLBARMODE);
    right.y += 4;
    right.check("ShowScrollBar", IDC_SHOWSCROLLBAR).check("DropDownShadow", IDC_DROPDOWNSHADOW);
    return b.get();
}

DialogTemplate formatPage()
{
    Builder b(279, 192);
    b.label("Format:", 7, 7, 30)
        .add(IDC_FORMAT, kEditComboClass, "", WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN, 40, 7, 230, kRow,
             WS_EX_CONTROLPARENT)
        .text("使用例 : (999)999-99999;{9};{}", 40, 24, 230)
        .group("ｷｰﾜｰﾄﾞ 一覧", 7, 38, 265, 148)
        .text("＆, &&, &&&& - すべての文字", 14, 51, 250)
        .text("？, ?, ?? - すべての文字 (参照ﾃｰﾌﾞﾙ を使用)", 14, 62, 250)
        .text("(半角)", 14, 77, 120)
        .text("A - 英大文字", 20, 88, 115)
        .text("a - 英小文字", 20, 98, 115)
        .text("9 - 数字", 20, 108, 115)
        .text("# - 数字と符号 (0-9, +-$%\\,.)", 20, 118, 115)
        .text("@ - 記号", 20, 128, 115)
        .text("B - 2進数 (0, 1)", 20, 138, 115)
        .text("X - 16進数 (0-9, A-F)", 20, 148, 115)
        .text("K - ｶﾀｶﾅ", 20, 158, 115)
        .text("H - すべての半角文字", 20, 168, 115)
        .text("(全角)", 140, 77, 120)
        .text("Ａ - 英大文字", 146, 88, 120)
        .text("ａ - 英小文字", 146, 98, 120)
        .text("９ - 数字", 146, 108, 120)
        .text("＃ - 数字と符号", 146, 118, 120)
        .text("＠ - 記号", 146, 128, 120)
        .text("Ｂ - 2進数", 146, 138, 120)
        .text("Ｘ - 16進数", 146, 148, 120)
        .text("Ｋ - カタカナ", 146, 158, 120)
        .text("Ｚ - すべての全角文字", 146, 168, 120)
        .text("Ｊ - ひらがな", 146, 176, 120);
    return b.get();
}

DialogTemplate lookupPage()
{
    Builder b(221, 44);
    Column c{b, 7, 52, 155, 7};
    c.edit("LookupTable:", IDC_LOOKUPTABLE).list("LookupMode:", IDC_LOOKUPMODE);
    return b.get();
}

DialogTemplate buttonPage()
{
    Builder b(281, 139);
    b.group("ｽﾋﾟﾝ機能", 7, 4, 130, 112);
    Column spin{b, 13, 40, 80, 17, 15};
    spin.list("Visible:", IDC_SPIN_VISIBLE)
        .list("Position:", IDC_SPIN_POSITION)
        .number("Increment:", IDC_SPIN_INCREMENT, 40)
        .number("Delay:", IDC_SPIN_DELAY, 40);
    spin.y += 2;
    spin.check("ｽﾋﾟﾝ機能を有効", IDC_SPIN_ENABLED)
        .check("上下の矢印ｷｰを使用", IDC_SPIN_SPINKEYS)
        .check("増減値の自動ﾙｰﾌﾟ", IDC_SPIN_WRAP);
    b.group("ﾄﾞﾛｯﾌﾟﾀﾞｳﾝ機能", 144, 4, 130, 112);
    Column drop{b, 150, 40, 80, 17, 15};
    drop.list("Visible:", IDC_DROP_VISIBLE).list("Position:", IDC_DROP_POSITION);
    drop.y += 2;
    drop.check("ﾄﾞﾛｯﾌﾟﾀﾞｳﾝ機能を有効", IDC_DROP_ENABLED);
    // Below both groups: it concerns both buttons.
    b.add(IDC_BTNPOSITIONING, "BUTTON", "ﾄﾞﾛｯﾌﾟﾀﾞｳﾝﾎﾞﾀﾝをｽﾋﾟﾝﾎﾞﾀﾝの左側に配置", kCheckStyle, 13, 122, 255, 10);
    return b.get();
}

DialogTemplate itemEditorPage()
{
    Builder b(301, 229);
    b.add(IDC_ITEMLIST, "LISTBOX", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 7, 7, 118,
          196);
    b.add(IDC_ITEMADD, "BUTTON", "追加", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 7, 208, 44, 14);
    b.add(IDC_ITEMDELETE, "BUTTON", "削除", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 55, 208, 44, 14);
    Column c{b, 132, 50, 112, 7};
    c.edit("Content:", IDC_ITEMCONTENT)
        .edit("Description:", IDC_ITEMDESCRIPTION)
        .edit("Value:", IDC_ITEMVALUE)
        .edit("TooltipText:", IDC_ITEMTOOLTIP)
        .number("Indent:", IDC_ITEMINDENT, 40);
    b.check(IDC_ITEMENABLE, "Enable", 132, c.y, 60).check(IDC_ITEMVISIBLE, "Visible", 196, c.y, 60);
    b.add(IDC_ITEMMOVE, kUpDownClass, "", WS_VISIBLE, 105, 206, 11, 18);
    c.y += 16;
    b.label("ForeColor:", 132, c.y, 48)
        .add(IDC_ITEMFORECOLOR, kOwnerButtonClass, "", WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 182, c.y - 1, 28, 13)
        .check(IDC_ITEMFORETRANSPARENT, "ForeTransparent", 216, c.y, 80);
    c.y += 16;
    b.label("BackColor:", 132, c.y, 48)
        .add(IDC_ITEMBACKCOLOR, kOwnerButtonClass, "", WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, 182, c.y - 1, 28, 13)
        .check(IDC_ITEMBACKTRANSPARENT, "BackTransparent", 216, c.y, 80);
    c.y += 18;
    b.group("画像", 132, c.y, 162, 222 - c.y);
    b.add(IDC_ITEMPICTURE, kOwnerButtonClass, "", WS_VISIBLE | BS_OWNERDRAW, 140, c.y + 12, 80, 222 - c.y - 18);
    b.add(IDC_ITEMBROWSE, "BUTTON", "参照...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 228, c.y + 12, 58, 14);
    b.add(IDC_ITEMCLEARPICTURE, "BUTTON", "クリア", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 228, c.y + 30, 58, 14);
    return b.get();
}

} // namespace

win::HINSTANCE ComboPageInstance()
{
    return reinterpret_cast<win::HINSTANCE>(&module());
}

void RegisterComboPageTemplates()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterComboPageClasses();
    const win::HINSTANCE instance = ComboPageInstance();
    RegisterDialogTemplate(instance, IDD_PAGE_GENERAL, generalPage());
    RegisterDialogTemplate(instance, IDD_PAGE_APPEARANCE, appearancePage());
    RegisterDialogTemplate(instance, IDD_PAGE_FORMAT, formatPage());
    RegisterDialogTemplate(instance, IDD_PAGE_LOOKUP, lookupPage());
    RegisterDialogTemplate(instance, IDD_PAGE_BUTTON, buttonPage());
    RegisterDialogTemplate(instance, IDD_PAGE_ITEMEDITOR, itemEditorPage());
}

} // namespace pickwell
