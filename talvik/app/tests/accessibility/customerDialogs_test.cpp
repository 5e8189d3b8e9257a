// The customer dialogs as a screen reader reads them over the accessibility
// bus, each shown modally as the program shows it: the customer pick
// (お客さま名の選択) with its combo, the new customer (お客さま名の登録) and,
// in service mode, the number dialog (お客さま番号の入力) followed by the
// service data window with its named views. Each case checks in process;
// on the X server (x11run.sh --atspi) it reads the same over the bus.
#include "appFixture.h"
#include "atspi.h"
#include "x11window.h"

#include "platform/forms/app.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/app/basMain.h"
#include "talvik/app/frmMain.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/dataview_service/frmDataSrv.h"
#include "talvik/settings/frmImportCustom.h"
#include "talvik/settings/frmImportCustomSrv.h"
#include "talvik/settings/frmNewCustom.h"

#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace talvik;
using talviktest::AtspiNode;
namespace forms = platform::forms;
namespace win = platform::win;

namespace {

QAccessibleInterface *accessible(QWidget *w)
{
    return w ? QAccessible::queryAccessibleInterface(w) : nullptr;
}

// The dialog in process and, on the bus run, over the bus: a modal dialog
// named by its caption.
void expectModalDialog(forms::Form &dialog, const QString &caption, bool bus)
{
    EXPECT_EQ(dialog.Caption(), caption) << "the caption a sighted user reads";
    QAccessibleInterface *w = accessible(dialog.widget());
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->role(), QAccessible::Dialog) << caption.toStdString();
    EXPECT_TRUE(w->state().modal) << caption.toStdString();
    EXPECT_EQ(w->text(QAccessible::Name), caption);
    if (bus) {
        talviktest::expectOnAtspi(caption.toUtf8().constData(), [&](const AtspiNode &tree) {
            const AtspiNode *d = tree.window(QStringLiteral("dialog"), caption);
            return d && d->has(QStringLiteral("modal"));
        });
    }
}

void saveShot(QWidget *window, const QString &file)
{
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        EXPECT_TRUE(window->grab().save(dir + QLatin1Char('/') + file));
    }
}

class CustomerDialogsTest : public RunningProgramFixture {
protected:
    static const AtspiNode *busCombo(const AtspiNode &dialog)
    {
        return dialog.findByName(QStringLiteral("combo box"), QStringLiteral("お客さまの選択"));
    }
};

TEST_F(CustomerDialogsTest, TheCustomerPickIsAModalDialogWhoseClosedComboTellsItsTextAndItems)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    // The customers of the working store the dialog offers.
    for (const char *name : {"Alpha", "Beta", "Gamma"})
        ASSERT_TRUE(QDir().mkpath(home() + QStringLiteral("/dDB.tran/") + QLatin1String(name)));
    ASSERT_NE(importCustomForm, nullptr);
    frmImportCustom &form = *importCustomForm;
    const bool bus = talviktest::atspiBusRun();
    QString custom = QStringLiteral("Beta");
    bool picked = true;
    EXPECT_TRUE(insideModal(
        form,
        [&] {
            expectModalDialog(form, QStringLiteral("お客さま名の選択"), bus);
            QWidget *combo = win::WidgetOfWindow(form.zoComboCustom.host()->controlWindow());
            QAccessibleInterface *c = accessible(combo);
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(c->role(), QAccessible::ComboBox);
            EXPECT_EQ(c->text(QAccessible::Value), QStringLiteral("Beta"));
            EXPECT_FALSE(c->state().expanded);
            saveShot(form.widget(), QStringLiteral("customerPick.png"));
            if (bus)
                talviktest::expectOnAtspi("the pick's closed combo inside the dialog", [&](const AtspiNode &tree) {
                    const AtspiNode *d = tree.window(QStringLiteral("dialog"), QStringLiteral("お客さま名の選択"));
                    const AtspiNode *box = d ? busCombo(*d) : nullptr;
                    return box && box->hasText && box->text == QStringLiteral("Beta")
                           && box->markedItems() == QStringList{"Alpha", "*Beta", "Gamma"};
                });
            QTest::mouseClick(form.cmdCancel.widget(), Qt::LeftButton);
        },
        [&] { picked = programDialogs().importCustom(data, custom, QString()); })) << "the dialog's cancel did not close it";
    EXPECT_FALSE(picked) << "the cancel picked a customer";
    if (bus)
        talviktest::expectOnAtspi("no dialog left", [](const AtspiNode &tree) {
            return !tree.find([](const AtspiNode &n) { return n.has(QStringLiteral("modal")); });
        });
}

TEST_F(CustomerDialogsTest, TheNewCustomerDialogIsAModalDialogNamedByItsCaption)
{
    frmData *data = openDataWindow();
    ASSERT_NE(data, nullptr);
    ASSERT_NE(newCustomForm, nullptr);
    frmNewCustom &form = *newCustomForm;
    const bool bus = talviktest::atspiBusRun();
    EXPECT_TRUE(insideModal(
        form,
        [&] {
            expectModalDialog(form, QStringLiteral("お客さま名の登録"), bus);
            QTest::mouseClick(form.cmdCancel.widget(), Qt::LeftButton);
        },
        [&] { programDialogs().newCustom(data); })) << "the dialog's cancel did not close it";
    // Cancelled, the data window is a frame again and no dialog is left.
    if (bus)
        talviktest::expectOnAtspi("the data window without the dialog", [](const AtspiNode &tree) {
            return tree.window(QStringLiteral("frame"), QStringLiteral("情報データ"))
                   && !tree.find([](const AtspiNode &n) { return n.has(QStringLiteral("modal")); });
        });
}

// ---- service mode ---------------------------------------------------------------

const QString kNumber = QStringLiteral("123456789");

// The program started with an argument (service mode) and an input folder
// with one customer's dedicated CSV and count files.
class ServiceModeAccessibilityTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        const QString input = m_other.path() + QStringLiteral("/input/") + kNumber;
        ASSERT_TRUE(QDir().mkpath(input));
        write(input + QLatin1Char('/') + kNumber + QStringLiteral(".csv"),
              "20240105,1000,0123\r\n20240105,1030,0456\r\n20240105,1100,0078\r\n20240210,0900,0200\r\n");
        write(input + QLatin1Char('/') + kNumber + QStringLiteral("as.csv"),
              "20240105,1000,3,1\r\n20240105,1030,12,4\r\n20240105,1100,-,-\r\n20240210,0900,7,0\r\n");
        write(home() + QStringLiteral("/system2.ini"),
              "[SYSTEM_INFO]\r\nINIT=1\r\nfolder=" + (m_other.path() + QStringLiteral("/input")).toLocal8Bit()
                  + "\r\n");
        forms::App::setCommand(QStringLiteral("srv"));
        // Closing the service window would end the test program's loop.
        frmDataSrv::setProgramEnd([] {});
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        frmDataSrv::setProgramEnd(nullptr);
        forms::App::setCommand(QString());
        srvMode = false;
    }
    void write(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
};

TEST_F(ServiceModeAccessibilityTest, TheNumberDialogThenTheServiceWindowWithItsViewsNamed)
{
    const bool bus = talviktest::atspiBusRun();
    // The number dialog comes up while the start-up loads the service
    // window; it is read and answered from inside its modal loop.
    bool answered = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (answered || !importCustomSrvForm || !importCustomSrvForm->isModal())
            return;
        answered = true;
        poll.stop();
        frmImportCustomSrv &dialog = *importCustomSrvForm;
        if (!QTest::qWaitForWindowExposed(dialog.widget())) {
            ADD_FAILURE() << "the number dialog did not show";
            dialog.Unload();
            return;
        }
        expectModalDialog(dialog, QStringLiteral("お客さま番号の入力"), bus);
        auto *field = qobject_cast<QLineEdit *>(dialog.TxtNum.widget());
        if (!field) {
            ADD_FAILURE() << "the number field is no line edit";
            dialog.Unload();
            return;
        }
        field->setFocus();
        QTest::keyClicks(field, kNumber);
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
    });
    poll.start();
    ASSERT_TRUE(Main()) << "the service mode did not start";
    poll.stop();
    ASSERT_TRUE(answered) << "the number dialog never came up";
    ASSERT_TRUE(srvMode);
    auto *w = dynamic_cast<frmDataSrv *>(dataForm);
    ASSERT_NE(w, nullptr) << "no service window";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w->widget()));
    EXPECT_EQ(w->Caption(), QStringLiteral("情報データ"));
    QAccessibleInterface *frame = accessible(w->widget());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_FALSE(frame->state().modal);
    EXPECT_EQ(frame->text(QAccessible::Name), QStringLiteral("情報データ"));
    EXPECT_EQ(accessible(w->treData().widget())->text(QAccessible::Name), QStringLiteral("お客さま"));
    EXPECT_EQ(accessible(w->mfgData().widget())->text(QAccessible::Name), QStringLiteral("一覧"));
    EXPECT_EQ(accessible(w->lstLogs()->widget())->text(QAccessible::Name), QStringLiteral("操作ログ"));
    saveShot(w->widget(), QStringLiteral("serviceWindow.png"));
    if (!bus)
        GTEST_SKIP() << "no accessibility bus offscreen";
    talviktest::expectOnAtspi("the service window as a frame with its named views", [&](const AtspiNode &tree) {
        const AtspiNode *f = tree.window(QStringLiteral("frame"), QStringLiteral("情報データ"));
        if (!f || f->has(QStringLiteral("modal")))
            return false;
        const AtspiNode *table =
            f->find([](const AtspiNode &n) { return n.hasTable && n.name == QStringLiteral("一覧"); });
        const AtspiNode *treeView = f->find([](const AtspiNode &n) {
            return (n.role == QLatin1String("tree") || n.role == QLatin1String("tree table"))
                   && n.name == QStringLiteral("お客さま");
        });
        const AtspiNode *logs = f->findByName(QStringLiteral("list"), QStringLiteral("操作ログ"));
        // No dialog is left over the window.
        return table && treeView && logs && !tree.window(QStringLiteral("dialog"), QStringLiteral("お客さま番号の入力"));
    });
}

} // namespace
