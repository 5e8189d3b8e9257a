#include "Controls/Container/ContainerPageCommon.h"

#include "Controls/Container/ContainerPageControls.h"
#include "Controls/Container/LumafoldModule.h"

#include "platform/codepage/codepage.h"
#include "platform/com/olecolor.h"
#include "platform/win/controls.h"
#include "platform/win/ole/oleidl.h"
#include "platform/win/gdi.h"
#include "platform/win/ole/propframe.h"

#include <vector>

namespace lumafold {

using namespace platform::win;
using namespace platform::com;

namespace {

std::string ansi(const QString &text)
{
    std::string out;
    for (const QChar c : text) {
        const QString one(c);
        out += platform::codepage::isAnsiEncodable(one) ? platform::codepage::toAnsi(one).toStdString() : "?";
    }
    return out;
}

QString windowText(HWND hwnd)
{
    const int n = int(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
    std::vector<char> buffer(size_t(n) + 2, '\0');
    SendMessageA(hwnd, WM_GETTEXT, WPARAM(buffer.size()), reinterpret_cast<LPARAM>(buffer.data()));
    return platform::codepage::fromAnsiLenient(QByteArray(buffer.data()));
}

} // namespace

QString DialogItemText(HWND dialog, int id)
{
    const HWND item = GetDlgItem(dialog, id);
    return item ? windowText(item) : QString();
}

void SetDialogItemText(HWND dialog, int id, const QString &text)
{
    SetDlgItemTextA(dialog, id, ansi(text).c_str());
}

void FillCombo(HWND combo, const QStringList &entries)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const QString &e : entries) {
        const std::string a = ansi(e);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a.c_str()));
    }
}

void FillComboFromList(HWND combo, uint32_t stringId, int maxEntries)
{
    QStringList entries = module().loadString(stringId).split(QLatin1Char(','));
    if (entries.size() > maxEntries)
        entries = entries.mid(0, maxEntries);
    FillCombo(combo, entries);
}

QString ComboEntry(HWND combo, int index)
{
    const LRESULT n = SendMessageA(combo, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (n < 0)
        return QString();
    std::vector<char> buffer(size_t(n) + 2, '\0');
    SendMessageA(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(buffer.data()));
    return platform::codepage::fromAnsiLenient(QByteArray(buffer.data()));
}

int FindComboEntry(HWND combo, const QString &text)
{
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        if (ComboEntry(combo, i) == text)
            return i;
    return -1;
}

int LeadingNumber(const QString &entry, bool *ok)
{
    int i = 0;
    while (i < entry.size() && entry.at(i) == QLatin1Char(' '))
        ++i;
    const int start = i;
    if (i < entry.size() && entry.at(i) == QLatin1Char('-'))
        ++i;
    while (i < entry.size() && entry.at(i).isDigit() && entry.at(i).unicode() < 128)
        ++i;
    return entry.mid(start, i - start).toInt(ok);
}

int SelectComboByNumber(HWND combo, int value)
{
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        bool ok = false;
        if (LeadingNumber(ComboEntry(combo, i), &ok) == value && ok) {
            SendMessageA(combo, CB_SETCURSEL, WPARAM(i), 0);
            return i;
        }
    }
    SendMessageA(combo, CB_SETCURSEL, WPARAM(-1), 0);
    return -1;
}

ComPtr<IContainer> ContainerOf(IUnknown *object)
{
    ComPtr<IContainer> c;
    if (object)
        object->QueryInterface(IID_IContainer, c.putVoid());
    return c;
}

ComPtr<IContainerPageLink> PageLinkOf(IUnknown *object)
{
    ComPtr<IContainerPageLink> l;
    if (object)
        object->QueryInterface(IID_IContainerPageLink, l.putVoid());
    return l;
}

QString EffectKey(IEffect *effect)
{
    if (!effect)
        return QString();
    Bstr key;
    effect->get_Key(key.put());
    return key.toQString();
}

QStringList EffectKeys(IEffects *effects)
{
    QStringList keys;
    int32_t n = 0;
    if (!effects || FAILED(effects->get_Count(&n)))
        return keys;
    for (int32_t i = 1; i <= n; ++i) {
        ComPtr<IEffect> e;
        if (SUCCEEDED(effects->get_Item(Variant::i4(i), e.put())) && e)
            keys << EffectKey(e.get());
    }
    return keys;
}

QString EffectPropertyKey(const VARIANT &value)
{
    if (value.vt == VT_BSTR)
        return Variant(value).toQString();
    if ((value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) && value.punkVal) {
        ComPtr<IEffect> e;
        if (SUCCEEDED(value.punkVal->QueryInterface(IID_IEffect, e.putVoid())) && e)
            return EffectKey(e.get());
    }
    return QString();
}

void DrawColourButton(const DRAWITEMSTRUCT &item, OLE_COLOR colour)
{
    RECT r = item.rcItem;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
    RECT inner{item.rcItem.left + 4, item.rcItem.top + 4, item.rcItem.right - 4, item.rcItem.bottom - 4};
    if (inner.right > inner.left && inner.bottom > inner.top) {
        COLORREF rgb = 0;
        OleTranslateColor(colour, nullptr, &rgb);
        const HBRUSH fill = CreateSolidBrush(rgb);
        FillRect(item.hDC, &inner, fill);
        DeleteObject(fill);
        const HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
        FrameRect(item.hDC, &inner, black);
        DeleteObject(black);
    }
    if (item.itemState & ODS_FOCUS) {
        const RECT focus{inner.left - 2, inner.top - 2, inner.right + 2, inner.bottom + 2};
        DrawFocusRect(item.hDC, &focus);
    }
}

namespace {

// The in-place frame of the control's site, or null.
ComPtr<IOleInPlaceFrame> inPlaceFrameOf(IUnknown *control)
{
    ComPtr<IOleObject> object;
    ComPtr<IOleClientSite> site;
    ComPtr<IOleInPlaceSite> inPlace;
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> doc;
    if (!control || FAILED(control->QueryInterface(IID_IOleObject, object.putVoid())) || !object
        || FAILED(object->GetClientSite(site.put())) || !site
        || FAILED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.putVoid())) || !inPlace)
        return {};
    RECT pos{}, clip{};
    OLEINPLACEFRAMEINFO info;
    if (FAILED(inPlace->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &info)))
        return {};
    return frame;
}

} // namespace

bool EditColours(HWND owner, IUnknown *control, OLE_COLOR *backColor, OLE_COLOR *shadowBaseColor)
{
    ComPtr<IEffect> temp;
    if (FAILED(CoCreateInstance(CLSID_Effect, nullptr, IID_IEffect, temp.putVoid())) || !temp)
        return false;
    temp->put_BackColor(*backColor);
    temp->put_ShadowBaseColor(*shadowBaseColor);

    const ComPtr<IOleInPlaceFrame> frame = inPlaceFrameOf(control);
    if (frame)
        frame->EnableModeless(FALSE);
    const std::u16string caption = module().loadString(202).toStdU16String();
    IUnknown *objects[] = {temp.get()};
    const CLSID page = CLSID_StockColorPage;
    OleCreatePropertyFrame(owner, 0, 0, caption.c_str(), 1, objects, 1, &page, 1024, 0, nullptr);
    if (frame)
        frame->EnableModeless(TRUE);

    OLE_COLOR back = *backColor, shadow = *shadowBaseColor;
    temp->get_BackColor(&back);
    temp->get_ShadowBaseColor(&shadow);
    const bool changed = back != *backColor || shadow != *shadowBaseColor;
    *backColor = back;
    *shadowBaseColor = shadow;
    return changed;
}

} // namespace lumafold
