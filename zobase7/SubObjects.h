#pragma once
// zobase7's sub-objects of the combo control: Caption, DropDown, Spin, Key.
#include "zobase7/SubObjectBase.h"

#include <vector>

namespace zobase7 {

struct CaptionState {
    com::Bstr text{QString()};
    int32_t position = zoCaptPosLeft;
    int32_t size = 0;
    int32_t alignment = 0;
};

class Caption final : public SubObject<Caption, ICaptionDisp, CaptionState>, public ICaptionPainter {
public:
    using Base = SubObject<Caption, ICaptionDisp, CaptionState>;
    static const com::CLSID &classId() { return CLSID_Caption; }
    static const com::IID &primaryIid() { return IID_ICaptionDisp; }
    static CaptionState defaults() { return {}; }
    static void exchange(CaptionState &s, SettingsExchange &x);
    static const com::DispatchTable<Caption> &dispatchTable();
    bool queryExtra(const com::IID &iid, void **object);

    HRESULT QueryInterface(const com::IID &iid, void **object) override { return Base::QueryInterface(iid, object); }
    uint32_t AddRef() override { return Base::AddRef(); }
    uint32_t Release() override { return Base::Release(); }

    HRESULT get_Text(BSTR *value) override;
    HRESULT put_Text(BSTR value) override;
    HRESULT get_Position(int32_t *value) override;
    HRESULT put_Position(int32_t value) override;
    HRESULT get_Size(int32_t *value) override;
    HRESULT put_Size(int32_t value) override;
    HRESULT get_Alignment(int32_t *value) override;
    HRESULT put_Alignment(int32_t value) override;

    HRESULT Initialize(com::IUnknown *font, OLE_COLOR backColor, OLE_COLOR foreColor) override;
    HRESULT SetEnabled(VARIANT_BOOL enabled) override;
    HRESULT GetMnemonic(int32_t *character) override;
    HRESULT GetCaptionRect(const platform::win::RECT *bounds, platform::win::RECT *caption) override;
    HRESULT Paint(platform::win::HDC dc, const platform::win::RECT *bounds) override;
    HRESULT AdjustRect(platform::win::RECT *rect) override;

    bool enabled() const { return m_enabled; }

private:
    com::ComPtr<com::IUnknown> m_font;
    OLE_COLOR m_back = 0x8000000F;
    OLE_COLOR m_fore = 0x80000012;
    bool m_enabled = true;
};

struct DropDownState {
    int32_t enabled = com::VARIANT_TRUE;
    int32_t position = zoDropPosInside;
    int32_t visible = zoNotShown;
};

class DropDown final : public SubObject<DropDown, IDropDown, DropDownState> {
public:
    static const com::CLSID &classId() { return CLSID_DropDown; }
    static const com::IID &primaryIid() { return IID_IDropDown; }
    static DropDownState defaults() { return {}; }
    static void exchange(DropDownState &s, SettingsExchange &x);
    static const com::DispatchTable<DropDown> &dispatchTable();
    using SubObject::queryExtra;
    using SubObject::afterInitNew;

    HRESULT get_Enabled(VARIANT_BOOL *value) override;
    HRESULT put_Enabled(VARIANT_BOOL value) override;
    HRESULT get_Position(int32_t *value) override;
    HRESULT put_Position(int32_t value) override;
    HRESULT get_Visible(int32_t *value) override;
    HRESULT put_Visible(int32_t value) override;
};

struct SpinState {
    int32_t delay = 100;
    int32_t enabled = com::VARIANT_TRUE;
    int32_t increment = 1;
    int32_t position = zoSpinPosInside;
    int32_t visible = zoNotShown;
    int32_t wrap = com::VARIANT_FALSE;
    int32_t spinKeys = com::VARIANT_TRUE;
};

class Spin final : public SubObject<Spin, ISpin, SpinState> {
public:
    static const com::CLSID &classId() { return CLSID_Spin; }
    static const com::IID &primaryIid() { return IID_ISpin; }
    static SpinState defaults() { return {}; }
    static void exchange(SpinState &s, SettingsExchange &x);
    static const com::DispatchTable<Spin> &dispatchTable();
    using SubObject::queryExtra;
    using SubObject::afterInitNew;

    HRESULT get_Delay(int32_t *value) override;
    HRESULT put_Delay(int32_t value) override;
    HRESULT get_Enabled(VARIANT_BOOL *value) override;
    HRESULT put_Enabled(VARIANT_BOOL value) override;
    HRESULT get_Increment(int16_t *value) override;
    HRESULT put_Increment(int16_t value) override;
    HRESULT get_Position(int32_t *value) override;
    HRESULT put_Position(int32_t value) override;
    HRESULT get_Visible(int32_t *value) override;
    HRESULT put_Visible(int32_t value) override;
    HRESULT get_Wrap(VARIANT_BOOL *value) override;
    HRESULT put_Wrap(VARIANT_BOOL value) override;
    HRESULT get_SpinKeys(VARIANT_BOOL *value) override;
    HRESULT put_SpinKeys(VARIANT_BOOL value) override;
};

struct KeyBinding {
    int32_t action = 0;
    int32_t keyCode = 0;
    int32_t shift = 0;
    bool operator==(const KeyBinding &) const = default;
};

struct KeyState {
    std::vector<KeyBinding> bindings;
    int32_t options = 0;
};

// Most bindings a Key object keeps (and a stream may announce).
constexpr int32_t kMaxKeyBindings = 256;

class Key final : public SubObject<Key, IKey, KeyState>, public IKeyAssignment {
public:
    using Base = SubObject<Key, IKey, KeyState>;
    static const com::CLSID &classId() { return CLSID_Key; }
    static const com::IID &primaryIid() { return IID_IKey; }
    static KeyState defaults() { return {}; }
    static void exchange(KeyState &s, SettingsExchange &x);
    static const com::DispatchTable<Key> &dispatchTable();
    bool queryExtra(const com::IID &iid, void **object);
    void afterInitNew();

    HRESULT QueryInterface(const com::IID &iid, void **object) override { return Base::QueryInterface(iid, object); }
    uint32_t AddRef() override { return Base::AddRef(); }
    uint32_t Release() override { return Base::Release(); }

    HRESULT get_Count(int32_t *count) override;
    HRESULT Add(int32_t action, int32_t keyCode, int32_t shift) override;
    HRESULT Remove(int32_t action, int32_t keyCode, int32_t shift) override;
    HRESULT Clear() override;
    HRESULT get_Action(int32_t index, int32_t *action) override;
    HRESULT get_KeyCode(int32_t index, int32_t *keyCode) override;
    HRESULT get_Shift(int32_t index, int32_t *shift) override;

    HRESULT SetOptions(int32_t options) override;
    HRESULT Translate(int32_t keyCode, int32_t shift, int32_t *action) override;
    HRESULT IsBound(int32_t action, int32_t keyCode, int32_t shift) override;

    static std::vector<KeyBinding> defaultBindings(int32_t options);
};

// Class objects of the four classes (for DllGetClassObject and for tests
// that make them creatable inside their own process).
HRESULT getSubObjectClassObject(const com::CLSID &clsid, const com::IID &iid, void **object);
// Registers the four classes in this module's class table (idempotent).
void registerSubObjectClasses();

} // namespace zobase7
