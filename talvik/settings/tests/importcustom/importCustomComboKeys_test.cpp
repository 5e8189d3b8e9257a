// The combo's own keys in the customer-pick dialog shown modally: Tab and
// Shift+Tab leave it with a KeyExit event, TabAction 1 without a mask still
// lets Tab leave, Tab on a dropped list keeps the highlighted customer and
// moves on, Home and End in the dropped list go to the first and last
// customer, and Alt with the caption's mnemonic brings the focus back to the
// combo. Keys go to the widget that has the focus.
#include "modalComboDialog.h"

#include "platform/win/dialog.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/window.h"
#include "talvik/settings/frmImportCustom.h"
#include "zobase7/include/RyxComboProtocol.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace settingstest {
namespace {

using namespace platform::forms;
using talvik::frmImportCustom;
namespace com = platform::com;
namespace win = platform::win;

// Records the Action of every KeyExit the combo raises.
class KeyExitSink final : public com::IDispatch {
public:
    std::vector<int> actions;

    com::HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        if (iid == com::IID_IUnknown || iid == com::IID_IDispatch || iid == pickwell::DIID_IComboEvents) {
            *object = static_cast<com::IDispatch *>(this);
            AddRef();
            return com::S_OK;
        }
        *object = nullptr;
        return com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override { return --m_refs; }
    com::HRESULT GetTypeInfoCount(uint32_t *) override { return com::E_NOTIMPL; }
    com::HRESULT GetIDsOfNames(const com::IID &, const com::OLECHAR *const *, uint32_t, com::LCID,
                               com::DISPID *) override
    {
        return com::E_NOTIMPL;
    }
    com::HRESULT Invoke(com::DISPID id, const com::IID &, com::LCID, uint16_t, com::DISPPARAMS *params,
                        com::VARIANT *, com::EXCEPINFO *, uint32_t *) override
    {
        if (id == pickwell::DISPID_EV_KEYEXIT && params && params->cArgs == 1
            && params->rgvarg[0].vt == (com::VT_BYREF | com::VT_I2))
            actions.push_back(*params->rgvarg[0].piVal);
        return com::S_OK;
    }

private:
    uint32_t m_refs = 1;
};

class ImportCustomComboKeysTest : public ModalComboDialogTest {
protected:
    // Listens to the combo's KeyExit while the steps run.
    bool shown(frmImportCustom &form) override
    {
        com::ComPtr<com::IConnectionPointContainer> cpc;
        if (form.zoComboCustom.combo().QueryInterface(com::IID_IConnectionPointContainer, cpc.putVoid()) != com::S_OK
            || cpc->FindConnectionPoint(pickwell::DIID_IComboEvents, m_point.put()) != com::S_OK
            || m_point->Advise(static_cast<com::IDispatch *>(&m_sink), &m_cookie) != com::S_OK) {
            ADD_FAILURE() << "cannot listen to the combo's events";
            return false;
        }
        return true;
    }
    void stepsDone() override
    {
        if (m_point && m_cookie)
            m_point->Unadvise(m_cookie);
        m_point.reset();
        m_cookie = 0;
    }

    KeyExitSink m_sink;
    com::ComPtr<com::IConnectionPoint> m_point;
    uint32_t m_cookie = 0;
};

TEST_F(ImportCustomComboKeysTest, TabAndShiftTabLeaveTheComboWithKeyExit)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    runModal(form, [&] {
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget());
        EXPECT_EQ(m_sink.actions, (std::vector<int>{zobase7::RyxKeyExitTab})) << "Tab raises KeyExit(zoTabKey)";

        press(Qt::Key_Tab, Qt::ShiftModifier);
        ASSERT_TRUE(comboHasFocus());
        EXPECT_EQ(m_sink.actions.size(), 1u) << "coming back into the combo raises nothing";
        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdCancel.widget());
        EXPECT_EQ(m_sink.actions, (std::vector<int>{zobase7::RyxKeyExitTab, zobase7::RyxKeyExitShiftTab}))
            << "Shift+Tab raises KeyExit(zoShiftTabKey)";

        // Ctrl+Tab is no Tab of the dialog: it neither leaves nor raises KeyExit.
        press(Qt::Key_Tab);
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_TRUE(comboHasFocus());
        EXPECT_EQ(m_sink.actions.size(), 2u);
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Beta")) << "the Tab keys typed nothing";
    });
}

TEST_F(ImportCustomComboKeysTest, TabActionFieldWithoutAMaskStillLetsTabLeave)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    runModal(form, [&] {
        ASSERT_EQ(form.zoComboCustom.combo().put_TabAction(1), com::S_OK);
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        EXPECT_EQ(win::SendMessageA(m_combo, win::WM_GETDLGCODE, win::VK_TAB, 0) & win::DLGC_WANTTAB, 0)
            << "a combo without fields does not ask for Tab";
        press(Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget()) << "Tab is stuck in the combo";
        press(Qt::Key_Tab, Qt::ShiftModifier);
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdCancel.widget()) << "Shift+Tab is stuck in the combo";
        EXPECT_EQ(m_sink.actions, (std::vector<int>{zobase7::RyxKeyExitTab, zobase7::RyxKeyExitShiftTab}));
    });
}

TEST_F(ImportCustomComboKeysTest, TabOnADroppedListKeepsTheHighlightedCustomerAndMovesOn)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Alpha"));
    DialogScript script;
    script.answerNext(vbOK);
    runModal(form, [&] {
        focusCombo();
        ASSERT_EQ(form.zoComboCustom.SelectedIndex(), 0);
        press(Qt::Key_F4);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_Down);
        press(Qt::Key_Down);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_Tab);
        EXPECT_FALSE(listDropped()) << "Tab left the list open";
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget()) << "Tab did not move on";
        EXPECT_EQ(form.zoComboCustom.SelectedIndex(), 2);
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Gamma"));
        EXPECT_EQ(m_sink.actions, (std::vector<int>{zobase7::RyxKeyExitTab}));

        // Shift+Tab on a list dropped with nothing moved keeps the selection.
        press(Qt::Key_Tab, Qt::ShiftModifier);
        ASSERT_TRUE(comboHasFocus());
        press(Qt::Key_Down, Qt::AltModifier);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_Tab, Qt::ShiftModifier);
        EXPECT_FALSE(listDropped());
        EXPECT_EQ(QApplication::focusWidget(), form.cmdCancel.widget());
        EXPECT_EQ(form.zoComboCustom.SelectedIndex(), 2);
        // The customer kept is the one "O　K" confirms.
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form.cmdOK.widget());
        press(Qt::Key_Space);
    });
    EXPECT_TRUE(form.Status());
    EXPECT_EQ(form.Custom(), QStringLiteral("Gamma"));
    EXPECT_TRUE(script.verify());
}

TEST_F(ImportCustomComboKeysTest, HomeAndEndInTheDroppedListGoToTheFirstAndLastCustomer)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    runModal(form, [&] {
        focusCombo();
        ASSERT_EQ(form.zoComboCustom.SelectedIndex(), 1);
        press(Qt::Key_F4);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_End);
        ASSERT_TRUE(listDropped()) << "End closed the list";
        press(Qt::Key_Return);
        EXPECT_EQ(form.zoComboCustom.SelectedIndex(), 2) << "End did not reach the last customer";
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Gamma"));

        press(Qt::Key_F4);
        press(Qt::Key_Home);
        ASSERT_TRUE(listDropped());
        press(Qt::Key_Return);
        EXPECT_EQ(form.zoComboCustom.SelectedIndex(), 0) << "Home did not reach the first customer";
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Alpha"));

        // With the list closed, Home and End are the edit field's again:
        // Shift+Home selects the text back to its start and typing replaces it.
        press(Qt::Key_End);
        press(Qt::Key_Home, Qt::ShiftModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Be"));
        settle();
        EXPECT_TRUE(form.zoComboCustom.Text().startsWith(QStringLiteral("Be")));
        press(Qt::Key_Escape);
    });
}

TEST_F(ImportCustomComboKeysTest, AltWithTheCaptionsMnemonicFocusesTheCombo)
{
    frmImportCustom form;
    form.setCustom(QStringLiteral("Beta"));
    runModal(form, [&] {
        focusCombo();
        ASSERT_TRUE(comboHasFocus());
        com::ComPtr<pickwell::ICaptionDisp> caption;
        ASSERT_EQ(form.zoComboCustom.combo().get_Caption(caption.put()), com::S_OK);
        ASSERT_TRUE(caption);
        com::Bstr text(QStringLiteral("お客さま(&K)"));
        ASSERT_EQ(caption->put_Text(text.get()), com::S_OK);
        settle();

        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form.cmdOK.widget());
        press(Qt::Key_K, Qt::AltModifier);
        EXPECT_TRUE(comboHasFocus()) << "Alt+K did not reach the combo";
        EXPECT_EQ(form.zoComboCustom.Text(), QStringLiteral("Beta")) << "the mnemonic typed into the field";

        // Another letter is nobody's mnemonic; a new caption brings its own.
        press(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), form.cmdOK.widget());
        press(Qt::Key_J, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget());
        com::Bstr other(QStringLiteral("選択(&J)"));
        ASSERT_EQ(caption->put_Text(other.get()), com::S_OK);
        settle();
        press(Qt::Key_K, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), form.cmdOK.widget()) << "the old mnemonic still works";
        press(Qt::Key_J, Qt::AltModifier);
        EXPECT_TRUE(comboHasFocus()) << "the new mnemonic does not work";
        press(Qt::Key_Escape);
    });
}

} // namespace
} // namespace settingstest
