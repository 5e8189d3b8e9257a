#include "Controls/common/SuiteLoader.h"

#include "platform/codepage/codepage.h"
#include "platform/win/messagebox.h"

#include <QString>

#include <dlfcn.h>

namespace controls {

namespace {

void *&handle()
{
    static void *h = nullptr;
    return h;
}

// Frees the handle when the control library is unloaded without its detach
// entry having run.
struct HandleGuard {
    ~HandleGuard() { DetachSuiteBase(); }
} guard;

std::string takeDlError()
{
    const char *e = dlerror();
    return e ? std::string(e) : std::string();
}

// CP932 for a message: characters CP932 cannot hold become "?".
std::string toAnsiForDisplay(const QString &text)
{
    std::string out;
    for (int i = 0; i < text.size(); ++i) {
        const int n = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString one = text.mid(i, n);
        i += n - 1;
        if (platform::codepage::isAnsiEncodable(one))
            out += platform::codepage::toAnsi(one).toStdString();
        else
            out += '?';
    }
    return out;
}

// The path of the base library beside the module holding the address; empty
// when the module's path has no folder part.
std::string pathBeside(const void *addressInModule)
{
    Dl_info info{};
    if (!dladdr(addressInModule, &info) || !info.dli_fname)
        return {};
    std::string path = info.dli_fname; // no fixed-size buffer: as long as it is
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    path.resize(slash + 1);
    path += kSuiteBaseLibraryFile;
    return path;
}

} // namespace

std::string SuiteBaseLoadErrorText(const std::string &ownFolderError, const std::string &bareNameError)
{
    QString text = QStringLiteral("基本ライブラリ %1 を読み込めません。").arg(QLatin1String(kSuiteBaseLibraryFile));
    if (!ownFolderError.empty())
        text += QLatin1Char('\n') + QString::fromLocal8Bit(ownFolderError.data(), qsizetype(ownFolderError.size()));
    if (!bareNameError.empty() && bareNameError != ownFolderError)
        text += QLatin1Char('\n') + QString::fromLocal8Bit(bareNameError.data(), qsizetype(bareNameError.size()));
    return toAnsiForDisplay(text);
}

bool AttachSuiteBase(const void *addressInModule)
{
    if (handle())
        return true;
    std::string ownFolderError;
    const std::string beside = pathBeside(addressInModule);
    if (!beside.empty()) {
        dlerror();
        handle() = dlopen(beside.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle())
            ownFolderError = takeDlError();
    }
    if (!handle()) {
        dlerror();
        handle() = dlopen(kSuiteBaseLibraryFile, RTLD_NOW | RTLD_LOCAL);
        if (!handle()) {
            const std::string bareNameError = takeDlError();
            platform::win::MessageBoxA(0, SuiteBaseLoadErrorText(ownFolderError, bareNameError).c_str(),
                                       kSuiteBaseErrorCaption, platform::win::MB_ICONINFORMATION);
            return false;
        }
    }
    return true;
}

void DetachSuiteBase()
{
    if (void *h = std::exchange(handle(), nullptr))
        dlclose(h);
}

void *SuiteBaseHandle()
{
    return handle();
}

bool LibraryProcessAttach(ComModule &module, const void *addressInModule)
{
    // The base library first: a failure here leaves no class of the module
    // registered behind a library about to be unloaded.
    if (!AttachSuiteBase(addressInModule))
        return false;
    if (!module.attach()) {
        DetachSuiteBase();
        return false;
    }
    return true;
}

void LibraryProcessDetach(ComModule &module)
{
    module.detach();
    DetachSuiteBase();
}

} // namespace controls
