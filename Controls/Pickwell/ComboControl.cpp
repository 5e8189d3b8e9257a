// zoCombo: construction, release, error paths and the members of ICombo.
#include "Controls/Pickwell/ComboControl.h"

#include "Controls/Pickwell/ComboChecks.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/common/AboutDialog.h"
#include "Controls/common/SuiteLoader.h"
#include "Controls/Pickwell/ComboWin.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/com/font.h"
#include "platform/win/gdi.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <dlfcn.h>

namespace pickwell {

using namespace platform::com;
using namespace zobase7;
namespace cp = platform::codepage;


namespace {

bool inRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// 0..0xFFFFFF, or a system colour 0x80000000 + n with n <= 24.
bool validColor(OLE_COLOR c) { return c <= 0xFFFFFFu || (c >= 0x80000000u && c <= 0x80000018u); }

VARIANT_BOOL asBool(int32_t stored) { return stored ? VARIANT_TRUE : VARIANT_FALSE; }

template <class I>
HRESULT handOut(IUnknown *held, const IID &iid, I **out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!held)
        return E_POINTER;
    return held->QueryInterface(iid, reinterpret_cast<void **>(out));
}

// Makes zobase7's classes creatable here when the library is bound to it
// (the suite base need not be registered): its class objects join this
// module's class table, once.
void bindSuiteClasses()
{
    static bool bound = false;
    void *handle = controls::SuiteBaseHandle();
    if (bound || !handle)
        return;
    auto get = reinterpret_cast<DllGetClassObjectFunc>(dlsym(handle, "DllGetClassObject"));
    if (!get)
        return;
    bound = true;
    for (const CLSID *clsid : {&CLSID_Caption, &CLSID_DropDown, &CLSID_Spin, &CLSID_Key}) {
        ComPtr<IClassFactory> factory;
        uint32_t cookie = 0;
        if (SUCCEEDED(get(*clsid, IID_IClassFactory, factory.putVoid())))
            CoRegisterClassObject(*clsid, factory.get(), &cookie);
    }
}

} // namespace

// ---- construction and release

zoCombo::zoCombo() : m_events(static_cast<IOleObject *>(this), DIID_IComboEvents)
{
    module().objectCreated();
    // 80 x 33 pixels.
    win::SIZEL extent = win::PixelsToHimetric(win::SIZE{80, 33});
    SetExtent(win::DVASPECT_CONTENT, &extent);
    ResetMouseState();
    EventMask = 0xFF;
    SetEventSinks(&m_events);
}

HRESULT zoCombo::FinalConstruct()
{
    bindSuiteClasses();
    HRESULT hr = CoCreateInstance(CLSID_ComboItemCollection, nullptr, IID_IComboItemCollection, m_items.putVoid());
    if (FAILED(hr))
        return hr;
    m_itemsSecondRef = ComPtr<IUnknown>(m_items.get());
    const struct {
        const CLSID &clsid;
        ComPtr<IUnknown> &member;
    } subObjects[] = {{CLSID_Caption, m_caption}, {CLSID_DropDown, m_dropDown}, {CLSID_Spin, m_spin}, {CLSID_Key, m_key}};
    for (const auto &s : subObjects) {
        hr = CoCreateInstance(s.clsid, nullptr, IID_IUnknown, s.member.putVoid());
        if (FAILED(hr))
            return hr;
    }
    ComPtr<IKeyAssignment> assignment;
    if (SUCCEEDED(m_key->QueryInterface(IID_IKeyAssignment, assignment.putVoid())))
        assignment->SetOptions(24);
    return S_OK;
}

zoCombo::~zoCombo()
{
    // The drop target and the window go first, so that nothing reaches
    // released parts.
    m_drag.Detach();
    releaseWindow();
    unhook(DISPID_COMBO_ITEMS_HOOK);
    m_items.reset();
    m_itemsSecondRef.reset();
    unhook(DISPID_COMBO_CAPTION);
    unhook(DISPID_STD_FONT);
    unhook(DISPID_COMBO_DROPDOWN);
    unhook(DISPID_COMBO_SPIN);
    m_spin.reset();
    m_dropDown.reset();
    m_key.reset();
    m_caption.reset();
    m_mouseIcon.reset();
    m_font.reset();
    m_backgroundImage.reset();
    m_hooks.unadviseAll();
    if (m_accel)
        DestroyAcceleratorTable(m_accel);
    if (m_fontHandle)
        win::DeleteObject(m_fontHandle);
    module().objectDestroyed();
}

HRESULT createCombo(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    auto *p = new zoCombo();
    p->AddRef();
    HRESULT hr = p->FinalConstruct();
    if (SUCCEEDED(hr))
        hr = p->QueryInterface(iid, object);
    p->Release();
    return hr;
}

HRESULT zoCombo::QueryInterface(const IID &iid, void **object)
{
    if (!object)
        return E_POINTER;
    ICombo *combo = this;
    auto *ps = static_cast<IPersistStreamInit *>(this);
    auto *pb = static_cast<IPersistPropertyBag *>(this);
    auto *sei = static_cast<ISupportErrorInfo *>(this);
    auto *safety = static_cast<win::IObjectSafety *>(this);
    const InterfaceEntry entries[] = {
        {IID_ICombo, combo}, {IID_IDispatch, combo}, {IID_IPersistStreamInit, ps}, {IID_IPersistStream, ps},
        {IID_IPersist, ps}, {IID_IPersistPropertyBag, pb}, {IID_ISupportErrorInfo, sei},
        {win::IID_IObjectSafety, safety},
        {win::IID_IDataObject, static_cast<win::IDataObject *>(&m_drag)},
        {win::IID_IDropSource, static_cast<win::IDropSource *>(&m_drag)},
        {win::IID_IDropTarget, static_cast<win::IDropTarget *>(&m_drag)},
        {win::IID_IPerPropertyBrowsing, static_cast<win::IPerPropertyBrowsing *>(&m_browsing)},
        {IID_ICategorizeProperties, static_cast<ICategorizeProperties *>(&m_browsing)},
        {win::IID_ISpecifyPropertyPages, static_cast<win::ISpecifyPropertyPages *>(&m_browsing)},
    };
    for (const InterfaceEntry &e : entries)
        if (iid == e.iid) {
            *object = e.pointer;
            AddRef();
            return S_OK;
        }
    return OleControlBase::QueryInterface(iid, object);
}

HRESULT zoCombo::FindConnectionPoint(const IID &iid, IConnectionPoint **point)
{
    if (iid == DIID_IComboEvents)
        return m_events.handOut(iid, point);
    return OleControlBase::FindConnectionPoint(iid, point);
}

HRESULT zoCombo::InterfaceSupportsErrorInfo(const IID &iid)
{
    return iid == IID_ICombo ? S_OK : S_FALSE;
}

HRESULT zoCombo::GetInterfaceSafetyOptions(const IID &iid, win::DWORD *supported, win::DWORD *enabled)
{
    if (!supported || !enabled)
        return E_POINTER;
    if (iid == IID_IDispatch) {
        *supported = win::INTERFACESAFE_FOR_UNTRUSTED_CALLER;
        *enabled = m_dispatchSafety;
        return S_OK;
    }
    if (iid == IID_IPersistPropertyBag) {
        *supported = win::INTERFACESAFE_FOR_UNTRUSTED_DATA;
        *enabled = win::INTERFACESAFE_FOR_UNTRUSTED_DATA;
        return S_OK;
    }
    *supported = *enabled = 0;
    return E_NOINTERFACE;
}

HRESULT zoCombo::SetInterfaceSafetyOptions(const IID &iid, win::DWORD mask, win::DWORD enabled)
{
    if (iid == IID_IPersistPropertyBag)
        return enabled == win::INTERFACESAFE_FOR_UNTRUSTED_DATA ? S_OK : E_FAIL;
    if (iid == IID_IDispatch) {
        m_dispatchSafety = mask & enabled;
        return S_OK;
    }
    return E_NOINTERFACE;
}

// ---- errors

HRESULT zoCombo::invalidValue() const
{
    return module().raise(CTL_E_INVALIDPROPERTYVALUE, IDS_INVALID_VALUE, CLSID_zoCombo, IID_ICombo);
}

HRESULT zoCombo::raiseError(HRESULT hr) const
{
    if (hr == CTL_E_INVALIDPROPERTYVALUE)
        return invalidValue();
    if (hr == CTL_E_SETNOTSUPPORTED)
        return module().raise(hr, IDS_READ_ONLY, CLSID_zoCombo, IID_ICombo);
    if (hr == CTL_E_GETNOTSUPPORTEDATDESIGNTIME)
        return module().raise(hr, IDS_RUN_TIME_ONLY, CLSID_zoCombo, IID_ICombo);
    return hr;
}

// ---- window wrappers

win::HWND zoCombo::window() const
{
    const win::HWND w = ControlWindow() ? ControlWindow() : m_window;
    return w && win::IsWindow(w) ? w : 0;
}

win::LRESULT zoCombo::send(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) const
{
    const win::HWND w = window();
    return w ? win::SendMessageA(w, message, wParam, lParam) : 0;
}

HRESULT zoCombo::sendString(win::UINT message, BSTR text, win::WPARAM wParam) const
{
    const win::HWND w = window();
    if (!w)
        return S_OK;
    if (!text)
        return win::SendMessageA(w, message, wParam, 0) == 1 ? invalidValue() : S_OK;
    const QString s = bstrToQString(text);
    if (!cp::isAnsiEncodable(s))
        return invalidValue();
    // Twice the UTF-16 length plus 2 bytes, zero-terminated.
    QByteArray buffer(int(SysStringLen(text)) * 2 + 2, '\0');
    const QByteArray ansi = cp::toAnsi(s);
    std::copy(ansi.begin(), ansi.end(), buffer.begin());
    const win::LRESULT answer = win::SendMessageA(w, message, wParam, reinterpret_cast<win::LPARAM>(buffer.data()));
    return answer == 1 ? invalidValue() : S_OK;
}

HRESULT zoCombo::readWindowText(win::UINT lengthMessage, win::UINT textMessage, Bstr *out) const
{
    // The length is an unsigned byte count.
    const uint32_t length = uint32_t(send(lengthMessage)) & 0xFFFFu;
    QByteArray buffer(int(length) + 1, '\0');
    if (length > 0)
        send(textMessage, 0, reinterpret_cast<win::LPARAM>(buffer.data()));
    buffer[int(length)] = '\0';
    *out = Bstr(cp::fromAnsiLenient(QByteArray(buffer.constData())));
    return S_OK;
}

// ---- shared puts

HRESULT zoCombo::putStored(int32_t &member, int32_t value, win::UINT message)
{
    member = value;
    send(message, win::WPARAM(value));
    return S_OK;
}

HRESULT zoCombo::putEnumStored(int32_t &member, int32_t value, int32_t lo, int32_t hi, win::UINT message)
{
    if (!inRange(value, lo, hi))
        return invalidValue();
    return putStored(member, value, message);
}

HRESULT zoCombo::putBoolStored(int32_t &member, VARIANT_BOOL value, win::UINT message)
{
    return putStored(member, value, message);
}

HRESULT zoCombo::putRanged(int32_t &member, int32_t value, int32_t lo, int32_t hi, win::UINT message, DISPID step,
                           bool unchangedIsDone)
{
    if (!inRange(value, lo, hi))
        return invalidValue();
    if (unchangedIsDone && member == value)
        return S_OK;
    member = value;
    if (message)
        send(message, win::WPARAM(value));
    propertyChangeStep(step);
    return S_OK;
}

HRESULT zoCombo::putBoolStep(int32_t &member, VARIANT_BOOL value, win::UINT message, DISPID step)
{
    member = value;
    if (message)
        send(message, win::WPARAM(value));
    propertyChangeStep(step);
    return S_OK;
}

HRESULT zoCombo::putColor(OLE_COLOR &member, OLE_COLOR value, win::UINT message, DISPID step)
{
    if (!validColor(value))
        return invalidValue();
    if (member == value)
        return S_OK;
    member = value;
    send(message, win::WPARAM(value));
    propertyChangeStep(step);
    return S_OK;
}

HRESULT zoCombo::putMargin(int32_t &member, int16_t value, bool horizontal, bool first, DISPID step)
{
    if (value < 0)
        return invalidValue();
    if (member == value)
        return S_OK;
    member = value;
    if (window()) {
        const win::UINT get = horizontal ? ZOM_GETMARGINSH : ZOM_GETMARGINSV;
        const win::UINT set = horizontal ? ZOM_SETMARGINSH : ZOM_SETMARGINSV;
        const win::LRESULT current = send(get);
        const win::WORD lo = first ? win::WORD(value) : win::LOWORD(uintptr_t(current));
        const win::WORD hi = first ? win::HIWORD(uintptr_t(current)) : win::WORD(value);
        send(set, win::WPARAM(uint32_t(win::MAKELONG(lo, hi))));
    }
    propertyChangeStep(step);
    return S_OK;
}

// ---- ICombo: list properties

HRESULT zoCombo::get_Items(IComboItemCollection **value)
{
    return handOut(m_items.get(), IID_IComboItemCollection, value);
}

HRESULT zoCombo::get_ListBoxStyle(int32_t *v) { return outValue(v, m_settings.listBoxStyle); }
HRESULT zoCombo::put_ListBoxStyle(int32_t v) { return putEnumStored(m_settings.listBoxStyle, v, 0, 5, ZOM_SETLISTBOXSTYLE); }
HRESULT zoCombo::get_DescriptionWidth(int32_t *v) { return outValue(v, m_settings.descriptionWidth); }
HRESULT zoCombo::put_DescriptionWidth(int32_t v) { return putEnumStored(m_settings.descriptionWidth, v, 0, 32767, ZOM_SETDESCRIPTIONWIDTH); }
HRESULT zoCombo::get_ImageWidth(int32_t *v) { return outValue(v, m_settings.imageWidth); }
HRESULT zoCombo::put_ImageWidth(int32_t v) { return putEnumStored(m_settings.imageWidth, v, 0, 32767, ZOM_SETIMAGEWIDTH); }
HRESULT zoCombo::get_ImageAlign(int32_t *v) { return outValue(v, m_settings.imageAlign); }
HRESULT zoCombo::put_ImageAlign(int32_t v) { return putEnumStored(m_settings.imageAlign, v, 0, 3, ZOM_SETIMAGEALIGN); }
HRESULT zoCombo::get_ItemTip(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.itemTip)); }
HRESULT zoCombo::put_ItemTip(VARIANT_BOOL v) { return putBoolStored(m_settings.itemTip, v, ZOM_SETITEMTIP); }
HRESULT zoCombo::get_OverflowTip(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.overflowTip)); }
HRESULT zoCombo::put_OverflowTip(VARIANT_BOOL v) { return putBoolStored(m_settings.overflowTip, v, ZOM_SETOVERFLOWTIP); }
HRESULT zoCombo::get_StatusBar(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.statusBar)); }
HRESULT zoCombo::put_StatusBar(VARIANT_BOOL v) { return putBoolStored(m_settings.statusBar, v, ZOM_SETSTATUSBAR); }
HRESULT zoCombo::get_DropDownShadow(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.dropDownShadow)); }
HRESULT zoCombo::put_DropDownShadow(VARIANT_BOOL v) { return putBoolStored(m_settings.dropDownShadow, v, ZOM_SETDROPDOWNSHADOW); }
HRESULT zoCombo::get_MaxDropDownItems(int32_t *v) { return outValue(v, m_settings.maxDropDownItems); }
HRESULT zoCombo::put_MaxDropDownItems(int32_t v)
{
    if (v <= 0)
        return E_INVALIDARG;
    return putStored(m_settings.maxDropDownItems, v, ZOM_SETMAXDROPDOWNITEMS);
}
HRESULT zoCombo::get_Style(int32_t *v) { return outValue(v, m_settings.style); }
HRESULT zoCombo::put_Style(int32_t v) { return putEnumStored(m_settings.style, v, 0, 2, ZOM_SETSTYLE); }
HRESULT zoCombo::get_DropDownWidth(int32_t *v) { return outValue(v, m_settings.dropDownWidth); }
HRESULT zoCombo::put_DropDownWidth(int32_t v)
{
    if (!inRange(v, 0, 32767))
        return invalidValue();
    if (m_autoWidth && m_settings.dropWidthHasset)
        return S_OK;
    if (!m_autoWidth)
        m_settings.dropWidthHasset = 1;
    return putStored(m_settings.dropDownWidth, v, ZOM_SETDROPDOWNWIDTH);
}
HRESULT zoCombo::get_ItemHeight(int32_t *v) { return outValue(v, m_settings.itemHeight); }
HRESULT zoCombo::put_ItemHeight(int32_t v) { return putEnumStored(m_settings.itemHeight, v, 0, 32767, ZOM_SETITEMHEIGHT); }
HRESULT zoCombo::get_ScrollBarMode(int32_t *v) { return outValue(v, m_settings.scrollBarMode); }
HRESULT zoCombo::put_ScrollBarMode(int32_t v) { return putEnumStored(m_settings.scrollBarMode, v, 0, 1, ZOM_SETSCROLLBARMODE); }
HRESULT zoCombo::get_ShowScrollBar(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.showScrollBar)); }
HRESULT zoCombo::put_ShowScrollBar(VARIANT_BOOL v) { return putBoolStored(m_settings.showScrollBar, v, ZOM_SETSHOWSCROLLBAR); }

HRESULT zoCombo::get_SortBy(int32_t *v) { return outValue(v, m_settings.sortBy); }
HRESULT zoCombo::put_SortBy(int32_t v)
{
    if (!inRange(v, 0, 2))
        return invalidValue();
    m_settings.sortBy = v;
    if (m_items)
        m_items->SetSortInfo(int16_t(m_settings.sortBy), int16_t(m_settings.sortOrder));
    send(ZOM_SETSORTBY, win::WPARAM(v));
    return S_OK;
}
HRESULT zoCombo::get_SortOrder(int32_t *v) { return outValue(v, m_settings.sortOrder); }
HRESULT zoCombo::put_SortOrder(int32_t v)
{
    if (!inRange(v, 0, 2))
        return invalidValue();
    m_settings.sortOrder = v;
    if (m_items)
        m_items->SetSortInfo(int16_t(m_settings.sortBy), int16_t(m_settings.sortOrder));
    send(ZOM_SETSORTORDER, win::WPARAM(v));
    return S_OK;
}
HRESULT zoCombo::get_AutoSelect(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.autoSelect)); }
HRESULT zoCombo::put_AutoSelect(VARIANT_BOOL v) { return putBoolStored(m_settings.autoSelect, v, ZOM_SETAUTOSELECT); }
HRESULT zoCombo::get_TextBoxStyle(int32_t *v) { return outValue(v, m_settings.textBoxStyle); }
HRESULT zoCombo::put_TextBoxStyle(int32_t v) { return putEnumStored(m_settings.textBoxStyle, v, 0, 2, ZOM_SETTEXTBOXSTYLE); }
HRESULT zoCombo::get_AutoDropDown(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.autoDropDown)); }
HRESULT zoCombo::put_AutoDropDown(VARIANT_BOOL v) { return putBoolStored(m_settings.autoDropDown, v, ZOM_SETAUTODROPDOWN); }

HRESULT zoCombo::get_BackgroundImage(IPicture **value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    if (m_backgroundImage)
        return m_backgroundImage->QueryInterface(IID_IPicture, reinterpret_cast<void **>(value));
    return S_OK;
}

HRESULT zoCombo::sendPicture(IPicture *picture) const
{
    send(ZOM_SETBACKGROUNDIMAGE, reinterpret_cast<win::WPARAM>(picture));
    return S_OK;
}

HRESULT zoCombo::putBackgroundPicture(IUnknown *value)
{
    if (!value) {
        // Nothing: the stored picture goes.
        m_backgroundImage.reset();
        sendPicture(nullptr);
        return S_FALSE;
    }
    ComPtr<IPicture> picture;
    if (FAILED(value->QueryInterface(IID_IPicture, picture.putVoid())))
        return invalidValue();
    int16_t type = PICTYPE_NONE;
    if (HRESULT hr = picture->get_Type(&type); FAILED(hr))
        return hr;
    if (type != PICTYPE_NONE) {
        m_backgroundImage = picture;
        sendPicture(m_backgroundImage.get());
    } else if (m_backgroundImage) {
        m_backgroundImage.reset();
        sendPicture(nullptr);
    }
    return S_OK;
}

HRESULT zoCombo::put_BackgroundImage(IUnknown *value) { return putBackgroundPicture(value); }
HRESULT zoCombo::putref_BackgroundImage(IUnknown *value) { return putBackgroundPicture(value); }

HRESULT zoCombo::get_PreferredHeight(int32_t *value)
{
    if (!value)
        return E_POINTER;
    int32_t height = m_settings.itemHeight;
    if (height < 0)
        height = measuredItemHeight();
    *value = height + 4 * kBorderHeight + 3;
    return S_OK;
}

HRESULT zoCombo::get_IntegralHeight(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.integralHeight)); }
HRESULT zoCombo::put_IntegralHeight(VARIANT_BOOL v) { return putBoolStored(m_settings.integralHeight, v, ZOM_SETINTEGRALHEIGHT); }

// ---- ICombo: edit properties

HRESULT zoCombo::get_AlignHorizontal(int32_t *v) { return outValue(v, m_settings.alignHorizontal); }
HRESULT zoCombo::put_AlignHorizontal(int32_t v)
{
    return putRanged(m_settings.alignHorizontal, v, 0, 2, ZOM_SETALIGNHORIZONTAL, DISPID_ALIGNHORIZONTAL, true);
}
HRESULT zoCombo::get_AlignVertical(int32_t *v) { return outValue(v, m_settings.alignVertical); }
HRESULT zoCombo::put_AlignVertical(int32_t v)
{
    return putRanged(m_settings.alignVertical, v, 0, 2, ZOM_SETALIGNVERTICAL, DISPID_ALIGNVERTICAL, true);
}
HRESULT zoCombo::get_BackColor(OLE_COLOR *v) { return outValue(v, m_settings.backColor); }
HRESULT zoCombo::put_BackColor(OLE_COLOR v) { return putColor(m_settings.backColor, v, ZOM_SETBACKCOLOR, DISPID_STD_BACKCOLOR); }
HRESULT zoCombo::get_ClipMode(int32_t *v) { return outValue(v, m_settings.clipMode); }
HRESULT zoCombo::put_ClipMode(int32_t v) { return putRanged(m_settings.clipMode, v, 0, 1, 0, DISPID_CLIPMODE, false); }
HRESULT zoCombo::get_EditMode(int32_t *v) { return outValue(v, m_settings.editMode); }
HRESULT zoCombo::put_EditMode(int32_t v)
{
    if (!inRange(v, 0, 3))
        return invalidValue();
    m_settings.editMode = v;
    sendEditMode();
    propertyChangeStep(DISPID_EDITMODE);
    return S_OK;
}

void zoCombo::sendEditMode()
{
    if (!window())
        return;
    const int32_t mode = m_settings.editMode;
    send(ZOM_SETEDITMODETOGGLE, 1);
    send(ZOM_SETINSERTMODE, mode == 0 || mode == 2 ? 1 : 0);
    send(ZOM_SETEDITMODETOGGLE, mode == 0 || mode == 1 ? 1 : 0);
}

HRESULT zoCombo::get_EditModeStatus(int32_t *value)
{
    if (!value)
        return E_POINTER;
    *value = send(ZOM_GETEDITMODESTATUS) ? 0 : 1;
    return S_OK;
}

HRESULT zoCombo::get_Enabled(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.enabled)); }
HRESULT zoCombo::put_Enabled(VARIANT_BOOL v)
{
    m_settings.enabled = v;
    if (const win::HWND w = window())
        win::EnableWindow(w, v ? 1 : 0);
    propertyChangeStep(DISPID_STD_ENABLED);
    return S_OK;
}
HRESULT zoCombo::get_ErrorBeep(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.errorBeep)); }
HRESULT zoCombo::put_ErrorBeep(VARIANT_BOOL v) { return putBoolStep(m_settings.errorBeep, v, 0, DISPID_ERRORBEEP); }
HRESULT zoCombo::get_ForeColor(OLE_COLOR *v) { return outValue(v, m_settings.foreColor); }
HRESULT zoCombo::put_ForeColor(OLE_COLOR v) { return putColor(m_settings.foreColor, v, ZOM_SETFORECOLOR, DISPID_STD_FORECOLOR); }
HRESULT zoCombo::get_hWnd(int32_t *v) { return outValue(v, int32_t(window())); }

HRESULT zoCombo::get_IMEMode(int32_t *value)
{
    if (!value)
        return E_POINTER;
    // Without a window the stored mode is the answer.
    *value = window() ? int32_t(int16_t(send(ZOM_GETIMEMODE))) : m_settings.imeMode;
    return S_OK;
}
HRESULT zoCombo::put_IMEMode(int32_t v) { return putRanged(m_settings.imeMode, v, 0, 8, 0, DISPID_IMEMODE, false); }

HRESULT zoCombo::get_MarginBottom(int16_t *v) { return outValue(v, int16_t(m_settings.marginBottom)); }
HRESULT zoCombo::put_MarginBottom(int16_t v) { return putMargin(m_settings.marginBottom, v, false, false, DISPID_MARGINBOTTOM); }
HRESULT zoCombo::get_MarginLeft(int16_t *v) { return outValue(v, int16_t(m_settings.marginLeft)); }
HRESULT zoCombo::put_MarginLeft(int16_t v) { return putMargin(m_settings.marginLeft, v, true, true, DISPID_MARGINLEFT); }
HRESULT zoCombo::get_MarginRight(int16_t *v) { return outValue(v, int16_t(m_settings.marginRight)); }
HRESULT zoCombo::put_MarginRight(int16_t v) { return putMargin(m_settings.marginRight, v, true, false, DISPID_MARGINRIGHT); }
HRESULT zoCombo::get_MarginTop(int16_t *v) { return outValue(v, int16_t(m_settings.marginTop)); }
HRESULT zoCombo::put_MarginTop(int16_t v) { return putMargin(m_settings.marginTop, v, false, true, DISPID_MARGINTOP); }

HRESULT zoCombo::get_MouseIcon(IPicture **value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    if (m_mouseIcon)
        return m_mouseIcon->QueryInterface(IID_IPicture, reinterpret_cast<void **>(value));
    return S_OK;
}

HRESULT zoCombo::put_MouseIcon(IUnknown *value)
{
    const HRESULT hr = controls::PutIconProperty(&m_mouseIcon, value);
    if (window())
        sendMousePointer();
    changeHandler(DISPID_STD_MOUSEICON);
    return FAILED(hr) ? invalidValue() : S_OK;
}

HRESULT zoCombo::putref_MouseIcon(IUnknown *value)
{
    const HRESULT hr = controls::PutIconPicture(&m_mouseIcon, value);
    if (window())
        sendMousePointer();
    changeHandler(DISPID_STD_MOUSEICON);
    return FAILED(hr) ? invalidValue() : S_OK;
}

void zoCombo::sendMousePointer()
{
    if (!window())
        return;
    if (!m_userMode) {
        send(ZOM_SETMOUSEPOINTER, 0);
        return;
    }
    send(ZOM_SETMOUSEPOINTER, win::WPARAM(m_settings.mousePointer));
    if (m_settings.mousePointer == zoCustom && m_mouseIcon)
        send(ZOM_SETMOUSEICON, reinterpret_cast<win::WPARAM>(m_mouseIcon.get()));
}

HRESULT zoCombo::get_MousePointer(int32_t *v) { return outValue(v, m_settings.mousePointer); }
HRESULT zoCombo::put_MousePointer(int32_t v)
{
    if (!inRange(v, 0, 15) && v != zoCustom)
        return invalidValue();
    m_settings.mousePointer = v;
    sendMousePointer();
    propertyChangeStep(DISPID_STD_MOUSEPOINTER);
    return S_OK;
}
HRESULT zoCombo::get_MoveOnLRKey(int32_t *v) { return outValue(v, m_settings.moveOnLRKey); }
HRESULT zoCombo::put_MoveOnLRKey(int32_t v) { return putRanged(m_settings.moveOnLRKey, v, 0, 3, 0, DISPID_MOVEONLRKEY, false); }
HRESULT zoCombo::get_OLEDragMode(int32_t *v) { return outValue(v, m_settings.oleDragMode); }
HRESULT zoCombo::put_OLEDragMode(int32_t v)
{
    if (!inRange(v, 0, 1))
        return invalidValue();
    m_settings.oleDragMode = v;
    changeHandler(DISPID_OLEDRAGMODE);
    return S_OK;
}
HRESULT zoCombo::get_OLEDropMode(int32_t *v) { return outValue(v, m_settings.oleDropMode); }
HRESULT zoCombo::put_OLEDropMode(int32_t v)
{
    if (!inRange(v, 0, 2))
        return invalidValue();
    m_drag.OnDropModeChanged(v);
    m_settings.oleDropMode = v;
    changeHandler(DISPID_OLEDROPMODE);
    return S_OK;
}
HRESULT zoCombo::get_ReadOnly(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.readOnly)); }
HRESULT zoCombo::put_ReadOnly(VARIANT_BOOL v)
{
    m_settings.readOnly = v;
    if (const win::HWND w = window())
        win::PostMessageA(w, EM_SETREADONLY, win::WPARAM(v ? 1 : 0), 0);
    propertyChangeStep(DISPID_READONLY);
    return S_OK;
}
HRESULT zoCombo::get_ShowLiterals(int32_t *v) { return outValue(v, m_settings.showLiterals); }
HRESULT zoCombo::put_ShowLiterals(int32_t v) { return putRanged(m_settings.showLiterals, v, 0, 2, 0, DISPID_SHOWLITERALS, false); }
HRESULT zoCombo::get_ShowContextMenu(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.showContextMenu)); }
HRESULT zoCombo::put_ShowContextMenu(VARIANT_BOOL v)
{
    return putBoolStep(m_settings.showContextMenu, v, ZOM_SETSHOWCONTEXTMENU, DISPID_SHOWCONTEXTMENU);
}
HRESULT zoCombo::get_Version(BSTR *v) { return outString(v, module().versionString()); }
HRESULT zoCombo::put_Version(BSTR) { return raiseError(CTL_E_SETNOTSUPPORTED); }
HRESULT zoCombo::get_Appearance(int32_t *v) { return outValue(v, m_settings.appearance); }
HRESULT zoCombo::put_Appearance(int32_t v)
{
    return putRanged(m_settings.appearance, v, 0, 2, ZOM_SETAPPEARANCE, DISPID_STD_APPEARANCE, false);
}
HRESULT zoCombo::get_AllowSpace(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.allowSpace)); }
HRESULT zoCombo::put_AllowSpace(VARIANT_BOOL v) { return putBoolStep(m_settings.allowSpace, v, ZOM_SETALLOWSPACE, DISPID_ALLOWSPACE); }
HRESULT zoCombo::get_AutoConvert(VARIANT_BOOL *v) { return outValue(v, asBool(m_settings.autoConvert)); }
HRESULT zoCombo::put_AutoConvert(VARIANT_BOOL v) { return putBoolStep(m_settings.autoConvert, v, ZOM_SETAUTOCONVERT, DISPID_AUTOCONVERT); }
HRESULT zoCombo::get_BorderStyle(int32_t *v) { return outValue(v, m_settings.borderStyle); }
HRESULT zoCombo::put_BorderStyle(int32_t v)
{
    return putRanged(m_settings.borderStyle, v, 0, 1, ZOM_SETBORDERSTYLE, DISPID_STD_BORDERSTYLE, false);
}

// A sub-object put: the control's object becomes a copy of the given one
// (through a memory stream). A failed copy keeps the old object and its hook.
HRESULT zoCombo::putSubObject(int32_t id, IUnknown *given, const IID &iid, ComPtr<IUnknown> &held)
{
    if (!given)
        return S_OK;
    unhook(id);
    ComPtr<IUnknown> copy;
    const HRESULT hr = controls::CloneThroughStream(given, iid, &copy);
    if (FAILED(hr) || !copy) {
        hook(id, held.get());
        return FAILED(hr) ? hr : E_POINTER;
    }
    held = copy;
    hook(id, held.get());
    propertyChangeStep(id);
    return S_OK;
}

HRESULT zoCombo::get_Caption(ICaptionDisp **v) { return handOut(m_caption.get(), IID_ICaptionDisp, v); }
HRESULT zoCombo::putref_Caption(ICaptionDisp *v) { return putSubObject(DISPID_COMBO_CAPTION, v, IID_ICaptionDisp, m_caption); }

HRESULT zoCombo::get_CurrentField(int16_t *v) { return outValue(v, int16_t(send(ZOM_GETCURRENTFIELD))); }
HRESULT zoCombo::get_CursorPosition(int16_t *v) { return outValue(v, int16_t(m_settings.cursorPosition)); }
HRESULT zoCombo::put_CursorPosition(int16_t v)
{
    if (send(ZOM_SETCURSORPOSITION, win::WPARAM(win::LPARAM(v))) == 1)
        return invalidValue();
    m_settings.cursorPosition = v;
    propertyChangeStep(DISPID_CURSORPOSITION);
    return S_OK;
}
HRESULT zoCombo::get_DataProperty(int32_t *v) { return outValue(v, m_settings.dataProperty); }
HRESULT zoCombo::put_DataProperty(int32_t v) { return putRanged(m_settings.dataProperty, v, 0, 1, 0, DISPID_DATAPROPERTY, false); }

HRESULT zoCombo::get_DisplayText(BSTR *value)
{
    if (!value)
        return E_POINTER;
    Bstr text;
    readWindowText(ZOM_GETDISPLAYTEXTLENGTH, ZOM_GETDISPLAYTEXT, &text);
    *value = text.detach();
    return S_OK;
}

HRESULT zoCombo::get_Font(IDispatch **value)
{
    if (!value)
        return E_POINTER;
    return controls::GetFontProperty(m_font.get(), value);
}

HRESULT zoCombo::putref_Font(IDispatch *value)
{
    unhook(DISPID_STD_FONT);
    const HRESULT hr = controls::PutFontValue(&m_font, value);
    changeHandler(DISPID_STD_FONT);
    hook(DISPID_STD_FONT, m_font.get());
    return hr;
}

HRESULT zoCombo::get_Format(BSTR *v) { return outString(v, m_settings.format.toQString()); }
HRESULT zoCombo::put_Format(BSTR v)
{
    if (!IsValidFormat(bstrToQString(v)))
        return invalidValue();
    if (HRESULT hr = sendString(ZOM_SETFORMAT, v); FAILED(hr))
        return hr;
    m_settings.format = Bstr(bstrToQString(v).isNull() ? QStringLiteral("") : bstrToQString(v));
    propertyChangeStep(DISPID_FORMAT);
    return S_OK;
}
HRESULT zoCombo::get_HighlightText(int32_t *v) { return outValue(v, m_settings.highlightText); }
HRESULT zoCombo::put_HighlightText(int32_t v)
{
    return putRanged(m_settings.highlightText, v, 0, 2, ZOM_SETHIGHLIGHTTEXT, DISPID_HIGHLIGHTTEXT, false);
}
HRESULT zoCombo::get_IMEStatus(int32_t *v) { return outValue(v, m_settings.imeStatus); }
HRESULT zoCombo::put_IMEStatus(int32_t v)
{
    if (!inRange(v, 0, 1))
        return invalidValue();
    // Compared with the window's state, or the stored one without a window.
    const int32_t current = window() ? int32_t(send(ZOM_GETIMESTATUS)) : m_settings.imeStatus;
    if (current == v)
        return S_OK;
    send(ZOM_SETIMESTATUS, win::WPARAM(v));
    m_settings.imeStatus = v;
    propertyChangeStep(DISPID_IMESTATUS);
    return S_OK;
}

HRESULT zoCombo::get_Key(IKey **v) { return handOut(m_key.get(), IID_IKey, v); }
HRESULT zoCombo::putref_Key(IKey *v)
{
    if (!v)
        return S_OK;
    if (!m_key)
        return E_POINTER;
    // The bindings are copied into the control's own key object.
    ComPtr<IPersistStream> source, target;
    if (FAILED(v->QueryInterface(IID_IPersistStream, source.putVoid()))
        || FAILED(m_key->QueryInterface(IID_IPersistStream, target.putVoid())))
        return invalidValue();
    ComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, true, stream.put());
    if (SUCCEEDED(hr))
        hr = source->Save(stream.get(), false);
    if (SUCCEEDED(hr))
        hr = stream->Seek(0, STREAM_SEEK_SET, nullptr);
    if (SUCCEEDED(hr))
        hr = target->Load(stream.get());
    if (FAILED(hr))
        return hr;
    propertyChangeStep(DISPID_COMBO_KEY);
    return S_OK;
}

HRESULT zoCombo::get_LookupMode(int32_t *v) { return outValue(v, m_settings.lookupMode); }
HRESULT zoCombo::put_LookupMode(int32_t v) { return putRanged(m_settings.lookupMode, v, 0, 2, ZOM_SETLOOKUPMODE, DISPID_LOOKUPMODE, false); }
HRESULT zoCombo::get_LookupTable(BSTR *v) { return outString(v, m_settings.lookupTable.toQString()); }
HRESULT zoCombo::put_LookupTable(BSTR v)
{
    if (HRESULT hr = sendString(ZOM_SETLOOKUPTABLE, v); FAILED(hr))
        return hr;
    m_settings.lookupTable = Bstr(bstrToQString(v).isNull() ? QStringLiteral("") : bstrToQString(v));
    propertyChangeStep(DISPID_LOOKUPTABLE);
    return S_OK;
}

HRESULT zoCombo::get_PromptChar(BSTR *v) { return outString(v, m_settings.promptChar.toQString()); }
HRESULT zoCombo::put_PromptChar(BSTR v)
{
    QString text = bstrToQString(v);
    if (text.isEmpty())
        text = QStringLiteral(" ");
    if (!IsValidPromptChar(text))
        return invalidValue();
    const QByteArray ansi = cp::toAnsi(text);
    if (m_settings.promptChar.toQString() == text)
        return S_OK;
    m_settings.promptChar = Bstr(text);
    send(ZOM_SETPROMPTCHAR, win::WPARAM(uint8_t(ansi[0])));
    propertyChangeStep(DISPID_PROMPTCHAR);
    return S_OK;
}

HRESULT zoCombo::get_SelLength(int32_t *v)
{
    if (!v)
        return E_POINTER;
    if (!m_userMode)
        return raiseError(CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    *v = int32_t(send(ZOM_GETSELLENGTH));
    return S_OK;
}
HRESULT zoCombo::put_SelLength(int32_t v)
{
    if (!inRange(v, 0, 65535))
        return invalidValue();
    send(ZOM_SETSELLENGTH, win::WPARAM(v));
    return S_OK;
}
HRESULT zoCombo::get_SelStart(int32_t *v)
{
    if (!v)
        return E_POINTER;
    if (!m_userMode)
        return raiseError(CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    *v = int32_t(send(ZOM_GETSELSTART));
    return S_OK;
}
HRESULT zoCombo::put_SelStart(int32_t v)
{
    if (!inRange(v, 0, 65535))
        return invalidValue();
    send(ZOM_SETSELSTART, win::WPARAM(v));
    return S_OK;
}
HRESULT zoCombo::get_SelText(BSTR *value)
{
    if (!value)
        return E_POINTER;
    if (!m_userMode)
        return raiseError(CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    // Room for the whole selection (two bytes a character) and the
    // terminator, never less than the 256 bytes the window may assume.
    const uint32_t length = uint32_t(send(ZOM_GETSELLENGTH)) & 0xFFFFu;
    QByteArray buffer(int(std::max<uint32_t>(256, length * 2 + 2)), '\0');
    send(ZOM_GETSELTEXT, 0, reinterpret_cast<win::LPARAM>(buffer.data()));
    buffer[buffer.size() - 1] = '\0';
    *value = SysAllocQString(cp::fromAnsiLenient(QByteArray(buffer.constData())));
    return S_OK;
}
HRESULT zoCombo::put_SelText(BSTR v) { return sendString(ZOM_SETSELTEXT, v); }
HRESULT zoCombo::get_TabAction(int32_t *v) { return outValue(v, m_settings.tabAction); }
HRESULT zoCombo::put_TabAction(int32_t v) { return putRanged(m_settings.tabAction, v, 0, 1, ZOM_SETTABACTION, DISPID_TABACTION, false); }

HRESULT zoCombo::get_Text(BSTR *value)
{
    if (!value)
        return E_POINTER;
    // Without a window the stored text is the answer.
    if (window())
        readWindowText(ZOM_GETTEXTLENGTH, ZOM_GETTEXT, &m_settings.text);
    *value = m_settings.text.copy();
    return S_OK;
}
HRESULT zoCombo::put_Text(BSTR v)
{
    if (m_settings.style == zoDropDownList)
        return S_FALSE;
    if (!FitsComboText(bstrToQString(v)))
        return invalidValue();
    if (HRESULT hr = sendString(ZOM_SETTEXT, v); FAILED(hr))
        return hr;
    m_settings.text = Bstr::attach(v ? SysAllocStringLen(v, SysStringLen(v)) : nullptr);
    propertyChangeStep(DISPID_TEXT);
    return S_OK;
}
HRESULT zoCombo::get_Value(BSTR *value)
{
    if (!value)
        return E_POINTER;
    if (window())
        readWindowText(ZOM_GETVALUELENGTH, ZOM_GETVALUE, &m_settings.value);
    *value = m_settings.value.copy();
    return S_OK;
}
HRESULT zoCombo::put_Value(BSTR v)
{
    if (m_settings.style == zoDropDownList)
        return S_FALSE;
    if (!FitsComboText(bstrToQString(v)))
        return invalidValue();
    if (HRESULT hr = sendString(ZOM_SETVALUE, v); FAILED(hr))
        return hr;
    m_settings.value = Bstr::attach(v ? SysAllocStringLen(v, SysStringLen(v)) : nullptr);
    propertyChangeStep(DISPID_COMBO_VALUE);
    return S_OK;
}
HRESULT zoCombo::get_ValueIsFull(VARIANT_BOOL *v) { return outValue(v, asBool(int32_t(send(ZOM_GETVALUEISFULL)))); }

HRESULT zoCombo::get_DataBind(BSTR *value)
{
    if (!value)
        return E_POINTER;
    if (!m_userMode)
        return raiseError(CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    const HRESULT hr = m_settings.dataProperty == zoTextProperty ? get_Text(value) : get_Value(value);
    if (FAILED(hr)) {
        int16_t code = 0;
        FireEvent(kDBErrorEvent, {&code});
        return invalidValue();
    }
    return hr;
}
HRESULT zoCombo::put_DataBind(BSTR v)
{
    const HRESULT hr = m_settings.dataProperty == zoTextProperty ? put_Text(v) : put_Value(v);
    if (hr != S_OK) {
        int16_t code = 0;
        FireEvent(kDBErrorEvent, {&code});
    } else {
        send(ZOM_SETDATABIND, 2);
    }
    return S_OK;
}

HRESULT zoCombo::get_DropDown(IDropDown **v) { return handOut(m_dropDown.get(), IID_IDropDown, v); }
HRESULT zoCombo::putref_DropDown(IDropDown *v) { return putSubObject(DISPID_COMBO_DROPDOWN, v, IID_IDropDown, m_dropDown); }
HRESULT zoCombo::get_Spin(ISpin **v) { return handOut(m_spin.get(), IID_ISpin, v); }
HRESULT zoCombo::putref_Spin(ISpin *v) { return putSubObject(DISPID_COMBO_SPIN, v, IID_ISpin, m_spin); }

HRESULT zoCombo::get_BtnPositioning(int32_t *v) { return outValue(v, m_settings.btnPositioning); }
HRESULT zoCombo::put_BtnPositioning(int32_t v)
{
    if (!inRange(v, 0, 1))
        return invalidValue();
    m_settings.btnPositioning = v;
    if (window())
        sendButtonLayout();
    propertyChangeStep(DISPID_BTNPOSITIONING);
    return S_OK;
}

HRESULT zoCombo::get_SelectedIndex(int32_t *value)
{
    if (!value)
        return E_POINTER;
    // Without a window the cached selection is the answer.
    if (window())
        m_selectedIndex = int32_t(send(ZOM_GETSELECTEDINDEX));
    *value = m_selectedIndex;
    return S_OK;
}

HRESULT zoCombo::put_SelectedIndex(int32_t value)
{
    int32_t count = 0;
    if (m_items)
        m_items->get_Count(&count);
    if (value < 0 || value > count - 1)
        value = -1;
    m_selectedIndex = value;
    send(ZOM_SETSELECTEDINDEX, win::WPARAM(win::LPARAM(value)));
    return S_OK;
}

HRESULT zoCombo::get_SelectedItem(IComboItem **value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    int32_t index = -1;
    get_SelectedIndex(&index);
    int32_t count = 0;
    if (m_items)
        m_items->get_Count(&count);
    if (index < 0 || index > count - 1)
        return S_OK;
    return m_items->get_Item(index, value);
}

HRESULT zoCombo::put_SelectedItem(IComboItem *item)
{
    if (!item || !m_items)
        return S_FALSE;
    VARIANT_BOOL contained = VARIANT_FALSE;
    if (FAILED(m_items->Contains(item, &contained)) || !contained)
        return S_FALSE;
    int32_t index = -1;
    m_items->IndexOf(item, &index);
    m_selectedIndex = index;
    send(ZOM_SETSELECTEDINDEX, win::WPARAM(win::LPARAM(index)));
    return S_OK;
}

HRESULT zoCombo::AboutBox()
{
    return showAboutBox();
}

HRESULT zoCombo::showAboutBox()
{
    // The library's own instance: the base address it was loaded at.
    Dl_info info{};
    static const int anchor = 0;
    const win::HINSTANCE instance =
        dladdr(&anchor, &info) && info.dli_fbase ? reinterpret_cast<win::HINSTANCE>(info.dli_fbase) : 0;
    controls::AboutDialog box(controls::AboutDialog::kTemplateId, module().resources(), instance);
    box.SetBuildText(module().versionString());
    return box.DoModal(0) == -1 ? E_FAIL : S_OK;
}

HRESULT zoCombo::Refresh()
{
    if (window())
        send(win::WM_PAINT, 0, 0);
    return S_OK;
}

HRESULT zoCombo::OLEDrag()
{
    return m_drag.StartDrag();
}

HRESULT zoCombo::ClearControl()
{
    if (!m_settings.readOnly)
        send(ZOM_CLEAR);
    return S_OK;
}

} // namespace pickwell
