// The serial link's receive machine (clsSerialController over a scripted
// port): bytes arrive in chunks whose size the first input byte chooses; every
// block the machine reports is checked against the frame rules:
//  - the reported count is the size of the reported data, 1 to 1024 bytes;
//  - a block starts with STX, or is a lone ACK or NAK reported good;
//  - a block reported good is a whole frame: it ends with ETX or ETB and holds
//    no other control byte of the protocol;
//  - fed one byte at a time, a good frame's BCC is the byte that ended it;
//  - the machine is idle once it has reported;
//  - only a lone ACK or NAK is marked as having cut a frame, and, fed one
//    byte at a time, exactly when a frame was in progress before it.
// Any message box (a run-time error inside the machine) stops the run.
#include "scriptedLink.h"
#include "platform/forms/dialogscript.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/recordFields.h"

#include <QObject>
#include <cstddef>
#include <cstdint>

using namespace talvik;

namespace {

bool isControl(char c)
{
    return c == frame::STX || c == frame::ETX || c == frame::ETB || c == frame::ACK || c == frame::NAK;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::scriptedLink("from the receive machine");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    platform::forms::DialogScript script;
    const int chunk = data[0] % 64 + 1;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));


    fuzzsupport::ScriptedLink &link = fuzzsupport::scriptedLink("from the receive machine");
    clsSerialController &serial = *link.serial;
    FUZZ_CHECK(serial.openPort());
    FUZZ_CHECK(!serial.IsBusy());
    FUZZ_CHECK(link.port != nullptr);

    char lastFed = 0;
    bool busyBeforeLast = false;
    bool oneByOne = chunk == 1;
    int reports = 0;
    const QMetaObject::Connection watch = QObject::connect(&serial, &clsSerialController::OnEvent, [&](const QByteArray &d, int count, bool ok) {
        ++reports;
        FUZZ_CHECK(count == d.size());
        FUZZ_CHECK(count >= 1 && count <= clsSerialController::bufferLimit);
        FUZZ_CHECK(!serial.IsBusy());
        const char first = d[0];
        if (first == frame::ACK || first == frame::NAK) {
            FUZZ_CHECK(count == 1 && ok);
            if (oneByOne)
                FUZZ_CHECK(serial.cutFrame() == busyBeforeLast);
            return;
        }
        FUZZ_CHECK(!serial.cutFrame());
        FUZZ_CHECK(first == frame::STX);
        if (!ok)
            return;
        const char last = d[count - 1];
        FUZZ_CHECK(count >= 2 && (last == frame::ETX || last == frame::ETB));
        for (int i = 1; i < count - 1; ++i)
            FUZZ_CHECK(!isControl(d[i]));
        if (oneByOne) {
            char bcc = 0;
            for (char c : d)
                bcc ^= c;
            FUZZ_CHECK(bcc == lastFed);
        }
    });

    for (qsizetype i = 0; i < bytes.size(); i += chunk) {
        const QByteArray part = bytes.mid(i, chunk);
        lastFed = part.back();
        busyBeforeLast = serial.IsBusy();
        link.port->feed(part);
    }
    QObject::disconnect(watch);
    serial.closePort();
    FUZZ_CHECK(script.shown().isEmpty());
    (void)reports;
    return 0;
}
