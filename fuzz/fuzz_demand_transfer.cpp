// The host side of a demand transfer (RD): bytes from the device go into the
// serial link (over the scripted port) while a protocol controller runs the
// transfer into the store's demand record (its store run left out). The first
// input byte picks the chunk size (1 to 64) and, with its high bit, a reader
// transfer with the delete flag. Checks, for every block the link reports:
//  - the host answers it with one ACK or NAK at most, or, once the
//    transaction has ended, with nothing;
//  - an ACK only for a whole RD frame of 18 bytes that the demand record
//    took, or that the device sent unchanged again after a NAK (left out and
//    logged); so a lone NAK, a cut or foreign frame is never acknowledged;
//  - never more than three NAKs in a row;
//  - no message box.
#include "scriptedLink.h"
#include "platform/forms/dialogscript.h"
#include "talvik/link/clsProtocolController.h"
#include "talvik/link/clsSerialController.h"
#include "talvik/link/recordFields.h"
#include "talvik/store/clsDataD.h"

#include <QObject>
#include <cstddef>
#include <cstdint>

using namespace talvik;

namespace {


// The demand record without its store run: staging and merging succeed at
// once, so the controller's ending is all that follows the final block.
struct RecordWithoutStore : clsDataD {
    bool stage(bool, QString *) override { return true; }
    bool fire(bool) override { return true; }
};

struct Owner : ITransactionOwner {
    int skipped = 0;
    platform::forms::Form *ownerForm() override { return nullptr; }
    void addLog(const QString &text) override
    {
        if (text == QStringLiteral("データ１件　キャンセル"))
            ++skipped;
    }
};

struct Wait : IWaitDialog {
    QString info1;
    void clear() override {}
    void setWaitMsg(const QString &) override {}
    QString loadInfo1() override { return info1; }
    void setLoadInfo1(const QString &t) override { info1 = t; }
    void setLoadInfo2(const QString &) override {}
    void setEnableCancel(bool) override {}
    bool isCancel() const override { return false; }
    void show(platform::forms::Form *) override {}
    void unload() override {}
};

Wait g_wait;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::scriptedLink("during the transfer");
    clsProtocolController::setWaitDialog(&g_wait);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    platform::forms::DialogScript script;
    const int chunk = data[0] % 64 + 1;
    const bool reader = data[0] & 0x80;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    fuzzsupport::ScriptedLink &link = fuzzsupport::scriptedLink("during the transfer");
    clsSerialController &serial = *link.serial;
    FUZZ_CHECK(serial.openPort());
    FUZZ_CHECK(link.port != nullptr);

    RecordWithoutStore record;
    record.initData();
    record.setIsReader(reader);
    record.setIsDel(reader);
    record.setCustomer(QStringLiteral("123456789"));
    Owner owner;
    {
        clsProtocolController proto(&serial);
        proto.setData(&record);
        proto.cont(&owner);
        FUZZ_CHECK(proto.protocolMode() == 3);
        link.port->clearWritten();

        // Connected after the controller: runs once it has answered the block.
        qsizetype seen = 0;
        int nakRun = 0;
        int takenBefore = 0, skippedBefore = 0;
        bool runningBefore = true;
        QByteArray previous;
        const QMetaObject::Connection watch = QObject::connect(
            &serial, &clsSerialController::OnEvent, [&](const QByteArray &d, int count, bool ok) {
                const QByteArray out = link.port->written().mid(seen);
                seen = link.port->written().size();
                FUZZ_CHECK(out.size() <= 1);
                if (!runningBefore)
                    FUZZ_CHECK(out.isEmpty());
                if (out == QByteArray(1, frame::ACK)) {
                    nakRun = 0;
                    FUZZ_CHECK(ok && count == 18 && d[0] == frame::STX && d[1] == 'R' && d[2] == 'D');
                    FUZZ_CHECK(d[17] == frame::ETX || d[17] == frame::ETB);
                    const bool taken = record.count() == takenBefore + 1;
                    const bool skipped = owner.skipped == skippedBefore + 1 && d == previous;
                    FUZZ_CHECK(taken != skipped);
                } else if (out == QByteArray(1, frame::NAK)) {
                    FUZZ_CHECK(++nakRun <= 3);
                } else {
                    FUZZ_CHECK(out.isEmpty());
                }
                previous = d;
                takenBefore = record.count();
                skippedBefore = owner.skipped;
                runningBefore = proto.protocolMode() != 0;
            });
        for (qsizetype i = 0; i < bytes.size(); i += chunk)
            link.port->feed(bytes.mid(i, chunk));
        QObject::disconnect(watch);
        serial.setTimer(0);
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    serial.closePort();
    FUZZ_CHECK(script.shown().isEmpty());
    return 0;
}
