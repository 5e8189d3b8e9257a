#pragma once
// Helpers the container's three property pages share: texts of fields and
// combo entries (CP932 on the window side), the string-table lists, the
// keys of the container's effects, colour buttons and the colour frame.
#include "Controls/Container/ContainerPageLink.h"
#include "Controls/Container/LumafoldInterfaces.h"

#include "platform/com/objectbase.h"
#include "platform/win/controls.h"
#include "platform/win/dialog.h"

#include <QString>
#include <QStringList>

namespace lumafold {

namespace win = platform::win;

using win::DRAWITEMSTRUCT;

QString DialogItemText(win::HWND dialog, int id);
void SetDialogItemText(win::HWND dialog, int id, const QString &text);

// Fills a combo box with the comma-separated entries of a string (at most
// maxEntries of them).
void FillComboFromList(win::HWND combo, uint32_t stringId, int maxEntries);
void FillCombo(win::HWND combo, const QStringList &entries);
QString ComboEntry(win::HWND combo, int index);
// The position of the entry that equals text exactly, or -1.
int FindComboEntry(win::HWND combo, const QString &text);
// The number an entry "n - text" starts with; ok false when it has none.
int LeadingNumber(const QString &entry, bool *ok);
// Selects the entry whose leading number is value; -1 when none.
int SelectComboByNumber(win::HWND combo, int value);

// The container behind a page's object.
com::ComPtr<IContainer> ContainerOf(com::IUnknown *object);
com::ComPtr<IContainerPageLink> PageLinkOf(com::IUnknown *object);
// The keys of a collection's effects in collection order.
QStringList EffectKeys(IEffects *effects);
QString EffectKey(IEffect *effect);
// The key an effect property names: its string, or the key of the effect
// object; empty for Null or anything else.
QString EffectPropertyKey(const com::VARIANT &value);

// An owner-drawn colour button: a push button (pushed while selected) with
// the colour inside it, framed in black, and a focus rectangle when focused.
void DrawColourButton(const DRAWITEMSTRUCT &item, com::OLE_COLOR colour);

// Shows the stock colour page for the two colours (through a temporary
// Effect holding them) with the control's in-place frame modeless-disabled
// while it is open. Returns true when either colour changed.
bool EditColours(win::HWND owner, com::IUnknown *control, com::OLE_COLOR *backColor,
                 com::OLE_COLOR *shadowBaseColor);

} // namespace lumafold
