// The settings inputs: the validation matrix of collectSettingInputs, the
// record formats, highlighting, spin buttons and the checks when a field is
// left, all through typed keys and clicks.
#include "settingFixture.h"

#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>
#include <QToolButton>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;

namespace {

const QString kDemandRange = QStringLiteral("デマンドは　1 ～ 999　の範囲で設定して下さい。");
const QString kSkipRange5 = QStringLiteral("スキップタイムは　5 ～ 15　の範囲で設定して下さい。");
const QString kSkipRange3 = QStringLiteral("スキップタイムは　3 ～ 15　の範囲で設定して下さい。");
const QString kCtRange = QStringLiteral("ＣＴ比は　5 ～ 500　の範囲で設定して下さい。");
const QString kCautionRange = QStringLiteral("注意レベルは　70 ～ 100　の範囲で設定して下さい。");
const QString kCustomerDigits = QStringLiteral("お客さま番号は　９桁　です。");

class InputsTest : public SettingFixture {
protected:
    // One case of the matrix: the field typed, then the collection. A
    // refused value shows `message`, clears the field, paints it red and
    // takes the focus; an accepted one reaches the record.
    void refused(frmSetting &w, fm::SpinNumberInput &field, const QString &typed, const QString &message)
    {
        SCOPED_TRACE(typed.toStdString());
        type(field, typed);
        // The CT and caution fields are only checked here: leave them first,
        // so that the focus has to come back. (Leaving the demand or skip
        // time has its own check, tested below.)
        if (&field == &w.numPulseF2 || &field == &w.numWLevel2)
            w.txtCustomerID.widget()->setFocus(Qt::OtherFocusReason);
        expectBox(message, fm::vbExclamation);
        EXPECT_FALSE(w.collectSettingInputs());
        EXPECT_TRUE(field.IsNull());
        EXPECT_EQ(field.BackColor(), colorInvalid);
        EXPECT_TRUE(field.editor()->hasFocus());
        EXPECT_TRUE(m_script->verify());
    }
    void accepted(frmSetting &w, fm::SpinNumberInput &field, const QString &typed)
    {
        SCOPED_TRACE(typed.toStdString());
        type(field, typed);
        EXPECT_TRUE(w.collectSettingInputs());
        EXPECT_TRUE(m_script->verify());
    }
    // Leaves whatever field has the focus without a check of it.
    void resetFields(frmSetting &w)
    {
        w.numWatt.setValue(180);
        w.numSkipTime.setValue(10);
        w.numPulseF2.setValue(100);
        w.numWLevel2.setValue(80);
        w.txtCustomerID.setText(QStringLiteral("123456789"));
    }
};

} // namespace

TEST_F(InputsTest, DemandSkipCtAndCautionMatrix)
{
    frmSetting &w = openWith(kT4kb);
    w.Show();
    resetFields(w);
    refused(w, w.numWatt, QStringLiteral("0"), kDemandRange);
    resetFields(w);
    accepted(w, w.numWatt, QStringLiteral("1"));
    EXPECT_EQ(w.dataS()->watt(), QStringLiteral("0010"));
    EXPECT_EQ(w.dataSA()->watt(), QStringLiteral("0010"));
    accepted(w, w.numWatt, QStringLiteral("999"));
    EXPECT_EQ(w.dataSB()->watt(), QStringLiteral("9990"));
    refused(w, w.numWatt, QStringLiteral("1000"), kDemandRange);
    EXPECT_EQ(w.dataSA()->watt().size(), 4); // never a short or long field
    refused(w, w.numWatt, QString(), kDemandRange);
    resetFields(w);

    // Skip time 3 is refused outside the T6KA.
    refused(w, w.numSkipTime, QStringLiteral("3"), kSkipRange5);
    resetFields(w);
    accepted(w, w.numSkipTime, QStringLiteral("5"));
    EXPECT_EQ(w.dataSA()->skip(), QStringLiteral("05"));

    // CT primary and caution level are checked as well.
    refused(w, w.numPulseF2, QStringLiteral("4"), kCtRange);
    resetFields(w);
    accepted(w, w.numPulseF2, QStringLiteral("5"));
    EXPECT_EQ(w.dataSA()->pulseF(), QStringLiteral("005"));
    accepted(w, w.numPulseF2, QStringLiteral("500"));
    EXPECT_EQ(w.dataSB()->pulseF(), QStringLiteral("500"));
    refused(w, w.numPulseF2, QStringLiteral("501"), kCtRange);
    refused(w, w.numPulseF2, QString(), kCtRange);
    EXPECT_EQ(w.dataSA()->pulseF(), QStringLiteral("500"));
    resetFields(w);
    refused(w, w.numWLevel2, QStringLiteral("69"), kCautionRange);
    resetFields(w);
    accepted(w, w.numWLevel2, QStringLiteral("70"));
    EXPECT_EQ(w.dataSA()->w_level(), QStringLiteral("070"));
    accepted(w, w.numWLevel2, QStringLiteral("100"));
    EXPECT_EQ(w.dataSB()->w_level(), QStringLiteral("100"));
    refused(w, w.numWLevel2, QStringLiteral("101"), kCautionRange);
}

TEST_F(InputsTest, SkipTimeThreeIsTakenOnT6ka)
{
    frmSetting &w = openWith(kT6ka);
    w.Show();
    resetFields(w);
    accepted(w, w.numSkipTime, QStringLiteral("3"));
    EXPECT_EQ(w.dataSB()->skip(), QStringLiteral("03"));
    refused(w, w.numSkipTime, QStringLiteral("2"), kSkipRange3);
    resetFields(w);
    refused(w, w.numSkipTime, QStringLiteral("16"), kSkipRange3);
}

TEST_F(InputsTest, CustomerNumberOfNineDigitsOrNone)
{
    frmSetting &w = openWith(kT4ka10);
    w.Show();
    resetFields(w);
    type(w.txtCustomerID, QStringLiteral("12345678"));
    w.numWatt.editor()->setFocus(Qt::OtherFocusReason);
    expectBox(kCustomerDigits, fm::vbCritical);
    EXPECT_FALSE(w.collectSettingInputs());
    EXPECT_EQ(w.txtCustomerID.BackColor(), colorInvalid);
    EXPECT_TRUE(w.txtCustomerID.widget()->hasFocus());
    // Letters never get in; a tenth digit neither.
    type(w.txtCustomerID, QStringLiteral("12a345678901"));
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("123456789"));
    EXPECT_TRUE(w.collectSettingInputs());
    ASSERT_EQ(w.dataC()->count(), 1);
    EXPECT_EQ(w.dataC()->customer(), QStringLiteral("123456789"));
    type(w.txtCustomerID, QString());
    EXPECT_TRUE(w.collectSettingInputs());
    EXPECT_EQ(w.dataC()->count(), 0);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(InputsTest, ChangedValuesAreYellowUntilTheyMatchAgain)
{
    frmSetting &w = openWith(kT4ka10);
    w.Show();
    resetFields(w);
    w.SetPreData();
    type(w.numWatt, QStringLiteral("250"));
    EXPECT_EQ(w.numWatt.BackColor(), colorChanged);
    type(w.numWatt, QStringLiteral("180"));
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);
    type(w.txtCustomerID, QStringLiteral("987654321"));
    EXPECT_EQ(w.txtCustomerID.BackColor(), colorChanged);
    type(w.txtCustomerID, QStringLiteral("123456789"));
    EXPECT_EQ(w.txtCustomerID.BackColor(), colorWhite);
    // Option groups: the clicked button turns yellow when it differs.
    QTest::mouseClick(w.optWattButtons(3).widget(), Qt::LeftButton);
    EXPECT_EQ(w.dataS()->pulseF(), QStringLiteral("3"));
    EXPECT_EQ(w.optWattButtons(3).BackColor(), colorChanged);
    QTest::mouseClick(w.optWattButtons(0).widget(), Qt::LeftButton);
    EXPECT_EQ(w.optWattButtons(3).BackColor(), colorButtonFace);
    EXPECT_EQ(w.optWattButtons(0).BackColor(), w.prePulseF == QStringLiteral("0") ? colorButtonFace : colorChanged);
    QTest::mouseClick(w.optWinterval1Buttons(1).widget(), Qt::LeftButton);
    QTest::mouseClick(w.optRumbleButtons(2).widget(), Qt::LeftButton);
    EXPECT_EQ(w.dataS()->w_interval1(), QStringLiteral("1"));
    EXPECT_EQ(w.dataS()->rumble(), QStringLiteral("2"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(InputsTest, SpinButtonsStayInsideTheRange)
{
    frmSetting &w = openWith(kT4kb);
    w.Show();
    w.numPulseF2.setValue(495);
    QTest::mouseClick(w.numPulseF2.upButton(), Qt::LeftButton);
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("500"));
    QTest::mouseClick(w.numPulseF2.upButton(), Qt::LeftButton);
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("500"));
    w.numPulseF2.setValue(498);
    QTest::mouseClick(w.numPulseF2.upButton(), Qt::LeftButton); // 503 would pass 500
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("498"));
    w.numSkipTime.setValue(5);
    QTest::mouseClick(w.numSkipTime.downButton(), Qt::LeftButton);
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("5"));
    QTest::mouseClick(w.numSkipTime.upButton(), Qt::LeftButton);
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("6"));
    EXPECT_EQ(w.dataSA()->skip(), QStringLiteral("06"));
    w.numWatt.editor()->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(w.numWatt.editor(), Qt::Key_Up);
    EXPECT_EQ(w.dataS()->watt().left(3).toInt(), int(w.numWatt.Value()));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(InputsTest, LeavingAnInvalidFieldTellsTheRangeOnceAndKeepsTheFocus)
{
    frmSetting &w = openWith(kT4kb);
    w.Show();
    // On a display the focus follows only once the window manager has
    // activated the window.
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.widget()));
    resetFields(w);
    // Demand emptied, then the skip time (also emptied) clicked: one box,
    // the demand keeps the focus, the skip time is not checked meanwhile.
    w.numSkipTime.setNull();
    type(w.numWatt, QString());
    expectBox(kDemandRange, fm::vbExclamation);
    QTest::mouseClick(w.numSkipTime.editor(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.numWatt.editor()->hasFocus());
    EXPECT_TRUE(w.numWatt.IsNull());
    EXPECT_TRUE(m_script->verify());
    // Out of range: cleared.
    type(w.numWatt, QStringLiteral("1200"));
    expectBox(kDemandRange, fm::vbExclamation);
    QTest::keyClick(w.numWatt.editor(), Qt::Key_Return);
    EXPECT_TRUE(w.numWatt.IsNull());
    // A refused key: the message, the text kept.
    type(w.numWatt, QStringLiteral("12"));
    expectBox(kDemandRange, fm::vbExclamation);
    QTest::keyClick(w.numWatt.editor(), Qt::Key_K);
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("12"));
    EXPECT_TRUE(w.numWatt.editor()->hasFocus());
    // A valid value leaves quietly.
    QTest::keyClick(w.numWatt.editor(), Qt::Key_Tab);
    EXPECT_TRUE(m_script->verify());
}

// Alt (or F10) for the menu bar does not leave a field: no range message,
// the menu bar is taken up, and Escape gives the field its focus back. The
// field left by Tab then tells its range once.
TEST_F(InputsTest, AltForTheMenuBarIsNotLeavingAField)
{
    frmSetting &w = openWith(kT4kb);
    w.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.widget()));
    resetFields(w);
    type(w.numWatt, QStringLiteral("1200"));
    QMenuBar *bar = w.menuBar();
    for (Qt::Key key : {Qt::Key_Alt, Qt::Key_F10}) {
        SCOPED_TRACE(key == Qt::Key_Alt ? "Alt" : "F10");
        ASSERT_TRUE(w.numWatt.editor()->hasFocus());
        QTest::keyClick(w.numWatt.editor(), key, key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier);
        EXPECT_TRUE(bar->hasFocus());
        EXPECT_EQ(bar->activeAction(), w.mnuFile.action());
        EXPECT_EQ(m_script->shown().size(), 0) << "a range message for the menu bar";
        QTest::keyClick(bar, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return w.numWatt.editor()->hasFocus(); }, 2000));
    }
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("1200"));
    expectBox(kDemandRange, fm::vbExclamation);
    QTest::keyClick(w.numWatt.editor(), Qt::Key_Tab);
    QTest::qWait(50);
    EXPECT_EQ(m_script->shown().size(), 1);
    EXPECT_TRUE(w.numWatt.editor()->hasFocus());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(InputsTest, FractionalDemandIsRoundedOnceForRecordLogAndReport)
{
    frmSetting &w = openWith(kT4kb);
    w.txtCustomerID.setText(QStringLiteral("123456789"));
    // A demand of 18.5 kW as a record carries it, pushed by fire.
    w.dataSA()->setWatt(QStringLiteral("0185"));
    ASSERT_TRUE(w.dataSA()->fire());
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("19"));
    EXPECT_EQ(w.dataSA()->watt(), QStringLiteral("0190"));
    EXPECT_EQ(w.dataS()->watt(), QStringLiteral("0190"));
    EXPECT_EQ(w.demandText(), QStringLiteral("19.0KW"));
    EXPECT_TRUE(w.settingsLogLine().contains(QStringLiteral(", デマンド:19.0KW, ")));
    // Halves round away from zero, below them down.
    w.dataSA()->setWatt(QStringLiteral("0184"));
    ASSERT_TRUE(w.dataSA()->fire());
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("18"));
    EXPECT_EQ(w.dataSB()->watt(), QStringLiteral("0180"));
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);
}

TEST_F(InputsTest, LogLineOfEachLayout)
{
    frmSetting &w = openWith(kT4ka10);
    w.txtCustomerID.setText(QStringLiteral("123456789"));
    w.numWatt.setValue(85);
    w.numSkipTime.setValue(7);
    QTest::mouseClick(w.optWattButtons(3).widget(), Qt::LeftButton);
    QTest::mouseClick(w.optWlevelButtons(1).widget(), Qt::LeftButton);
    EXPECT_EQ(w.settingsLogLine(), QStringLiteral("設定変更 お客さま番号:123456789, デマンド:85.0KW, 電力計:500/5, "
                                                  "スキップタイム:7分, 注意レベル:80%"));
    ASSERT_TRUE(w.Unload());
    frmSetting &v = openWith(kT6ka);
    v.txtCustomerID.setText(QStringLiteral("000000001"));
    v.numWatt.setValue(180);
    v.numPulseF2.setValue(200);
    v.numSkipTime.setValue(3);
    v.numWLevel2.setValue(85);
    QTest::mouseClick(v.optPulButtons(1).widget(), Qt::LeftButton);
    EXPECT_EQ(v.settingsLogLine(), QStringLiteral("設定変更 お客さま番号:000000001, デマンド:180.0KW, 電力計:200/5, "
                                                  "スキップタイム:3分, 注意レベル:85%, パルス定数:2000"));
}
