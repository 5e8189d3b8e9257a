// The item editor page: the list of items, editing one item, adding,
// deleting and moving items, and pictures from files.
#include "ComboPageTestSupport.h"
#include "testfiles.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemEditor.h"
#include "Controls/Pickwell/ComboPageControls.h"
#include "platform/com/picture.h"
#include "platform/win/ole/propframe.h"

#include <QDialog>
#include <QPushButton>

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

using namespace pickwell;
using namespace pickwell::testing;

namespace {

class ComboItemEditorTest : public ComboPageTest {
protected:
    void TearDown() override
    {
        SetPictureFileChooser(nullptr);
        ComboPageTest::TearDown();
    }

    ComPtr<IComboItemCollection> items()
    {
        ComPtr<IComboItemCollection> c;
        m_combo->get_Items(c.put());
        return c;
    }

    ComPtr<IComboItem> addItem(const QString &content)
    {
        ComPtr<IComboItem> item;
        EXPECT_EQ(controls::createObject<ComboItem>(IID_IComboItem, item.putVoid()), S_OK);
        Bstr c(content);
        item->put_Content(c.get());
        EXPECT_EQ(items()->Add(item.get()), S_OK);
        return item;
    }

    ComPtr<IComboItem> itemAt(int i)
    {
        ComPtr<IComboItem> item;
        items()->get_Item(i, item.put());
        return item;
    }

    QStringList contents()
    {
        QStringList out;
        int32_t n = 0;
        items()->get_Count(&n);
        for (int32_t i = 0; i < n; ++i) {
            Bstr s;
            itemAt(i)->get_Content(s.put());
            out << s.toQString();
        }
        return out;
    }

    QStringList labels() const
    {
        QStringList out;
        const auto n = win::SendMessageA(item(IDC_ITEMLIST), win::LB_GETCOUNT, 0, 0);
        for (win::LRESULT i = 0; i < n; ++i) {
            const auto len = win::SendMessageA(item(IDC_ITEMLIST), win::LB_GETTEXTLEN, win::WPARAM(i), 0);
            std::string s(size_t(len) + 1, '\0');
            win::SendMessageA(item(IDC_ITEMLIST), win::LB_GETTEXT, win::WPARAM(i), reinterpret_cast<win::LPARAM>(s.data()));
            out << platform::codepage::fromAnsi(QByteArray(s.c_str()));
        }
        return out;
    }

    int selectedLine() const { return int(win::SendMessageA(item(IDC_ITEMLIST), win::LB_GETCURSEL, 0, 0)); }

    void selectLine(int line)
    {
        focus(IDC_ITEMLIST);
        while (selectedLine() < line)
            key(Qt::Key_Down);
        while (selectedLine() > line)
            key(Qt::Key_Up);
    }

    // A click on the up (or down) half of the move arrows.
    void moveClick(bool up)
    {
        QWidget *w = win::WidgetOfWindow(item(IDC_ITEMMOVE));
        ASSERT_NE(w, nullptr);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(w->width() / 2, up ? 2 : w->height() - 3));
        QApplication::processEvents();
    }

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir.path() + QStringLiteral("/") + name;
        talviktest::writeFile(path, bytes);
        return path;
    }

    QString writeBitmap(const QString &name, QColor colour, QSize size = QSize(12, 8))
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        const QString path = m_dir.path() + QStringLiteral("/") + name;
        EXPECT_TRUE(image.save(path, "BMP"));
        return path;
    }

    void chooseNext(const QString &path)
    {
        SetPictureFileChooser([this, path](win::HWND, const QString &title, const QString &filter) {
            chooserTitle = title;
            chooserFilter = filter;
            return path;
        });
    }

    QTemporaryDir m_dir;
    QString chooserTitle, chooserFilter;
};

} // namespace

TEST_F(ComboItemEditorTest, ListsTheItemsAndShowsTheFirst)
{
    ComPtr<IComboItem> first = addItem(QStringLiteral("本社"));
    Bstr d(QStringLiteral("東京"));
    first->put_Description(d.get());
    first->put_Indent(2);
    first->put_ForeColor(0x0000FF);
    first->put_BackColor(0xC0FFFF);
    first->put_BackTransparent(-1);
    first->put_ForeTransparent(0);
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    first->put_Image(createPicture(PICTYPE_BITMAP, image).get());
    addItem(QStringLiteral("支店"));
    open(&createItemEditorPage);
    EXPECT_EQ(m_title, QStringLiteral("リスト"));
    EXPECT_EQ(labels(), (QStringList{QStringLiteral("ComboItem:{本社}"), QStringLiteral("ComboItem:{支店}")}));
    EXPECT_EQ(selectedLine(), 0);
    EXPECT_EQ(text(IDC_ITEMCONTENT), QStringLiteral("本社"));
    EXPECT_EQ(text(IDC_ITEMDESCRIPTION), QStringLiteral("東京"));
    EXPECT_EQ(text(IDC_ITEMINDENT), QStringLiteral("2"));
    EXPECT_TRUE(isChecked(IDC_ITEMENABLE));
    EXPECT_TRUE(isChecked(IDC_ITEMBACKTRANSPARENT));
    EXPECT_FALSE(isChecked(IDC_ITEMFORETRANSPARENT));
    EXPECT_TRUE(win::IsWindowEnabled(item(IDC_ITEMDELETE)));
    EXPECT_TRUE(win::IsWindowEnabled(item(IDC_ITEMCLEARPICTURE)));
    EXPECT_TRUE(win::IsWindowEnabled(item(IDC_ITEMMOVE))) << "SortOrder 2 lets items move";
    // The swatches show the item's colours.
    QWidget *fore = win::WidgetOfWindow(item(IDC_ITEMFORECOLOR));
    ASSERT_NE(fore, nullptr);
    const QImage swatch = fore->grab().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(255, 0, 0));
    QWidget *preview = win::WidgetOfWindow(item(IDC_ITEMPICTURE));
    ASSERT_NE(preview, nullptr);
    const QImage shown = preview->grab().toImage();
    EXPECT_EQ(shown.pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::darkGreen));
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
    screenshot(QStringLiteral("combo_page_itemeditor.png"));
}

TEST_F(ComboItemEditorTest, AddAppliesPendingEditsToTheShownItemFirst)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    retype(IDC_ITEMCONTENT, QStringLiteral("changed"));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    click(IDC_ITEMADD);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("changed"), QString()}));
    EXPECT_EQ(labels(), (QStringList{QStringLiteral("ComboItem:{changed}"), QStringLiteral("ComboItem:{}")}));
    EXPECT_EQ(selectedLine(), 1);
    EXPECT_EQ(text(IDC_ITEMCONTENT), QString());
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
    ASSERT_FALSE(site.status.empty());
    EXPECT_EQ(site.status.back(), win::PROPPAGESTATUS_DIRTY);
}

TEST_F(ComboItemEditorTest, DeletingTheOnlyItemEmptiesAndDisablesTheFields)
{
    addItem(QStringLiteral("only"));
    open(&createItemEditorPage);
    retype(IDC_ITEMDESCRIPTION, QStringLiteral("pending"));
    click(IDC_ITEMDELETE);
    EXPECT_TRUE(contents().isEmpty());
    EXPECT_TRUE(labels().isEmpty());
    EXPECT_EQ(text(IDC_ITEMCONTENT), QString());
    EXPECT_EQ(text(IDC_ITEMDESCRIPTION), QString());
    EXPECT_FALSE(win::IsWindowEnabled(item(IDC_ITEMDELETE)));
    for (int id = IDC_ITEMENABLE; id <= IDC_ITEMCLEARPICTURE; ++id)
        EXPECT_FALSE(win::IsWindowEnabled(item(id))) << id;
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE) << "edits of the deleted item are dropped";
    // Apply with no item shown changes nothing.
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_TRUE(contents().isEmpty());
}

TEST_F(ComboItemEditorTest, UpArrowSwapsTheFirstTwoItemsAndTheirIndexes)
{
    addItem(QStringLiteral("a"));
    addItem(QStringLiteral("b"));
    addItem(QStringLiteral("c"));
    open(&createItemEditorPage);
    selectLine(1);
    EXPECT_EQ(text(IDC_ITEMCONTENT), QStringLiteral("b"));
    moveClick(true);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("c")}));
    for (int i = 0; i < 3; ++i) {
        int32_t index = -1;
        itemAt(i)->get_Index(&index);
        EXPECT_EQ(index, i + 1) << "Index counts from 1";
    }
    EXPECT_EQ(labels()[0], QStringLiteral("ComboItem:{b}"));
    EXPECT_EQ(labels()[1], QStringLiteral("ComboItem:{a}"));
    EXPECT_EQ(selectedLine(), 0);
    // At the top nothing moves; down from the top moves it back.
    moveClick(true);
    EXPECT_EQ(contents()[0], QStringLiteral("b"));
    moveClick(false);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")}));
    EXPECT_EQ(selectedLine(), 1);
    selectLine(2);
    moveClick(false);
    EXPECT_EQ(contents()[2], QStringLiteral("c")) << "the last line does not move down";
}

TEST_F(ComboItemEditorTest, MovingIsOffWhileTheListIsSorted)
{
    ASSERT_EQ(m_combo->put_SortOrder(0), S_OK);
    addItem(QStringLiteral("a"));
    addItem(QStringLiteral("b"));
    open(&createItemEditorPage);
    EXPECT_FALSE(win::IsWindowEnabled(item(IDC_ITEMMOVE)));
    selectLine(1);
    moveClick(true);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

TEST_F(ComboItemEditorTest, SortedApplyMovesTheLineAndKeepsTheSelectedPosition)
{
    ASSERT_EQ(m_combo->put_SortOrder(0), S_OK);
    addItem(QStringLiteral("b"));
    addItem(QStringLiteral("c"));
    open(&createItemEditorPage);
    selectLine(1);
    retype(IDC_ITEMCONTENT, QStringLiteral("a"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(labels(), (QStringList{QStringLiteral("ComboItem:{a}"), QStringLiteral("ComboItem:{b}")}));
    EXPECT_EQ(selectedLine(), 1);
}

TEST_F(ComboItemEditorTest, SelectionChangeAppliesTheShownItemAndShowsTheNext)
{
    addItem(QStringLiteral("a"));
    ComPtr<IComboItem> second = addItem(QStringLiteral("b"));
    second->put_Indent(4);
    open(&createItemEditorPage);
    retype(IDC_ITEMINDENT, QStringLiteral("3"));
    focus(IDC_ITEMVISIBLE);
    key(Qt::Key_Space);
    selectLine(1);
    int32_t indent = 0;
    itemAt(0)->get_Indent(&indent);
    EXPECT_EQ(indent, 3);
    VARIANT_BOOL visible = -1;
    itemAt(0)->get_Visible(&visible);
    EXPECT_EQ(visible, 0);
    EXPECT_EQ(text(IDC_ITEMINDENT), QStringLiteral("4"));
    EXPECT_EQ(text(IDC_ITEMCONTENT), QStringLiteral("b"));
}

TEST_F(ComboItemEditorTest, IndentOutOfRangeIsRefused)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    retype(IDC_ITEMINDENT, QStringLiteral("40000"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ"));
    EXPECT_EQ(focusedId(), IDC_ITEMINDENT);
    int32_t indent = -1;
    itemAt(0)->get_Indent(&indent);
    EXPECT_EQ(indent, 0);
}

TEST_F(ComboItemEditorTest, PictureFromAFileAndClearing)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    EXPECT_FALSE(win::IsWindowEnabled(item(IDC_ITEMCLEARPICTURE)));
    chooseNext(writeBitmap(QStringLiteral("red.bmp"), Qt::red));
    click(IDC_ITEMBROWSE);
    EXPECT_EQ(chooserTitle, QStringLiteral("ﾋﾟｸﾁｬの参照"));
    EXPECT_TRUE(chooserFilter.contains(QStringLiteral("*.bmp")));
    EXPECT_TRUE(win::IsWindowEnabled(item(IDC_ITEMCLEARPICTURE)));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    EXPECT_EQ(m_page->Apply(), S_OK);
    ComPtr<IPicture> picture;
    ASSERT_EQ(itemAt(0)->get_Image(picture.put()), S_OK);
    ASSERT_NE(picture.get(), nullptr);
    QImage got;
    picture->getImage(&got);
    EXPECT_EQ(got.size(), QSize(12, 8));
    EXPECT_EQ(got.pixelColor(3, 3), QColor(Qt::red));

    click(IDC_ITEMCLEARPICTURE);
    EXPECT_FALSE(win::IsWindowEnabled(item(IDC_ITEMCLEARPICTURE)));
    EXPECT_EQ(m_page->Apply(), S_OK);
    picture.reset();
    itemAt(0)->get_Image(picture.put());
    EXPECT_EQ(picture.get(), nullptr);
}

TEST_F(ComboItemEditorTest, AFileThatIsNoPictureNamesTheErrorAndKeepsThePicture)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    chooseNext(writeBitmap(QStringLiteral("blue.bmp"), Qt::blue));
    click(IDC_ITEMBROWSE);
    ASSERT_TRUE(win::IsWindowEnabled(item(IDC_ITEMCLEARPICTURE)));
    chooseNext(writeFile(QStringLiteral("fake.bmp"), QByteArray("not a bitmap at all")));
    click(IDC_ITEMBROWSE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Invalid picture, (800a01e1)"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("ﾋﾟｸﾁｬの参照"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    ComPtr<IPicture> picture;
    itemAt(0)->get_Image(picture.put());
    ASSERT_NE(picture.get(), nullptr) << "the blue picture stays";
    QImage got;
    picture->getImage(&got);
    EXPECT_EQ(got.pixelColor(1, 1), QColor(Qt::blue));

    // A file that went away: the error code of the missing file is named.
    chooseNext(m_dir.path() + QStringLiteral("/gone.bmp"));
    click(IDC_ITEMBROWSE);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].text.contains(QStringLiteral("80070002"))) << boxes[1].text.toStdString();
    // Cancelling the file dialog does nothing.
    chooseNext(QString());
    click(IDC_ITEMBROWSE);
    EXPECT_EQ(boxes.size(), 2u);
}

TEST_F(ComboItemEditorTest, LoadErrorTexts)
{
    EXPECT_EQ(PictureLoadErrorText(int32_t(0x800A0035u)), QStringLiteral("File not found, (800a0035)"));
    EXPECT_EQ(PictureLoadErrorText(int32_t(0x800A0040u)), QStringLiteral("Bad file name or number, (800a0040)"));
    EXPECT_EQ(PictureLoadErrorText(int32_t(0x800A0141u)), QStringLiteral("Invalid file format, (800a0141)"));
    EXPECT_EQ(PictureLoadErrorText(int32_t(0x80004005u)), QStringLiteral("Unspecified Error, (80004005)"));
}

TEST_F(ComboItemEditorTest, SetObjectsRefillsForAnotherCollection)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    ComPtr<ICombo> other;
    ASSERT_EQ(createCombo(IID_ICombo, other.putVoid()), S_OK);
    ComPtr<IComboItemCollection> otherItems;
    other->get_Items(otherItems.put());
    ComPtr<IComboItem> x;
    controls::createObject<ComboItem>(IID_IComboItem, x.putVoid());
    Bstr c(QStringLiteral("x"));
    x->put_Content(c.get());
    otherItems->Add(x.get());
    otherItems->Add(x.get() ? [&] {
        ComPtr<IComboItem> y;
        controls::createObject<ComboItem>(IID_IComboItem, y.putVoid());
        Bstr cy(QStringLiteral("y"));
        y->put_Content(cy.get());
        return y;
    }().get() : nullptr);
    retype(IDC_ITEMCONTENT, QStringLiteral("edited"));
    IUnknown *objects[] = {other.get()};
    ASSERT_EQ(m_page->SetObjects(1, objects), S_OK);
    EXPECT_EQ(contents(), (QStringList{QStringLiteral("edited")})) << "pending edits went to the shown item";
    EXPECT_EQ(labels(), (QStringList{QStringLiteral("ComboItem:{x}"), QStringLiteral("ComboItem:{y}")}));
    EXPECT_EQ(text(IDC_ITEMCONTENT), QStringLiteral("x"));
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
}

TEST_F(ComboItemEditorTest, TabOrder)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    focus(IDC_ITEMLIST);
    std::vector<int> order{focusedId()};
    for (int i = 0; i < 30; ++i) {
        key(Qt::Key_Tab);
        if (focusedId() == IDC_ITEMLIST)
            break;
        order.push_back(focusedId());
    }
    // "クリア" is skipped while the item has no picture.
    EXPECT_EQ(order, (std::vector<int>{273, 274, 275, 276, 277, 278, 279, 280, 281, 282, 284, 286, 285, 287, 289}));
}

TEST_F(ComboItemEditorTest, ColoursComeFromTheStockColourPage)
{
    addItem(QStringLiteral("a"));
    open(&createItemEditorPage);
    QStringList offered;
    platform::win::SetPropertyFrameShownHook([&](QDialog *frame) {
        const win::HWND parent = platform::win::PropertyFramePageParent(frame, 0);
        const win::HWND colourPage = win::GetWindow(parent, win::GW_CHILD);
        const win::HWND properties = win::GetDlgItem(colourPage, 1000);
        for (int i = 0, n = int(win::SendMessageA(properties, win::LB_GETCOUNT, 0, 0)); i < n; ++i) {
            char line[64] = {};
            win::SendMessageA(properties, win::LB_GETTEXT, win::WPARAM(i), reinterpret_cast<win::LPARAM>(line));
            offered << QString::fromLatin1(line);
        }
        // ForeColor is the first property: the red of the palette.
        QWidget *red = win::WidgetOfWindow(win::GetDlgItem(colourPage, 1109));
        if (red)
            QTest::mouseClick(red, Qt::LeftButton, {}, QPoint(red->width() / 2, red->height() / 2));
        if (auto *ok = frame->findChild<QPushButton *>(QStringLiteral("ok")))
            QTest::mouseClick(ok, Qt::LeftButton);
    });
    click(IDC_ITEMFORECOLOR);
    platform::win::SetPropertyFrameShownHook(nullptr);
    EXPECT_EQ(offered, (QStringList{QStringLiteral("ForeColor"), QStringLiteral("BackColor")}));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    QWidget *fore = win::WidgetOfWindow(item(IDC_ITEMFORECOLOR));
    const QImage swatch = fore->grab().toImage();
    EXPECT_EQ(swatch.pixelColor(swatch.width() / 2, swatch.height() / 2), QColor(255, 0, 0));
    EXPECT_EQ(m_page->Apply(), S_OK);
    OLE_COLOR colour = 0;
    itemAt(0)->get_ForeColor(&colour);
    EXPECT_EQ(colour, 0x0000FFu);
    itemAt(0)->get_BackColor(&colour);
    EXPECT_EQ(colour, 0xFFFFFFFFu) << "the back colour stays the control's";
}

TEST_F(ComboItemEditorTest, LabelsOfTextsOutsideTheCodePageShowAQuestionMark)
{
    addItem(QStringLiteral("本") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("社"));
    addItem(QStringLiteral("①Ａ"));
    open(&createItemEditorPage);
    EXPECT_EQ(labels(), (QStringList{QStringLiteral("ComboItem:{本?社}"), QStringLiteral("ComboItem:{①Ａ}")}));
    EXPECT_EQ(text(IDC_ITEMCONTENT), QStringLiteral("本?社"));
}
