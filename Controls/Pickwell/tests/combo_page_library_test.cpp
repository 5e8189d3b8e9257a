// The combo's property pages from the real shared library: their
// registration rows and creation by class id, as a property frame makes them.
#include "PickwellTestSupport.h"

#include "Controls/Pickwell/ComboPageIds.h"
#include "platform/win/dialog.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/ole/propframe.h"
#include "platform/win/ole/proppage.h"
#include "platform/win/window.h"
#include "platform/win/windowwidget.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <QTemporaryDir>

using namespace pickwell;
using namespace pickwell::testing;

namespace {

struct PageRow {
    const CLSID *clsid;
    const char *key;
    const char *caption;
    const char *title;
};

const PageRow kPages[] = {
    {&CLSID_ComboGeneralPage, "{13C47DFB-45AF-486C-90D7-29DD22E959E5}", "Ryx Mask Property Page 6.0 (General)", "全般"},
    {&CLSID_ComboAppearancePage, "{3B9FB580-9848-476B-8160-AF4FD66258B5}", "Ryx Mask Property Page 6.0 (Appearance)",
     "表示"},
    {&CLSID_ComboFormatPage, "{73F50FD7-AD47-4574-8165-B91C6AAE0720}", "Ryx Mask Property Page 6.0 (Format)", "ﾌｫｰﾏｯﾄ"},
    {&CLSID_ComboLookupPage, "{6C9FCFAB-A6A3-413D-BDC0-9AAD7385DA6C}", "Ryx Mask Property Page 6.0 (Lookup)",
     "参照ﾃｰﾌﾞﾙ"},
    {&CLSID_ComboButtonPage, "{3D88EEAD-F147-4C7E-BEC6-A86A28F88C7D}", "Ryx Number Property Page 6.0 (Button)",
     "ﾎﾞﾀﾝ定義"},
    {&CLSID_ComboItemEditorPage, "{246A5F8E-19B7-4BA8-932C-AD6AE51E5972}", "Ryx Combo Property Page 6.0 (ItemEditor)",
     "リスト"},
};

class ComboPageLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module().detach();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(PICKWELL_LIBRARY)), S_OK);
    }
    void TearDown() override { qunsetenv("TALVIK_REGISTRY"); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ComboPageLibraryTest, EachPageIsRegisteredAndCreatableByItsClassId)
{
    for (const PageRow &row : kPages) {
        SCOPED_TRACE(row.caption);
        const QString key = QStringLiteral("CLSID\\") + QString::fromLatin1(row.key);
        EXPECT_EQ(regText(key), QString::fromUtf8(row.caption));
        EXPECT_EQ(regText(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
                  QStringLiteral("Apartment"));
        EXPECT_EQ(regText(key + QStringLiteral("\\ProgID")), QStringLiteral("<no key>"));

        ComPtr<platform::win::IPropertyPage> page;
        ASSERT_EQ(CoCreateInstance(*row.clsid, nullptr, platform::win::IID_IPropertyPage, page.putVoid()), S_OK);
        platform::win::PROPPAGEINFO info;
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        EXPECT_EQ(QString::fromUtf16(info.pszTitle), QString::fromUtf8(row.title));
        EXPECT_GT(info.size.cx, 100);
        EXPECT_GT(info.size.cy, 20);
        CoTaskMemFree(info.pszTitle);
    }
}

TEST_F(ComboPageLibraryTest, TheColourFrameHoldsTheHostsModelessWindowsWhileItIsUp)
{
    namespace win = platform::win;
    win::ControlHostWidget host;
    host.resize(160, 24);
    host.setUserMode(false);
    ASSERT_EQ(host.createControl(QStringLiteral("Brenwold.Combo7"), QStringLiteral("zoCombo1")), S_OK);
    ComPtr<IDispatch> combo;
    ASSERT_EQ(host.queryControl(IID_IDispatch, combo.putVoid()), S_OK);
    Variant items;
    ASSERT_EQ(invokeByName(combo.get(), QStringLiteral("Items"), DISPATCH_PROPERTYGET, {}, &items), S_OK);
    CLSID itemClass;
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("Combo.ComboItem"), &itemClass), S_OK);
    ComPtr<IDispatch> item;
    ASSERT_EQ(CoCreateInstance(itemClass, nullptr, IID_IDispatch, item.putVoid()), S_OK);
    ASSERT_EQ(invokeByName(items.pdispVal, QStringLiteral("Add"), DISPATCH_METHOD, {Variant::dispatch(item.get())}, nullptr),
              S_OK);

    ComPtr<win::IPropertyPage> page;
    ASSERT_EQ(CoCreateInstance(CLSID_ComboItemEditorPage, nullptr, win::IID_IPropertyPage, page.putVoid()), S_OK);
    IUnknown *objects[] = {combo.get()};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    win::DialogTemplate frame;
    frame.style = win::WS_POPUP | win::WS_CAPTION | win::DS_SETFONT;
    frame.cx = 320;
    frame.cy = 240;
    const win::HWND owner = win::CreateDialogIndirectParamA(0, &frame, 0, nullptr, 0);
    ASSERT_NE(owner, 0u);
    win::RECT rc{0, 0, 600, 400};
    ASSERT_EQ(page->Activate(owner, &rc, win::TRUE), S_OK);
    win::ShowWindow(owner, win::SW_SHOW);
    const win::HWND pageWindow = win::GetWindow(owner, win::GW_CHILD);

    int disabledWhileShown = -1;
    win::SetPropertyFrameShownHook([&](QDialog *shown) {
        disabledWhileShown = host.modelessDisabledCount();
        if (auto *cancel = shown->findChild<QPushButton *>(QStringLiteral("cancel")))
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    QWidget *swatch = win::WidgetOfWindow(win::GetDlgItem(pageWindow, IDC_ITEMBACKCOLOR));
    ASSERT_NE(swatch, nullptr);
    QTest::mouseClick(swatch, Qt::LeftButton, {}, QPoint(swatch->width() / 2, swatch->height() / 2));
    QApplication::processEvents();
    win::SetPropertyFrameShownHook(nullptr);
    EXPECT_EQ(disabledWhileShown, 1);
    EXPECT_EQ(host.modelessDisabledCount(), 0);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE) << "a cancelled colour frame changes nothing";
    page->Deactivate();
    page->SetObjects(0, nullptr);
    page.reset();
    win::DestroyWindow(owner);
    host.destroyControl();
}

TEST_F(ComboPageLibraryTest, ThePropertiesVerbShowsTheSixPagesInTheFrame)
{
    namespace win = platform::win;
    win::ControlHostWidget host;
    host.resize(160, 24);
    host.setUserMode(false);
    ASSERT_EQ(host.createControl(QStringLiteral("Brenwold.Combo7"), QStringLiteral("zoCombo1")), S_OK);
    ComPtr<win::IOleObject> ole;
    ASSERT_EQ(host.queryControl(win::IID_IOleObject, ole.putVoid()), S_OK);
    QStringList titles;
    win::SetPropertyFrameShownHook([&](QDialog *frame) {
        if (auto *tabs = frame->findChild<QTabWidget *>(QStringLiteral("tabs")))
            for (int i = 0; i < tabs->count(); ++i)
                titles << tabs->tabText(i);
        if (auto *cancel = frame->findChild<QPushButton *>(QStringLiteral("cancel")))
            QTest::mouseClick(cancel, Qt::LeftButton);
    });
    ComPtr<win::IOleClientSite> site;
    ole->GetClientSite(site.put());
    const HRESULT hr = ole->DoVerb(win::OLEIVERB_PRIMARY, nullptr, site.get(), 0, 0, nullptr);
    win::SetPropertyFrameShownHook(nullptr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(titles, (QStringList{QStringLiteral("全般"), QStringLiteral("表示"), QStringLiteral("ﾌｫｰﾏｯﾄ"),
                                   QStringLiteral("参照ﾃｰﾌﾞﾙ"), QStringLiteral("ﾎﾞﾀﾝ定義"), QStringLiteral("リスト")}));
    ole.reset();
    host.destroyControl();
}
