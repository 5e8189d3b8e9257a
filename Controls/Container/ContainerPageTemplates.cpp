#include "Controls/Container/ContainerPageTemplates.h"

#include "Controls/Container/ContainerPageControls.h"

#include "platform/codepage/codepage.h"
#include "platform/win/controls.h"

namespace lumafold {

using namespace platform::win;

namespace {

std::string ansi(const char *utf8) { return platform::codepage::toAnsi(QString::fromUtf8(utf8)).toStdString(); }

constexpr DWORD kPageStyle = WS_CHILD | DS_CONTROL | DS_SETFONT;
constexpr DWORD kField = WS_VISIBLE | WS_TABSTOP;

DialogTemplate pageTemplate(int cx, int cy)
{
    DialogTemplate t;
    t.style = kPageStyle;
    t.exStyle = WS_EX_CONTROLPARENT;
    t.fontName = ansi("ＭＳ Ｐゴシック");
    t.pointSize = 9;
    t.cx = cx;
    t.cy = cy;
    return t;
}

DialogItemTemplate label(const char *text, int x, int y, int cx, int cy = 8)
{
    return {-1, "STATIC", ansi(text), WS_VISIBLE | SS_LEFT, 0, x, y, cx, cy};
}
DialogItemTemplate group(const char *text, int x, int y, int cx, int cy)
{
    return {-1, "BUTTON", ansi(text), WS_VISIBLE | BS_GROUPBOX, 0, x, y, cx, cy};
}
DialogItemTemplate edit(int id, int x, int y, int cx, DWORD extra = 0)
{
    return {id, "EDIT", "", kField | ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | extra, 0, x, y, cx, 12};
}
DialogItemTemplate number(int id, int x, int y, int cx)
{
    return {id, kNumberFieldClass, "", kField, 0, x, y, cx, 12};
}
DialogItemTemplate combo(int id, int x, int y, int cx)
{
    return {id, "COMBOBOX", "", kField | CBS_DROPDOWNLIST, 0, x, y, cx, 12};
}
DialogItemTemplate button(int id, const char *text, int x, int y, int cx)
{
    return {id, "BUTTON", ansi(text), kField | BS_PUSHBUTTON, 0, x, y, cx, 14};
}
DialogItemTemplate colourButton(int id, int x, int y, int cx)
{
    return {id, kOwnerDrawClass, "", kField, 0, x, y, cx, 14};
}
DialogItemTemplate spin(int id, int x, int y)
{
    return {id, kSpinClass, "", WS_VISIBLE, 0, x, y, 9, 12};
}
DialogItemTemplate sample(int x, int y, int cx, int cy)
{
    return {IDC_SAMPLE, kOwnerDrawClass, "", WS_VISIBLE, 0, x, y, cx, cy};
}

DialogTemplate makeEffectsPage()
{
    DialogTemplate t = pageTemplate(276, 158);
    auto &i = t.items;
    i.push_back(label("ｲﾝﾃﾞｯｸｽ(&I):", 6, 8, 42));
    i.push_back(edit(IDC_EFFECT_INDEX, 50, 6, 28, ES_NUMBER));
    i.push_back(spin(IDC_EFFECT_SPIN, 78, 6));
    i.push_back(button(IDC_EFFECT_INSERT, "挿入", 94, 5, 40));
    i.push_back(button(IDC_EFFECT_DELETE, "削除", 138, 5, 40));
    i.push_back(label("ｷｰ(&K):", 6, 26, 42));
    i.push_back(edit(IDC_EFFECT_KEY, 50, 24, 128));
    i.push_back(label("BorderStyle:", 6, 44, 42));
    i.push_back(combo(IDC_BORDERSTYLE, 50, 42, 64));
    i.push_back(label("BackColor:", 120, 44, 36));
    i.push_back(colourButton(IDC_BACKCOLOR, 158, 41, 20));
    i.push_back(label("BevelOuter:", 6, 64, 42));
    i.push_back(number(IDC_BEVELOUTER, 50, 62, 34));
    i.push_back(label("BevelInner:", 6, 82, 42));
    i.push_back(number(IDC_BEVELINNER, 50, 80, 34));
    i.push_back(label("BevelLight:", 6, 100, 42));
    i.push_back(number(IDC_BEVELLIGHT, 50, 98, 34));
    i.push_back(label("BevelShade:", 6, 118, 42));
    i.push_back(number(IDC_BEVELSHADE, 50, 116, 34));
    i.push_back(label("BevelSpace:", 6, 136, 42));
    i.push_back(number(IDC_BEVELSPACE, 50, 134, 34));
    i.push_back(group("ﾏｰｼﾞﾝ", 92, 56, 86, 96));
    i.push_back(label("Left:", 98, 70, 30));
    i.push_back(number(IDC_MARGINLEFT, 132, 68, 40));
    i.push_back(label("Right:", 98, 88, 30));
    i.push_back(number(IDC_MARGINRIGHT, 132, 86, 40));
    i.push_back(label("Top:", 98, 106, 30));
    i.push_back(number(IDC_MARGINTOP, 132, 104, 40));
    i.push_back(label("Bottom:", 98, 124, 30));
    i.push_back(number(IDC_MARGINBOTTOM, 132, 122, 40));
    i.push_back(group("ｻﾝﾌﾟﾙ", 184, 2, 86, 72));
    i.push_back(sample(190, 14, 74, 54));
    i.push_back(group("ﾄﾞﾛｯﾌﾟｼｬﾄﾞｳ", 184, 78, 86, 74));
    i.push_back(label("Darkness:", 190, 92, 38));
    i.push_back(number(IDC_SHADOWDARKNESS, 230, 90, 34));
    i.push_back(label("Width:", 190, 110, 38));
    i.push_back(number(IDC_SHADOWWIDTH, 230, 108, 34));
    i.push_back(label("BaseColor:", 190, 130, 38));
    i.push_back(colourButton(IDC_SHADOWBASECOLOR, 230, 127, 34));
    return t;
}

DialogTemplate makeChildsPage()
{
    DialogTemplate t = pageTemplate(276, 158);
    auto &i = t.items;
    i.push_back(label("ｲﾝﾃﾞｯｸｽ(&I):", 6, 8, 42));
    i.push_back(edit(IDC_CHILD_INDEX, 50, 6, 28, ES_NUMBER));
    i.push_back(spin(IDC_CHILD_SPIN, 78, 6));
    i.push_back(button(IDC_CHILD_INSERT, "挿入", 94, 5, 40));
    i.push_back(button(IDC_CHILD_DELETE, "削除", 138, 5, 40));
    i.push_back(label("ｷｰ(&K):", 6, 26, 42));
    i.push_back(edit(IDC_CHILD_KEY, 50, 24, 128));
    i.push_back(label("Name:", 6, 44, 42));
    i.push_back(combo(IDC_CHILD_NAME, 50, 42, 128));
    i.push_back(label("Effect:", 6, 62, 42));
    i.push_back(combo(IDC_CHILD_EFFECT, 50, 60, 128));
    i.push_back(group("ｻﾝﾌﾟﾙ", 184, 2, 86, 72));
    i.push_back(sample(190, 14, 74, 54));
    return t;
}

DialogTemplate makeGeneralPage()
{
    DialogTemplate t = pageTemplate(276, 158);
    auto &i = t.items;
    i.push_back(label("AutoSize:", 6, 8, 56));
    i.push_back(combo(IDC_AUTOSIZE, 64, 6, 114));
    i.push_back(label("MousePointer:", 6, 26, 56));
    i.push_back(combo(IDC_MOUSEPOINTER, 64, 24, 114));
    i.push_back(label("CtrlEffect:", 6, 44, 56));
    i.push_back(combo(IDC_CTRLEFFECT, 64, 42, 114));
    i.push_back(label("ApplyEffect:", 6, 62, 56));
    i.push_back(combo(IDC_APPLYEFFECT, 64, 60, 114));
    i.push_back(label("ChildsEffect:", 6, 80, 56));
    i.push_back(combo(IDC_CHILDSEFFECT, 64, 78, 114));
    i.push_back(group("ｻﾝﾌﾟﾙ", 184, 2, 86, 72));
    i.push_back(sample(190, 14, 74, 54));
    return t;
}

} // namespace

const DialogTemplate &EffectsPageTemplate()
{
    static const DialogTemplate t = makeEffectsPage();
    return t;
}

const DialogTemplate &ChildsPageTemplate()
{
    static const DialogTemplate t = makeChildsPage();
    return t;
}

const DialogTemplate &GeneralPageTemplate()
{
    static const DialogTemplate t = makeGeneralPage();
    return t;
}

void RegisterContainerPageTemplates(HINSTANCE instance)
{
    RegisterPageControlClasses();
    if (!FindDialogTemplate(instance, IDD_EFFECTS_PAGE))
        RegisterDialogTemplate(instance, IDD_EFFECTS_PAGE, EffectsPageTemplate());
    if (!FindDialogTemplate(instance, IDD_CHILDS_PAGE))
        RegisterDialogTemplate(instance, IDD_CHILDS_PAGE, ChildsPageTemplate());
    if (!FindDialogTemplate(instance, IDD_GENERAL_PAGE))
        RegisterDialogTemplate(instance, IDD_GENERAL_PAGE, GeneralPageTemplate());
}

} // namespace lumafold
