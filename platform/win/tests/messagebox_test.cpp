// Message boxes: the host's handler sees every box; without one a Qt box
// owned by the owner window's top-level widget is shown.
#include "WinTestSupport.h"
#include "platform/win/messagebox.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

using namespace wintest;

namespace {

struct Seen {
    HWND owner;
    std::string text, caption;
    UINT type;
};

class MessageBoxTest : public WinTest {
protected:
    void TearDown() override
    {
        setMessageBoxHandler(nullptr);
        WinTest::TearDown();
    }
    // Answers the next box that opens by pressing the given button (Escape
    // for NoButton), and notes what it showed. Polls until the box is up.
    void answerNextBox(QMessageBox::StandardButton button, int triesLeft = 500)
    {
        QTimer::singleShot(10, [this, button, triesLeft] {
            QMessageBox *box = nullptr;
            for (QWidget *w : QApplication::topLevelWidgets())
                if (auto *b = qobject_cast<QMessageBox *>(w); b && b->isVisible())
                    box = b;
            if (!box) {
                if (triesLeft > 0)
                    answerNextBox(button, triesLeft - 1);
                return;
            }
            m_shownText = box->text();
            m_shownCaption = box->windowTitle();
            m_shownIcon = box->icon();
            m_shownParent = box->parentWidget();
            for (QAbstractButton *b : box->buttons())
                m_shownButtons.push_back(box->standardButton(b));
            m_defaultButton = box->standardButton(box->defaultButton());
            if (button == QMessageBox::NoButton)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(button)->click();
        });
    }
    QString m_shownText, m_shownCaption;
    QMessageBox::Icon m_shownIcon = QMessageBox::NoIcon;
    QWidget *m_shownParent = nullptr;
    std::vector<QMessageBox::StandardButton> m_shownButtons;
    QMessageBox::StandardButton m_defaultButton = QMessageBox::NoButton;
};

TEST_F(MessageBoxTest, TheInstalledHandlerGetsEveryBoxAndItsAnswerIsReturned)
{
    const HWND top = topLevel();
    std::vector<Seen> seen;
    const MessageBoxHandler old = setMessageBoxHandler([&](HWND o, const std::string &t, const std::string &c, UINT ty) {
        seen.push_back({o, t, c, ty});
        return IDNO;
    });
    EXPECT_FALSE(old) << "no handler at first";
    EXPECT_EQ(MessageBoxA(top, "\x83\x65\x83\x58\x83\x67", "cap", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(MessageBoxA(0xDEAD, nullptr, nullptr, MB_OK), IDNO);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].owner, top);
    EXPECT_EQ(seen[0].text, "\x83\x65\x83\x58\x83\x67"); // テスト, bytes as given
    EXPECT_EQ(seen[0].caption, "cap");
    EXPECT_EQ(seen[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(seen[1].owner, 0u) << "a dead owner is no owner";
    EXPECT_EQ(seen[1].text, "");
    EXPECT_EQ(seen[1].caption, "\x83\x47\x83\x89\x81\x5B") << "エラー for a null caption";

    // Installing another hands back the first; clearing restores the default.
    const MessageBoxHandler first = setMessageBoxHandler([](HWND, const std::string &, const std::string &, UINT) {
        return IDCANCEL;
    });
    ASSERT_TRUE(first);
    EXPECT_EQ(first(0, "", "", 0), IDNO);
    EXPECT_EQ(MessageBoxA(0, "x", "y", MB_OKCANCEL), IDCANCEL);
}

TEST_F(MessageBoxTest, TheDefaultBoxShowsTheCp932TextWithButtonsIconAndOwner)
{
    const HWND top = topLevel();
    const HWND kid = child(top);
    answerNextBox(QMessageBox::No);
    const int r = MessageBoxA(kid, "\x95\xDB\x91\xB6\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48", "\x8A\x6D\x94\x46",
                              MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2);
    EXPECT_EQ(r, IDNO);
    EXPECT_EQ(m_shownText, QString::fromUtf8("保存しますか？"));
    EXPECT_EQ(m_shownCaption, QString::fromUtf8("確認"));
    EXPECT_EQ(m_shownIcon, QMessageBox::Warning);
    EXPECT_EQ(m_shownParent, WidgetOfWindow(top)) << "owned by the owner's top-level window";
    EXPECT_EQ(m_shownButtons.size(), 3u);
    EXPECT_EQ(m_defaultButton, QMessageBox::No);
}

TEST_F(MessageBoxTest, ClosingTheDefaultBoxAnswersCancelWhereThereIsOne)
{
    answerNextBox(QMessageBox::NoButton);
    EXPECT_EQ(MessageBoxA(0, "a", "b", MB_RETRYCANCEL | MB_ICONHAND), IDCANCEL);
    EXPECT_EQ(m_shownIcon, QMessageBox::Critical);
    m_shownButtons.clear();
    answerNextBox(QMessageBox::Ok);
    EXPECT_EQ(MessageBoxA(0, "a", "b", MB_OK | MB_ICONINFORMATION), IDOK);
    EXPECT_EQ(m_shownIcon, QMessageBox::Information);
    EXPECT_EQ(m_shownButtons, (std::vector<QMessageBox::StandardButton>{QMessageBox::Ok}));
}

} // namespace
