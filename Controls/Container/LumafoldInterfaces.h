#pragma once
// The container's effect and child objects: interfaces in type-library order.
#include "platform/com/automation.h"

namespace lumafold {

namespace com = platform::com;
using com::BSTR;
using com::HRESULT;
using com::OLE_COLOR;
using com::VARIANT;

extern const com::CLSID CLSID_Effect;
extern const com::CLSID CLSID_Effects;
extern const com::CLSID CLSID_Child;
extern const com::CLSID CLSID_Childs;
extern const com::IID IID_IEffect;
extern const com::IID IID_IEffects;
extern const com::IID IID_IChild;
extern const com::IID IID_IChildren;

// zoBorderStyleConst
enum : int32_t { zoNoBorder = 0, zoFixedSingle = 1 };

struct IEffect : com::IDispatch {
    virtual HRESULT get_BackColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_BackColor(OLE_COLOR value) = 0;
    virtual HRESULT get_BevelOuter(int16_t *value) = 0;
    virtual HRESULT put_BevelOuter(int16_t value) = 0;
    virtual HRESULT get_BevelInner(int16_t *value) = 0;
    virtual HRESULT put_BevelInner(int16_t value) = 0;
    virtual HRESULT get_BevelLight(int16_t *value) = 0;
    virtual HRESULT put_BevelLight(int16_t value) = 0;
    virtual HRESULT get_BevelShade(int16_t *value) = 0;
    virtual HRESULT put_BevelShade(int16_t value) = 0;
    virtual HRESULT get_BevelSpace(int16_t *value) = 0;
    virtual HRESULT put_BevelSpace(int16_t value) = 0;
    virtual HRESULT get_BorderStyle(int32_t *value) = 0;
    virtual HRESULT put_BorderStyle(int32_t value) = 0;
    virtual HRESULT get_Key(BSTR *value) = 0;
    virtual HRESULT get_Parent(VARIANT *value) = 0;
    virtual HRESULT put_Parent(VARIANT value) = 0;
    virtual HRESULT putref_Parent(VARIANT value) = 0;
    virtual HRESULT get_ShadowDarkness(int16_t *value) = 0;
    virtual HRESULT put_ShadowDarkness(int16_t value) = 0;
    virtual HRESULT get_ShadowWidth(int16_t *value) = 0;
    virtual HRESULT put_ShadowWidth(int16_t value) = 0;
    virtual HRESULT get_ShadowBaseColor(OLE_COLOR *value) = 0;
    virtual HRESULT put_ShadowBaseColor(OLE_COLOR value) = 0;
    virtual HRESULT get_MarginTop(int16_t *value) = 0;
    virtual HRESULT put_MarginTop(int16_t value) = 0;
    virtual HRESULT get_MarginBottom(int16_t *value) = 0;
    virtual HRESULT put_MarginBottom(int16_t value) = 0;
    virtual HRESULT get_MarginLeft(int16_t *value) = 0;
    virtual HRESULT put_MarginLeft(int16_t value) = 0;
    virtual HRESULT get_MarginRight(int16_t *value) = 0;
    virtual HRESULT put_MarginRight(int16_t value) = 0;
};

struct IEffects : com::IDispatch {
    virtual HRESULT get_Count(int32_t *count) = 0;
    virtual HRESULT get_Item(VARIANT index, IEffect **item) = 0;
    virtual HRESULT put_Item(VARIANT index, IEffect *value) = 0;
    virtual HRESULT putref_Item(VARIANT index, IEffect *value) = 0;
    virtual HRESULT get__NewEnum(com::IUnknown **enumerator) = 0;
    virtual HRESULT Add(VARIANT index, BSTR key, IEffect **result) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT Remove(VARIANT index) = 0;
    virtual HRESULT _ReplaceKey(int32_t position, BSTR key) = 0;
    virtual HRESULT AddObj(VARIANT index, BSTR key, VARIANT object, IEffect **result) = 0;
};

struct IChild : com::IDispatch {
    virtual HRESULT get_Key(BSTR *value) = 0;
    virtual HRESULT get_Name(BSTR *value) = 0;
    virtual HRESULT put_Name(BSTR value) = 0;
    virtual HRESULT get_Effect(VARIANT *value) = 0;
    virtual HRESULT put_Effect(VARIANT value) = 0;
    virtual HRESULT putref_Effect(VARIANT value) = 0;
    virtual HRESULT get_Parent(VARIANT *value) = 0;
    virtual HRESULT put_Parent(VARIANT value) = 0;
    virtual HRESULT putref_Parent(VARIANT value) = 0;
};

struct IChildren : com::IDispatch {
    virtual HRESULT get_Count(int32_t *count) = 0;
    virtual HRESULT get_Item(VARIANT index, IChild **item) = 0;
    virtual HRESULT get__NewEnum(com::IUnknown **enumerator) = 0;
    virtual HRESULT Add(VARIANT index, BSTR key, IChild **result) = 0;
    virtual HRESULT Clear() = 0;
    virtual HRESULT Remove(VARIANT index) = 0;
    virtual HRESULT _ReplaceKey(int32_t position, BSTR key) = 0;
    virtual HRESULT AddObj(VARIANT index, BSTR key, VARIANT object, IChild **result) = 0;
};

extern const com::CLSID CLSID_Container3D;
extern const com::IID IID_IContainer;
extern const com::IID DIID_IContainerEvents;

// zoApplyEffectConst, zoAutoSizeConst, zoMousePointerConst
enum : int32_t { zoApplyNone = 0, zoApplyChilds = 1, zoApplyAll = 2 };
enum : int32_t { zoAutoSizeNone = 0, zoAutoSizeChild = 1 };
enum : int32_t { zoDefault = 0, zoSizeAll = 15, zoCustom = 99 };

// The 3D container control.
struct IContainer : com::IDispatch {
    virtual HRESULT get_Effects(IEffects **value) = 0;
    virtual HRESULT get_Childs(IChildren **value) = 0;
    virtual HRESULT get_CtrlEffect(VARIANT *value) = 0;
    virtual HRESULT put_CtrlEffect(VARIANT value) = 0;
    virtual HRESULT putref_CtrlEffect(VARIANT value) = 0;
    virtual HRESULT get_ApplyEffect(int32_t *value) = 0;
    virtual HRESULT put_ApplyEffect(int32_t value) = 0;
    virtual HRESULT get_AutoSize(int32_t *value) = 0;
    virtual HRESULT put_AutoSize(int32_t value) = 0;
    virtual HRESULT get_Enabled(com::VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Enabled(com::VARIANT_BOOL value) = 0;
    virtual HRESULT get_Redraw(com::VARIANT_BOOL *value) = 0;
    virtual HRESULT put_Redraw(com::VARIANT_BOOL value) = 0;
    virtual HRESULT get_Version(BSTR *value) = 0;
    virtual HRESULT put_Version(BSTR value) = 0;
    virtual HRESULT get_ChildsEffect(VARIANT *value) = 0;
    virtual HRESULT put_ChildsEffect(VARIANT value) = 0;
    virtual HRESULT putref_ChildsEffect(VARIANT value) = 0;
    virtual HRESULT get_hWnd(int32_t *value) = 0;
    virtual HRESULT get_MouseIcon(com::IDispatch **value) = 0;
    virtual HRESULT put_MouseIcon(com::IDispatch *value) = 0;
    virtual HRESULT putref_MouseIcon(com::IDispatch *value) = 0;
    virtual HRESULT get_MousePointer(int32_t *value) = 0;
    virtual HRESULT put_MousePointer(int32_t value) = 0;
    virtual HRESULT AboutBox() = 0;
};

// The container window the collections and children report to. Messages are
// sent only while a window is set.
class ContainerWindow {
public:
    virtual void sendMessage(uint32_t message) = 0;

protected:
    ~ContainerWindow() = default;
};

// Messages to the container window.
enum : uint32_t {
    WM_CHILD_NAME_CHANGED = 0x410,
    WM_EFFECTS_CHANGED = 0x411,
    WM_CHILDS_CHANGED = 0x412,
    WM_CHILD_EFFECT_CHANGED = 0x413,
};

// Error codes of the collections (string id = low word).
constexpr HRESULT E_KEY_EXISTS = static_cast<HRESULT>(0x800A0201u);      // 513
constexpr HRESULT E_INDEX_RANGE = static_cast<HRESULT>(0x800A0202u);     // 514
constexpr HRESULT E_ELEMENT_NOT_FOUND = static_cast<HRESULT>(0x800A0203u); // 515
constexpr HRESULT E_KEY_INVALID = static_cast<HRESULT>(0x800A0204u);     // 516
constexpr HRESULT E_KEY_DIFFERS = static_cast<HRESULT>(0x800A0205u);     // 517
constexpr HRESULT E_NOT_IN_COLLECTION = static_cast<HRESULT>(0x800A0207u); // 519

} // namespace lumafold
