// The data window's file outputs on a full file system: the CSV export and
// the PDF output leave the old file byte-identical with no temporary file
// beside it, say why they failed, and leave the window usable.
#include "dataWindowFixture.h"

#include "platform/fileio/tests/fullDisk.h"
#include "platform/forms/flexgrid.h"

#include <QDir>
#include <QFile>

using platform::fileio::testsupport::FullDisk;
using platform::fileio::testsupport::snapshotFolder;
using platform::fileio::testsupport::temporaryLeftovers;

namespace {

class OutputOnFullDisk : public dwtest::DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        m_savedDir = QDir::currentPath();
        makeStore();
        loadWindow();
        clickNode(QStringLiteral("\\dDB.tran\\東京工場\\2024年"));
        ASSERT_GT(w->mfgData().Rows(), 1);
    }
    void TearDown() override
    {
        DataWindowTest::TearDown();
        QDir::setCurrent(m_savedDir);
    }
    // Puts an old file on the disk, fills the disk, runs the output with the
    // file chosen and returns the message shown.
    QString outputOnFullDisk(const QString &name, const std::function<void()> &output)
    {
        const QString target = disk.folder() + u'/' + name;
        QFile old(target);
        EXPECT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous output\r\n");
        old.close();
        const auto before = snapshotFolder(disk.folder());
        disk.fill();
        script->chooseFile(target);
        QString prompt;
        script->answerNextWith([&prompt](const platform::forms::ShownDialog &box) {
            prompt = box.prompt;
            return platform::forms::vbOK;
        });
        output();
        EXPECT_TRUE(script->verify());
        EXPECT_EQ(snapshotFolder(disk.folder()), before) << (disk.real() ? "tmpfs" : "modelled");
        EXPECT_TRUE(temporaryLeftovers(disk.folder()).isEmpty());
        EXPECT_TRUE(w->Enabled());
        return prompt;
    }

    FullDisk disk;

private:
    QString m_savedDir;
};

} // namespace

TEST_F(OutputOnFullDisk, CsvExportKeepsTheOldFileAndSaysWhy)
{
    const QString prompt = outputOnFullDisk(QStringLiteral("東京工場.CSV"), [this] { w->writeCsvFile(); });
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("ＣＳＶファイルを書き込めません。\r\""))) << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("東京工場.CSV\" に書き込めませんでした。ディスクの空き領域が不足しています。")))
        << prompt.toStdString();
}

TEST_F(OutputOnFullDisk, PdfOutputKeepsTheOldFileAndSaysWhy)
{
    const QString prompt = outputOnFullDisk(QStringLiteral("report.pdf"), [this] { w->writePdfFile(); });
    EXPECT_TRUE(prompt.startsWith(QStringLiteral("ＰＤＦファイルを出力できませんでした。\r\n\""))) << prompt.toStdString();
    EXPECT_TRUE(prompt.endsWith(QStringLiteral("report.pdf\" に書き込めませんでした。ディスクの空き領域が不足しています。")))
        << prompt.toStdString();
}
