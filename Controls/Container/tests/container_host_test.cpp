// The container as Talvik hosts it: made by ProgID from the registered
// library, in-place active in a host widget with plain widgets placed on it.
// Frames around those widgets by ApplyEffect, hidden widgets, the AutoSize
// fit, the repaint around the widgets, mouse events from real input, change
// notifications of the sub-objects, the bag through the host, destruction.
#include "ContainerPixels.h"
#include "LumafoldTestSupport.h"

#include "Controls/common/AboutDialog.h"
#include "platform/codepage/codepage.h"
#include "platform/win/dialog.h"
#include "platform/win/ole/controlhost.h"
#include "platform/win/ole/olecontrol.h"
#include "pointer.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Readable lists in failure messages.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

using namespace lumafold;
using namespace lumafold::testing;
using namespace platform::win;
using platform::com::GUID;
using platform::com::HRESULT;
using platform::com::IDispatch;
using platform::com::IUnknown;
using platform::com::Variant;
using platform::com::VARIANT_FALSE;
using platform::com::VARIANT_TRUE;

namespace {

const QString kProgId = QStringLiteral("Ryx.Container3D7");

// An event sink of IContainerEvents recording "dispid(args)".
class EventLog final : public IDispatch {
public:
    QStringList events;
    HRESULT QueryInterface(const platform::com::IID &iid, void **object) override
    {
        if (iid == platform::com::IID_IUnknown || iid == platform::com::IID_IDispatch || iid == DIID_IContainerEvents) {
            *object = static_cast<IDispatch *>(this);
            return platform::com::S_OK;
        }
        *object = nullptr;
        return platform::com::E_NOINTERFACE;
    }
    uint32_t AddRef() override { return 2; }
    uint32_t Release() override { return 1; }
    HRESULT GetTypeInfoCount(uint32_t *) override { return platform::com::E_NOTIMPL; }
    HRESULT GetIDsOfNames(const platform::com::IID &, const platform::com::OLECHAR *const *, uint32_t,
                          platform::com::LCID, platform::com::DISPID *) override
    {
        return platform::com::E_NOTIMPL;
    }
    HRESULT Invoke(platform::com::DISPID id, const platform::com::IID &, platform::com::LCID, uint16_t,
                   platform::com::DISPPARAMS *params, platform::com::VARIANT *, platform::com::EXCEPINFO *,
                   uint32_t *) override
    {
        QString name;
        switch (id) {
        case -600: name = QStringLiteral("Click"); break;
        case -601: name = QStringLiteral("DblClick"); break;
        case -605: name = QStringLiteral("MouseDown"); break;
        case -606: name = QStringLiteral("MouseMove"); break;
        case -607: name = QStringLiteral("MouseUp"); break;
        case 0x33: name = QStringLiteral("MouseEnter"); break;
        case 0x34: name = QStringLiteral("MouseExit"); break;
        default: name = QString::number(id);
        }
        if (id == -605 || id == -607) {
            // Arguments arrive reversed: Y, X, Shift, Button.
            QStringList args;
            for (int i = int(params->cArgs) - 1; i >= 0; --i)
                args << QString::number(Variant(params->rgvarg[i]).toInt());
            name += QLatin1Char('(') + args.join(QLatin1Char(',')) + QLatin1Char(')');
        }
        events << name;
        return platform::com::S_OK;
    }
    QStringList without(const QString &noise) const
    {
        QStringList out;
        for (const QString &e : events)
            if (e != noise)
                out << e;
        return out;
    }
};

class ContainerHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(LUMAFOLD_LIBRARY)), platform::com::S_OK);
        m_windowsBefore = WindowCount();
        m_form = std::make_unique<QWidget>();
        m_form->resize(400, 300);
        m_face = GetSysColor(COLOR_BTNFACE);
    }
    void TearDown() override
    {
        m_form.reset();
        EXPECT_EQ(OleControlBase::LiveCount(), 0) << "every control released";
        EXPECT_EQ(ControlHostWidget::LiveObjectCount(), 0) << "every site-side object released";
        EXPECT_EQ(WindowCount(), m_windowsBefore) << "every window destroyed";
        qunsetenv("TALVIK_REGISTRY");
    }
    // A container at (10, 10) of w x h on the form, made by ProgID.
    ControlHostWidget *host(int w = 200, int h = 120, bool userMode = true, platform::com::IPropertyBag *bag = nullptr)
    {
        auto *h0 = new ControlHostWidget(m_form.get());
        h0->setGeometry(10, 10, w, h);
        h0->setUserMode(userMode);
        EXPECT_EQ(h0->createControl(kProgId, QStringLiteral("zoContainer3D1"), bag), platform::com::S_OK);
        m_form->show();
        return h0;
    }
    static ComPtr<IContainer> containerOf(ControlHostWidget *h)
    {
        ComPtr<IContainer> c;
        EXPECT_EQ(h->queryControl(IID_IContainer, c.putVoid()), platform::com::S_OK);
        return c;
    }
    static QWidget *place(ControlHostWidget *h, const QString &name, const QRect &r, bool autoSize = false)
    {
        auto *button = new QPushButton(name, h);
        button->setGeometry(r);
        button->setProperty("AutoSize", autoSize);
        button->show();
        h->addContainedWidget(button, name);
        return button;
    }
    // Paints the control window now and returns its client surface.
    static QImage painted(ControlHostWidget *h)
    {
        const HWND w = h->controlWindow();
        InvalidateRect(w, nullptr, 1);
        UpdateWindow(w);
        return WindowSurface(w);
    }
    static COLORREF px(const QImage &image, int x, int y)
    {
        const QRgb c = image.pixel(x, y);
        return RGB(qRed(c), qGreen(c), qBlue(c));
    }
    static ComPtr<IEffect> effect(IContainer *c, const QString &key)
    {
        ComPtr<IEffects> effects;
        c->get_Effects(effects.put());
        ComPtr<IEffect> e;
        EXPECT_EQ(effects->get_Item(Variant::str(key), e.put()), platform::com::S_OK);
        return e;
    }
    static void connectEvents(IContainer *c, EventLog *log)
    {
        ComPtr<platform::com::IConnectionPointContainer> cpc;
        ASSERT_EQ(c->QueryInterface(platform::com::IID_IConnectionPointContainer, cpc.putVoid()), platform::com::S_OK);
        ComPtr<platform::com::IConnectionPoint> cp;
        ASSERT_EQ(cpc->FindConnectionPoint(DIID_IContainerEvents, cp.put()), platform::com::S_OK);
        uint32_t cookie = 0;
        ASSERT_EQ(cp->Advise(log, &cookie), platform::com::S_OK);
    }

    QTemporaryDir m_dir;
    EventLog m_events; // outlives the form and the controls on it
    RecordingSink m_sink;
    std::unique_ptr<QWidget> m_form;
    int m_windowsBefore = 0;
    COLORREF m_face = 0;
};

} // namespace

TEST_F(ContainerHostTest, MadeByProgIdWithItsWindowStylesAndDesignTimeReads)
{
    ControlHostWidget *h = host(200, 120, false);
    const HWND w = h->controlWindow();
    ASSERT_NE(w, 0u);
    EXPECT_EQ(GetWindowLongA(w, GWL_STYLE) & 0x56010007, 0x56010007);
    EXPECT_TRUE(GetWindowLongA(w, GWL_STYLE) & WS_CLIPSIBLINGS);
    EXPECT_EQ(GetWindowLongA(w, GWL_EXSTYLE) & 4, 4) << "WS_EX_NOPARENTNOTIFY";
    ComPtr<IContainer> c = containerOf(h);
    int32_t hwnd = 0;
    c->get_hWnd(&hwnd);
    EXPECT_EQ(HWND(hwnd), w);

    // Design time: Redraw cannot be read, effects read as their keys, an
    // empty key means Null.
    platform::com::VARIANT_BOOL redraw = 0;
    EXPECT_EQ(c->get_Redraw(&redraw), static_cast<HRESULT>(0x800A018Au));
    Variant v;
    c->get_CtrlEffect(&v);
    EXPECT_EQ(v.vt, platform::com::VT_BSTR);
    EXPECT_EQ(v.toQString(), QStringLiteral("Raised"));
    EXPECT_EQ(c->put_CtrlEffect(Variant::str(QString())), platform::com::S_OK);
    c->get_CtrlEffect(&v);
    EXPECT_EQ(v.vt, platform::com::VT_NULL);
}

TEST_F(ContainerHostTest, FramesAroundThePlacedWidgetsFollowApplyEffect)
{
    ControlHostWidget *h = host();
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    place(h, QStringLiteral("Label1"), QRect(100, 20, 40, 20));
    ComPtr<IContainer> c = containerOf(h);
    const COLORREF light = ShadeColor(0x8000000Fu, 25), shade = ShadeColor(0x8000000Fu, -25);

    QImage img = painted(h);
    EXPECT_EQ(px(img, 0, 0), light) << "the container's own raised bevel";
    EXPECT_EQ(px(img, 28, 25), m_face) << "ApplyEffect 0: no frames";

    // 1: every control gets the ChildsEffect frame ("Inset": outer -1, margins 1).
    ASSERT_EQ(c->put_ApplyEffect(1), platform::com::S_OK);
    img = painted(h);
    EXPECT_EQ(px(img, 28, 25), shade) << "inset: the left side in the shade colour";
    EXPECT_EQ(px(img, 28, 18), shade);
    EXPECT_EQ(px(img, 71, 25), light) << "and the right side in the light colour";
    EXPECT_EQ(px(img, 50, 41), light);
    EXPECT_EQ(px(img, 29, 25), m_face) << "the margin";
    EXPECT_EQ(px(img, 98, 25), shade) << "the second control is framed too";

    // 2: only controls named by a child, compared ignoring case.
    ComPtr<IChildren> childs;
    c->get_Childs(childs.put());
    ComPtr<IChild> child;
    platform::com::Bstr key(QStringLiteral("c1"));
    ASSERT_EQ(childs->Add(Variant::missing(), key.get(), child.put()), platform::com::S_OK);
    platform::com::Bstr name(QStringLiteral("bUTTON1"));
    child->put_Name(name.get());
    ASSERT_EQ(child->put_Effect(Variant::str(QStringLiteral("Raised"))), platform::com::S_OK);
    ASSERT_EQ(c->put_ApplyEffect(2), platform::com::S_OK);
    img = painted(h);
    EXPECT_EQ(px(img, 28, 25), light) << "its child's effect: raised";
    EXPECT_EQ(px(img, 71, 25), shade);
    EXPECT_EQ(px(img, 98, 25), m_face) << "no child of that name: no frame";

    // A child with a Null effect frames nothing.
    child->put_Effect(Variant::null());
    img = painted(h);
    EXPECT_EQ(px(img, 28, 25), m_face);

    // 1 with a Null ChildsEffect frames none.
    ASSERT_EQ(c->put_ApplyEffect(1), platform::com::S_OK);
    ASSERT_EQ(c->put_ChildsEffect(Variant::null()), platform::com::S_OK);
    img = painted(h);
    EXPECT_EQ(px(img, 28, 25), m_face);
    EXPECT_EQ(px(img, 98, 25), m_face);
}

TEST_F(ContainerHostTest, ChildFrameImageWithShadowMatchesTheRules)
{
    ControlHostWidget *h = host(120, 80);
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    ComPtr<IContainer> c = containerOf(h);
    ComPtr<IEffect> own = effect(c.get(), QStringLiteral("Flat"));
    c->put_CtrlEffect(Variant::str(QStringLiteral("Flat")));
    ComPtr<IEffect> e = effect(c.get(), QStringLiteral("Inset"));
    e->put_ShadowWidth(3);
    e->put_BevelSpace(1);
    e->put_BorderStyle(1);
    e->put_BackColor(RGB(10, 120, 60));
    ASSERT_EQ(c->put_ApplyEffect(1), platform::com::S_OK);
    const QImage img = painted(h);

    // Stated from the rules: frame 1 + 1 + 1 = 3 wide, margins 1, shadow 3.
    Canvas want(120, 80, m_face);
    const RECT outer{30 - 4, 20 - 4, 70 + 4 + 3, 40 + 4 + 3};
    const COLORREF dark = ShadeColor(0x80000010u, -35);
    want.checker({outer.left + 3, outer.bottom - 3, outer.right, outer.bottom}, dark, m_face);
    want.checker({outer.right - 3, outer.top + 3, outer.right, outer.bottom}, dark, m_face);
    const COLORREF back = RGB(10, 120, 60);
    RECT f{outer.left, outer.top, outer.right - 3, outer.bottom - 3};
    want.frame(f, RGB(0, 0, 0));
    f = want.bevel(Canvas::shrink(f, 1), -1, ShadeColor(back, 25), ShadeColor(back, -25));
    want.frame(f, back);
    f = Canvas::shrink(f, 1);
    for (int y = f.top; y < f.bottom; ++y)
        for (int x = f.left; x < f.right; ++x)
            if (!(x >= 30 && x < 70 && y >= 20 && y < 40))
                want.set(x, y, back);
    int bad = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 120; ++x)
            if (px(img, x, y) != want.at(x, y) && !bad++)
                ADD_FAILURE() << "first difference at " << x << "," << y << ": " << hex(px(img, x, y)) << " want "
                              << hex(want.at(x, y));
    EXPECT_EQ(bad, 0);
}

TEST_F(ContainerHostTest, AHiddenControlLosesItsFrameAtRunTimeAndKeepsItAtDesignTime)
{
    const COLORREF shade = ShadeColor(0x8000000Fu, -25);
    {
        ControlHostWidget *h = host();
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
        containerOf(h)->put_ApplyEffect(1);
        EXPECT_EQ(px(painted(h), 28, 25), shade);
        b->hide();
        EXPECT_EQ(px(painted(h), 28, 25), m_face) << "user mode: hidden, no frame";
        b->show();
        EXPECT_EQ(px(painted(h), 28, 25), shade);
        delete h;
    }
    ControlHostWidget *h = host(200, 120, false);
    QWidget *b = place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    containerOf(h)->put_ApplyEffect(1);
    b->hide();
    EXPECT_EQ(px(painted(h), 28, 25), shade) << "design time: the frame stays";
}

TEST_F(ContainerHostTest, AutoSizeFitsTheSoleControlAndResizesTheHost)
{
    {
        // The control sizes itself: it is moved inside the margins and the
        // container takes its size around it.
        ControlHostWidget *h = host(200, 120);
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(40, 40, 50, 30), true);
        ComPtr<IContainer> c = containerOf(h);
        ASSERT_EQ(c->put_AutoSize(1), platform::com::S_OK);
        painted(h);
        // Own effect "Raised": interior shrunk by 1, margins 1; no frame.
        EXPECT_EQ(b->geometry(), QRect(2, 2, 50, 30));
        EXPECT_EQ(h->size(), QSize(50 + 2 + 2, 30 + 2 + 2));
        RECT client;
        GetClientRect(h->controlWindow(), &client);
        EXPECT_EQ(client.right, 54);
        delete h;
    }
    {
        // Framed with "Inset" (frame 2, margins 1): the control's size stays
        // and the frame counts in the container's size.
        ControlHostWidget *h = host(200, 120);
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(40, 40, 50, 30), true);
        ComPtr<IContainer> c = containerOf(h);
        c->put_ApplyEffect(1);
        c->put_AutoSize(1);
        painted(h);
        EXPECT_EQ(b->geometry(), QRect(4, 4, 50, 30));
        EXPECT_EQ(h->size(), QSize(50 + 4 + 4, 30 + 4 + 4));
        delete h;
    }
    {
        // A control that does not size itself fills the interior; the
        // container keeps its size.
        ControlHostWidget *h = host(200, 120);
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(40, 40, 50, 30), false);
        containerOf(h)->put_AutoSize(1);
        painted(h);
        EXPECT_EQ(b->geometry(), QRect(2, 2, 196, 116));
        EXPECT_EQ(h->size(), QSize(200, 120));
        delete h;
    }
    {
        // A sole control hidden at run time has no record: nothing moves.
        ControlHostWidget *h = host(200, 120);
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(40, 40, 50, 30), true);
        b->hide();
        containerOf(h)->put_AutoSize(1);
        painted(h);
        EXPECT_EQ(b->geometry(), QRect(40, 40, 50, 30));
        EXPECT_EQ(h->size(), QSize(200, 120));
        delete h;
    }
    {
        // Two controls: no fit.
        ControlHostWidget *h = host(200, 120);
        QWidget *b = place(h, QStringLiteral("Button1"), QRect(40, 40, 50, 30), true);
        place(h, QStringLiteral("Button2"), QRect(100, 40, 50, 30), true);
        containerOf(h)->put_AutoSize(1);
        painted(h);
        EXPECT_EQ(b->geometry(), QRect(40, 40, 50, 30));
    }
}

TEST_F(ContainerHostTest, AnOwnEffectChangeRepaintsAroundTheControlsOnly)
{
    ControlHostWidget *h = host(200, 120);
    place(h, QStringLiteral("Button1"), QRect(2, 2, 40, 20));
    place(h, QStringLiteral("Button2"), QRect(80, 40, 40, 20));
    ComPtr<IContainer> c = containerOf(h);
    c->put_CtrlEffect(Variant::str(QStringLiteral("Inset")));
    painted(h);
    const HWND w = h->controlWindow();
    ValidateRect(w, nullptr);

    // The own effect grows to an inset bevel 3 wide: the band of 3 along the
    // edges is repainted, also where a control lies in it.
    ComPtr<IEffect> own = effect(c.get(), QStringLiteral("Inset"));
    ASSERT_EQ(own->put_BevelOuter(-3), platform::com::S_OK);
    const HRGN update = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetUpdateRgn(w, update, 0), NULLREGION);
    EXPECT_TRUE(PtInRegion(update, 0, 0));
    EXPECT_TRUE(PtInRegion(update, 2, 10)) << "inside Button1 but in the bevel band";
    EXPECT_FALSE(PtInRegion(update, 10, 10)) << "Button1 inside the interior is left alone";
    EXPECT_FALSE(PtInRegion(update, 100, 50)) << "Button2";
    EXPECT_TRUE(PtInRegion(update, 60, 50)) << "the background between them";
    DeleteObject(update);

    // A back colour change repaints everything.
    ValidateRect(w, nullptr);
    own->put_BackColor(RGB(1, 2, 3));
    RECT r{};
    GetUpdateRect(w, &r, 0);
    EXPECT_EQ(r, (RECT{0, 0, 200, 120}));
}

TEST_F(ContainerHostTest, SubObjectChangesNotifyAndRelayout)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    connect(c.get(), &m_sink);
    ComPtr<IEffects> effects;
    c->get_Effects(effects.put());
    ComPtr<IEffect> added;
    platform::com::Bstr key(QStringLiteral("Deep"));
    ASSERT_EQ(effects->Add(Variant::missing(), key.get(), added.put()), platform::com::S_OK);
    EXPECT_EQ(m_sink.changed, (QList<platform::com::DISPID>{9, 8})) << "Effects changed";
    m_sink.changed.clear();

    ComPtr<IChildren> childs;
    c->get_Childs(childs.put());
    ComPtr<IChild> child;
    platform::com::Bstr ckey(QStringLiteral("c"));
    childs->Add(Variant::missing(), ckey.get(), child.put());
    EXPECT_TRUE(m_sink.changed.isEmpty()) << "a new child has nothing to show yet";
    child->put_Effect(Variant::str(QStringLiteral("Deep")));
    EXPECT_EQ(m_sink.changed, (QList<platform::com::DISPID>{8}));
    m_sink.changed.clear();
    added->put_BevelOuter(2);
    EXPECT_EQ(m_sink.changed, (QList<platform::com::DISPID>{8})) << "the child's effect changed";
}

TEST_F(ContainerHostTest, MouseEventsFromRealInput)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    connectEvents(c.get(), &m_events);
    QWidget *w = WidgetOfWindow(h->controlWindow());
    ASSERT_TRUE(w);
    // On a display, input reaches the window only once the window manager has
    // placed and activated it; the pointer starts over the window, where a
    // person's pointer would be before the click.
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    ASSERT_TRUE(talviktest::pointerInto(w, QPoint(5, 5)));

    EXPECT_TRUE(talviktest::movePointer(w, QPoint(10, 10)));
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(12, 8));
    EXPECT_EQ(m_events.without(QStringLiteral("MouseMove")),
              (QStringList{"MouseEnter", "MouseDown(1,0,12,8)", "MouseUp(1,0,12,8)", "Click"}));
    m_events.events.clear();

    // A double click: DblClick, no second Click; the next move is swallowed.
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseDClick(w, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(m_events.without(QStringLiteral("MouseMove")),
              (QStringList{"MouseDown(1,0,20,20)", "MouseUp(1,0,20,20)", "Click", "DblClick", "MouseUp(1,0,20,20)"}));
    m_events.events.clear();
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(21, 21)));
    EXPECT_TRUE(m_events.events.isEmpty()) << "the move after a double click is swallowed";
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(22, 22)));
    EXPECT_EQ(m_events.events, (QStringList{"MouseMove"}));
    m_events.events.clear();

    // The right button: MouseUp with button 2 and a Click.
    QTest::mouseClick(w, Qt::RightButton, {}, QPoint(5, 6));
    EXPECT_EQ(m_events.without(QStringLiteral("MouseMove")),
              (QStringList{"MouseDown(2,0,5,6)", "MouseUp(2,0,5,6)", "Click"}));
    m_events.events.clear();

    // Leaving with the button held (captured): MouseExit; coming back: MouseEnter.
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(30, 30));
    QTest::mouseMove(w, QPoint(250, 30));
    EXPECT_TRUE(m_events.events.contains(QStringLiteral("MouseExit"))) << m_events.events.join(' ').toStdString();
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(250, 30));
    EXPECT_EQ(m_events.events.count(QStringLiteral("Click")), 0) << "released outside: no Click";
    m_events.events.clear();
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(40, 40)));
    EXPECT_EQ(m_events.events.first(), QStringLiteral("MouseEnter"));
}

TEST_F(ContainerHostTest, PropertyBagThroughTheHost)
{
    ComPtr<platform::com::PropertyBag> bag(new platform::com::PropertyBag());
    {
        ControlHostWidget *h = host();
        ComPtr<IContainer> c = containerOf(h);
        c->put_ApplyEffect(2);
        ComPtr<IEffect> flat = effect(c.get(), QStringLiteral("Flat"));
        flat->put_ShadowWidth(5);
        c->putref_ChildsEffect(Variant::dispatch(flat.get()));
        ComPtr<IChildren> childs;
        c->get_Childs(childs.put());
        ComPtr<IChild> child;
        platform::com::Bstr key(QStringLiteral("c1"));
        childs->Add(Variant::missing(), key.get(), child.put());
        platform::com::Bstr name(QStringLiteral("Button1"));
        child->put_Name(name.get());
        child->put_Effect(Variant::str(QStringLiteral("Flat")));
        ComPtr<platform::com::IPersistPropertyBag> persist;
        ASSERT_EQ(h->queryControl(platform::com::IID_IPersistPropertyBag, persist.putVoid()), platform::com::S_OK);
        ASSERT_EQ(persist->Save(bag.get(), true, true), platform::com::S_OK);
        delete h;
    }
    EXPECT_EQ(bag->find(QStringLiteral("ChildsEffectValue"))->value.toQString(), QStringLiteral("Flat"))
        << "the object saved by its key";
    ControlHostWidget *h = host(200, 120, true, bag.get());
    ComPtr<IContainer> c = containerOf(h);
    int32_t apply = 0;
    c->get_ApplyEffect(&apply);
    EXPECT_EQ(apply, 2);
    Variant v;
    c->get_ChildsEffect(&v);
    ASSERT_EQ(v.vt, platform::com::VT_DISPATCH);
    ComPtr<IEffect> e;
    v.pdispVal->QueryInterface(IID_IEffect, e.putVoid());
    int16_t width = 0;
    e->get_ShadowWidth(&width);
    EXPECT_EQ(width, 5);

    // The loaded child frames its control with the loaded effect.
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    const QImage img = painted(h);
    const COLORREF dark = ShadeColor(0x80000010u, -35);
    // Flat with shadow 5 and margins 1: the bottom band is y 41..45 from x 34.
    EXPECT_EQ(px(img, 51, 44), dark) << "the shadow below Button1";
    EXPECT_EQ(px(img, 50, 44), m_face);
}

TEST_F(ContainerHostTest, MouseExitWhenTheTimerFindsTheCursorOutside)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    connectEvents(c.get(), &m_events);
    QWidget *w = WidgetOfWindow(h->controlWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    ASSERT_TRUE(talviktest::pointerInto(w, QPoint(15, 15)));
    ASSERT_TRUE(talviktest::movePointer(w, QPoint(20, 20)));
    const QPoint inside = w->mapToGlobal(QPoint(20, 20));
    ASSERT_EQ(m_events.without(QStringLiteral("MouseMove")), (QStringList{"MouseEnter"}));
    // Ticks while the cursor stays over the window raise nothing.
    QTest::qWait(450);
    EXPECT_EQ(m_events.without(QStringLiteral("MouseMove")), (QStringList{"MouseEnter"}));
    // The cursor leaves without a move reaching the window.
    SetCursorPos(inside.x() + 1000, inside.y() + 1000);
    QTRY_VERIFY_WITH_TIMEOUT(m_events.events.contains(QStringLiteral("MouseExit")), 2000);
    EXPECT_EQ(m_events.without(QStringLiteral("MouseMove")), (QStringList{"MouseEnter", "MouseExit"}));
    m_events.events.clear();
    QTest::qWait(450);
    EXPECT_TRUE(m_events.events.isEmpty()) << "the timer is gone";
}

TEST_F(ContainerHostTest, MousePointerSetsTheCursorInUserModeOnly)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    QWidget *w = WidgetOfWindow(h->controlWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_form.get()));
    ASSERT_TRUE(talviktest::pointerInto(w, QPoint(10, 10)));
    ASSERT_EQ(c->put_MousePointer(2), platform::com::S_OK);
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(20, 20)));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_CROSS));
    c->put_MousePointer(9);
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(21, 20)));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_SIZEWE));
    c->put_MousePointer(0);
    EXPECT_TRUE(talviktest::movePointer(w, QPoint(22, 20)));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_ARROW)) << "default handling";
    delete h;

    ControlHostWidget *design = host(200, 120, false);
    containerOf(design)->put_MousePointer(2);
    QWidget *designWidget = WidgetOfWindow(design->controlWindow());
    ASSERT_TRUE(QTest::qWaitForWindowActive(designWidget->window()));
    EXPECT_TRUE(talviktest::movePointer(designWidget, QPoint(30, 25)));
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_ARROW)) << "design time keeps the default cursor";
}

TEST_F(ContainerHostTest, AboutBoxShowsTheLibrarysTitleAndVersion)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    QByteArray title;
    SetDialogShownHook([&](HWND dlg) {
        char text[256] = {};
        GetDlgItemTextA(dlg, controls::AboutDialog::kTitle, text, int(sizeof text));
        title = text;
        EndDialog(dlg, IDOK);
    });
    EXPECT_EQ(c->AboutBox(), platform::com::S_OK);
    SetDialogShownHook(nullptr);
    EXPECT_EQ(platform::codepage::fromAnsi(title), QStringLiteral("zo3Dコンテナ ActiveX Control -  (Build:7.0.0.1)"));
    Variant none;
    ComPtr<IDispatch> d;
    h->queryControl(platform::com::IID_IDispatch, d.putVoid());
    SetDialogShownHook([](HWND dlg) { EndDialog(dlg, IDCANCEL); });
    EXPECT_EQ(invokeByName(d.get(), QStringLiteral("AboutBox"), platform::com::DISPATCH_METHOD, {}, &none),
              platform::com::S_OK);
    SetDialogShownHook(nullptr);
}

TEST_F(ContainerHostTest, DestroyingTheHostReleasesEverything)
{
    ControlHostWidget *h = host();
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    ComPtr<IContainer> c = containerOf(h);
    c->put_ApplyEffect(1);
    painted(h);
    ComPtr<IEffects> effects;
    c->get_Effects(effects.put());
    c = {};
    delete h;
    // The collection outlives the control; changing it reaches no window.
    ComPtr<IEffect> added;
    platform::com::Bstr key(QStringLiteral("Late"));
    EXPECT_EQ(effects->Add(Variant::missing(), key.get(), added.put()), platform::com::S_OK);
}

TEST_F(ContainerHostTest, EnabledDisablesTheWindowInUserModeOnly)
{
    ControlHostWidget *h = host();
    ComPtr<IContainer> c = containerOf(h);
    ASSERT_EQ(c->put_Enabled(VARIANT_FALSE), platform::com::S_OK);
    EXPECT_FALSE(IsWindowEnabled(h->controlWindow()));
    c->put_Enabled(VARIANT_TRUE);
    EXPECT_TRUE(IsWindowEnabled(h->controlWindow()));
    delete h;

    // Made disabled in user mode: the window starts disabled.
    ComPtr<platform::com::PropertyBag> bag(new platform::com::PropertyBag());
    bag->setValue(QStringLiteral("Enabled"), Variant::boolean(false));
    h = host(200, 120, true, bag.get());
    EXPECT_FALSE(IsWindowEnabled(h->controlWindow()));
    delete h;

    h = host(200, 120, false, bag.get());
    EXPECT_TRUE(IsWindowEnabled(h->controlWindow())) << "design time keeps the window enabled";
    containerOf(h)->put_Enabled(VARIANT_FALSE);
    EXPECT_TRUE(IsWindowEnabled(h->controlWindow()));
}

TEST_F(ContainerHostTest, RedrawFalseStopsPaintingInUserModeAndLayoutCausesNoPaintLoop)
{
    ControlHostWidget *h = host();
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    ComPtr<IContainer> c = containerOf(h);
    const COLORREF shade = ShadeColor(0x8000000Fu, -25);
    c->put_ApplyEffect(1);
    EXPECT_EQ(px(painted(h), 28, 25), shade);
    // The pass that found the new frame asked for its ring once more; the
    // pass over unchanged records invalidates nothing.
    UpdateWindow(h->controlWindow());
    RECT left{};
    EXPECT_FALSE(GetUpdateRect(h->controlWindow(), &left, 0)) << "no paint asks for another paint";
    UpdateWindow(h->controlWindow());
    EXPECT_FALSE(GetUpdateRect(h->controlWindow(), &left, 0));

    c->put_Redraw(VARIANT_FALSE);
    c->put_ApplyEffect(0);
    EXPECT_EQ(px(painted(h), 28, 25), shade) << "nothing painted: the old image stays";
    c->put_Redraw(VARIANT_TRUE);
    EXPECT_EQ(px(painted(h), 28, 25), m_face);
    delete h;

    h = host(200, 120, false);
    place(h, QStringLiteral("Button1"), QRect(30, 20, 40, 20));
    c = containerOf(h);
    c->put_ApplyEffect(1);
    c->put_Redraw(VARIANT_FALSE);
    EXPECT_EQ(px(painted(h), 28, 25), shade) << "design time always paints";
    c->put_ApplyEffect(0);
    EXPECT_EQ(px(painted(h), 28, 25), m_face);
}

TEST_F(ContainerHostTest, ASizeChangeRepaintsTheWholeBevel)
{
    // The raised bevel runs along the edges: after the window shrinks or
    // grows, the ring lies on the new edges and nowhere inside.
    ControlHostWidget *h = host(200, 120);
    const COLORREF light = ShadeColor(0x8000000Fu, 25);
    const COLORREF shade = ShadeColor(0x8000000Fu, -25);
    const HWND w = h->controlWindow();
    ASSERT_EQ(px(painted(h), 100, 119), shade);

    struct Step {
        QSize size;
        const char *what;
    } steps[] = {{QSize(200, 80), "shrunk in height"},
                 {QSize(150, 80), "shrunk in width"},
                 {QSize(220, 130), "grown both ways"}};
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        ValidateRect(w, nullptr);
        h->resize(step.size);
        RECT client{}, update{};
        ASSERT_TRUE(GetClientRect(w, &client));
        ASSERT_EQ(client, (RECT{0, 0, step.size.width(), step.size.height()}));
        EXPECT_TRUE(GetUpdateRect(w, &update, 0));
        EXPECT_EQ(update, client) << "the whole window waits for its paint";
        UpdateWindow(w);
        const QImage image = WindowSurface(w);
        const int right = step.size.width() - 1, bottom = step.size.height() - 1;
        EXPECT_EQ(px(image, right / 2, bottom), shade) << "bottom edge";
        EXPECT_EQ(px(image, 0, bottom), shade) << "bottom-left corner";
        EXPECT_EQ(px(image, right, bottom / 2), shade) << "right edge";
        EXPECT_EQ(px(image, right / 2, 0), light) << "top edge";
        EXPECT_EQ(px(image, right / 2, bottom - 1), m_face) << "inside the ring";
        EXPECT_EQ(px(image, right - 1, bottom / 2), m_face) << "inside the ring";
    }
}
