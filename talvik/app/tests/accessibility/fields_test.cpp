// The fields of the customer-pick dialog, the settings window and the clock
// window as a screen reader reads them: what each field holds and how it is
// described, in process and over the accessibility bus (on X), and which
// changes are told. Events for assistive tools flow only while Qt's bridge
// is active (on X with the bus); offscreen those checks are skipped.
#include "atspi.h"
#include "comboAccessible.h"
#include "settingFixture.h"
#include "settingsFixture.h"
#include "x11window.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmDateTime.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/settings/frmImportCustom.h"

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <tuple>
#include <vector>

using namespace talvik;
using talviktest::AtspiNode;
namespace forms = platform::forms;
namespace win = platform::win;

namespace {

// ---- events told to assistive tools ---------------------------------------------

struct ToldEvent {
    QAccessible::Event type = QAccessible::InvalidEvent;
    QObject *object = nullptr;
    QAccessible::Role role = QAccessible::NoRole;
    QString name;
    QVariant value;    // a value change's new value
    QString inserted;  // a text change's new text
};
std::vector<ToldEvent> *g_told = nullptr;

void recordTold(QAccessibleEvent *event)
{
    QAccessibleInterface *iface = event->accessibleInterface();
    if (!g_told || !iface)
        return;
    ToldEvent e;
    e.type = event->type();
    e.object = iface->object();
    e.role = iface->role();
    e.name = iface->text(QAccessible::Name);
    if (e.type == QAccessible::ValueChanged)
        e.value = static_cast<QAccessibleValueChangeEvent *>(event)->value();
    if (e.type == QAccessible::TextUpdated)
        e.inserted = static_cast<QAccessibleTextUpdateEvent *>(event)->textInserted();
    if (e.type == QAccessible::TextInserted)
        e.inserted = static_cast<QAccessibleTextInsertEvent *>(event)->textInserted();
    g_told->push_back(e);
}

// Takes the events in place of the bridge while it lives.
class ToldRecorder {
public:
    ToldRecorder() : m_active(QAccessible::isActive())
    {
        if (m_active) {
            g_told = &events;
            m_previous = QAccessible::installUpdateHandler(recordTold);
        }
    }
    ~ToldRecorder()
    {
        if (m_active) {
            QAccessible::installUpdateHandler(m_previous);
            g_told = nullptr;
        }
    }
    bool active() const { return m_active; }
    // The changes of text or value told for the object.
    int changesOf(QObject *object) const
    {
        int n = 0;
        for (const ToldEvent &e : events)
            n += e.object == object && isChange(e.type);
        return n;
    }
    static bool isChange(QAccessible::Event type)
    {
        return type == QAccessible::TextUpdated || type == QAccessible::TextInserted || type == QAccessible::TextRemoved
               || type == QAccessible::ValueChanged;
    }
    std::vector<ToldEvent> events;

private:
    bool m_active;
    QAccessible::UpdateHandler m_previous = nullptr;
};

void settle()
{
    QApplication::processEvents();
    win::PumpPostedMessages();
    QApplication::processEvents();
}

QAccessibleInterface *accessibleOf(QWidget *w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

// ---- the customer-pick dialog's combo ---------------------------------------------

class PickComboTest : public settingstest::DialogTest {
protected:
    void SetUp() override
    {
        settingstest::DialogTest::SetUp();
        for (const char *name : {"Alpha", "Beta", "Gamma"})
            makeFolder(QStringLiteral("dDB.tran/") + QLatin1String(name));
    }
    // Shows the form modally as the program does and runs steps inside its
    // modal loop; a form still open after them is closed and reported.
    void runModal(forms::Form &form, const std::function<void()> &steps)
    {
        bool ran = false;
        bool leftOpen = false;
        QTimer::singleShot(0, &form, [&] {
            ran = true;
            if (!QTest::qWaitForWindowExposed(form.widget())) {
                ADD_FAILURE() << "the dialog did not show";
            } else {
                form.widget()->activateWindow();
                (void)QTest::qWaitForWindowActive(form.widget());
                steps();
            }
            settle();
            if (form.isLoaded()) {
                leftOpen = true;
                form.Unload();
            }
        });
        form.Show(forms::vbModal);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(leftOpen) << "the dialog was left open";
    }
    static void press(Qt::Key k)
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "nothing has the keyboard focus";
        QTest::keyClick(focus, k);
        settle();
    }
    static const AtspiNode *busCombo(const AtspiNode &tree)
    {
        return tree.findByName(QStringLiteral("combo box"), QStringLiteral("お客さまの選択"));
    }
};

TEST_F(PickComboTest, TheComboGivesItsTextAsItsOwnAndHoldsItsItemsWhileClosed)
{
    talvik::frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    const bool bus = talviktest::atspiBusRun();
    runModal(form, [&] {
        QWidget *widget = win::WidgetOfWindow(form.zoComboCustom.host()->controlWindow());
        QAccessibleInterface *combo = accessibleOf(widget);
        ASSERT_NE(combo, nullptr);
        ASSERT_EQ(combo->role(), QAccessible::ComboBox);
        // The combo itself offers its text, as its edit field does.
        ASSERT_NE(combo->textInterface(), nullptr) << "the combo has no text of its own";
        EXPECT_EQ(talviktest::comboText(combo), QStringLiteral("Beta"));
        EXPECT_EQ(combo->textInterface()->text(1, 3), QStringLiteral("et"));
        EXPECT_EQ(talviktest::comboEditText(combo), QStringLiteral("Beta"));
        // Closed, the list holds every customer, the chosen one marked, none
        // of them showing.
        ASSERT_FALSE(combo->state().expanded);
        EXPECT_EQ(talviktest::comboItems(combo), (QStringList{"Alpha", "*Beta", "Gamma"}));
        QAccessibleInterface *list = combo->child(1);
        ASSERT_EQ(list->childCount(), 3);
        EXPECT_TRUE(list->state().invisible);
        EXPECT_TRUE(list->child(1)->state().invisible);
        if (bus)
            talviktest::expectOnAtspi("the closed combo's text and items", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && c->hasText && c->text == QStringLiteral("Beta")
                       && c->markedItems() == QStringList{"Alpha", "*Beta", "Gamma"};
            });

        // Another customer picked from the opened list: closed again, the
        // combo's text and the mark follow the pick.
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(10, widget->height() / 2));
        settle();
        press(Qt::Key_F4);
        ASSERT_TRUE(combo->state().expanded) << "F4 did not open the list";
        if (bus)
            talviktest::expectOnAtspi("the open list's items showing", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && c->markedItems() == QStringList{"~Alpha", "~*Beta", "~Gamma"};
            });
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        ASSERT_FALSE(combo->state().expanded);
        ASSERT_EQ(form.zoComboCustom.Text(), QStringLiteral("Gamma"));
        EXPECT_EQ(talviktest::comboText(combo), QStringLiteral("Gamma"));
        EXPECT_EQ(talviktest::comboItems(combo), (QStringList{"Alpha", "Beta", "*Gamma"}));
        if (bus)
            talviktest::expectOnAtspi("the combo's text and mark after the pick", [&](const AtspiNode &tree) {
                const AtspiNode *c = busCombo(tree);
                return c && c->hasText && c->text == QStringLiteral("Gamma")
                       && c->markedItems() == QStringList{"Alpha", "Beta", "*Gamma"};
            });
        press(Qt::Key_Escape);
    });
}

TEST_F(PickComboTest, APickIsToldAsTheCombosOwnTextChanging)
{
    talvik::frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    const bool bus = talviktest::atspiBusRun();
    ToldRecorder recorder;
    if (!bus || !recorder.active())
        GTEST_SKIP() << "Qt tells events only with its bridge active (on X with the bus)";
    runModal(form, [&] {
        QWidget *widget = win::WidgetOfWindow(form.zoComboCustom.host()->controlWindow());
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(10, widget->height() / 2));
        settle();
        recorder.events.clear();
        press(Qt::Key_F4);
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        const QString picked = form.zoComboCustom.Text();
        ASSERT_EQ(picked, QStringLiteral("Beta"));
        bool told = false;
        for (const ToldEvent &e : recorder.events)
            told = told
                   || (e.type == QAccessible::TextUpdated && e.role == QAccessible::ComboBox && e.inserted == picked);
        EXPECT_TRUE(told) << "the combo's own text change was not told";
        press(Qt::Key_Escape);
    });
}

// ---- the settings window ------------------------------------------------------------

class SettingsFieldsTest : public settingtest::SettingFixture {
protected:
    void TearDown() override
    {
        frmDateTime::settingWindow = nullptr;
        settingtest::SettingFixture::TearDown();
    }
    // The node of the spin button of that name on the bus.
    static const AtspiNode *busSpin(const AtspiNode &tree, const QString &name)
    {
        return tree.findByName(QStringLiteral("spin button"), name);
    }
};

TEST_F(SettingsFieldsTest, NumericFieldsAreSpinButtonsWithTheirValueAndTheUnitAndRangeBesideThem)
{
    frmSetting &w = openWith(QString()); // no device: the defaults
    ASSERT_EQ(w.numWatt.Text(), QStringLiteral("180"));
    QAccessibleInterface *watt = accessibleOf(w.numWatt.editor());
    ASSERT_NE(watt, nullptr);
    EXPECT_EQ(watt->role(), QAccessible::SpinBox);
    EXPECT_EQ(watt->text(QAccessible::Name), QStringLiteral("デマンド設定"));
    EXPECT_EQ(watt->text(QAccessible::Description), QStringLiteral("kW　1～999 KW"));
    EXPECT_EQ(watt->text(QAccessible::Value), QStringLiteral("180"));
    QAccessibleValueInterface *value = watt->valueInterface();
    ASSERT_NE(value, nullptr) << "the demand field has no value";
    EXPECT_EQ(value->currentValue().toDouble(), 180.0);
    EXPECT_EQ(value->minimumValue().toDouble(), 1.0);
    EXPECT_EQ(value->maximumValue().toDouble(), 999.0);
    ASSERT_NE(watt->textInterface(), nullptr);
    EXPECT_EQ(watt->textInterface()->text(0, -1), QStringLiteral("180"));
    // Each field by its own labels; the skip time's range follows the model.
    EXPECT_EQ(accessibleOf(w.numSkipTime.editor())->text(QAccessible::Description), QStringLiteral("分　5～15分"));
    EXPECT_EQ(accessibleOf(w.numPulseF2.editor())->text(QAccessible::Description), QStringLiteral("/ 5　5 ～ 500"));
    EXPECT_EQ(accessibleOf(w.numWLevel2.editor())->text(QAccessible::Description), QStringLiteral("%　70 ～ 100"));
    w.modelCode = 5;
    w.applySkipTimeRange();
    EXPECT_EQ(accessibleOf(w.numSkipTime.editor())->text(QAccessible::Description), QStringLiteral("分　3～15分"));
    EXPECT_EQ(w.lblSkipComment.Caption(), QStringLiteral("3　～　15分")) << "the label a sighted user reads";
    w.modelCode = 0;
    w.applySkipTimeRange();
    // The arrows are named by what they show; the version's title box by
    // its caption.
    EXPECT_EQ(accessibleOf(w.numWatt.upButton())->text(QAccessible::Name), QStringLiteral("上矢印"));
    EXPECT_EQ(accessibleOf(w.numWatt.downButton())->text(QAccessible::Name), QStringLiteral("下矢印"));
    EXPECT_EQ(accessibleOf(w.TxtTitle.widget())->text(QAccessible::Name), QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ"));
    EXPECT_EQ(w.TxtTitle.Text(), QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ：")) << "the caption stays as it is";

    // The up arrow clicked: the value on the spin button follows.
    QTest::mouseClick(w.numWatt.upButton(), Qt::LeftButton);
    AppFixture::pump(50);
    ASSERT_EQ(w.numWatt.Text(), QStringLiteral("181"));
    EXPECT_EQ(value->currentValue().toDouble(), 181.0);
    // An emptied field has no value.
    type(w.numWatt, QString());
    EXPECT_FALSE(value->currentValue().isValid());
    type(w.numWatt, QStringLiteral("180"));
    AppFixture::pump(50);

    screenshot(QStringLiteral("fields_settings.png"));
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the demand spin button with its value and description", [](const AtspiNode &tree) {
        const AtspiNode *spin = busSpin(tree, QStringLiteral("デマンド設定"));
        return spin && spin->description == QStringLiteral("kW　1～999 KW") && spin->hasValue && spin->value == 180
               && spin->hasText && spin->text == QStringLiteral("180");
    });
    // A screen reader's Increase goes in as the up arrow's click: the
    // window steps the value, and the bus shows it.
    QString error;
    EXPECT_TRUE(talviktest::doAtspiAction(QStringLiteral("spin button"), QStringLiteral("デマンド設定"),
                                          QStringLiteral("Increase"), &error))
        << error.toStdString();
    EXPECT_TRUE(AppFixture::waitFor([&] { return w.numWatt.Text() == QStringLiteral("181"); }, 3000))
        << w.numWatt.Text().toStdString();
    talviktest::expectOnAtspi("the stepped demand", [](const AtspiNode &tree) {
        const AtspiNode *spin = busSpin(tree, QStringLiteral("デマンド設定"));
        return spin && spin->hasValue && spin->value == 181 && spin->text == QStringLiteral("181");
    });
    talviktest::expectOnAtspi("the named arrows and the version's title", [](const AtspiNode &tree) {
        const int ups = int(tree.findAll([](const AtspiNode &n) {
                                   return n.role == QLatin1String("push button") && n.name == QStringLiteral("上矢印");
                               }).size());
        const int downs = int(tree.findAll([](const AtspiNode &n) {
                                     return n.role == QLatin1String("push button") && n.name == QStringLiteral("下矢印");
                                 }).size());
        const AtspiNode *title = tree.find([](const AtspiNode &n) {
            return n.name == QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ") && n.hasText && n.text == QStringLiteral("型式/ﾊﾞｰｼﾞｮﾝ：");
        });
        // Four numeric fields show at the layout without a device.
        return ups == 4 && downs == 4 && title;
    });
}

TEST_F(SettingsFieldsTest, ValuesTheProgramPutsInAreToldAsValueAndTextChanges)
{
    const bool bus = talviktest::atspiBusRun();
    ToldRecorder recorder;
    if (!bus || !recorder.active())
        GTEST_SKIP() << "Qt tells events only with its bridge active (on X with the bus)";
    connectDevice(devicesim::Model::T4KB);
    mainForm->cmdSetting.setValue(true);
    frmSetting &w = window();
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(w.widget()));
    const QString before = w.numWatt.Text();
    const QByteArray stored = m_sim->device().settingsText();
    const QString demand = QString::number(stored.left(4).toInt() / 10);
    ASSERT_NE(demand, before) << "the device holds the demand the window shows; the read would change nothing";

    // A read from the device.
    recorder.events.clear();
    expectBox(QStringLiteral("読み込みは正常に終了しました。"), forms::vbInformation);
    w.tlbSetting.clickButton(QStringLiteral("ReadSetting"));
    ASSERT_TRUE(waitForBoxes());
    AppFixture::pump(50);
    ASSERT_EQ(w.numWatt.Text(), demand);
    QLineEdit *editor = w.numWatt.editor();
    bool valueTold = false;
    bool textTold = false;
    for (const ToldEvent &e : recorder.events) {
        if (e.object != editor)
            continue;
        valueTold = valueTold
                    || (e.type == QAccessible::ValueChanged && e.role == QAccessible::SpinBox
                        && e.name == QStringLiteral("デマンド設定") && e.value.toDouble() == demand.toDouble());
        textTold = textTold || (e.type == QAccessible::TextUpdated && e.inserted == demand);
    }
    EXPECT_TRUE(valueTold) << "the read demand was not told as the spin button's value";
    EXPECT_TRUE(textTold) << "the read demand was not told as the field's text";

    // New defaults put in by the program are told the same way; a field
    // whose value stays tells nothing.
    recorder.events.clear();
    w.mnuNew_Click();
    AppFixture::pump(50);
    ASSERT_EQ(w.numWatt.Text(), QStringLiteral("180"));
    EXPECT_GE(recorder.changesOf(editor), 1) << "the defaults' demand was not told";
    recorder.events.clear();
    w.numWatt.setValue(180);
    AppFixture::pump(50);
    EXPECT_EQ(recorder.changesOf(editor), 0) << "an unchanged demand was told";
}

// ---- the clock window ---------------------------------------------------------------

class ClockFieldsTest : public RunningProgramFixture {
protected:
    frmDateTime *openClock()
    {
        QTest::mouseClick(mainForm->cmdDate.widget(), Qt::LeftButton);
        pump(50);
        auto *clock = static_cast<frmDateTime *>(clockForm);
        EXPECT_NE(clock, nullptr) << "the clock window did not open";
        if (clock) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(clock->widget()));
        }
        return clock;
    }
    // The clock's input of that name on the bus ("text" or "entry").
    static const AtspiNode *busField(const AtspiNode &tree, const QString &name)
    {
        return tree.find([&](const AtspiNode &n) {
            return (n.role == QLatin1String("text") || n.role == QLatin1String("entry")) && n.name == name;
        });
    }
};

// The clock's fields have no unit or range labels beside them: each is
// described by the caption a sighted user reads over its pair, the label
// "検出器の日付" over the device's fields and the frame's title
// "パソコン日付" around the PC's.
TEST_F(ClockFieldsTest, EachFieldIsDescribedByTheCaptionOverItsPair)
{
    frmDateTime *clock = openClock();
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->lblMonitor.Caption(), QStringLiteral("検出器の日付")) << "the label a sighted user reads";
    EXPECT_EQ(clock->Frame1.Caption(), QStringLiteral("パソコン日付"));
    // name, description
    const std::vector<std::tuple<forms::Control *, QString, QString>> fields{
        {&clock->zoDateMonitor, QStringLiteral("検出器の日付"), QStringLiteral("検出器の日付")},
        {&clock->zoTimeMonitor, QStringLiteral("検出器の日付 時刻"), QStringLiteral("検出器の日付")},
        {&clock->zoDateHostDate, QStringLiteral("パソコン日付"), QStringLiteral("パソコン日付")},
        {&clock->zoTimeHostTime, QStringLiteral("パソコン日付 時刻"), QStringLiteral("パソコン日付")}};
    for (const auto &[control, name, description] : fields) {
        QAccessibleInterface *field = accessibleOf(control->widget());
        ASSERT_NE(field, nullptr) << control->Name().toStdString();
        EXPECT_EQ(field->text(QAccessible::Name), name) << control->Name().toStdString();
        EXPECT_EQ(field->text(QAccessible::Description), description) << control->Name().toStdString();
    }
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        EXPECT_TRUE(clock->widget()->grab().save(dir + QStringLiteral("/clock_described.png")));
    }
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the clock's fields with their descriptions", [&](const AtspiNode &tree) {
        for (const auto &[control, name, description] : fields) {
            const AtspiNode *field = busField(tree, name);
            if (!field || field->description != description)
                return false;
        }
        return true;
    });
}

// What a screen reader hears of the PC's fields while the window refreshes
// them ten times a second: nothing of the date, whose text stays, and the
// time's changes, once a second.
TEST_F(ClockFieldsTest, OverTheBusOnlyTheRunningTimeTellsItsTextChanging)
{
    frmDateTime *clock = openClock();
    ASSERT_NE(clock, nullptr);
    if (!talviktest::atspiBusRun())
        GTEST_SKIP() << "no accessibility bus offscreen";
    // The fields are on the bus before the listening starts.
    ASSERT_TRUE(talviktest::expectOnAtspi("the clock's fields", [](const AtspiNode &tree) {
        return busField(tree, QStringLiteral("パソコン日付")) && busField(tree, QStringLiteral("パソコン日付 時刻"));
    }));
    const QString shownDate = clock->zoDateHostDate.displayText();
    const QDate day = QDate::currentDate();
    QList<talviktest::AtspiEvent> heard;
    QString error;
    ASSERT_TRUE(talviktest::listenOnAtspi({QStringLiteral("object:text-changed")}, 2000, &heard, &error))
        << error.toStdString();
    if (QDate::currentDate() != day)
        GTEST_SKIP() << "the date changed meanwhile";
    ASSERT_EQ(clock->zoDateHostDate.displayText(), shownDate);
    QStringList all;
    auto count = [&](const QString &name, const QString &type) {
        int n = 0;
        for (const talviktest::AtspiEvent &e : heard)
            n += e.name == name && e.type.startsWith(type);
        return n;
    };
    for (const talviktest::AtspiEvent &e : heard)
        all << QStringLiteral("%1 [%2] \"%3\" \"%4\"").arg(e.type, e.role, e.name, e.text);
    const std::string told = all.join(QLatin1Char('\n')).toStdString();
    const QString change = QStringLiteral("object:text-changed");
    EXPECT_EQ(count(QStringLiteral("パソコン日付"), change), 0) << "the unchanged date was told:\n" << told;
    EXPECT_EQ(count(QStringLiteral("検出器の日付"), change), 0) << told;
    EXPECT_EQ(count(QStringLiteral("検出器の日付 時刻"), change), 0) << told;
    // The time's text changes once a second: two seconds tell two or three
    // new texts, not one for each refresh.
    const int times = count(QStringLiteral("パソコン日付 時刻"), QStringLiteral("object:text-changed:insert"));
    EXPECT_GE(times, 1) << "the running time was not told:\n" << told;
    EXPECT_LE(times, 3) << "the time was told more often than its text changed:\n" << told;
}

TEST_F(ClockFieldsTest, ThePcFieldsTellAChangeOnlyWhenTheirTextChanges)
{
    QTest::mouseClick(mainForm->cmdDate.widget(), Qt::LeftButton);
    pump(50);
    ASSERT_NE(clockForm, nullptr) << "the clock window did not open";
    auto *clock = static_cast<frmDateTime *>(clockForm);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(clock->widget()));
    QWidget *date = clock->zoDateHostDate.widget();
    QWidget *time = clock->zoTimeHostTime.widget();
    const QString shownDate = clock->zoDateHostDate.displayText();
    pump(300);
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!dir.isEmpty()) {
        QDir().mkpath(dir);
        EXPECT_TRUE(clock->widget()->grab().save(dir + QStringLiteral("/fields_clock.png")));
    }
    const bool bus = talviktest::atspiBusRun();
    ToldRecorder recorder;
    if (!bus || !recorder.active())
        GTEST_SKIP() << "Qt tells events only with its bridge active (on X with the bus)";
    // Two seconds of the window refreshing its PC fields ten times a second.
    const QDate day = QDate::currentDate();
    pump(2000);
    if (QDate::currentDate() != day)
        GTEST_SKIP() << "the date changed meanwhile";
    ASSERT_EQ(clock->zoDateHostDate.displayText(), shownDate);
    EXPECT_EQ(recorder.changesOf(date), 0) << "the unchanged date was told";
    // The time's text changes once a second: two seconds tell two or three
    // changes, not one for each refresh.
    const int timeChanges = recorder.changesOf(time);
    EXPECT_GE(timeChanges, 1) << "the running time was not told";
    EXPECT_LE(timeChanges, 3) << "the time was told more often than its text changed";
}

} // namespace
