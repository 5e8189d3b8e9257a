// libFuzzer harness for the control libraries' stream loaders. The first
// byte picks the loader; the rest is the stream. A load that succeeds must
// save again, and that saved form must load and save to the same bytes.
#include "Controls/Container/Childs.h"
#include "Controls/Container/Effects.h"
#include "Controls/Container/LumafoldModule.h"
#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/com/picture.h"

#include <cstdlib>

using namespace platform::com;

namespace {

ComPtr<IPersistStream> make(uint8_t kind)
{
    ComPtr<IUnknown> object;
    switch (kind % 5) {
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool attached = pickwell::module().attach() && lumafold::module().attach();
    (void)attached;
    if (size == 0)
        return 0;
    const uint8_t kind = data[0];
    ComPtr<IPersistStream> first = make(kind);
    ComPtr<IStream> in = streamFromBytes(std::vector<uint8_t>(data + 1, data + size));
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
