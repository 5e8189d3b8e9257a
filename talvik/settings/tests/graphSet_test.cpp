// The graph options dialog: "Graph.ini" read and write, the fallbacks for
// stored values outside their range, the scale table, and the dialog's
// apply / OK / cancel paths.
#include "settingsFixture.h"

#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"
#include "talvik/settings/frmGraphSet.h"

#include <QTest>
#include <QTimer>

namespace settingstest {
namespace {

using platform::codepage::toAnsi;
using talvik::frmGraphSet;

class GraphSetTest : public DialogTest {
protected:
    QString iniFile() const { return path(QStringLiteral("Graph.ini")); }
    void writeIni(const QString &text) const { writeBytes(iniFile(), toAnsi(text)); }
    static QByteArray iniBytes(const char *scale, const char *value, const char *style)
    {
        return toAnsi(QStringLiteral("[グラフ]\r\nスケール=%1\r\n出力値=%2\r\n出力形式=%3\r\n")
                          .arg(QLatin1String(scale), QLatin1String(value), QLatin1String(style)));
    }
};

TEST_F(GraphSetTest, NoFileGivesDefaultsAndFirstOkWritesThemInCp932)
{
    frmGraphSet form;
    EXPECT_EQ(form.scaleWeight(), 75);
    EXPECT_EQ(form.outvalue(), 0);
    EXPECT_EQ(form.outStyle(), 0);
    EXPECT_FALSE(form.isLoaded()) << "the getters must not load the window";
    EXPECT_FALSE(QFileInfo::exists(iniFile()));

    form.Load();
    form.cmdGraphOK_Click(); // untouched dialog: OK still applies and writes
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(readBytes(iniFile()), iniBytes("1", "0", "0"));
}

TEST_F(GraphSetTest, StoredValuesAreReadOnceAtCreation)
{
    writeIni(QStringLiteral("[グラフ]\r\nスケール=8\r\n出力値=1\r\n出力形式=1\r\n"));
    frmGraphSet form;
    EXPECT_EQ(form.scaleWeight(), 1000);
    EXPECT_EQ(form.outvalue(), 1);
    EXPECT_EQ(form.outStyle(), 1);
    // A later change of the file is not read again.
    writeIni(QStringLiteral("[グラフ]\r\nスケール=0\r\n"));
    form.Load();
    form.cmdGraphClose_Click();
    EXPECT_EQ(form.scaleWeight(), 1000);
}

TEST_F(GraphSetTest, UnparsableOrEmptyValuesKeepTheFreshMemberNotTheDefault)
{
    writeIni(QStringLiteral("[グラフ]\r\nスケール=abc\r\n出力値=\r\n出力形式=99999\r\n"));
    frmGraphSet form;
    EXPECT_EQ(form.scaleWeight(), 50);
    EXPECT_EQ(form.outvalue(), 0);
    EXPECT_EQ(form.outStyle(), 0);

    writeIni(QStringLiteral("[グラフ]\r\nスケール=\r\n"));
    frmGraphSet empty;
    EXPECT_EQ(empty.scaleWeight(), 50);
}

TEST_F(GraphSetTest, FractionalIndexIsRoundedByTheParser)
{
    writeIni(QStringLiteral("[グラフ]\r\nスケール=3.6\r\n"));
    frmGraphSet form;
    EXPECT_EQ(form.scaleIndex(), 4);
    EXPECT_EQ(form.scaleWeight(), 200);
}

TEST_F(GraphSetTest, OutOfRangeScaleFallsBackToTheDefault)
{
    for (const char *scale : {"9", "-1", "32767"}) {
        writeIni(QStringLiteral("[グラフ]\r\nスケール=%1\r\n出力値=0\r\n出力形式=0\r\n").arg(QLatin1String(scale)));
        frmGraphSet form;
        EXPECT_EQ(form.scaleIndex(), 1) << scale;
        EXPECT_EQ(form.scaleWeight(), 75) << scale;
        // The dialog opens on the fallback value, and OK stores it.
        form.Load();
        EXPECT_EQ(form.cmbScale.ListIndex(), 1);
        form.cmdGraphOK_Click();
        EXPECT_EQ(readBytes(iniFile()), iniBytes("1", "0", "0")) << scale;
    }
}

TEST_F(GraphSetTest, AnyNonZeroChoiceCountsAsTheSecondOptionAsShown)
{
    for (const char *stored : {"2", "-1", "32767"}) {
        writeIni(QStringLiteral("[グラフ]\r\nスケール=4\r\n出力値=%1\r\n出力形式=%1\r\n").arg(QLatin1String(stored)));
        frmGraphSet form;
        // What the data windows draw is what the dialog shows: average, line.
        EXPECT_EQ(form.outvalue(), 1) << stored;
        EXPECT_EQ(form.outStyle(), 1) << stored;
        form.Load();
        EXPECT_TRUE(form.optGraphOutValue(1).Value());
        EXPECT_TRUE(form.optGraphOutStyle(1).Value());
        form.cmdGraphOK_Click();
        EXPECT_EQ(readBytes(iniFile()), iniBytes("4", "1", "1")) << stored;
    }
}

TEST_F(GraphSetTest, ScaleTableLookups)
{
    frmGraphSet form;
    const int expected[] = {50, 75, 100, 150, 200, 300, 500, 750, 1000};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(form.getScaleWeight(std::int16_t(i)), expected[i]);
        EXPECT_EQ(form.getScaleIndexByWeight(std::int16_t(expected[i])), i);
    }
    EXPECT_EQ(form.getScaleIndexByWeight(120), 0);
    EXPECT_EQ(form.getScaleIndexByWeight(0), 0);
    for (std::int16_t bad : {std::int16_t(-1), std::int16_t(9)}) {
        try {
            form.getScaleWeight(bad);
            ADD_FAILURE() << "no error for index " << bad;
        } catch (const platform::RuntimeError &e) {
            EXPECT_EQ(e.Number(), 381);
            EXPECT_EQ(e.Description(), QStringLiteral("プロパティの配列インデックスが無効です。"));
        }
    }
    // The list shows the same table.
    form.Load();
    ASSERT_EQ(form.cmbScale.ListCount(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(form.cmbScale.List(i), QString::number(expected[i]));
    form.cmdGraphClose_Click();
}

TEST_F(GraphSetTest, LoadShowsTheMembersWithApplyDisabled)
{
    writeIni(QStringLiteral("[グラフ]\r\nスケール=6\r\n出力値=1\r\n出力形式=0\r\n"));
    frmGraphSet form;
    form.Load();
    EXPECT_EQ(form.Caption(), QStringLiteral("グラフ設定"));
    EXPECT_EQ(form.cmbScale.ListIndex(), 6);
    EXPECT_FALSE(form.optGraphOutValue(0).Value());
    EXPECT_TRUE(form.optGraphOutValue(1).Value());
    EXPECT_TRUE(form.optGraphOutStyle(0).Value());
    EXPECT_FALSE(form.optGraphOutStyle(1).Value());
    EXPECT_FALSE(form.cmdGraphSet.Enabled());
    EXPECT_EQ(form.cmdGraphSet.Caption(), QStringLiteral("適用"));
    EXPECT_EQ(form.cmdGraphClose.Caption(), QStringLiteral("キャンセル"));
    EXPECT_EQ(form.optGraphOutStyle(1).Caption(), QStringLiteral("折線グラフ"));
    EXPECT_EQ(form.lblGraphOutValue.Caption(), QStringLiteral("日／月別データを出力する場合の出力値を選択します。"));

    // Each kind of change enables apply.
    form.cmbScale.setListIndex(2);
    EXPECT_TRUE(form.cmdGraphSet.Enabled());
    form.cmdGraphSet_Click();
    EXPECT_FALSE(form.cmdGraphSet.Enabled());
    form.optGraphOutStyle(1).setValue(true);
    EXPECT_TRUE(form.cmdGraphSet.Enabled());
    form.cmdGraphSet_Click();
    form.optGraphOutValue(0).setValue(true);
    EXPECT_TRUE(form.cmdGraphSet.Enabled());
    form.cmdGraphClose_Click();
}

TEST_F(GraphSetTest, ApplyWritesAllThreeAndCancelDiscardsUnappliedChanges)
{
    frmGraphSet form;
    form.Load();
    form.cmbScale.setListIndex(3);
    form.optGraphOutValue(1).setValue(true);
    form.optGraphOutStyle(1).setValue(true);
    form.cmdGraphSet_Click();
    EXPECT_EQ(form.scaleWeight(), 150);
    EXPECT_EQ(form.outvalue(), 1);
    EXPECT_EQ(form.outStyle(), 1);
    EXPECT_EQ(readBytes(iniFile()), iniBytes("3", "1", "1"));

    // A change that is not applied, then cancel: nothing written, nothing kept.
    form.cmbScale.setListIndex(8);
    form.optGraphOutValue(0).setValue(true);
    form.cmdGraphClose_Click();
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.scaleWeight(), 150);
    EXPECT_EQ(form.outvalue(), 1);
    EXPECT_EQ(readBytes(iniFile()), iniBytes("3", "1", "1"));

    // The next showing starts from the applied values.
    form.Load();
    EXPECT_EQ(form.cmbScale.ListIndex(), 3);
    EXPECT_TRUE(form.optGraphOutValue(1).Value());
    EXPECT_TRUE(form.optGraphOutStyle(1).Value());
    EXPECT_FALSE(form.cmdGraphSet.Enabled());
    form.cmdGraphClose_Click();

    // A new object reads what was applied.
    frmGraphSet again;
    EXPECT_EQ(again.scaleWeight(), 150);
    EXPECT_EQ(again.outvalue(), 1);
    EXPECT_EQ(again.outStyle(), 1);
}

TEST_F(GraphSetTest, WriteKeepsOtherLinesOfTheFile)
{
    writeIni(QStringLiteral("; メモ\r\n[グラフ]\r\nスケール=2\r\n[他]\r\nx=1\r\n"));
    frmGraphSet form;
    EXPECT_EQ(form.scaleWeight(), 100);
    form.Load();
    form.cmdGraphOK_Click();
    EXPECT_EQ(readBytes(iniFile()),
              toAnsi(QStringLiteral("; メモ\r\n[グラフ]\r\nスケール=2\r\n出力値=0\r\n出力形式=0\r\n[他]\r\nx=1\r\n")));
}

TEST_F(GraphSetTest, ModalShowReturnsAfterOk)
{
    frmGraphSet form;
    bool clicked = false;
    // A person picks the sixth scale with the keyboard and clicks OK.
    QTimer::singleShot(0, &form, [&] {
        clicked = true;
        if (!QTest::qWaitForWindowExposed(form.widget()))
            return;
        QWidget *scale = form.cmbScale.widget();
        scale->setFocus();
        QTest::keyClick(scale, Qt::Key_Home);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(scale, Qt::Key_Down);
        QTest::mouseClick(form.cmdGraphOK.widget(), Qt::LeftButton);
    });
    QTimer::singleShot(5000, &form, [&] {
        if (form.isLoaded()) {
            ADD_FAILURE() << "modal dialog did not close";
            form.Unload();
        }
    });
    form.Show(platform::forms::vbModal);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(form.isLoaded());
    EXPECT_EQ(form.scaleWeight(), 300);
    EXPECT_EQ(readBytes(iniFile()), iniBytes("5", "0", "0"));
}

} // namespace
} // namespace settingstest
