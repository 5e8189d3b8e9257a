// The customer-pick dialog shown modally, as the program shows it, with three
// customers to pick from; steps run inside its modal loop and send their keys
// to whatever has the focus, as a person's keys go.
#pragma once

#include "settingsFixture.h"

#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/settings/frmImportCustom.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>

namespace settingstest {

class ModalComboDialogTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        makeFolder(QStringLiteral("dDB.tran/Alpha"));
        makeFolder(QStringLiteral("dDB.tran/Beta"));
        makeFolder(QStringLiteral("dDB.tran/Gamma"));
    }

    // Called inside the modal loop once the dialog is active and its combo
    // found; false skips the steps.
    virtual bool shown(talvik::frmImportCustom &) { return true; }
    // Called after the steps, before a dialog still open is closed.
    virtual void stepsDone() {}

    // Shows the dialog modally and runs steps inside its modal loop. The
    // steps end with the dialog closed; a dialog still open after them (or
    // after a step failed) is closed and noted in m_leftOpen.
    void runModal(talvik::frmImportCustom &form, const std::function<void()> &steps)
    {
        bool ran = false;
        QTimer::singleShot(0, &form, [&] {
            ran = true;
            if (!QTest::qWaitForWindowExposed(form.widget())) {
                ADD_FAILURE() << "the dialog did not show";
            } else {
                form.widget()->activateWindow();
                (void)QTest::qWaitForWindowActive(form.widget());
                m_combo = form.zoComboCustom.host()->controlWindow();
                if (!m_combo)
                    ADD_FAILURE() << "the combo has no window";
                else if (shown(form))
                    steps();
            }
            stepsDone();
            settle();
            if (form.isLoaded()) {
                m_leftOpen = true;
                form.Unload();
            }
        });
        form.Show(platform::forms::vbModal);
        EXPECT_TRUE(ran);
    }
    QWidget *comboWidget() const { return platform::win::WidgetOfWindow(m_combo); }
    static void settle()
    {
        QApplication::processEvents();
        platform::win::PumpPostedMessages();
        QApplication::processEvents();
    }
    // A click into the combo's edit field puts the focus there.
    void focusCombo()
    {
        QTest::mouseClick(comboWidget(), Qt::LeftButton, {}, QPoint(10, comboWidget()->height() / 2));
        settle();
    }
    // A key pressed and released on whatever has the keyboard focus.
    static void press(Qt::Key k, Qt::KeyboardModifiers m = {})
    {
        QWidget *focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr) << "nothing has the keyboard focus";
        QTest::keyClick(focus, k, m);
        settle();
    }
    bool comboHasFocus() const
    {
        return platform::win::GetFocus() == m_combo && QApplication::focusWidget() == comboWidget();
    }
    bool listDropped() const
    {
        const auto list = static_cast<platform::win::HWND>(
            platform::win::SendMessageA(m_combo, zobase7::ZOM_GETLISTWINDOW, 0, 0));
        return list && platform::win::IsWindowVisible(list);
    }

    platform::win::HWND m_combo = 0;
    bool m_leftOpen = false;
};

} // namespace settingstest
