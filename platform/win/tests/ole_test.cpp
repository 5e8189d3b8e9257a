// The OLE control framework: a control served from a library registered in a
// temporary registry, hosted by ControlHostWidget under the offscreen
// platform.
#include "platform/com/font.h"
#include "platform/com/persist.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/ole/olecontrol.h"
#include "platform/win/embed.h"
#include "platform/win/gdi.h"
#include "platform/win/window.h"
#include "x11window.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using namespace platform::com;
using namespace platform::win;

namespace {

const QString kProgId = QStringLiteral("Talvik.TestOleControl");
const QString kClsidText = QStringLiteral("{5A3C0F10-77AB-4C21-9E10-3D216B801142}");

// Registers the test control's library in a temporary registry for one test.
class OleHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerInprocServer(GUID::fromString(kClsidText), kProgId, QStringLiteral("Test control"),
                                       QStringLiteral(OLE_TEST_CONTROL), QStringLiteral("Apartment")),
                  S_OK);
        m_windowsBefore = WindowCount();
        m_form = std::make_unique<QWidget>();
        m_form->resize(400, 300);
    }
    void TearDown() override
    {
        m_form.reset();
        EXPECT_EQ(OleControlBase::LiveCount(), 0) << "every control released";
        EXPECT_EQ(ControlHostWidget::LiveObjectCount(), 0) << "every site-side object released";
        EXPECT_EQ(WindowCount(), m_windowsBefore) << "every window destroyed";
        qunsetenv("TALVIK_REGISTRY");
    }

    ControlHostWidget *makeHost(QWidget *parent, const QRect &geometry)
    {
        auto *host = new ControlHostWidget(parent);
        host->setGeometry(geometry);
        return host;
    }

    static ComPtr<IDispatch> dispatchOf(ControlHostWidget *host)
    {
        ComPtr<IDispatch> d;
        host->queryControl(IID_IDispatch, d.putVoid());
        return d;
    }
    static Variant get(IDispatch *d, const QString &name)
    {
        Variant v;
        EXPECT_EQ(invokeByName(d, name, DISPATCH_PROPERTYGET, {}, &v), S_OK) << name.toStdString();
        return v;
    }
    static HRESULT put(IDispatch *d, const QString &name, const Variant &value)
    {
        return invokeByName(d, name, DISPATCH_PROPERTYPUT, {value}, nullptr);
    }
    static Variant r4(float x)
    {
        Variant v;
        v.vt = VT_R4;
        v.fltVal = x;
        return v;
    }
    static QString logOf(ControlHostWidget *host) { return get(dispatchOf(host).get(), QStringLiteral("Log")).toQString(); }

    // The names of what the extender's EnumControls gives, resolved as a
    // container does: a control's extender through its site, else the
    // object's own IDispatch; "Name(Index)" for control arrays.
    static QStringList enumNames(IUnknown *asker, DWORD flags, DWORD which)
    {
        ComPtr<IVBGetControl> get;
        EXPECT_EQ(asker->QueryInterface(IID_IVBGetControl, get.putVoid()), S_OK);
        ComPtr<IEnumUnknown> e;
        EXPECT_EQ(get->EnumControls(flags, which, e.put()), S_OK);
        QStringList names;
        if (!e)
            return names;
        e->Reset();
        IUnknown *item = nullptr;
        ULONG fetched = 0;
        while (e->Next(1, &item, &fetched) == S_OK && fetched == 1) {
            ComPtr<IUnknown> own = ComPtr<IUnknown>::attach(item);
            ComPtr<IDispatch> ext;
            ComPtr<IOleObject> ole;
            if (SUCCEEDED(own->QueryInterface(IID_IOleObject, ole.putVoid()))) {
                ComPtr<IOleClientSite> site;
                ole->GetClientSite(site.put());
                ComPtr<IOleControlSite> cs;
                site->QueryInterface(IID_IOleControlSite, cs.putVoid());
                cs->GetExtendedControl(ext.put());
            } else {
                own->QueryInterface(IID_IDispatch, ext.putVoid());
            }
            QString name = OleHostTest::get(ext.get(), QStringLiteral("Name")).toQString();
            Variant index;
            if (invokeByName(ext.get(), QStringLiteral("Index"), DISPATCH_PROPERTYGET, {}, &index) == S_OK)
                name += QStringLiteral("(%1)").arg(index.toInt());
            names << name;
        }
        return names;
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_form;
    int m_windowsBefore = 0;
};

ComPtr<IOleClientSite> siteOf(ControlHostWidget *host)
{
    ComPtr<IOleClientSite> site;
    host->control()->GetClientSite(site.put());
    return site;
}

// A property-notify sink that logs and may refuse edits.
class NotifySink final : public IPropertyNotifySink {
public:
    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (iid == IID_IUnknown || iid == IID_IPropertyNotifySink) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT OnChanged(DISPID id) override
    {
        log << QStringLiteral("changed:%1").arg(id);
        return S_OK;
    }
    HRESULT OnRequestEdit(DISPID id) override
    {
        log << QStringLiteral("request:%1").arg(id);
        return refuse ? S_FALSE : S_OK;
    }
    QStringList log;
    bool refuse = false;
    uint32_t refs = 0;
};

} // namespace

TEST(OleUnits, HimetricAndTwipsRoundAt96Dpi)
{
    EXPECT_EQ(PixelsToHimetric(80), 2117); // 2116.67
    EXPECT_EQ(PixelsToHimetric(33), 873);  // 873.125
    EXPECT_EQ(HimetricToPixels(2117), 80);
    EXPECT_EQ(HimetricToPixels(-2117), -80);
    EXPECT_EQ(PixelsToHimetric(-1), -26);
    EXPECT_EQ(PixelsToTwips(7), 105);
    EXPECT_EQ(TwipsToPixels(22), 1); // 1.47
    EXPECT_EQ(TwipsToPixels(23), 2); // 1.53
    EXPECT_EQ(HimetricToTwips(2540), 1440);
    EXPECT_EQ(TwipsToHimetric(1440), 2540);
    for (int px : {0, 1, 15, 79, 80, 81, 640})
        EXPECT_EQ(HimetricToPixels(PixelsToHimetric(px)), px) << px;
}

TEST_F(OleHostTest, CreatesByProgIdLoadsTheBagAndActivatesInPlaceAsAChildOfTheHost)
{
    m_form->show();
    ControlHostWidget *host = makeHost(m_form.get(), QRect(30, 40, 120, 36));
    host->show();
    ComPtr<PropertyBag> bag(new PropertyBag);
    bag->setValue(QStringLiteral("Caption"), Variant::str(QStringLiteral("情報")));
    bag->setValue(QStringLiteral("AutoSize"), Variant::boolean(true));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("ctlA"), bag.get()), S_OK);

    // The site comes before the load (SETCLIENTSITEFIRST), the window last.
    EXPECT_EQ(logOf(host), QStringLiteral("site,load,window"));
    ComPtr<IDispatch> d = dispatchOf(host);
    EXPECT_EQ(get(d.get(), QStringLiteral("Caption")).toQString(), QStringLiteral("情報"));

    const HWND cw = host->controlWindow();
    ASSERT_NE(cw, 0u);
    EXPECT_EQ(GetParent(cw), host->hostWindow());
    EXPECT_TRUE(host->isAncestorOf(WidgetOfWindow(cw)));
    RECT client;
    ASSERT_TRUE(GetClientRect(cw, &client));
    EXPECT_EQ(client, (RECT{0, 0, 120, 36}));
    SIZEL extent;
    ASSERT_EQ(host->control()->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent, PixelsToHimetric(SIZE{120, 36}));
    // Screen positions follow the host widget's place on the form.
    RECT onScreen;
    ASSERT_TRUE(GetWindowRect(cw, &onScreen));
    const QPoint origin = host->mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(onScreen, (RECT{origin.x(), origin.y(), origin.x() + 120, origin.y() + 36}));

    // A resize of the host reaches the control's window and extent.
    host->resize(90, 50);
    ASSERT_TRUE(GetClientRect(cw, &client));
    EXPECT_EQ(client, (RECT{0, 0, 90, 50}));
    ASSERT_EQ(host->control()->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent, PixelsToHimetric(SIZE{90, 50}));
}

TEST_F(OleHostTest, CreationByClsidWithoutABagUsesInitNewAndTheControlsExtent)
{
    ControlHostWidget *host = new ControlHostWidget(m_form.get()); // no size yet
    host->resize(0, 0);
    ASSERT_EQ(host->createControl(kClsidText, QStringLiteral("ctlB")), S_OK);
    EXPECT_EQ(logOf(host), QStringLiteral("site,initnew,window"));
    // The base's default extent is 100 x 50 pixels; the host takes it.
    EXPECT_EQ(host->size(), QSize(100, 50));
}

TEST_F(OleHostTest, UnknownClassesAndBadNamesKeepNothing)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 50, 20));
    const int windows = WindowCount();
    EXPECT_EQ(host->createControl(QStringLiteral("No.Such.Control"), QStringLiteral("x")), CO_E_CLASSSTRING);
    EXPECT_EQ(host->createControl(QStringLiteral("{not a guid}"), QStringLiteral("x")), CO_E_CLASSSTRING);
    EXPECT_EQ(host->createControl(QStringLiteral("{11111111-2222-3333-4444-555555555555}"), QStringLiteral("x")),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(host->control(), nullptr);
    EXPECT_EQ(host->extender(), nullptr);
    EXPECT_EQ(WindowCount(), windows);
    // A second control on the same host is refused; the first stays.
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("one")), S_OK);
    IOleObject *first = host->control();
    EXPECT_EQ(host->createControl(kProgId, QStringLiteral("two")), E_UNEXPECTED);
    EXPECT_EQ(host->control(), first);
    EXPECT_EQ(host->controlName(), QStringLiteral("one"));
}

TEST_F(OleHostTest, AmbientPropertiesAndUserModeChanges)
{
    QPalette pal = m_form->palette();
    pal.setColor(QPalette::Window, QColor(0x12, 0x34, 0x56));
    pal.setColor(QPalette::WindowText, QColor(0xAB, 0xCD, 0xEF));
    m_form->setPalette(pal);
    QFont font(QStringLiteral("Sans"));
    font.setPointSize(12);
    font.setBold(true);
    m_form->setFont(font);
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 80, 30));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("zoComboCustom")), S_OK);

    ComPtr<IDispatch> ambient;
    ASSERT_EQ(siteOf(host)->QueryInterface(IID_IDispatch, ambient.putVoid()), S_OK);
    auto ambientValue = [&](DISPID id) {
        Variant v;
        DISPPARAMS none;
        EXPECT_EQ(ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr), S_OK) << id;
        return v;
    };
    Variant back = ambientValue(DISPID_AMBIENT_BACKCOLOR);
    EXPECT_EQ(back.vt, VT_I4);
    EXPECT_EQ(static_cast<uint32_t>(back.lVal), 0x563412u) << "OLE colours are 0x00BBGGRR";
    EXPECT_EQ(static_cast<uint32_t>(ambientValue(DISPID_AMBIENT_FORECOLOR).lVal), 0xEFCDABu);
    EXPECT_EQ(ambientValue(DISPID_AMBIENT_DISPLAYNAME).toQString(), QStringLiteral("zoComboCustom"));
    Variant locale = ambientValue(DISPID_AMBIENT_LOCALEID);
    EXPECT_EQ(locale.vt, VT_I4);
    EXPECT_EQ(locale.lVal, 0x411);
    for (DISPID id : {DISPID_AMBIENT_UIDEAD, DISPID_AMBIENT_SHOWGRABHANDLES, DISPID_AMBIENT_SHOWHATCHING}) {
        Variant v = ambientValue(id);
        EXPECT_EQ(v.vt, VT_BOOL) << id;
        EXPECT_EQ(v.boolVal, VARIANT_FALSE) << id;
    }
    Variant f = ambientValue(DISPID_AMBIENT_FONT);
    ASSERT_EQ(f.vt, VT_DISPATCH);
    ComPtr<IFont> ifont;
    ASSERT_EQ(f.pdispVal->QueryInterface(IID_IFont, ifont.putVoid()), S_OK);
    Bstr name;
    ifont->get_Name(name.put());
    EXPECT_EQ(name.toQString(), QStringLiteral("Sans"));
    int64_t size = 0;
    ifont->get_Size(&size);
    EXPECT_EQ(size, 120000);
    VARIANT_BOOL bold = VARIANT_FALSE;
    ifont->get_Bold(&bold);
    EXPECT_EQ(bold, VARIANT_TRUE);
    Variant none;
    DISPPARAMS noArgs;
    EXPECT_EQ(ambient->Invoke(-799, IID_NULL, 0, DISPATCH_PROPERTYGET, &noArgs, &none, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYPUT, &noArgs, &none, nullptr,
                              nullptr),
              DISP_E_MEMBERNOTFOUND)
        << "ambients are read-only";

    // UserMode: read by the control when its site was set, re-read when the
    // host changes it (design mode for the designer harness).
    ComPtr<IDispatch> d = dispatchOf(host);
    EXPECT_EQ(get(d.get(), QStringLiteral("UserMode")).boolVal, VARIANT_TRUE);
    host->setUserMode(false);
    EXPECT_EQ(ambientValue(DISPID_AMBIENT_USERMODE).boolVal, VARIANT_FALSE);
    EXPECT_EQ(get(d.get(), QStringLiteral("UserMode")).boolVal, VARIANT_FALSE);
    host->setUserMode(false); // no change, no notice
    EXPECT_EQ(get(d.get(), QStringLiteral("AmbientChanges")).toQString(), QStringLiteral("-709"));
}

TEST_F(OleHostTest, ExtenderReadsAndWritesTwipsMovingAPlainWidget)
{
    ControlHostWidget *container = makeHost(m_form.get(), QRect(10, 10, 300, 200));
    auto *button = new QPushButton(QStringLiteral("時　　　刻"), container);
    button->setGeometry(30, 20, 60, 25);
    auto *other = new QPushButton(QStringLiteral("x"), m_form.get()); // a sibling laid over the container
    other->setGeometry(10 + 5, 10 + 7, 40, 20);
    ASSERT_EQ(container->createControl(kProgId, QStringLiteral("zoContainer3D1")), S_OK);
    container->addContainedWidget(button, QStringLiteral("cmdTime"));
    container->addContainedWidget(other, QStringLiteral("cmdArr"), 2);

    ComPtr<IVBGetControl> get;
    ASSERT_EQ(container->extender()->QueryInterface(IID_IVBGetControl, get.putVoid()), S_OK);
    ComPtr<IEnumUnknown> e;
    ASSERT_EQ(get->EnumControls(OLECONTF_EMBEDDINGS | OLECONTF_OTHERS | OLECONTF_ONLYUSER, GC_WCH_CONTAINED, e.put()),
              S_OK);
    IUnknown *items[2] = {};
    ULONG fetched = 0;
    ASSERT_EQ(e->Next(2, items, &fetched), S_OK);
    ASSERT_EQ(fetched, 2u);
    ComPtr<IUnknown> first = ComPtr<IUnknown>::attach(items[0]), second = ComPtr<IUnknown>::attach(items[1]);
    ComPtr<IOleObject> noOle;
    EXPECT_EQ(first->QueryInterface(IID_IOleObject, noOle.putVoid()), E_NOINTERFACE) << "a plain widget is no OLE object";
    ComPtr<IDispatch> ext;
    ASSERT_EQ(first->QueryInterface(IID_IDispatch, ext.putVoid()), S_OK);

    Variant left = OleHostTest::get(ext.get(), QStringLiteral("Left"));
    EXPECT_EQ(left.vt, VT_R4);
    EXPECT_EQ(left.fltVal, 450.0f);
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("top")).fltVal, 300.0f) << "names ignore case";
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("Width")).fltVal, 900.0f);
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("Height")).fltVal, 375.0f);
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("Visible")).boolVal, VARIANT_TRUE);
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("AutoSize")).boolVal, VARIANT_FALSE);
    EXPECT_EQ(OleHostTest::get(ext.get(), QStringLiteral("Name")).toQString(), QStringLiteral("cmdTime"));
    Variant index;
    EXPECT_NE(invokeByName(ext.get(), QStringLiteral("Index"), DISPATCH_PROPERTYGET, {}, &index), S_OK)
        << "Index exists only for control arrays";

    EXPECT_EQ(put(ext.get(), QStringLiteral("Left"), r4(600)), S_OK);
    EXPECT_EQ(put(ext.get(), QStringLiteral("Top"), r4(157)), S_OK); // 10.47 px
    EXPECT_EQ(put(ext.get(), QStringLiteral("Width"), r4(1500)), S_OK);
    EXPECT_EQ(put(ext.get(), QStringLiteral("Height"), Variant::i4(450)), S_OK);
    EXPECT_EQ(button->geometry(), QRect(40, 10, 100, 30));
    // Bad values change nothing.
    EXPECT_EQ(put(ext.get(), QStringLiteral("Width"), r4(-30)), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_NE(put(ext.get(), QStringLiteral("Left"), Variant::str(QStringLiteral("abc"))), S_OK);
    EXPECT_NE(put(ext.get(), QStringLiteral("Name"), Variant::str(QStringLiteral("abc"))), S_OK);
    EXPECT_EQ(button->geometry(), QRect(40, 10, 100, 30));
    EXPECT_EQ(put(ext.get(), QStringLiteral("Visible"), Variant::boolean(false)), S_OK);
    EXPECT_TRUE(button->isHidden());

    // A widget that is not a child of the container counts from the
    // container's corner all the same; a write lands in its own parent.
    ComPtr<IDispatch> ext2;
    ASSERT_EQ(second->QueryInterface(IID_IDispatch, ext2.putVoid()), S_OK);
    EXPECT_EQ(OleHostTest::get(ext2.get(), QStringLiteral("Left")).fltVal, 75.0f);
    EXPECT_EQ(OleHostTest::get(ext2.get(), QStringLiteral("Top")).fltVal, 105.0f);
    EXPECT_EQ(OleHostTest::get(ext2.get(), QStringLiteral("Index")).toInt(), 2);
    EXPECT_EQ(put(ext2.get(), QStringLiteral("Left"), r4(300)), S_OK);
    EXPECT_EQ(other->pos(), QPoint(30, 17));
}

TEST_F(OleHostTest, HostedControlsExtenderCountsFromItsContainerAndForwardsTheControlsMembers)
{
    ControlHostWidget *container = makeHost(m_form.get(), QRect(10, 10, 300, 200));
    ControlHostWidget *inner = makeHost(container, QRect(8, 6, 100, 30));
    ASSERT_EQ(container->createControl(kProgId, QStringLiteral("frame")), S_OK);
    ASSERT_EQ(inner->createControl(kProgId, QStringLiteral("combo"), nullptr, 3), S_OK);
    container->addContainedControl(inner);
    EXPECT_EQ(inner->containerHost(), container);

    ComPtr<IOleControlSite> cs;
    ASSERT_EQ(siteOf(inner)->QueryInterface(IID_IOleControlSite, cs.putVoid()), S_OK);
    ComPtr<IDispatch> ext;
    ASSERT_EQ(cs->GetExtendedControl(ext.put()), S_OK);
    EXPECT_EQ(ext.get(), inner->extender());
    EXPECT_EQ(get(ext.get(), QStringLiteral("Left")).fltVal, 120.0f);
    EXPECT_EQ(get(ext.get(), QStringLiteral("Top")).fltVal, 90.0f);
    EXPECT_EQ(get(ext.get(), QStringLiteral("Index")).toInt(), 3);
    // AutoSize and other members are the control's own.
    EXPECT_EQ(get(ext.get(), QStringLiteral("AutoSize")).boolVal, VARIANT_FALSE);
    EXPECT_EQ(put(ext.get(), QStringLiteral("AutoSize"), Variant::boolean(true)), S_OK);
    EXPECT_EQ(get(dispatchOf(inner).get(), QStringLiteral("AutoSize")).boolVal, VARIANT_TRUE);
    EXPECT_EQ(put(ext.get(), QStringLiteral("Caption"), Variant::str(QStringLiteral("via extender"))), S_OK);
    EXPECT_EQ(get(dispatchOf(inner).get(), QStringLiteral("Caption")).toQString(), QStringLiteral("via extender"));
    // Writing the position moves the host and so the control's window.
    EXPECT_EQ(put(ext.get(), QStringLiteral("Width"), r4(1800)), S_OK);
    EXPECT_EQ(inner->width(), 120);
    RECT client;
    ASSERT_TRUE(GetClientRect(inner->controlWindow(), &client));
    EXPECT_EQ(client.right, 120);
}

TEST_F(OleHostTest, EnumControlsListsContainedItemsInDeclarationOrder)
{
    ControlHostWidget *container = makeHost(m_form.get(), QRect(0, 0, 300, 200));
    auto *a = new QPushButton(container);
    ControlHostWidget *combo = makeHost(container, QRect(10, 10, 80, 20));
    auto *b = new QPushButton(container);
    ASSERT_EQ(container->createControl(kProgId, QStringLiteral("frame")), S_OK);
    ASSERT_EQ(combo->createControl(kProgId, QStringLiteral("combo")), S_OK);
    container->addContainedWidget(a, QStringLiteral("cmdA"));
    container->addContainedControl(combo);
    container->addContainedWidget(b, QStringLiteral("cmdB"), 0);
    container->addContainedWidget(a, QStringLiteral("again")); // declared once only

    IUnknown *frameExt = container->extender();
    EXPECT_EQ(enumNames(frameExt, 13, GC_WCH_CONTAINED), (QStringList{"cmdA", "combo", "cmdB(0)"}));
    EXPECT_EQ(enumNames(frameExt, OLECONTF_EMBEDDINGS, GC_WCH_CONTAINED), (QStringList{"combo"}));
    EXPECT_EQ(enumNames(frameExt, OLECONTF_OTHERS, GC_WCH_CONTAINED), (QStringList{"cmdA", "cmdB(0)"}));
    EXPECT_EQ(enumNames(frameExt, 13, GC_WCH_ALL), (QStringList{"frame", "cmdA", "combo", "cmdB(0)"}));
    // From the combo: its siblings and its container; it contains nothing.
    EXPECT_EQ(enumNames(combo->extender(), 13, GC_WCH_SIBLING), (QStringList{"cmdA", "cmdB(0)"}));
    EXPECT_EQ(enumNames(combo->extender(), 13, GC_WCH_CONTAINER), (QStringList{"frame"}));
    EXPECT_TRUE(enumNames(combo->extender(), 13, GC_WCH_CONTAINED).isEmpty());
    // The site answers as the extender does.
    EXPECT_EQ(enumNames(siteOf(container).get(), 13, GC_WCH_CONTAINED), (QStringList{"cmdA", "combo", "cmdB(0)"}));
    // A widget deleted from the form drops out.
    delete a;
    EXPECT_EQ(enumNames(frameExt, 13, GC_WCH_CONTAINED), (QStringList{"combo", "cmdB(0)"}));

    // Next, Skip and Clone of the enumerator.
    ComPtr<IVBGetControl> get;
    frameExt->QueryInterface(IID_IVBGetControl, get.putVoid());
    ComPtr<IEnumUnknown> e;
    ASSERT_EQ(get->EnumControls(13, GC_WCH_CONTAINED, e.put()), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    ComPtr<IEnumUnknown> copy;
    ASSERT_EQ(e->Clone(copy.put()), S_OK);
    IUnknown *items[3] = {};
    ULONG fetched = 9;
    EXPECT_EQ(copy->Next(3, items, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    ComPtr<IUnknown>::attach(items[0]);
    EXPECT_EQ(e->Skip(5), S_FALSE);
    EXPECT_EQ(e->Next(3, items, nullptr), E_POINTER) << "more than one item needs a count";
}

TEST_F(OleHostTest, OnPosRectChangeResizesTheHostAndTheControl)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(20, 20, 80, 30));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("frame")), S_OK);
    ComPtr<IDispatch> d = dispatchOf(host);
    Variant result;
    ASSERT_EQ(invokeByName(d.get(), QStringLiteral("RequestSize"), DISPATCH_METHOD,
                           {Variant::i4(200), Variant::i4(60)}, &result),
              S_OK);
    EXPECT_EQ(result.scode, S_OK);
    EXPECT_EQ(host->geometry(), QRect(20, 20, 200, 60)) << "left and top stay";
    RECT client;
    ASSERT_TRUE(GetClientRect(host->controlWindow(), &client));
    EXPECT_EQ(client, (RECT{0, 0, 200, 60}));
    SIZEL extent;
    host->control()->GetExtent(DVASPECT_CONTENT, &extent);
    EXPECT_EQ(extent, PixelsToHimetric(SIZE{200, 60}));
    // An inverted rectangle is refused and changes nothing.
    ASSERT_EQ(invokeByName(d.get(), QStringLiteral("RequestSize"), DISPATCH_METHOD,
                           {Variant::i4(-5), Variant::i4(60)}, &result),
              S_OK);
    EXPECT_EQ(result.scode, E_INVALIDARG);
    EXPECT_EQ(host->size(), QSize(200, 60));
}

TEST_F(OleHostTest, KeysReachTranslateAcceleratorBeforeTheWindow)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 120, 30));
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("combo")), S_OK);
    QStringList formSaw;
    host->setAcceleratorHandler([&](MSG *msg, DWORD mods) {
        formSaw << QStringLiteral("%1/%2").arg(msg->wParam).arg(mods);
        return msg->wParam == 'Q' ? S_OK : S_FALSE;
    });
    const HWND cw = host->controlWindow();
    QWidget *w = WidgetOfWindow(cw);
    SetFocus(cw);
    ComPtr<IDispatch> d = dispatchOf(host);
    put(d.get(), QStringLiteral("EatKey"), Variant::i4('B'));

    QTest::keyPress(w, Qt::Key_A);
    QTest::keyPress(w, Qt::Key_B);
    QTest::keyPress(w, Qt::Key_X, Qt::ControlModifier);
    QTest::keyPress(w, Qt::Key_Q);
    const QString log = logOf(host);
    // A: seen first by the control, then by the form, then by the window;
    // B: eaten by the control; Ctrl+X: the form sees the Ctrl modifier;
    // Q: taken by the form, so the window never sees it.
    EXPECT_TRUE(log.endsWith(QStringLiteral("accel:65,keydown:65,accel:66,accel:17,keydown:17,accel:88,keydown:88,accel:81")))
        << log.toStdString();
    EXPECT_TRUE(formSaw.contains(QStringLiteral("65/0")));
    EXPECT_TRUE(formSaw.contains(QStringLiteral("88/2")));
    EXPECT_FALSE(formSaw.contains(QStringLiteral("66/0"))) << "a key the control used goes no further";

    // Keys for a plain widget on the host are not the control's.
    auto *button = new QPushButton(host);
    host->addContainedWidget(button, QStringLiteral("cmd"));
    QTest::keyPress(button, Qt::Key_C);
    EXPECT_FALSE(logOf(host).contains(QStringLiteral("accel:67")));
}

TEST_F(OleHostTest, AltWithAControlsMnemonicFocusesItAndCallsOnMnemonic)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 120, 30));
    auto *edit = new QLineEdit(m_form.get());
    edit->setGeometry(0, 40, 120, 24);
    m_form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_form.get()));
    // The focus moves within the window once it is the active one.
    ASSERT_TRUE(talviktest::activateWindowAsAPersonDoes(m_form.get()));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("ctl")), S_OK);
    ASSERT_TRUE(host->isTabStop());
    ComPtr<IDispatch> d = dispatchOf(host);
    ASSERT_EQ(put(d.get(), QStringLiteral("Caption"), Variant::str(QStringLiteral("&Name"))), S_OK);
    const HWND cw = host->controlWindow();
    const auto mnemonics = [&] { return logOf(host).count(QStringLiteral("mnemonic:")); };

    // Keys that are not the mnemonic stay the edit's.
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_N);
    QTest::keyClick(edit, Qt::Key_N, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(mnemonics(), 0);
    EXPECT_TRUE(edit->hasFocus());

    // Alt+N from another widget of the window reaches the control.
    QTest::keyClick(edit, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(logOf(host).contains(QStringLiteral("mnemonic:78"))) << logOf(host).toStdString();
    EXPECT_EQ(GetFocus(), cw);
    EXPECT_EQ(QApplication::focusWidget(), WidgetOfWindow(cw));

    // A new caption brings its own mnemonic; the old one is gone.
    ASSERT_EQ(put(d.get(), QStringLiteral("Caption"), Variant::str(QStringLiteral("&Other"))), S_OK);
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(mnemonics(), 1);
    EXPECT_TRUE(edit->hasFocus());
    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(mnemonics(), 2);

    // Keys of another window, or a hidden control, are not its mnemonic.
    QWidget other;
    auto *otherEdit = new QLineEdit(&other);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    QTest::keyClick(otherEdit, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(mnemonics(), 2);
    host->hide();
    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
    EXPECT_EQ(mnemonics(), 2);
}

TEST_F(OleHostTest, PropertyChangesReachAnAdvisedSink)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 80, 30));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("combo")), S_OK);
    ComPtr<IConnectionPointContainer> cpc;
    ASSERT_EQ(host->queryControl(IID_IConnectionPointContainer, cpc.putVoid()), S_OK);
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    ComPtr<IConnectionPoint> none;
    EXPECT_EQ(cpc->FindConnectionPoint(IID_IDispatch, none.put()), CONNECT_E_NOCONNECTION);
    NotifySink sink;
    uint32_t cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);

    ComPtr<IDispatch> d = dispatchOf(host);
    ASSERT_EQ(put(d.get(), QStringLiteral("Caption"), Variant::str(QStringLiteral("a"))), S_OK);
    EXPECT_EQ(sink.log, (QStringList{"request:1", "changed:1"}));
    sink.refuse = true;
    ASSERT_EQ(put(d.get(), QStringLiteral("Caption"), Variant::str(QStringLiteral("b"))), S_OK);
    EXPECT_EQ(sink.log, (QStringList{"request:1", "changed:1", "request:1"}));
    EXPECT_EQ(get(d.get(), QStringLiteral("Caption")).toQString(), QStringLiteral("a")) << "refused edit kept";
    ASSERT_EQ(cp->Unadvise(cookie), S_OK);
    EXPECT_EQ(sink.refs, 0u);
}

TEST_F(OleHostTest, DestroyingTheHostDeactivatesClosesAndReleasesInOrder)
{
    auto *host = makeHost(m_form.get(), QRect(0, 0, 80, 30));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("combo")), S_OK);
    ComPtr<IOleObject> kept(host->control());
    ComPtr<IDispatch> d = dispatchOf(host);
    const HWND cw = host->controlWindow();
    ASSERT_TRUE(IsWindow(cw));
    EXPECT_EQ(OleControlBase::LiveCount(), 1);

    delete host;
    // Still held here: deactivated (window gone), site let go.
    EXPECT_FALSE(IsWindow(cw));
    EXPECT_EQ(OleControlBase::LiveCount(), 1);
    ComPtr<IOleClientSite> site;
    EXPECT_EQ(kept->GetClientSite(site.put()), S_OK);
    EXPECT_EQ(site.get(), nullptr);
    HWND hwnd = 1;
    ComPtr<IOleInPlaceObject> inPlace;
    kept->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid());
    EXPECT_EQ(inPlace->GetWindow(&hwnd), E_FAIL);
    EXPECT_EQ(get(d.get(), QStringLiteral("Log")).toQString(), QStringLiteral("site,initnew,window,destroy,wm_destroy"));
    EXPECT_EQ(ControlHostWidget::LiveObjectCount(), 0) << "site, extender and frame freed with the host";
    inPlace.reset();
    d.reset();
    kept.reset();
    EXPECT_EQ(OleControlBase::LiveCount(), 0);
}

TEST_F(OleHostTest, ControlSideWithoutASiteAndBadArguments)
{
    ComPtr<IOleObject> ole;
    ASSERT_EQ(CoCreateInstance(GUID::fromString(kClsidText), nullptr, IID_IOleObject, ole.putVoid()), S_OK);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, 0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(ole->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, 0, nullptr), E_NOTIMPL);
    EXPECT_EQ(ole->DoVerb(7, nullptr, nullptr, 0, 0, nullptr), OLEOBJ_S_INVALIDVERB);
    SIZEL bad{-1, 10};
    EXPECT_EQ(ole->SetExtent(DVASPECT_CONTENT, &bad), E_INVALIDARG);
    SIZEL extent;
    EXPECT_EQ(ole->GetExtent(DVASPECT_ICON, &extent), DV_E_DVASPECT);
    EXPECT_EQ(ole->GetExtent(DVASPECT_CONTENT, &extent), S_OK);
    EXPECT_EQ(extent, PixelsToHimetric(SIZE{100, 50}));
    DWORD misc = 0;
    EXPECT_EQ(ole->GetMiscStatus(DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_TRUE(misc & OLEMISC_SETCLIENTSITEFIRST);
    CLSID clsid;
    EXPECT_EQ(ole->GetUserClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, GUID::fromString(kClsidText));

    ComPtr<IOleControl> control;
    ASSERT_EQ(ole->QueryInterface(IID_IOleControl, control.putVoid()), S_OK);
    EXPECT_EQ(control->GetControlInfo(nullptr), E_POINTER);
    CONTROLINFO info;
    info.cAccel = 9;
    EXPECT_EQ(control->GetControlInfo(&info), S_OK);
    EXPECT_EQ(info.cb, sizeof(CONTROLINFO));
    EXPECT_EQ(info.cAccel, 0);

    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(ole->QueryInterface(IID_IViewObjectEx, view.putVoid()), S_OK);
    DWORD status = 0;
    EXPECT_EQ(view->GetViewStatus(&status), S_OK);
    EXPECT_EQ(status, VIEWSTATUS_OPAQUE | VIEWSTATUS_SOLIDBKGND);
    const RECTL bounds{2, 3, 12, 13};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, 0, 0, &bounds, nullptr, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, 0, 1, nullptr, nullptr, nullptr, 0), E_INVALIDARG)
        << "no bounds and not active";
    EXPECT_EQ(view->Draw(DVASPECT_ICON, -1, nullptr, nullptr, 0, 1, &bounds, nullptr, nullptr, 0), DV_E_DVASPECT);
    const RECT hit{0, 0, 10, 10};
    DWORD result = 7;
    EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &hit, POINT{9, 9}, 0, &result), S_OK);
    EXPECT_EQ(result, HITRESULT_HIT);
    EXPECT_EQ(view->QueryHitPoint(DVASPECT_CONTENT, &hit, POINT{10, 5}, 0, &result), S_OK);
    EXPECT_EQ(result, HITRESULT_OUTSIDE);
    ComPtr<IOleInPlaceObject> inPlace;
    ASSERT_EQ(ole->QueryInterface(IID_IOleInPlaceObject, inPlace.putVoid()), S_OK);
    EXPECT_EQ(inPlace->SetObjectRects(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK) << "not active: nothing to do";
}

TEST_F(OleHostTest, DrawPaintsIntoTheGivenBounds)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 40, 20));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("combo")), S_OK);
    ComPtr<IViewObjectEx> view;
    ASSERT_EQ(host->queryControl(IID_IViewObjectEx, view.putVoid()), S_OK);
    HDC dc = GetDC(host->hostWindow());
    ASSERT_NE(dc, 0u);
    const RECTL bounds{2, 3, 12, 13};
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, 0, dc, &bounds, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(dc, 2, 3), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dc, 11, 12), RGB(0, 0, 255));
    EXPECT_NE(GetPixel(dc, 12, 12), RGB(0, 0, 255)) << "right and bottom are outside";
    // Without bounds an active control draws into its position rectangle.
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, 0, dc, nullptr, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(GetPixel(dc, 39, 19), RGB(0, 0, 255));
    ReleaseDC(host->hostWindow(), dc);
    EXPECT_TRUE(logOf(host).endsWith(QStringLiteral("draw:2,3,12,13,draw:0,0,40,20")));
}

TEST_F(OleHostTest, VerbsHideAndShowTheWindowAndTheSiteConvertsCoordinatesToTwips)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 40, 20));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("combo")), S_OK);
    const HWND cw = host->controlWindow();
    ComPtr<IOleClientSite> site = siteOf(host);
    EXPECT_TRUE(IsWindowVisible(cw));
    EXPECT_EQ(host->control()->DoVerb(OLEIVERB_HIDE, nullptr, site.get(), 0, host->hostWindow(), nullptr), S_OK);
    EXPECT_FALSE(IsWindowVisible(cw));
    EXPECT_EQ(host->control()->DoVerb(OLEIVERB_SHOW, nullptr, site.get(), 0, host->hostWindow(), nullptr), S_OK);
    EXPECT_TRUE(IsWindowVisible(cw));
    EXPECT_EQ(host->controlWindow(), cw) << "an active control keeps its window";

    ComPtr<IOleControlSite> cs;
    ASSERT_EQ(site->QueryInterface(IID_IOleControlSite, cs.putVoid()), S_OK);
    POINTL him{2540, -1270};
    POINTF twips;
    ASSERT_EQ(cs->TransformCoords(&him, &twips, XFORMCOORDS_POSITION | XFORMCOORDS_HIMETRICTOCONTAINER), S_OK);
    EXPECT_FLOAT_EQ(twips.x, 1440.0f);
    EXPECT_FLOAT_EQ(twips.y, -720.0f);
    POINTF back{720.0f, 15.0f};
    ASSERT_EQ(cs->TransformCoords(&him, &back, XFORMCOORDS_SIZE | XFORMCOORDS_CONTAINERTOHIMETRIC), S_OK);
    EXPECT_EQ(him.x, 1270);
    EXPECT_EQ(him.y, 26);
    EXPECT_EQ(cs->TransformCoords(&him, &back, XFORMCOORDS_POSITION), E_INVALIDARG);
    EXPECT_EQ(cs->TransformCoords(nullptr, &back, XFORMCOORDS_HIMETRICTOCONTAINER), E_POINTER);
}

TEST(EmbeddedWindow, OnlyTopLevelWindowsGoIntoAWidget)
{
    WNDCLASSA wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "EmbedProbe";
    RegisterClassA(&wc);
    QWidget form;
    form.setGeometry(100, 80, 200, 100);
    QWidget place(&form);
    place.setGeometry(20, 10, 100, 50);
    const HWND top = CreateWindowExA(0, "EmbedProbe", "", 0, 5, 6, 30, 20, 0, 0, 0, nullptr);
    const HWND kid = CreateWindowExA(0, "EmbedProbe", "", WS_CHILD, 1, 2, 10, 10, top, 0, 0, nullptr);
    EXPECT_FALSE(EmbedWindowInWidget(kid, &place));
    EXPECT_FALSE(EmbedWindowInWidget(top, nullptr));
    EXPECT_FALSE(EmbedWindowInWidget(0, &place));
    ASSERT_TRUE(EmbedWindowInWidget(top, &place));
    EXPECT_EQ(WidgetOfWindow(top)->parentWidget(), &place);
    EXPECT_EQ(WidgetOfWindow(top)->geometry(), QRect(5, 6, 30, 20));
    // Screen coordinates of the window and its child go through the widget.
    POINT p{0, 0};
    ClientToScreen(kid, &p);
    const QPoint expected = place.mapToGlobal(QPoint(5 + 1, 6 + 2));
    EXPECT_EQ(p.x, expected.x());
    EXPECT_EQ(p.y, expected.y());
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(kid));
    UnregisterClassA("EmbedProbe", 0);
}

TEST_F(OleHostTest, TheFrameCountsModelessDisabling)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 40, 20));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("frame")), S_OK);
    ComPtr<IDispatch> d = dispatchOf(host);
    auto modeless = [&](bool enable) {
        return invokeByName(d.get(), QStringLiteral("Modeless"), DISPATCH_METHOD, {Variant::boolean(enable)}, nullptr);
    };
    EXPECT_EQ(host->modelessDisabledCount(), 0);
    ASSERT_EQ(modeless(false), S_OK);
    ASSERT_EQ(modeless(false), S_OK);
    EXPECT_EQ(host->modelessDisabledCount(), 2);
    ASSERT_EQ(modeless(true), S_OK);
    ASSERT_EQ(modeless(true), S_OK);
    ASSERT_EQ(modeless(true), S_OK); // one too many: stays at zero
    EXPECT_EQ(host->modelessDisabledCount(), 0);
}

TEST_F(OleHostTest, AControlReleasedWhileActiveTakesItsWindowAlong)
{
    ControlHostWidget *host = makeHost(m_form.get(), QRect(0, 0, 60, 30));
    ASSERT_EQ(host->createControl(kProgId, QStringLiteral("frame")), S_OK);
    // A second control on the same site, let go without Close.
    const int windows = WindowCount();
    ComPtr<IOleObject> loose;
    ASSERT_EQ(CoCreateInstance(GUID::fromString(kClsidText), nullptr, IID_IOleObject, loose.putVoid()), S_OK);
    ComPtr<IOleClientSite> site = siteOf(host);
    ASSERT_EQ(loose->SetClientSite(site.get()), S_OK);
    const RECT rect{1, 2, 21, 12};
    ASSERT_EQ(loose->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.get(), 0, host->hostWindow(), &rect), S_OK);
    ComPtr<IOleWindow> window;
    ASSERT_EQ(loose->QueryInterface(IID_IOleWindow, window.putVoid()), S_OK);
    HWND hwnd = 0;
    ASSERT_EQ(window->GetWindow(&hwnd), S_OK);
    EXPECT_EQ(GetParent(hwnd), host->hostWindow());
    RECT r;
    GetWindowRect(hwnd, &r);
    RECT hostRect;
    GetWindowRect(host->hostWindow(), &hostRect);
    EXPECT_EQ(r.left - hostRect.left, 1);
    EXPECT_EQ(r.bottom - r.top, 10);
    EXPECT_EQ(WindowCount(), windows + 1);
    window.reset();
    loose.reset();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(WindowCount(), windows);
    EXPECT_EQ(OleControlBase::LiveCount(), 1) << "only the hosted one is left";
}
