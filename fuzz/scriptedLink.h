#pragma once
// The serial link of the link harnesses: one serial controller for the
// process on COM5, whose port is a scripted one, a program folder of its own,
// and a stop on any message box. Each input opens the port afresh, which puts
// the controller back to idle with an empty buffer (as a new controller).
#include "fuzzSupport.h"
#include "platform/comm/port.h"
#include "platform/comm/portpath.h"
#include "platform/comm/scriptedport.h"
#include "platform/forms/dialogscript.h"
#include "talvik/link/clsSerialController.h"

namespace fuzzsupport {

struct ScriptedLink {
    platform::comm::ScriptedPort *port = nullptr; // the port last opened
    talvik::clsSerialController *serial = nullptr;
    std::unique_ptr<QTemporaryDir> home;
};

// Sets the link up once; `during` names what a message box interrupted.
inline ScriptedLink &scriptedLink(const char *during)
{
    static ScriptedLink link;
    if (link.serial)
        return link;
    initApplication();
    link.home = scratchDir();
    qputenv("TALVIK_HOME", link.home->path().toLocal8Bit());
    static const char *what = during;
    platform::forms::DialogScript::setUnexpectedDialogHandler([](const QString &report) {
        std::fprintf(stderr, "message box %s: %s\n", what, report.toUtf8().constData());
        std::abort();
    });
    platform::comm::setComPortResolver([](int n) { return n == 5 ? QStringLiteral("/dev/scripted5") : QString(); });
    platform::comm::setDefaultPortFactory([] {
        auto p = std::make_unique<platform::comm::ScriptedPort>();
        link.port = p.get();
        return p;
    });
    link.serial = new talvik::clsSerialController;
    link.serial->setPort(5);
    return link;
}

} // namespace fuzzsupport
