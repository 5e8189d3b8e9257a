// The customer-pick dialog shown modally as the program shows it (before a
// detector read and before a CSV import), with many customers, used with the
// mouse: the dropped list takes clicks, scrolls with the wheel and its scroll
// bar, closes on a click outside, and the edit field takes a pasted name.
//
// Mouse input goes the way the window system delivers it (through the
// widget's window, where Qt applies the modal dialog's blocking), not
// straight to the widget.
#define QTEST_QPA_MOUSE_HANDLING
#include "settingsFixture.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/core/basComVariables.h"
#include "talvik/dataview/frmData.h"
#include "talvik/settings/frmImportCustom.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>

#include <functional>

namespace settingstest {
namespace {

using namespace platform::forms;
namespace win = platform::win;

constexpr int kCustomers = 36;
// Rows the list shows at once (the combo's MaxDropDownItems).
constexpr int kShownRows = 8;
// Rows one wheel notch scrolls.
constexpr int kWheelRows = 3;

// The window the dialog is shown over, as the data window owns it.
class OwnerForm : public Form {
protected:
    void designForm() override
    {
        setCaption(QStringLiteral("データ"));
        setDesignSize(9000, 6000);
    }
};

class ImportCustomModalTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        for (int i = 1; i <= kCustomers; ++i)
            makeFolder(QStringLiteral("dDB.tran/お客さま%1").arg(i, 2, 10, QLatin1Char('0')));
        talvik::importCustomForm = &dialog;
        owner.Show();
    }
    void TearDown() override
    {
        talvik::importCustomForm = nullptr;
        if (dialog.isLoaded())
            dialog.Unload();
        owner.Unload();
        DialogTest::TearDown();
    }

    // Opens the dialog through the program's own path and runs steps while
    // its modal loop runs; answers whether a customer was confirmed.
    bool pick(const std::function<void()> &steps)
    {
        bool ran = false;
        auto *poll = new QTimer;
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, [&, poll] {
            if (!dialog.isModal() || !dialog.widget()->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            if (QTest::qWaitForWindowExposed(dialog.widget())) {
                m_combo = dialog.zoComboCustom.host()->controlWindow();
                steps();
            } else {
                ADD_FAILURE() << "the dialog never showed";
            }
            ran = true;
            if (dialog.isLoaded())
                dialog.cmdCancel_Click();
        });
        poll->start();
        // Nothing may wait forever on a dialog the steps left open.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [this] {
            ADD_FAILURE() << "the modal dialog did not close";
            if (dialog.isLoaded())
                dialog.Unload();
        });
        watchdog.start(60000);
        m_custom.clear();
        const bool confirmed = talvik::programDialogs().importCustom(&owner, m_custom, QString());
        EXPECT_TRUE(ran);
        return confirmed;
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QApplication::processEvents();
            win::PumpPostedMessages();
        }
    }
    QWidget *comboWidget() const { return win::WidgetOfWindow(m_combo); }
    win::HWND listWindow() const
    {
        return static_cast<win::HWND>(win::SendMessageA(m_combo, zobase7::ZOM_GETLISTWINDOW, 0, 0));
    }
    QWidget *listWidget() const { return win::WidgetOfWindow(listWindow()); }
    bool listShown() const { return win::IsWindowVisible(listWindow()) && listWidget()->isVisible(); }
    QStringList contents()
    {
        QStringList out;
        for (int i = 0; i < dialog.zoComboCustom.Items().Count(); ++i)
            out << dialog.zoComboCustom.Items().Item(i).Content();
        return out;
    }
    void clickDropButton()
    {
        QTest::mouseClick(comboWidget(), Qt::LeftButton, {}, QPoint(comboWidget()->width() - 4, comboWidget()->height() / 2));
        settle();
    }
    // The middle of the list's shown row r (0 = the top row shown).
    QPoint rowPoint(int r) const
    {
        const int height = (listWidget()->height() - 2) / kShownRows;
        return QPoint(20, 1 + r * height + height / 2);
    }
    void clickRow(int r)
    {
        QTest::mouseClick(listWidget(), Qt::LeftButton, {}, rowPoint(r));
        settle();
    }
    // Turns the wheel over the list by notches (negative: towards the user,
    // scrolling down), delivered through the list's window.
    void wheel(int notches)
    {
        QWindow *window = listWidget()->windowHandle();
        ASSERT_NE(window, nullptr);
        const QPointF at(rowPoint(2));
        for (int i = 0; i < std::abs(notches); ++i) {
            QWheelEvent event(at, window->mapToGlobal(at), QPoint(), QPoint(0, notches > 0 ? 120 : -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(window, &event);
            settle();
        }
    }
    // The screen's picture of the dialog and the dropped list (what the
    // window system shows, stacking included), saved for the build's artifacts.
    QImage screenShot(const QString &name, const QRect &also = QRect())
    {
        QRect area = dialog.widget()->frameGeometry().united(also);
        if (listShown())
            area = area.united(listWidget()->geometry());
        area.adjust(-4, -4, 4, 4);
        QImage shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
        const QString artifacts = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
        if (!artifacts.isEmpty() && QDir().mkpath(artifacts))
            shot.save(artifacts + QStringLiteral("/%1-%2.png").arg(name, QGuiApplication::platformName()));
        return shot.convertToFormat(QImage::Format_RGB32);
    }
    // True when the screen shows the list's own picture where the list is:
    // no other window covers it. The window system may take a moment to map
    // and paint the list on a loaded machine, so the screen is asked again
    // for up to two seconds.
    bool listOnTopOnScreen() const
    {
        for (int i = 0; i < 100; ++i) {
            if (listOnTopOnScreenNow())
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    bool listOnTopOnScreenNow() const
    {
        if (QGuiApplication::platformName() == QLatin1String("offscreen"))
            return true; // no window system stacks windows there
        const QRect area = listWidget()->geometry();
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        const QImage own = listWidget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        if (screen.size() != own.size())
            return false;
        int differ = 0;
        for (int y = 0; y < own.height(); ++y)
            for (int x = 0; x < own.width(); ++x)
                differ += screen.pixel(x, y) != own.pixel(x, y);
        return differ < own.width() * own.height() / 50;
    }

    talvik::frmImportCustom dialog;
    OwnerForm owner;
    win::HWND m_combo = 0;
    QString m_custom;
};

TEST_F(ImportCustomModalTest, ARowClickedInTheDroppedListPicksThatCustomer)
{
    DialogScript script;
    script.answerNext(vbOK);
    QString chosen;
    const bool confirmed = pick([&] {
        ASSERT_TRUE(dialog.widget()->windowModality() == Qt::ApplicationModal);
        const QStringList list = contents();
        ASSERT_EQ(list.size(), kCustomers);
        clickDropButton();
        ASSERT_TRUE(listShown()) << "the button drops the list";
        EXPECT_TRUE(listOnTopOnScreen()) << "the list shows above the dialog";
        clickRow(3);
        EXPECT_FALSE(listShown()) << "a pick closes the list";
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 3);
        chosen = list[3];
        EXPECT_EQ(dialog.zoComboCustom.Text(), chosen);
        // Picked: the next button click drops the list again.
        clickDropButton();
        EXPECT_TRUE(listShown());
        clickDropButton();
        EXPECT_FALSE(listShown());
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(m_custom, chosen);
    EXPECT_TRUE(script.verify());
}

TEST_F(ImportCustomModalTest, TheWheelScrollsToTheThirtiethCustomerWhichAClickPicks)
{
    DialogScript script;
    script.answerNext(vbOK);
    QString chosen;
    const bool confirmed = pick([&] {
        const QStringList list = contents();
        // Two notches from the top: the sixth row shown is the 12th customer.
        clickDropButton();
        ASSERT_TRUE(listShown());
        const QImage before = listWidget()->grab().toImage();
        wheel(-2);
        EXPECT_NE(listWidget()->grab().toImage(), before) << "the wheel scrolled the list";
        clickRow(5);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 2 * kWheelRows + 5);
        // The wheel back up: the first row shown is the first customer.
        clickDropButton();
        wheel(12);
        clickRow(0);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 0);
        // Eight notches from the top: 24 rows down, the 30th customer is the sixth row shown.
        clickDropButton();
        ASSERT_TRUE(listShown());
        wheel(-8);
        const int top = std::min(8 * kWheelRows, kCustomers - kShownRows);
        screenShot(QStringLiteral("importCustom-wheel"));
        EXPECT_TRUE(listOnTopOnScreen());
        clickRow(29 - top);
        EXPECT_FALSE(listShown());
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 29);
        chosen = list[29];
        EXPECT_EQ(dialog.zoComboCustom.Text(), chosen);
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(m_custom, chosen);
    EXPECT_TRUE(script.verify());
}

TEST_F(ImportCustomModalTest, TheScrollBarIsDrawnAndItsArrowsAndThumbScroll)
{
    const bool confirmed = pick([&] {
        const QStringList list = contents();
        clickDropButton();
        ASSERT_TRUE(listShown());
        QWidget *lw = listWidget();
        const int bar = win::GetSystemMetrics(win::SM_CXVSCROLL);
        // The bar stands at the right edge inside the frame; its arrows are squares.
        const QPoint upArrow(lw->width() - 1 - bar / 2, 1 + bar / 2);
        const QPoint downArrow(lw->width() - 1 - bar / 2, lw->height() - 2 - bar / 2);
        const QImage shown = lw->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb face = shown.pixel(upArrow.x(), upArrow.y() - bar / 2 + 2);
        const QRgb rowBack = shown.pixel(10, rowPoint(kShownRows - 1).y());
        EXPECT_NE(face, rowBack) << "a button face, not a row, at the right edge";
        screenShot(QStringLiteral("importCustom-scrollbar"));

        // One click on the down arrow scrolls one row: the top row shown is the second customer.
        QTest::mouseClick(lw, Qt::LeftButton, {}, downArrow);
        settle();
        EXPECT_TRUE(listShown()) << "the scroll bar does not close the list";
        clickRow(0);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 1);

        // Dragging the thumb to the bottom shows the last rows.
        clickDropButton();
        ASSERT_TRUE(listShown());
        const QPoint thumb(lw->width() - 1 - bar / 2, 1 + bar + 3);
        QTest::mousePress(lw, Qt::LeftButton, {}, thumb);
        QTest::mouseMove(lw, QPoint(thumb.x(), lw->height() / 2));
        QTest::mouseMove(lw, QPoint(thumb.x(), lw->height() + 40));
        QTest::mouseRelease(lw, Qt::LeftButton, {}, QPoint(thumb.x(), lw->height() + 40));
        settle();
        EXPECT_TRUE(listShown());
        clickRow(kShownRows - 1);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), kCustomers - 1);
        EXPECT_EQ(dialog.zoComboCustom.Text(), list.last());

        // The up arrow after that: the rows move back by one.
        clickDropButton();
        QTest::mouseClick(lw, Qt::LeftButton, {}, upArrow);
        settle();
        clickRow(kShownRows - 1);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), kCustomers - 2);
    });
    EXPECT_FALSE(confirmed);
}

TEST_F(ImportCustomModalTest, AClickOutsideClosesTheListAndTheNextButtonClickOpensIt)
{
    const bool confirmed = pick([&] {
        clickDropButton();
        ASSERT_TRUE(listShown());
        // On the dialog's warning text, away from the combo.
        QWidget *label = dialog.lblWarn1(1).widget();
        ASSERT_NE(label, nullptr);
        QTest::mouseClick(label, Qt::LeftButton, {}, QPoint(5, label->height() / 2));
        settle();
        EXPECT_FALSE(listShown()) << "a click outside closes the list";
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), -1) << "and picks nothing";
        clickDropButton();
        EXPECT_TRUE(listShown()) << "the combo knows the list was closed";
        // A click on the "O　K" button while the list is down only closes the list.
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
        EXPECT_FALSE(listShown());
        EXPECT_TRUE(dialog.isLoaded());
        // The button works again after that (nothing chosen: it asks for a choice).
        DialogScript script;
        script.answerNext(vbOK);
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
        ASSERT_EQ(script.shown().size(), 1);
        EXPECT_EQ(script.shown()[0].prompt, QStringLiteral("お客さま名を選択してください。"));
        EXPECT_TRUE(script.verify());
    });
    EXPECT_FALSE(confirmed);
}

TEST_F(ImportCustomModalTest, ACustomerNamePastedIntoTheEditIsPicked)
{
    DialogScript script;
    script.answerNext(vbOK);
    QString chosen;
    const bool confirmed = pick([&] {
        chosen = contents()[20];
        QApplication::clipboard()->setText(chosen);
        QTest::mouseClick(comboWidget(), Qt::LeftButton, {}, QPoint(10, comboWidget()->height() / 2));
        settle();
        QTest::keyClick(comboWidget(), Qt::Key_V, Qt::ControlModifier);
        settle();
        EXPECT_EQ(dialog.zoComboCustom.Text(), chosen);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 20) << "a pasted name selects like a typed one";
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(m_custom, chosen);
    EXPECT_TRUE(script.verify());
}

TEST_F(ImportCustomModalTest, TheEditsContextMenuPastesAName)
{
    DialogScript script;
    script.answerNext(vbOK);
    QString chosen;
    const bool confirmed = pick([&] {
        chosen = contents()[7];
        QApplication::clipboard()->setText(chosen);
        QTest::mouseClick(comboWidget(), Qt::RightButton, {}, QPoint(10, comboWidget()->height() / 2));
        settle();
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << "a right click opens the edit's menu";
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        QAction *paste = nullptr;
        for (QAction *action : menu->actions())
            if (action->text().startsWith(QStringLiteral("貼り付け")))
                paste = action;
        ASSERT_NE(paste, nullptr);
        EXPECT_TRUE(paste->isEnabled());
        screenShot(QStringLiteral("importCustom-contextmenu"), menu->geometry());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(paste).center());
        settle();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        EXPECT_EQ(dialog.zoComboCustom.Text(), chosen);
        EXPECT_EQ(dialog.zoComboCustom.SelectedIndex(), 7);
        QTest::mouseClick(dialog.cmdOK.widget(), Qt::LeftButton);
        settle();
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(m_custom, chosen);
    EXPECT_TRUE(script.verify());
}

} // namespace
} // namespace settingstest
