// The demand read of the data window with a read-only program folder, end to
// end with the stand-in device on a pseudo-terminal: the records that cannot
// be stored stay in the device, the user is told, and the window is free
// again.
#include "dataWindowFixture.h"

#include "platform/comm/portpath.h"
#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/constants.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsSerialController.h"
#include "tools/devicesim/simulator.h"

#include <QDir>

using namespace dwtest;
using namespace platform::forms;
using platform::fileio::testsupport::ReadOnlyFolder;
using platform::fileio::testsupport::snapshotFolder;

namespace {

const QString kNotStored = QStringLiteral("受信したデータを保存できませんでした。データは機器に残っています。\n");

class ReadIntoReadOnlyFolder : public DataWindowTest {
protected:
    void startDevice(devicesim::Model model, int customers)
    {
        devicesim::DeviceConfig cfg;
        cfg.model = model;
        cfg.customers = customers;
        cfg.days = 1;
        sim = std::make_unique<devicesim::DeviceSimulator>(cfg);
        sim->device().setAckTimeout(400);
        const QString link = home() + QStringLiteral("/ttyDEV");
        QString error;
        ASSERT_TRUE(sim->start(link, &error)) << error.toStdString();
        platform::comm::setComPortResolver([link](int n) { return n == 7 ? link : QString(); });
        serial = std::make_unique<talvik::clsSerialController>();
        serial->setPort(7);
        talvik::serialController = serial.get();
        talvik::deviceVersion = QString::fromLatin1(devicesim::versionTextOf(model));
    }
    void TearDown() override
    {
        readOnly.reset();
        DataWindowTest::TearDown();
        talvik::serialController = nullptr;
        serial.reset();
        sim.reset();
        platform::comm::setComPortResolver({});
    }
    // The store's folders (the pty link in the program folder is left out).
    QMap<QString, QByteArray> store() const
    {
        QMap<QString, QByteArray> all;
        for (const QString &f : {QStringLiteral("dDB"), QStringLiteral("dDB.tran"), QStringLiteral("dDB.dl")})
            for (auto [name, bytes] : snapshotFolder(path(f)).asKeyValueRange())
                all.insert(f + u'/' + name, bytes);
        return all;
    }
    void makeReadOnly()
    {
        readOnly = std::make_unique<ReadOnlyFolder>(home());
        RecordProperty("realReadOnly", readOnly->real() ? "yes" : "no");
    }
    QStringList rdRequests() const
    {
        QStringList out;
        for (const QByteArray &r : sim->device().requests())
            if (r.startsWith("\x02RD"))
                out << QString::fromLatin1(r.mid(3, r.size() - 4));
        return out;
    }
    bool waitForBox()
    {
        return waitFor([&] { return !script->shown().isEmpty(); });
    }

    std::unique_ptr<devicesim::DeviceSimulator> sim;
    std::unique_ptr<talvik::clsSerialController> serial;
    std::unique_ptr<ReadOnlyFolder> readOnly;
};

} // namespace

TEST_F(ReadIntoReadOnlyFolder, DetectorReadEndsWithAMessageAndStoresNothing)
{
    makeStore();
    startDevice(devicesim::Model::T4KB, 1);
    loadWindow();
    // Into an existing customer, so that no folder has to be made first.
    dialogs.onImport = [](QString &custom, const QString &) {
        custom = QStringLiteral("東京工場");
        return true;
    };
    const int held = int(sim->device().customers()[0].records.size());
    const auto before = store();
    makeReadOnly();
    script->answerNext(vbOK);
    w->mnuTerm_Click(0);
    ASSERT_TRUE(waitForBox());
    ASSERT_EQ(script->shown().size(), 1) << prompts().join('|').toStdString();
    EXPECT_TRUE(script->shown()[0].prompt.startsWith(kNotStored)) << prompts().join('|').toStdString();
    EXPECT_EQ(script->shown()[0].style, vbCritical);
    EXPECT_FALSE(talvik::commBusy);
    EXPECT_EQ(rdRequests().size(), 1);
    // The final block was never acknowledged.
    ASSERT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() == 1; }));
    EXPECT_EQ(sim->device().completedTransfers(), 1) << "only the customer-number list";
    EXPECT_EQ(sim->device().customers()[0].records.size(), held);
    EXPECT_EQ(store(), before);

    // The device stays known: once the folder is writable again the same
    // read stores the records.
    readOnly.reset();
    script->answerNext(vbOK);
    w->mnuTerm_Click(0);
    ASSERT_TRUE(waitFor([&] { return script->shown().size() == 2; })) << prompts().join('|').toStdString();
    EXPECT_EQ(script->shown()[1].prompt, QStringLiteral("読み込みは正常に終了しました。"));
    EXPECT_FALSE(talvik::commBusy);
    auto rows = [](const QMap<QString, QByteArray> &files) {
        qsizetype n = 0;
        for (auto [name, bytes] : files.asKeyValueRange())
            if (name.startsWith(QStringLiteral("dDB.tran/東京工場/")) && name.endsWith(QStringLiteral("/demand.csv")))
                n += bytes.count('\n');
        return n;
    };
    EXPECT_EQ(rows(store()), rows(before) + held);
}

TEST_F(ReadIntoReadOnlyFolder, ReaderWithDeleteKeepsEveryRecordAndTheChainStops)
{
    makeStore();
    startDevice(devicesim::Model::Reader, 3);
    loadWindow();
    QList<int> held;
    for (const auto &c : sim->device().customers()) {
        held << int(c.records.size());
        // Folders of the customers exist already.
        QDir().mkpath(path(QStringLiteral("dDB.tran/") + QString::fromLatin1(c.number)));
    }
    ASSERT_EQ(held.size(), 3);
    dialogs.onSelect = [](talvik::clsDataC &list) {
        for (int i = 0; i < list.count(); ++i) {
            list.setIdx(i);
            list.setIsDel(true);
        }
        return true;
    };
    const auto before = store();
    makeReadOnly();
    script->answerNext(vbOK);
    w->readInfoData();
    ASSERT_TRUE(waitForBox());
    ASSERT_EQ(script->shown().size(), 1) << prompts().join('|').toStdString();
    EXPECT_TRUE(script->shown()[0].prompt.startsWith(kNotStored)) << prompts().join('|').toStdString();
    EXPECT_FALSE(talvik::commBusy);
    // The chain stopped at the first customer; the reader deleted nothing.
    EXPECT_EQ(rdRequests().size(), 1);
    ASSERT_TRUE(waitFor([&] { return sim->device().abandonedTransfers() == 1; }));
    EXPECT_EQ(sim->device().completedTransfers(), 1) << "only the customer-number list";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(sim->device().customers()[i].records.size(), held[i]) << i;
    EXPECT_EQ(store(), before);
}
