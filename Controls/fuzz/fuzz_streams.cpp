// libFuzzer harness for the control libraries' loaders. The first byte picks
// the loader; the rest is its input. Kinds 0-4 are stream loaders (the
// rest is the stream); kinds 5 and 6 are the property-bag form of the
// container and the combo (the rest describes a bag, entry by entry). A load
// that succeeds must save again, and that saved form must load and save to
// the same bytes (the same bag).
#include "Controls/Container/Childs.h"
#include "Controls/Container/Container3D.h"
#include "Controls/Container/Effect.h"
#include "Controls/Container/Effects.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/com/font.h"
#include "platform/com/picture.h"
#include "zobase7/SubObjects.h"

#include <cstdlib>
#include <cstring>

using namespace platform::com;

namespace {

constexpr int kStreamKinds = 5;
constexpr int kKinds = 7;

ComPtr<IPersistStream> make(uint8_t kind)
{
    ComPtr<IUnknown> object;
    switch (kind) {
    case 0: controls::createObject<pickwell::ComboItem>(IID_IUnknown, object.putVoid()); break;
    case 1: controls::createObject<pickwell::ComboItemCollection>(IID_IUnknown, object.putVoid()); break;
    case 2: controls::createObject<lumafold::Effects>(IID_IUnknown, object.putVoid()); break;
    case 3: controls::createObject<lumafold::Childs>(IID_IUnknown, object.putVoid()); break;
    default: object = ComPtr<IUnknown>(createPicture(PICTYPE_NONE).get()); break;
    }
    ComPtr<IPersistStream> p;
    if (object)
        object->QueryInterface(IID_IPersistStream, p.putVoid());
    return p;
}

std::vector<uint8_t> save(IPersistStream *p)
{
    ComPtr<IStream> s;
    CreateStreamOnHGlobal(nullptr, true, s.put());
    if (FAILED(p->Save(s.get(), true)))
        std::abort();
    return streamBytes(s.get());
}

int fuzzStream(uint8_t kind, const uint8_t *data, size_t size)
{
    ComPtr<IPersistStream> first = make(kind);
    ComPtr<IStream> in = streamFromBytes(std::vector<uint8_t>(data, data + size));
    if (!first || !in || FAILED(first->Load(in.get())))
        return 0;
    const std::vector<uint8_t> saved = save(first.get());
    ComPtr<IPersistStream> second = make(kind);
    ComPtr<IStream> again = streamFromBytes(saved);
    if (FAILED(second->Load(again.get())))
        std::abort(); // what we wrote we cannot read
    if (save(second.get()) != saved)
        std::abort(); // the round trip changed the object
    return 0;
}

// ---- the bag form

// The names the two controls and their nested objects persist under.
const char *const kNames[] = {
    "_Version", "_ExtentX", "_ExtentY", "ApplyEffect", "AutoSize", "Enabled", "Redraw", "MouseIcon", "MousePointer",
    "CtrlEffectType", "CtrlEffectValue", "ChildsEffectType", "ChildsEffectValue", "Effects", "Childs", "Blob",
    "Caption", "Font", "Keys", "DropDown", "Spin", "AlignHorizontal", "AlignVertical", "Appearance", "BackColor",
    "BorderStyle", "EditMode", "ForeColor", "Format", "IMEMode", "LookupTable", "MarginLeft", "PromptChar", "Text",
    "Value", "SortOrder", "SortBy", "DescWidth", "MaxDropdownItems", "DropdownStyle", "ListStyle", "ItemHeight",
    "DropWidthHasset", "DropdownWidth", "BackgroundImage", "Items", "Visible", "Position", "Delay", "Increment",
    "Count", "Options", "Action0", "KeyCode0", "Shift0", "Wrap", "SpinKeys",
};

const CLSID &classOf(uint8_t b)
{
    static const CLSID kForeign{0x0BADF00D, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    static const CLSID *const classes[] = {
        &lumafold::CLSID_Effects, &lumafold::CLSID_Childs, &lumafold::CLSID_Effect, &lumafold::CLSID_Child,
        &pickwell::CLSID_ComboItemCollection, &pickwell::CLSID_ComboItem, &zobase7::CLSID_Caption,
        &zobase7::CLSID_DropDown, &zobase7::CLSID_Spin, &zobase7::CLSID_Key, &CLSID_StdFont, &CLSID_StdPicture,
        &kForeign,
    };
    return *classes[b % (sizeof classes / sizeof classes[0])];
}

class Reader {
public:
    Reader(const uint8_t *data, size_t size) : m_data(data), m_left(size) {}
    bool empty() const { return m_left == 0; }
    uint8_t byte()
    {
        if (!m_left)
            return 0;
        --m_left;
        return *m_data++;
    }
    uint32_t bytes(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v |= uint32_t(byte()) << (8 * i);
        return v;
    }
    std::vector<uint8_t> block(size_t n)
    {
        n = std::min(n, m_left);
        std::vector<uint8_t> out(m_data, m_data + n);
        m_data += n;
        m_left -= n;
        return out;
    }

private:
    const uint8_t *m_data;
    size_t m_left;
};

ComPtr<PropertyBag> decodeBag(Reader &r, int depth)
{
    ComPtr<PropertyBag> bag(new PropertyBag);
    const int entries = r.byte() % 32;
    for (int i = 0; i < entries && !r.empty(); ++i) {
        const QString name = QLatin1String(kNames[r.byte() % (sizeof kNames / sizeof kNames[0])]);
        switch (r.byte() % 8) {
        case 0: bag->setValue(name, Variant::i2(int16_t(r.bytes(2)))); break;
        case 1: bag->setValue(name, Variant::i4(int32_t(r.bytes(4)))); break;
        case 2: bag->setValue(name, Variant::boolean(r.byte() & 1)); break;
        case 3: {
            const std::vector<uint8_t> raw = r.block(size_t(r.byte()) * 2);
            QString text;
            for (size_t k = 0; k + 1 < raw.size(); k += 2)
                text.append(QChar(char16_t(raw[k] | (raw[k + 1] << 8))));
            bag->setValue(name, Variant::str(text));
            break;
        }
        case 4: {
            const uint64_t bits = uint64_t(r.bytes(4)) | uint64_t(r.bytes(4)) << 32;
            double d = 0;
            std::memcpy(&d, &bits, sizeof d);
            bag->setValue(name, Variant::r8(d));
            break;
        }
        case 5: bag->setValue(name, Variant::null()); break;
        case 6: {
            const CLSID &clsid = classOf(r.byte());
            bag->setObjectBytes(name, clsid, r.block(r.bytes(2)));
            break;
        }
        default:
            if (depth < 3) {
                const CLSID &clsid = classOf(r.byte());
                bag->setObjectBag(name, clsid, decodeBag(r, depth + 1));
            }
            break;
        }
    }
    return bag;
}

bool sameValue(const Variant &a, const Variant &b)
{
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case VT_BSTR: return bstrToQString(a.bstrVal) == bstrToQString(b.bstrVal) && !a.bstrVal == !b.bstrVal;
    case VT_I2: return a.iVal == b.iVal;
    case VT_BOOL: return a.boolVal == b.boolVal;
    case VT_R8: return std::memcmp(&a.dblVal, &b.dblVal, sizeof a.dblVal) == 0;
    case VT_EMPTY:
    case VT_NULL: return true;
    default: return a.lVal == b.lVal;
    }
}

bool sameBag(const PropertyBag &a, const PropertyBag &b)
{
    if (a.entries().size() != b.entries().size())
        return false;
    for (size_t i = 0; i < a.entries().size(); ++i) {
        const PropertyBag::Entry &x = a.entries()[i], &y = b.entries()[i];
        if (x.name != y.name || x.isObject != y.isObject)
            return false;
        if (!x.isObject) {
            if (!sameValue(x.value, y.value))
                return false;
            continue;
        }
        if (x.clsid != y.clsid || x.bytes != y.bytes || !x.bag != !y.bag || (x.bag && !sameBag(*x.bag, *y.bag)))
            return false;
    }
    return true;
}

ComPtr<IPersistPropertyBag> makeControl(uint8_t kind)
{
    ComPtr<IPersistPropertyBag> p;
    if (kind == kStreamKinds)
        controls::createObject<lumafold::Container3D>(IID_IPersistPropertyBag, p.putVoid());
    else
        pickwell::createCombo(IID_IPersistPropertyBag, p.putVoid());
    return p;
}

int fuzzBag(uint8_t kind, const uint8_t *data, size_t size)
{
    Reader r(data, size);
    ComPtr<PropertyBag> in = decodeBag(r, 0);
    ComPtr<IPersistPropertyBag> first = makeControl(kind);
    if (!first)
        std::abort();
    if (FAILED(first->Load(in.get(), nullptr)))
        return 0;
    ComPtr<PropertyBag> saved(new PropertyBag);
    if (FAILED(first->Save(saved.get(), true, true)))
        std::abort(); // what loaded cannot be saved
    ComPtr<IPersistPropertyBag> second = makeControl(kind);
    if (FAILED(second->Load(saved.get(), nullptr)))
        std::abort(); // what we wrote we cannot read
    ComPtr<PropertyBag> again(new PropertyBag);
    if (FAILED(second->Save(again.get(), true, true)) || !sameBag(*saved, *again))
        std::abort(); // the round trip changed the control
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool attached = [] {
        const bool ok = pickwell::module().attach() && lumafold::module().attach();
        zobase7::registerSubObjectClasses();
        return ok;
    }();
    (void)attached;
    if (size == 0)
        return 0;
    const uint8_t kind = data[0] % kKinds;
    return kind < kStreamKinds ? fuzzStream(kind, data + 1, size - 1) : fuzzBag(kind, data + 1, size - 1);
}
