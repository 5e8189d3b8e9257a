#pragma once
// The dialog templates of the container's three property pages (dialogs 108,
// 127 and 132 of the library) and their control ids.
#include "platform/win/dialog.h"

namespace lumafold {

namespace win = platform::win;

enum : int {
    IDD_EFFECTS_PAGE = 108,
    IDD_CHILDS_PAGE = 127,
    IDD_GENERAL_PAGE = 132,
};

// Control ids. The sample box is 201 on every page.
enum : int {
    IDC_SAMPLE = 201,
    // Effects page
    IDC_EFFECT_INDEX = 202,
    IDC_EFFECT_SPIN = 203,
    IDC_EFFECT_INSERT = 204,
    IDC_EFFECT_DELETE = 205,
    IDC_EFFECT_KEY = 206,
    IDC_BORDERSTYLE = 207,
    IDC_BEVELOUTER = 208,
    IDC_BEVELINNER = 209,
    IDC_BEVELLIGHT = 210,
    IDC_BEVELSHADE = 211,
    IDC_BEVELSPACE = 212,
    IDC_MARGINTOP = 213,
    IDC_MARGINBOTTOM = 214,
    IDC_MARGINLEFT = 215,
    IDC_MARGINRIGHT = 216,
    IDC_SHADOWDARKNESS = 217,
    IDC_SHADOWWIDTH = 218,
    IDC_BACKCOLOR = 219,
    IDC_SHADOWBASECOLOR = 220,
    // Childs page
    IDC_CHILD_INDEX = 221,
    IDC_CHILD_SPIN = 222,
    IDC_CHILD_INSERT = 223,
    IDC_CHILD_DELETE = 224,
    IDC_CHILD_KEY = 225,
    IDC_CHILD_NAME = 226,
    IDC_CHILD_EFFECT = 227,
    // General page
    IDC_CTRLEFFECT = 227,
    IDC_CHILDSEFFECT = 228,
    IDC_APPLYEFFECT = 229,
    IDC_MOUSEPOINTER = 230,
    IDC_AUTOSIZE = 231,
};

// The numeric fields' window class (zobase7's numeric field).
constexpr const char *kNumberFieldClass = "RyxNumberLgtX";

const win::DialogTemplate &EffectsPageTemplate();
const win::DialogTemplate &ChildsPageTemplate();
const win::DialogTemplate &GeneralPageTemplate();

// Registers the three templates under the library's instance and the page
// controls' window classes (once).
void RegisterContainerPageTemplates(win::HINSTANCE instance);

} // namespace lumafold
