// Controls: arrays, option groups, list and combo boxes, colours, pictures.
#include "platform/forms/controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace platform::forms;

namespace {
class ControlsForm : public Form {
public:
    Frame fraWatt{this, QStringLiteral("fraWatt")};
    ControlArray<OptionButton> optWatt{this, QStringLiteral("optWatt"), 4, &fraWatt};
    Frame fraPul{this, QStringLiteral("fraPul")};
    ControlArray<OptionButton> optPul{this, QStringLiteral("optPul"), 2, &fraPul};
    ControlArray<CommandButton> cmdMenu{this, QStringLiteral("cmdMenu"), {0, 1, 3}};
    CheckBox chkDelete{this, QStringLiteral("chkDelete")};
    ListBox lstLogs{this, QStringLiteral("lstLogs")};
    ComboBox cboList{this, QStringLiteral("cboList")};
    ComboBox cboEdit{this, QStringLiteral("cboEdit")};
    TextBox txtName{this, QStringLiteral("txtName")};
    Image imgLogo{this, QStringLiteral("imgLogo")};

protected:
    void designForm() override
    {
        const QStringList captions{QStringLiteral("20/5"), QStringLiteral("50/5"), QStringLiteral("200/5"),
                                   QStringLiteral("500/5")};
        for (int i = 0; i <= optWatt.UBound(); ++i)
            optWatt(i).setCaption(captions.at(i));
        cboList.setStyle(vbComboDropdownList);
    }
};

// The action raises the number, and where given, the text the user sees.
void expectError(int number, const std::function<void()> &action, const QString &text = QString())
{
    try {
        action();
        ADD_FAILURE() << "no error " << number;
    } catch (const platform::RuntimeError &error) {
        EXPECT_EQ(error.Number(), number);
        if (!text.isEmpty()) {
            EXPECT_EQ(error.Description(), text) << number;
        }
    }
}
} // namespace

TEST(ControlArrayTest, ElementsByIndexAndEventsCarryTheIndex)
{
    ControlsForm form;
    EXPECT_EQ(form.optWatt.UBound(), 3);
    EXPECT_EQ(form.optWatt.Count(), 4);
    EXPECT_EQ(form.optWatt(2).Caption(), QStringLiteral("200/5"));
    EXPECT_EQ(form.optWatt.item(2).Index(), 2);
    EXPECT_EQ(form.optWatt(2).Name(), QStringLiteral("optWatt"));
    EXPECT_EQ(form.control(QStringLiteral("optWatt"), 3), &form.optWatt(3));

    // A gap in the indexes: element 2 does not exist.
    EXPECT_EQ(form.cmdMenu.indexes(), (QList<int>{0, 1, 3}));
    EXPECT_EQ(form.cmdMenu.UBound(), 3);
    expectError(340, [&] { form.cmdMenu(2); });

    QList<int> clicked;
    QObject::connect(&form.cmdMenu, &ControlArrayBase::Click, [&](int index) { clicked.append(index); });
    static_cast<QPushButton *>(form.cmdMenu(3).widget())->click();
    form.cmdMenu(0).setValue(true);
    EXPECT_EQ(clicked, (QList<int>{3, 0}));

    // Elements loaded at run time join a loaded form at once.
    OptionButton &added = form.optPul.Load(2);
    EXPECT_TRUE(added.hasWidget());
    expectError(360, [&] { form.optPul.Load(2); });
}

TEST(OptionButtonTest, OptionsExcludeEachOtherWithinTheirContainerOnly)
{
    ControlsForm form;
    QList<int> clicks;
    QObject::connect(&form.optWatt, &ControlArrayBase::Click, [&](int index) { clicks.append(index); });
    form.optWatt(1).setValue(true);
    form.optPul(0).setValue(true);
    EXPECT_TRUE(form.optWatt(1).Value());
    EXPECT_TRUE(form.optPul(0).Value());
    form.optWatt(3).setValue(true);
    EXPECT_FALSE(form.optWatt(1).Value());
    EXPECT_TRUE(form.optWatt(3).Value());
    EXPECT_TRUE(form.optPul(0).Value()); // another container
    form.optWatt(3).setValue(true);      // already selected: no Click
    EXPECT_EQ(clicks, (QList<int>{1, 3}));
    form.optWatt(3).setValue(false);
    EXPECT_FALSE(form.optWatt(3).Value());
    static_cast<QRadioButton *>(form.optWatt(0).widget())->click();
    EXPECT_EQ(clicks.last(), 0);
}

TEST(OleColorTest, PlainAndSystemColours)
{
    EXPECT_EQ(oleColorToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(oleColorToQColor(0xFF8000), QColor(0, 0x80, 0xFF));
    EXPECT_EQ(qColorToOleColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412u);
    EXPECT_EQ(oleColorToQColor(vbButtonFace), QGuiApplication::palette().color(QPalette::Button));
    EXPECT_EQ(oleColorToQColor(vbWindowBackground), QGuiApplication::palette().color(QPalette::Base));
    expectError(380, [] { oleColorToQColor(0x80000040); }, QStringLiteral("プロパティの値が不正です。"));
    expectError(380, [] { oleColorToQColor(0x01000000); });

    // A control reports the number it was given, and paints its colour.
    ControlsForm form;
    form.optWatt(0).setBackColor(vbButtonFace);
    EXPECT_EQ(form.optWatt(0).BackColor(), vbButtonFace);
    form.txtName.setBackColor(vbWhite);
    EXPECT_EQ(form.txtName.BackColor(), 0xFFFFFFu);
    EXPECT_EQ(form.txtName.widget()->palette().color(QPalette::Base), QColor(255, 255, 255));
    expectError(380, [&] { form.txtName.setBackColor(0x80000099); });
    EXPECT_EQ(form.txtName.BackColor(), 0xFFFFFFu);
    // Each load starts from the design colours.
    form.Unload();
    EXPECT_NE(form.optWatt(0).BackColor(), vbButtonFace);
}

TEST(CheckBoxTest, ValueChangesFireClick)
{
    ControlsForm form;
    int clicks = 0;
    QObject::connect(&form.chkDelete, &CheckBox::Click, [&] { ++clicks; });
    EXPECT_EQ(form.chkDelete.Value(), vbUnchecked);
    form.chkDelete.setValue(vbChecked);
    form.chkDelete.setValue(vbChecked);
    EXPECT_EQ(clicks, 1);
    form.chkDelete.setValue(vbGrayed);
    EXPECT_EQ(form.chkDelete.Value(), vbGrayed);
    expectError(380, [&] { form.chkDelete.setValue(3); });
    static_cast<QCheckBox *>(form.chkDelete.widget())->setTristate(false);
    form.chkDelete.setValue(vbUnchecked);
    static_cast<QCheckBox *>(form.chkDelete.widget())->click();
    EXPECT_EQ(form.chkDelete.Value(), vbChecked);
    EXPECT_EQ(clicks, 4);
}

TEST(ListBoxTest, ItemsIndexesAndErrors)
{
    ControlsForm form;
    ListBox &list = form.lstLogs;
    list.AddItem(QStringLiteral("b"));
    list.AddItem(QStringLiteral("a"), 0);
    list.AddItem(QStringLiteral("c"), 2);
    EXPECT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(0), QStringLiteral("a"));
    EXPECT_EQ(list.List(2), QStringLiteral("c"));
    EXPECT_EQ(list.List(7), QString());
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.Text(), QString());

    int clicks = 0;
    QObject::connect(&list, &ListBox::Click, [&] { ++clicks; });
    list.setListIndex(1);
    EXPECT_EQ(list.Text(), QStringLiteral("b"));
    EXPECT_TRUE(list.Selected(1));
    EXPECT_EQ(clicks, 1);
    expectError(380, [&] { list.setListIndex(3); });
    expectError(380, [&] { list.setListIndex(-2); });
    expectError(5, [&] { list.AddItem(QStringLiteral("x"), 5); });
    expectError(5, [&] { list.RemoveItem(3); });
    list.RemoveItem(0);
    EXPECT_EQ(list.List(0), QStringLiteral("b"));
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

TEST(ComboBoxTest, DropdownListAndEditableCombo)
{
    ControlsForm form;
    ComboBox &list = form.cboList;
    EXPECT_EQ(list.Style(), vbComboDropdownList);
    list.AddItem(QStringLiteral("北"));
    list.AddItem(QStringLiteral("南"));
    EXPECT_EQ(list.ListIndex(), -1);
    int clicks = 0;
    QObject::connect(&list, &ComboBox::Click, [&] { ++clicks; });
    list.setText(QStringLiteral("南"));
    EXPECT_EQ(list.ListIndex(), 1);
    EXPECT_EQ(clicks, 1);
    expectError(383, [&] { list.setText(QStringLiteral("東")); }, QStringLiteral("'Text' プロパティは読み取り専用です。"));
    EXPECT_EQ(list.Text(), QStringLiteral("南"));
    list.setListIndex(-1);
    EXPECT_EQ(list.Text(), QString());

    ComboBox &edit = form.cboEdit;
    int changes = 0;
    QObject::connect(&edit, &ComboBox::Change, [&] { ++changes; });
    edit.AddItem(QStringLiteral("Kita"));
    edit.setText(QStringLiteral("新しい名前"));
    EXPECT_EQ(edit.Text(), QStringLiteral("新しい名前"));
    EXPECT_EQ(edit.ListIndex(), -1);
    EXPECT_EQ(changes, 1);
    // Adding items keeps a typed text.
    edit.AddItem(QStringLiteral("Minami"));
    EXPECT_EQ(edit.Text(), QStringLiteral("新しい名前"));
    edit.setText(QStringLiteral("Kita"));
    EXPECT_EQ(edit.ListIndex(), 0);
    edit.Clear();
    EXPECT_EQ(edit.ListCount(), 0);
    EXPECT_EQ(edit.Text(), QString());
}

TEST(TextBoxTest, TextMaxLengthLockedSelection)
{
    ControlsForm form;
    TextBox &text = form.txtName;
    int changes = 0;
    QObject::connect(&text, &TextBox::Change, [&] { ++changes; });
    text.setText(QStringLiteral("デマンド"));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(text.MaxLength(), 0);
    text.setMaxLength(3);
    EXPECT_EQ(text.MaxLength(), 3);
    text.setText(QStringLiteral("12345"));
    EXPECT_EQ(text.Text(), QStringLiteral("123"));
    text.setSelStart(1);
    text.setSelLength(5);
    EXPECT_EQ(text.SelStart(), 1);
    EXPECT_EQ(text.SelLength(), 2);
    EXPECT_EQ(text.SelText(), QStringLiteral("23"));
    text.setLocked(true);
    EXPECT_TRUE(static_cast<QLineEdit *>(text.widget())->isReadOnly());
}

TEST(PictureTest, MissingFileRaises53AndAPictureLoads)
{
    expectError(53, [] { LoadPicture(QStringLiteral("/nonexistent/Logo.gif")); }, QStringLiteral("ファイルが見つかりません。"));
    EXPECT_TRUE(LoadPicture().isNull());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bad = dir.filePath(QStringLiteral("bad.gif"));
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("not a picture");
    }
    expectError(481, [&] { LoadPicture(bad); }, QStringLiteral("ピクチャが不正です。"));
    const QString good = dir.filePath(QStringLiteral("logo.png"));
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    ASSERT_TRUE(image.save(good));
    ControlsForm form;
    form.imgLogo.setPicture(LoadPicture(good));
    EXPECT_EQ(form.imgLogo.picture().Width(), 300);
    EXPECT_EQ(form.imgLogo.Width(), 300); // sized to its picture
    EXPECT_EQ(form.imgLogo.Height(), 150);
}
