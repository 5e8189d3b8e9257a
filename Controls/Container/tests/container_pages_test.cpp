// The container's Effects, Childs and General pages with real input: they
// fill from the control, Apply reaches it (checked through its saved
// state), refused values are reported with the focus kept on the field,
// Tab walks the fields in order, and the sample box previews the effect.
#include "ContainerPageTestSupport.h"
#include "ContainerPixels.h"

#include "Controls/Container/ContainerPageCommon.h"
#include "Controls/Container/ContainerPageSample.h"
#include "platform/com/olecolor.h"

#include <QApplication>
#include "platform/win/ole/propframe.h"

#include <QDialog>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

using namespace lumafold;
using namespace lumafold::testing;
using namespace platform::win;

namespace {

constexpr win::DWORD kDirty = PROPPAGESTATUS_DIRTY;
constexpr COLORREF kSampleFace = RGB(200, 100, 40);

// Pins the face and shadow colours the samples are drawn from.
class SampleColours {
public:
    SampleColours()
    {
        m_face = platform::com::GetSysColor(win::COLOR_BTNFACE);
        m_shadow = platform::com::GetSysColor(win::COLOR_BTNSHADOW);
        platform::com::setSysColor(win::COLOR_BTNFACE, kSampleFace);
        platform::com::setSysColor(win::COLOR_BTNSHADOW, RGB(120, 60, 20));
    }
    ~SampleColours()
    {
        platform::com::setSysColor(win::COLOR_BTNFACE, m_face);
        platform::com::setSysColor(win::COLOR_BTNSHADOW, m_shadow);
    }

private:
    COLORREF m_face, m_shadow;
};

} // namespace

TEST_F(ContainerPagesTest, ControlListsItsThreePagesWhichAreRegistered)
{
    ComPtr<ISpecifyPropertyPages> spp;
    ASSERT_EQ(m_control->QueryInterface(IID_ISpecifyPropertyPages, spp.putVoid()), S_OK);
    CAUUID pages;
    ASSERT_EQ(spp->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 3u);
    EXPECT_EQ(pages.pElems[0], CLSID_ContainerEffectsPage);
    EXPECT_EQ(pages.pElems[1], CLSID_ContainerChildsPage);
    EXPECT_EQ(pages.pElems[2], CLSID_ContainerGeneralPage);
    CoTaskMemFree(pages.pElems);

    EXPECT_EQ(regText(QStringLiteral("CLSID\\{B0BB19E9-EC31-48DC-9755-23C138E16D27}")),
              QStringLiteral("Brenwold Container3D Property Page 7.0 (Effects)"));
    EXPECT_EQ(regText(QStringLiteral("CLSID\\{36460BC7-7650-4F88-AFFB-E58E93787B47}")),
              QStringLiteral("Brenwold Container3D Property Page 7.0 (Childs)"));
    EXPECT_EQ(regText(QStringLiteral("CLSID\\{4D8EB2DF-BBCC-4075-A446-160A0B572EEC}")),
              QStringLiteral("Brenwold Container3D Property Page 7.0 (General)"));
    EXPECT_EQ(regText(QStringLiteral("CLSID\\{4D8EB2DF-BBCC-4075-A446-160A0B572EEC}\\InprocServer32"),
                      QStringLiteral("ThreadingModel")),
              QStringLiteral("Apartment"));
}

TEST_F(ContainerPagesTest, EffectsPageShowsEachEffectOfTheControl)
{
    ComPtr<IEffect> inset = effectOf(m_control.get(), Variant::str(QStringLiteral("Inset")));
    inset->put_BevelInner(3);
    inset->put_BevelSpace(2);
    inset->put_MarginLeft(7);
    inset->put_ShadowWidth(4);
    inset->put_BorderStyle(1);
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    EXPECT_EQ(m_title, QStringLiteral("3Dｽﾀｲﾙ"));

    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("1"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Raised"));
    EXPECT_EQ(number(IDC_BEVELOUTER), 1);
    EXPECT_EQ(number(IDC_BEVELLIGHT), 25);
    EXPECT_EQ(number(IDC_BEVELSHADE), -25);
    EXPECT_EQ(number(IDC_SHADOWDARKNESS), 35);
    EXPECT_EQ(number(IDC_MARGINTOP), 1);
    EXPECT_EQ(selection(IDC_BORDERSTYLE), 0);
    EXPECT_EQ(text(IDC_EFFECT_INSERT), QStringLiteral("挿入"));
    EXPECT_EQ(text(IDC_EFFECT_DELETE), QStringLiteral("削除"));
    screenshot(QStringLiteral("container_page_effects.png"));

    // The spin's upper arrow is a negative step: the next effect.
    click(IDC_EFFECT_SPIN, {4, 2});
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("2"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Inset"));
    EXPECT_EQ(number(IDC_BEVELOUTER), -1);
    EXPECT_EQ(number(IDC_BEVELINNER), 3);
    EXPECT_EQ(number(IDC_BEVELSPACE), 2);
    EXPECT_EQ(number(IDC_MARGINLEFT), 7);
    EXPECT_EQ(number(IDC_SHADOWWIDTH), 4);
    EXPECT_EQ(selection(IDC_BORDERSTYLE), 1);

    // A typed index is taken when the field is left; one out of range is not.
    type(IDC_EFFECT_INDEX, QStringLiteral("3"));
    SetFocus(item(IDC_EFFECT_KEY));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Flat"));
    type(IDC_EFFECT_INDEX, QStringLiteral("9"));
    SetFocus(item(IDC_EFFECT_KEY));
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("3"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Flat"));
    // The lower arrow goes back; it stops at the first effect.
    click(IDC_EFFECT_SPIN, {4, widget(IDC_EFFECT_SPIN)->height() - 3});
    click(IDC_EFFECT_SPIN, {4, widget(IDC_EFFECT_SPIN)->height() - 3});
    click(IDC_EFFECT_SPIN, {4, widget(IDC_EFFECT_SPIN)->height() - 3});
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Raised"));
    EXPECT_TRUE(m_site.status.isEmpty()) << "moving between effects changes nothing";
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
}

TEST_F(ContainerPagesTest, EffectsPageApplyReachesTheControl)
{
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    type(IDC_EFFECT_KEY, QStringLiteral("Bold"));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    ASSERT_FALSE(m_site.status.isEmpty());
    EXPECT_EQ(m_site.status.last(), kDirty);
    type(IDC_BEVELOUTER, QStringLiteral("-3"));
    type(IDC_BEVELSPACE, QStringLiteral("2"));
    type(IDC_MARGINBOTTOM, QStringLiteral("6000"));
    type(IDC_SHADOWWIDTH, QStringLiteral("5"));
    pick(IDC_BORDERSTYLE, 1);
    EXPECT_EQ(selection(IDC_BORDERSTYLE), 1);

    ComPtr<IPersistStreamInit> persist;
    m_control->QueryInterface(IID_IPersistStreamInit, persist.putVoid());
    persist->Save(streamFromBytes({}).get(), true); // clean before Apply
    ASSERT_EQ(persist->IsDirty(), S_FALSE);

    ASSERT_EQ(m_page->Apply(), S_OK);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(persist->IsDirty(), S_OK) << "the control is marked dirty";

    const ComPtr<IContainer> saved = reloaded();
    ComPtr<IEffect> e = effectOf(saved.get(), Variant::i4(1));
    Bstr key;
    e->get_Key(key.put());
    EXPECT_EQ(key.toQString(), QStringLiteral("Bold")) << "the first effect renamed in place";
    int16_t v = 0;
    e->get_BevelOuter(&v);
    EXPECT_EQ(v, -3);
    e->get_BevelSpace(&v);
    EXPECT_EQ(v, 2);
    e->get_MarginBottom(&v);
    EXPECT_EQ(v, 6000) << "kept as typed, drawn clamped";
    e->get_ShadowWidth(&v);
    EXPECT_EQ(v, 5);
    int32_t border = 0;
    e->get_BorderStyle(&border);
    EXPECT_EQ(border, 1);
    ComPtr<IEffects> all;
    saved->get_Effects(all.put());
    EXPECT_EQ(keys(all.get()), (QStringList{"Bold", "Inset", "Flat"}));
}

TEST_F(ContainerPagesTest, EffectsPageRefusesAnOutOfRangeValueAndKeepsTheFocusOnIt)
{
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    type(IDC_BEVELINNER, QStringLiteral("4"));
    type(IDC_MARGINTOP, QStringLiteral("40000"));
    SetFocus(item(IDC_EFFECT_KEY));

    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, kInvalid);
    EXPECT_EQ(m_boxes[0].caption, kErrorCaption);
    EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONERROR);
    EXPECT_EQ(m_boxes[0].owner, m_pageWindow);
    EXPECT_EQ(focusedId(), IDC_MARGINTOP);
    EXPECT_EQ(m_page->IsPageDirty(), S_OK) << "the page stays dirty";
    int16_t inner = 0;
    effectOf(reloaded().get(), Variant::i4(1))->get_BevelInner(&inner);
    EXPECT_EQ(inner, 0) << "nothing is put";

    // Corrected, it goes through.
    type(IDC_MARGINTOP, QStringLiteral("3"));
    EXPECT_EQ(m_page->Apply(), S_OK);
    effectOf(reloaded().get(), Variant::i4(1))->get_BevelInner(&inner);
    EXPECT_EQ(inner, 4);
}

TEST_F(ContainerPagesTest, EffectsPageReportsACollectionErrorOnTheKey)
{
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    type(IDC_EFFECT_KEY, QStringLiteral("inset")); // taken, ignoring case
    type(IDC_BEVELOUTER, QStringLiteral("2"));
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("このｷｰは既にこのｺﾚｸｼｮﾝの要素に割り当てられています。"));
    EXPECT_EQ(m_boxes[0].caption, kErrorCaption);
    EXPECT_EQ(focusedId(), IDC_EFFECT_KEY);
    int16_t outer = 0;
    effectOf(reloaded().get(), Variant::i4(1))->get_BevelOuter(&outer);
    EXPECT_EQ(outer, 1) << "nothing is put after the key was refused";

    type(IDC_EFFECT_KEY, QString());
    EXPECT_EQ(m_page->Apply(), E_FAIL);
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_EQ(m_boxes[1].text, QStringLiteral("ｷｰは無効または空白の状態です。"));
}

TEST_F(ContainerPagesTest, EffectsPageInsertsCancelsAndDeletes)
{
    RecordingSink &sink = m_sink;
    connect(m_control.get(), &sink);
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);

    // Insert after the first effect; cancel brings the first one back.
    click(IDC_EFFECT_INSERT);
    EXPECT_EQ(text(IDC_EFFECT_INSERT), QStringLiteral("OK"));
    EXPECT_EQ(text(IDC_EFFECT_DELETE), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("2"));
    EXPECT_FALSE(IsWindowEnabled(item(IDC_EFFECT_INDEX)));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QString());
    EXPECT_EQ(number(IDC_BEVELLIGHT), 25) << "a new effect's defaults";
    EXPECT_EQ(number(IDC_MARGINRIGHT), 1);
    EXPECT_EQ(focusedId(), IDC_EFFECT_KEY);
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    click(IDC_EFFECT_DELETE);
    EXPECT_EQ(text(IDC_EFFECT_INSERT), QStringLiteral("挿入"));
    EXPECT_EQ(text(IDC_EFFECT_DELETE), QStringLiteral("削除"));
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("1"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Raised"));
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EFFECT_INDEX)));
    EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Inset", "Flat"}));

    // Insert again and confirm with "OK".
    click(IDC_EFFECT_INSERT);
    QTest::keyClicks(widget(IDC_EFFECT_KEY), QStringLiteral("Deep"));
    type(IDC_BEVELINNER, QStringLiteral("-2"));
    click(IDC_EFFECT_INSERT);
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(text(IDC_EFFECT_INSERT), QStringLiteral("挿入"));
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("2"));
    ComPtr<IEffects> savedEffects;
    reloaded()->get_Effects(savedEffects.put());
    EXPECT_EQ(keys(savedEffects.get()), (QStringList{"Raised", "Deep", "Inset", "Flat"}));
    int16_t inner = 0;
    effectOf(reloaded().get(), Variant::str(QStringLiteral("Deep")))->get_BevelInner(&inner);
    EXPECT_EQ(inner, -2);

    // Delete the last effect: the page shows the one before it; the control
    // reports its Effects changed.
    type(IDC_EFFECT_INDEX, QStringLiteral("4"));
    SetFocus(item(IDC_EFFECT_KEY));
    ASSERT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Flat"));
    sink.changed.clear();
    click(IDC_EFFECT_DELETE);
    EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Deep", "Inset"}));
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("3"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Inset"));
    EXPECT_TRUE(sink.changed.contains(5));
    EXPECT_EQ(focusedId(), IDC_EFFECT_INDEX);
}

TEST_F(ContainerPagesTest, EffectsPageAppliesOnlyWhenTheFocusMovesWithinThePage)
{
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    type(IDC_EFFECT_KEY, QStringLiteral("Zed"));
    type(IDC_EFFECT_INDEX, QStringLiteral("2"));
    // To the frame's own button (as before its Cancel): nothing is applied.
    click(0, {}, GetDlgItem(m_frame, IDOK));
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDOK);
    EXPECT_EQ(keys(effects().get()), (QStringList{"Raised", "Inset", "Flat"}));
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("1"));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Zed")) << "the edit waits for the frame";

    // Within the page the pending edit is applied before the next effect shows.
    type(IDC_EFFECT_INDEX, QStringLiteral("2"));
    SetFocus(item(IDC_BEVELOUTER));
    EXPECT_EQ(keys(effects().get()), (QStringList{"Zed", "Inset", "Flat"}));
    EXPECT_EQ(text(IDC_EFFECT_KEY), QStringLiteral("Inset"));
    EXPECT_EQ(m_page->IsPageDirty(), S_FALSE);
}

TEST_F(ContainerPagesTest, EffectsPageOnAnEmptyCollection)
{
    effects()->Clear();
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("0"));
    for (int id : {IDC_EFFECT_KEY, IDC_BORDERSTYLE, IDC_BEVELOUTER, IDC_MARGINTOP, IDC_SHADOWWIDTH, IDC_BACKCOLOR,
                   IDC_EFFECT_DELETE})
        EXPECT_FALSE(IsWindowEnabled(item(id))) << id;
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EFFECT_INSERT)));
    EXPECT_EQ(m_page->Apply(), S_OK);
    EXPECT_TRUE(m_boxes.empty());

    click(IDC_EFFECT_INSERT);
    EXPECT_EQ(text(IDC_EFFECT_INDEX), QStringLiteral("1"));
    EXPECT_TRUE(IsWindowEnabled(item(IDC_EFFECT_KEY)));
    QTest::keyClicks(widget(IDC_EFFECT_KEY), QStringLiteral("First"));
    ASSERT_EQ(m_page->Apply(), S_OK);
    EXPECT_EQ(keys(effects().get()), QStringList{"First"});
}

TEST_F(ContainerPagesTest, EffectsPageTabOrder)
{
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    SetFocus(item(IDC_EFFECT_INDEX));
    QList<int> order{focusedId()};
    for (int i = 0; i < 18; ++i) {
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        order << focusedId();
    }
    EXPECT_EQ(order, (QList<int>{IDC_EFFECT_INDEX, IDC_EFFECT_INSERT, IDC_EFFECT_DELETE, IDC_EFFECT_KEY,
                                 IDC_BORDERSTYLE, IDC_BACKCOLOR, IDC_BEVELOUTER, IDC_BEVELINNER, IDC_BEVELLIGHT,
                                 IDC_BEVELSHADE, IDC_BEVELSPACE, IDC_MARGINLEFT, IDC_MARGINRIGHT, IDC_MARGINTOP,
                                 IDC_MARGINBOTTOM, IDC_SHADOWDARKNESS, IDC_SHADOWWIDTH, IDC_SHADOWBASECOLOR,
                                 IDOK}))
        << "the frame's own button follows the page's last field";
    QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focusedId(), IDC_SHADOWBASECOLOR);
    QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focusedId(), IDC_SHADOWWIDTH);
}

TEST_F(ContainerPagesTest, EffectsPageSampleShowsTheFieldsAsTheyStand)
{
    SampleColours colours;
    ASSERT_NE(open(CLSID_ContainerEffectsPage), 0u);
    type(IDC_BEVELOUTER, QStringLiteral("2"));
    type(IDC_BEVELINNER, QStringLiteral("-1"));
    type(IDC_BEVELSPACE, QStringLiteral("1"));
    type(IDC_MARGINLEFT, QStringLiteral("3"));
    type(IDC_SHADOWWIDTH, QStringLiteral("4"));
    pick(IDC_BORDERSTYLE, 1);

    const HWND sample = item(IDC_SAMPLE);
    UpdateWindow(sample);
    RECT r;
    GetClientRect(sample, &r);
    const int w = r.right, h = r.bottom;
    ASSERT_GT(w, 30);
    ASSERT_GT(h, 30);
    // The face colour with the raised effect's BackColor (the face colour too).
    const COLORREF face = kSampleFace, light = RGB(250, 125, 50), shade = RGB(150, 75, 30);
    const COLORREF dark = RGB(78, 39, 13); // the shadow colour at -35 %
    Canvas want(w, h, face);
    want.checker({4, h - 4, w, h}, dark, face);
    want.checker({w - 4, 4, w, h}, dark, face);
    want.frame({0, 0, w - 4, h - 4}, RGB(0, 0, 0));
    want.bevel({1, 1, w - 5, h - 5}, 2, light, shade);
    want.bevel({4, 4, w - 8, h - 8}, -1, light, shade);
    // Inside the inner bevel {5,5,w-9,h-9}: margins left 3, the others 1.
    const RECT control{8, 6, w - 10, h - 10};
    want.fill(control, RGB(255, 255, 255));
    want.ring(control, win::GetSysColor(win::COLOR_BTNSHADOW), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    want.ring(Canvas::shrink(control, 1), win::GetSysColor(win::COLOR_3DDKSHADOW), win::GetSysColor(win::COLOR_3DLIGHT));
    const HDC dc = GetDC(sample);
    EXPECT_TRUE(samePixels(dc, want));
    ReleaseDC(sample, dc);
}

namespace {

// Names the combo's entries.
QStringList entries(HWND combo)
{
    QStringList out;
    const int n = int(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i)
        out << ComboEntry(combo, i);
    return out;
}

} // namespace

class ContainerChildsPageTest : public ContainerPagesTest {
protected:
    void SetUp() override
    {
        ContainerPagesTest::SetUp();
        for (const char *name : {"cmdA", "cmdB"}) {
            auto *b = new QPushButton(QString::fromLatin1(name), m_host);
            b->setGeometry(name[3] == 'A' ? 20 : 120, 30, 80, 30);
            b->show();
            m_host->addContainedWidget(b, QString::fromLatin1(name));
        }
        ComPtr<IChild> c;
        ASSERT_EQ(childs()->Add(Variant::missing(), Bstr(QStringLiteral("c1")).get(), c.put()), S_OK);
        c->put_Name(Bstr(QStringLiteral("cmdB")).get());
        c->put_Effect(Variant::str(QStringLiteral("Flat")));
    }
    static QString effectKeyOf(IChild *c)
    {
        Variant v;
        c->get_Effect(&v);
        return v.vt == platform::com::VT_NULL ? QStringLiteral("<null>") : EffectPropertyKey(v);
    }
    static QString nameOf(IChild *c)
    {
        Bstr n;
        c->get_Name(n.put());
        return n.toQString();
    }
    static ComPtr<IChild> childOf(IContainer *c, int n)
    {
        ComPtr<IChildren> all;
        c->get_Childs(all.put());
        ComPtr<IChild> child;
        EXPECT_EQ(all->get_Item(Variant::i4(n), child.put()), S_OK);
        return child;
    }
};

TEST_F(ContainerChildsPageTest, FillsFromTheChildAndTheContainedControls)
{
    // Placed just now, before any paint has laid it out.
    QTest::qWait(20);
    auto *late = new QPushButton(QStringLiteral("cmdC"), m_host);
    late->setGeometry(20, 80, 80, 30);
    m_host->addContainedWidget(late, QStringLiteral("cmdC"));
    ASSERT_NE(open(CLSID_ContainerChildsPage), 0u);
    EXPECT_EQ(m_title, QStringLiteral("ﾁｬｲﾙﾄﾞｽﾀｲﾙ"));
    EXPECT_EQ(text(IDC_CHILD_INDEX), QStringLiteral("1"));
    EXPECT_EQ(text(IDC_CHILD_KEY), QStringLiteral("c1"));
    EXPECT_EQ(entries(item(IDC_CHILD_NAME)), (QStringList{"(なし)", "cmdA", "cmdB", "cmdC"}))
        << "the frame records in order, as they stand";
    EXPECT_EQ(selection(IDC_CHILD_NAME), 2);
    EXPECT_EQ(entries(item(IDC_CHILD_EFFECT)), (QStringList{"(なし)", "Raised", "Inset", "Flat"}));
    EXPECT_EQ(selection(IDC_CHILD_EFFECT), 3);
    screenshot(QStringLiteral("container_page_childs.png"));
}

TEST_F(ContainerChildsPageTest, ApplyInsertAndDeleteReachTheControl)
{
    ASSERT_NE(open(CLSID_ContainerChildsPage), 0u);
    pick(IDC_CHILD_NAME, 1);
    pick(IDC_CHILD_EFFECT, 0);
    EXPECT_EQ(m_page->IsPageDirty(), S_OK);
    ASSERT_EQ(m_page->Apply(), S_OK);
    ComPtr<IChild> c1 = childOf(reloaded().get(), 1);
    EXPECT_EQ(nameOf(c1.get()), QStringLiteral("cmdA"));
    EXPECT_EQ(effectKeyOf(c1.get()), QStringLiteral("<null>")) << "\"(なし)\" is Null";

    click(IDC_CHILD_INSERT);
    EXPECT_EQ(text(IDC_CHILD_INDEX), QStringLiteral("2"));
    EXPECT_EQ(text(IDC_CHILD_KEY), QString());
    EXPECT_EQ(selection(IDC_CHILD_NAME), 0);
    EXPECT_EQ(selection(IDC_CHILD_EFFECT), 0);
    QTest::keyClicks(widget(IDC_CHILD_KEY), QStringLiteral("c2"));
    pick(IDC_CHILD_EFFECT, 2);
    click(IDC_CHILD_INSERT); // "OK"
    EXPECT_TRUE(m_boxes.empty());
    ComPtr<IChild> c2 = childOf(reloaded().get(), 2);
    EXPECT_EQ(nameOf(c2.get()), QString()) << "\"(なし)\" as the name is empty";
    EXPECT_EQ(effectKeyOf(c2.get()), QStringLiteral("Inset")) << "the second effect by position";

    // A key already used is refused on the key field.
    click(IDC_CHILD_INSERT);
    QTest::keyClicks(widget(IDC_CHILD_KEY), QStringLiteral("C1"));
    click(IDC_CHILD_INSERT);
    ASSERT_EQ(m_boxes.size(), 1u);
    EXPECT_EQ(m_boxes[0].text, QStringLiteral("このｷｰは既にこのｺﾚｸｼｮﾝの要素に割り当てられています。"));
    EXPECT_EQ(focusedId(), IDC_CHILD_KEY);
    EXPECT_EQ(text(IDC_CHILD_INSERT), QStringLiteral("OK")) << "still inserting";
    click(IDC_CHILD_DELETE); // "ｷｬﾝｾﾙ"

    connect(m_control.get(), &m_sink);
    click(IDC_CHILD_DELETE);
    int32_t n = 0;
    childs()->get_Count(&n);
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(m_sink.changed.contains(2)) << "the control reports its Childs changed";
    EXPECT_EQ(text(IDC_CHILD_KEY), QStringLiteral("c1"));
}

TEST_F(ContainerChildsPageTest, SampleShowsTheChosenEffect)
{
    SampleColours colours;
    ASSERT_NE(open(CLSID_ContainerChildsPage), 0u);
    pick(IDC_CHILD_EFFECT, 2); // "Inset": a one-pixel inset outer bevel
    const HWND sample = item(IDC_SAMPLE);
    UpdateWindow(sample);
    RECT r;
    GetClientRect(sample, &r);
    const int w = r.right, h = r.bottom;
    Canvas want(w, h, kSampleFace);
    want.bevel({0, 0, w, h}, -1, RGB(250, 125, 50), RGB(150, 75, 30));
    const RECT control{2, 2, w - 2, h - 2}; // inside the default one-pixel margins
    want.fill(control, RGB(255, 255, 255));
    want.ring(control, win::GetSysColor(win::COLOR_BTNSHADOW), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    want.ring(Canvas::shrink(control, 1), win::GetSysColor(win::COLOR_3DDKSHADOW), win::GetSysColor(win::COLOR_3DLIGHT));
    HDC dc = GetDC(sample);
    EXPECT_TRUE(samePixels(dc, want));
    ReleaseDC(sample, dc);

    pick(IDC_CHILD_EFFECT, 0);
    UpdateWindow(sample);
    Canvas plain(w, h, kSampleFace);
    plain.fill({1, 1, w - 1, h - 1}, RGB(255, 255, 255));
    plain.ring({1, 1, w - 1, h - 1}, win::GetSysColor(win::COLOR_BTNSHADOW), win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
    plain.ring({2, 2, w - 2, h - 2}, win::GetSysColor(win::COLOR_3DDKSHADOW), win::GetSysColor(win::COLOR_3DLIGHT));
    dc = GetDC(sample);
    EXPECT_TRUE(samePixels(dc, plain)) << "\"(なし)\": the plain sample control";
    ReleaseDC(sample, dc);
}

TEST_F(ContainerPagesTest, GeneralPageFillsFromTheControl)
{
    m_control->put_MousePointer(99);
    m_control->put_AutoSize(1);
    ASSERT_NE(open(CLSID_ContainerGeneralPage), 0u);
    EXPECT_EQ(m_title, QStringLiteral("全般"));
    EXPECT_EQ(entries(item(IDC_APPLYEFFECT)), (QStringList{"0 - 3D効果なし", "1 - 共通3D", "2 - 指定3D"}));
    EXPECT_EQ(entries(item(IDC_MOUSEPOINTER)).size(), 17);
    EXPECT_EQ(selection(IDC_APPLYEFFECT), 0);
    EXPECT_EQ(selection(IDC_AUTOSIZE), 1);
    EXPECT_EQ(selection(IDC_MOUSEPOINTER), 16) << "99 is the 17th entry";
    EXPECT_EQ(entries(item(IDC_CTRLEFFECT)), (QStringList{"(なし)", "Raised", "Inset", "Flat"}));
    EXPECT_EQ(selection(IDC_CTRLEFFECT), 1);
    EXPECT_EQ(selection(IDC_CHILDSEFFECT), 2);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_CHILDSEFFECT))) << "ApplyEffect 0";
    screenshot(QStringLiteral("container_page_general.png"));

    pick(IDC_APPLYEFFECT, 1);
    EXPECT_TRUE(IsWindowEnabled(item(IDC_CHILDSEFFECT))) << "1 - 共通3D";
    pick(IDC_APPLYEFFECT, 2);
    EXPECT_FALSE(IsWindowEnabled(item(IDC_CHILDSEFFECT)));
}

TEST_F(ContainerPagesTest, GeneralPageApplyReachesTheControl)
{
    m_control->put_ApplyEffect(1);
    ASSERT_NE(open(CLSID_ContainerGeneralPage), 0u);
    pick(IDC_CTRLEFFECT, 0);
    pick(IDC_CHILDSEFFECT, 3);
    pick(IDC_AUTOSIZE, 1);
    pick(IDC_MOUSEPOINTER, 16);
    ASSERT_EQ(m_page->IsPageDirty(), S_OK);
    ASSERT_EQ(m_page->Apply(), S_OK);
    EXPECT_TRUE(m_boxes.empty());

    const ComPtr<IContainer> saved = reloaded();
    Variant v;
    saved->get_CtrlEffect(&v);
    EXPECT_EQ(v.vt, platform::com::VT_NULL);
    Variant childsEffect;
    saved->get_ChildsEffect(&childsEffect);
    EXPECT_EQ(EffectPropertyKey(childsEffect), QStringLiteral("Flat"));
    int32_t value = 0;
    saved->get_ApplyEffect(&value);
    EXPECT_EQ(value, 1);
    saved->get_AutoSize(&value);
    EXPECT_EQ(value, 1);
    saved->get_MousePointer(&value);
    EXPECT_EQ(value, 99);
}

TEST_F(ContainerPagesTest, GeneralPageTabOrderAndSample)
{
    SampleColours colours;
    m_control->put_ApplyEffect(1); // every field a tab stop
    ASSERT_NE(open(CLSID_ContainerGeneralPage), 0u);

    SetFocus(item(IDC_AUTOSIZE));
    QList<int> order{focusedId()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(WidgetOfWindow(GetFocus()), Qt::Key_Tab);
        order << focusedId();
    }
    EXPECT_EQ(order, (QList<int>{IDC_AUTOSIZE, IDC_MOUSEPOINTER, IDC_CTRLEFFECT, IDC_APPLYEFFECT, IDC_CHILDSEFFECT,
                                 IDOK}));

    // The sample shows the focused effect combo's effect: bevels only.
    SetFocus(item(IDC_CTRLEFFECT));
    const HWND sample = item(IDC_SAMPLE);
    InvalidateRect(sample, nullptr, FALSE);
    UpdateWindow(sample);
    RECT rc;
    GetClientRect(sample, &rc);
    Canvas raised(rc.right, rc.bottom, kSampleFace);
    raised.bevel({0, 0, rc.right, rc.bottom}, 1, RGB(250, 125, 50), RGB(150, 75, 30));
    HDC dc = GetDC(sample);
    EXPECT_TRUE(samePixels(dc, raised)) << "Raised";
    ReleaseDC(sample, dc);
    pick(IDC_CTRLEFFECT, 0);
    UpdateWindow(sample);
    dc = GetDC(sample);
    EXPECT_TRUE(samePixels(dc, Canvas(rc.right, rc.bottom, kSampleFace))) << "(なし): the face only";
    ReleaseDC(sample, dc);
}

TEST_F(ContainerPagesTest, PropertiesVerbShowsTheThreePagesAndTheColourButtonEditsThroughTheColourPage)
{
    // The outer frame: its tabs; then the Effects page's BackColor button
    // opens the colour frame, with the host's frame modeless-disabled.
    QStringList titles;
    int modelessWhileColourFrame = -1;
    QString colourCaption;
    int level = 0;
    SetPropertyFrameShownHook([&](QDialog *frame) {
        ++level;
        if (level == 2) {
            // The colour frame: pick red for the first colour (BackColor).
            modelessWhileColourFrame = m_host->modelessDisabledCount();
            colourCaption = frame->windowTitle();
            const HWND page = GetWindow(PropertyFramePageParent(frame, 0), GW_CHILD);
            QTest::mouseClick(WidgetOfWindow(GetDlgItem(page, 1100 + 9)), Qt::LeftButton);
            QTest::mouseClick(frame->findChild<QPushButton *>(QStringLiteral("ok")), Qt::LeftButton);
            return;
        }
        auto *tabs = frame->findChild<QTabWidget *>(QStringLiteral("tabs"));
        for (int i = 0; i < tabs->count(); ++i)
            titles << tabs->tabText(i);
        const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS", QDir::tempPath());
        QDir().mkpath(dir);
        const char *const names[] = {"frame_effects", "frame_childs", "frame_general"};
        for (int i = tabs->count() - 1; i >= 0; --i) {
            tabs->setCurrentIndex(i);
            QApplication::processEvents();
            frame->grab().save(dir + QStringLiteral("/container_%1.png").arg(QLatin1String(names[i])));
        }
        const HWND page = GetWindow(PropertyFramePageParent(frame, 0), GW_CHILD);
        QTest::mouseClick(WidgetOfWindow(GetDlgItem(page, IDC_BACKCOLOR)), Qt::LeftButton);
        QTest::mouseClick(frame->findChild<QPushButton *>(QStringLiteral("ok")), Qt::LeftButton);
    });
    const HRESULT hr = m_host->control()->DoVerb(OLEIVERB_PROPERTIES, nullptr, nullptr, 0, 0, nullptr);
    SetPropertyFrameShownHook({});
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(titles, (QStringList{"3Dｽﾀｲﾙ", "ﾁｬｲﾙﾄﾞｽﾀｲﾙ", "全般"}));
    EXPECT_EQ(level, 2) << "the colour frame was shown";
    EXPECT_EQ(colourCaption, QStringLiteral("色"));
    EXPECT_EQ(modelessWhileColourFrame, 1);
    EXPECT_EQ(m_host->modelessDisabledCount(), 0);
    OLE_COLOR back = 0;
    effectOf(reloaded().get(), Variant::i4(1))->get_BackColor(&back);
    EXPECT_EQ(back, RGB(255, 0, 0)) << "OK applied the colour chosen";
}
