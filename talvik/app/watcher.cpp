#include "talvik/app/watcher.h"

#include "platform/runtime/runtime_error.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/controlLibraries.h"
#include "talvik/link/clsSerialController.h"

namespace talvik {

namespace com = platform::com;

namespace {

com::ComPtr<portwick::_Class1> &holder()
{
    static com::ComPtr<portwick::_Class1> watcher;
    return watcher;
}

com::HRESULT create(com::ComPtr<portwick::_Class1> &out)
{
    return com::CoCreateInstance(portwick::CLSID_Class1, nullptr, portwick::IID__Class1, out.putVoid());
}

} // namespace

portwick::_Class1 &vcpWatcherObject()
{
    com::ComPtr<portwick::_Class1> &w = holder();
    if (w)
        return *w;
    com::HRESULT hr = create(w);
    QString cause;
    if (com::FAILED(hr) && registerLibraryBesideProgram(QString::fromLatin1(portwick::kLibraryFileName), &cause))
        hr = create(w);
    if (com::FAILED(hr) || !w) {
        // The cause (a registry file that cannot be written: file and reason)
        // follows the runtime's own text.
        QString text = platform::errorDescription(platform::err::CannotCreateObject, QStringLiteral("Portwick.Class1"));
        if (!cause.isEmpty())
            text += u'\n' + cause;
        platform::raise(platform::err::CannotCreateObject, text);
    }
    vcpWatcher = w.get();
    clsSerialController::setVirtualPortProvider([] {
        int16_t port = 0;
        if (portwick::_Class1 *watcher = existingVcpWatcher())
            watcher->GetVirtualPort(&port);
        return int(port);
    });
    return *w;
}

portwick::_Class1 *existingVcpWatcher()
{
    return vcpWatcher;
}

void releaseVcpWatcher()
{
    clsSerialController::setVirtualPortProvider({});
    vcpWatcher = nullptr;
    holder().reset();
}

} // namespace talvik
