// The combo's drag-and-drop events and its drop target against the
// recording inner window: OLEDrag in manual mode with the DataObject the
// events carry, the drop source's answers, the drop target in manual mode
// (OLEDragOver, OLEDragDrop) and automatic mode (drop feedback and the
// inserted text), and the target's registration over the window's life.
#include "ComboDragTestSupport.h"
#include "ComboTestSupport.h"

#include <QTest>
#include <QTimer>
#include <QWidget>

using namespace pickwell;
using namespace pickwell::testing;

namespace {

namespace dd = platform::win;

// The k-th declared argument of an event call.
VARIANT &arg(DISPPARAMS *p, uint32_t k) { return p->rgvarg[p->cArgs - 1 - k]; }

QString dataText(IDispatch *data)
{
    ComPtr<IVBDataObject> vb;
    if (!data || FAILED(data->QueryInterface(IID_IVBDataObject, vb.putVoid())))
        return QStringLiteral("<none>");
    Variant v;
    if (FAILED(vb->GetData(dd::CF_TEXT, &v)))
        return QStringLiteral("<error>");
    return bstrToQString(v.bstrVal);
}

class ComboDragEventsTest : public ComboTest {
protected:
    void SetUp() override
    {
        ComboTest::SetUp();
        initNew();
        connectSink();
    }
    template <class I>
    ComPtr<I> as(const IID &iid)
    {
        ComPtr<I> p;
        EXPECT_EQ(m_combo->QueryInterface(iid, p.putVoid()), S_OK);
        return p;
    }
    static dd::POINTL screen(dd::HWND hwnd, int x, int y)
    {
        dd::POINT p{x, y};
        dd::ClientToScreen(hwnd, &p);
        return dd::POINTL{p.x, p.y};
    }
    ComPtr<ForeignData> m_foreign{new ForeignData};
};

TEST_F(ComboDragEventsTest, OLEDragWithoutEffectsOnlyAsks)
{
    HRESULT duringStart = S_OK;
    int32_t allowedSeen = -1;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id != 0x60E)
            return;
        IDispatch *data = *arg(p, 0).ppdispVal;
        ComPtr<IVBDataObject> vb;
        ASSERT_EQ(data->QueryInterface(IID_IVBDataObject, vb.putVoid()), S_OK);
        Variant v;
        duringStart = vb->GetData(dd::CF_TEXT, &v);
        allowedSeen = *arg(p, 1).plVal;
    };
    EXPECT_EQ(m_combo->OLEDrag(), S_OK);
    EXPECT_EQ(m_sink.ids(), (std::vector<DISPID>{0x60E}));
    EXPECT_EQ(m_sink.calls[0].types, (std::vector<VARTYPE>{VT_BYREF | VT_DISPATCH, VT_BYREF | VT_I4}));
    EXPECT_EQ(allowedSeen, 0) << "manual drag mode allows nothing by itself";
    EXPECT_EQ(duringStart, HRESULT(0x800A01A9)) << "the source side cannot be read";
    EXPECT_FALSE(dd::IsDragRunning());
}

TEST_F(ComboDragEventsTest, NoDataObjectNoDrag)
{
    ComboDataObject::failNextCreationForTesting();
    EXPECT_EQ(m_combo->OLEDrag(), E_OUTOFMEMORY);
    EXPECT_TRUE(m_sink.calls.empty());
}

TEST_F(ComboDragEventsTest, AClearedDataObjectHasNothingToDrag)
{
    m_combo->put_OLEDragMode(zoOLEDragAutomatic);
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id != 0x60E)
            return;
        EXPECT_EQ(*arg(p, 1).plVal, 3) << "copy and move in automatic mode";
        ComPtr<IVBDataObject> vb;
        (*arg(p, 0).ppdispVal)->QueryInterface(IID_IVBDataObject, vb.putVoid());
        vb->Clear();
    };
    EXPECT_EQ(m_combo->OLEDrag(), S_OK);
    EXPECT_EQ(m_sink.ids(), (std::vector<DISPID>{0x60E})) << "no drag, no completion";
}

TEST_F(ComboDragEventsTest, ManualDragCarriesTheApplicationsData)
{
    // A window of the program that takes copies.
    const dd::HWND drop = dd::CreateWindowExA(0, "ComboTestParent", "", dd::WS_POPUP | dd::WS_VISIBLE, 300, 300, 80, 40,
                                              0, 0, 0, nullptr);
    QWidget *dropWidget = dd::WidgetOfWindow(drop);
    dropWidget->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dropWidget));
    ComPtr<TextTarget> target(new TextTarget);
    ASSERT_EQ(dd::RegisterDragDrop(drop, target.get()), S_OK);

    std::vector<int32_t> feedback;
    int32_t completed = -1;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id == 0x60E) {
            *arg(p, 1).plVal = dd::DROPEFFECT_COPY;
            ComPtr<IVBDataObject> vb;
            (*arg(p, 0).ppdispVal)->QueryInterface(IID_IVBDataObject, vb.putVoid());
            Variant text = Variant::str(QStringLiteral("from the application"));
            vb->SetData(&text, nullptr);
        } else if (id == 0x60F) {
            feedback.push_back(*arg(p, 0).plVal);
            EXPECT_EQ(*arg(p, 1).pboolVal, VARIANT_TRUE);
        } else if (id == 0x611) {
            completed = *arg(p, 0).plVal;
        }
    };
    HRESULT nested = S_OK;
    auto feedbackThenNested = m_sink.onEvent;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        feedbackThenNested(id, p);
        if (id == 0x60F && nested == S_OK)
            nested = m_combo->OLEDrag(); // a second drag from a handler
    };
    // The drag starts without a button: the press in the window carries it.
    QTimer::singleShot(0, [&] {
        QTest::mousePress(dropWidget, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseRelease(dropWidget, Qt::LeftButton, {}, QPoint(10, 10));
    });
    const HRESULT hr = m_combo->OLEDrag();
    EXPECT_EQ(hr, dd::DRAGDROP_S_DROP);
    EXPECT_EQ(target->dropped, QByteArray("from the application"));
    EXPECT_EQ(completed, int32_t(dd::DROPEFFECT_COPY));
    ASSERT_FALSE(feedback.empty());
    EXPECT_EQ(feedback.back(), int32_t(dd::DROPEFFECT_COPY));
    EXPECT_EQ(m_sink.ids().back(), 0x611);
    EXPECT_EQ(ryx().count(zobase7::ZOM_REMOVEMOVEDTEXT), 0) << "a copy leaves the text";
    EXPECT_EQ(nested, E_UNEXPECTED);
    const std::vector<DISPID> ids = m_sink.ids();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), 0x60E), 1) << "the second drag did not start";
    dd::RevokeDragDrop(drop);
    dd::DestroyWindow(drop);
}

TEST_F(ComboDragEventsTest, TheDropSourceFollowsTheButtons)
{
    const dd::HWND hwnd = createWindow();
    auto source = as<dd::IDropSource>(dd::IID_IDropSource);
    EXPECT_EQ(source->QueryContinueDrag(1, dd::MK_LBUTTON), dd::DRAGDROP_S_CANCEL);
    // No buttons held at the start: the first ones seen carry the drag.
    EXPECT_EQ(source->QueryContinueDrag(0, 0), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(0, dd::MK_RBUTTON | dd::MK_SHIFT), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(0, dd::MK_RBUTTON), S_OK);
    EXPECT_EQ(source->QueryContinueDrag(0, dd::MK_RBUTTON | dd::MK_LBUTTON), dd::DRAGDROP_S_CANCEL);
    EXPECT_EQ(source->QueryContinueDrag(0, dd::MK_CONTROL), dd::DRAGDROP_S_DROP);

    EXPECT_EQ(source->GiveFeedback(dd::DROPEFFECT_MOVE | dd::DROPEFFECT_COPY), dd::DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(dd::SendMessageA(hwnd, zobase7::ZOM_QUERYDRAGMOVE, 0, 0), 2);
    EXPECT_EQ(dd::SendMessageA(hwnd, zobase7::ZOM_QUERYOWNDRAG, 0, 0), 0);
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id == 0x60F)
            *arg(p, 1).pboolVal = VARIANT_FALSE;
    };
    EXPECT_EQ(source->GiveFeedback(dd::DROPEFFECT_COPY), S_OK) << "the application draws its own cursor";
    EXPECT_EQ(dd::SendMessageA(hwnd, zobase7::ZOM_QUERYDRAGMOVE, 0, 0), 0);
    EXPECT_EQ(m_sink.calls.back().types, (std::vector<VARTYPE>{VT_BYREF | VT_I4, VT_BYREF | VT_BOOL}));
}

TEST_F(ComboDragEventsTest, ManualDropFiresTheEventsWithTheData)
{
    m_combo->put_OLEDropMode(zoOLEDropManual);
    const dd::HWND hwnd = createWindow();
    auto target = as<dd::IDropTarget>(dd::IID_IDropTarget);
    struct Seen {
        DISPID id = 0;
        int16_t state = -1;
        int32_t effect = 0;
        int16_t button = 0, shift = 0;
        float x = 0, y = 0;
        QString text;
    };
    std::vector<Seen> seen;
    int32_t answer = -1;
    m_sink.onEvent = [&](DISPID id, DISPPARAMS *p) {
        if (id != 0x612 && id != 0x613)
            return;
        Seen s;
        s.id = id;
        s.text = dataText(*arg(p, 0).ppdispVal);
        s.effect = *arg(p, 1).plVal;
        s.button = *arg(p, 2).piVal;
        s.shift = *arg(p, 3).piVal;
        s.x = *static_cast<float *>(arg(p, 4).byref);
        s.y = *static_cast<float *>(arg(p, 5).byref);
        if (id == 0x612)
            s.state = *arg(p, 6).piVal;
        if (answer >= 0)
            *arg(p, 1).plVal = answer;
        seen.push_back(s);
    };
    const dd::POINTL at = screen(hwnd, 20, 10);
    dd::DWORD effect = dd::DROPEFFECT_COPY | dd::DROPEFFECT_MOVE | dd::DROPEFFECT_LINK;
    ASSERT_EQ(target->DragEnter(m_foreign.get(), dd::MK_LBUTTON | dd::MK_SHIFT, at, &effect), S_OK);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].state, zoEnter);
    EXPECT_EQ(seen[0].text, QStringLiteral("abc"));
    EXPECT_EQ(seen[0].effect, 3) << "no link";
    EXPECT_EQ(seen[0].button, 1);
    EXPECT_EQ(seen[0].shift, 1);
    // Client pixels in HIMETRIC (no site to transform them further).
    EXPECT_EQ(seen[0].x, float(dd::PixelsToHimetric(20)));
    EXPECT_EQ(seen[0].y, float(dd::PixelsToHimetric(10)));
    EXPECT_EQ(m_sink.calls[0].types.size(), 7u);

    answer = dd::DROPEFFECT_LINK; // shares nothing with what is offered
    effect = 3;
    target->DragOver(dd::MK_LBUTTON | dd::MK_CONTROL, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);
    EXPECT_EQ(seen.back().state, zoOver);
    EXPECT_EQ(seen.back().shift, 2);
    answer = dd::DROPEFFECT_COPY;
    effect = 3;
    target->DragOver(dd::MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_COPY);

    answer = -1;
    target->DragLeave();
    EXPECT_EQ(seen.back().state, zoLeave);
    EXPECT_EQ(seen.back().effect, 0);
    EXPECT_EQ(seen.back().x, 0.f);
    EXPECT_EQ(control().dragDrop().EventData(), nullptr);

    // A drop without an enter still gets its DataObject.
    ryx().log.clear();
    effect = 3;
    ASSERT_EQ(target->Drop(m_foreign.get(), 0, at, &effect), S_OK);
    EXPECT_EQ(seen.back().id, 0x613);
    EXPECT_EQ(seen.back().text, QStringLiteral("abc"));
    EXPECT_EQ(m_sink.calls.back().types.size(), 6u);
    EXPECT_EQ(ryx().messages(), (std::vector<dd::UINT>{zobase7::ZOM_ENDDROPFEEDBACK,
                                                        zobase7::ZOM_SETSELSTART}))
        << "the application inserts the data itself";
    EXPECT_EQ(control().dragDrop().EventData(), nullptr);

    // Without a DataObject the events still fire, with Nothing.
    ComboDataObject::failNextCreationForTesting();
    effect = 3;
    target->DragEnter(m_foreign.get(), 0, at, &effect);
    EXPECT_EQ(seen.back().text, QStringLiteral("<none>"));
    target->DragLeave();
}

TEST_F(ComboDragEventsTest, AutomaticDropShowsTheCaretAndInsertsTheText)
{
    m_combo->put_OLEDropMode(zoOLEDropAutomatic);
    const dd::HWND hwnd = createWindow(); // client 120 x 22; text rectangle (2,2)-(100,20)
    auto target = as<dd::IDropTarget>(dd::IID_IDropTarget);
    QByteArray inserted;
    ryx().onMessage = [&](dd::HWND, dd::UINT m) {
        if (m == zobase7::ZOM_INSERTDROPTEXT)
            inserted = QByteArray(reinterpret_cast<const char *>(ryx().log.back().lParam));
    };
    ryx().log.clear();
    dd::DWORD effect = 7;
    ASSERT_EQ(target->DragEnter(m_foreign.get(), dd::MK_LBUTTON | dd::MK_CONTROL, screen(hwnd, 20, 10), &effect), S_OK);
    EXPECT_EQ(effect, dd::DROPEFFECT_COPY) << "Ctrl copies; never a link";
    using namespace zobase7;
    EXPECT_EQ(ryx().messages(), (std::vector<dd::UINT>{ZOM_GETTEXTRECT, ZOM_DRAGENTER, ZOM_CREATEDROPCARET,
                                                        EM_POSFROMCHAR, ZOM_SETDROPCARETPOS, ZOM_SHOWDROPCARET}));
    EXPECT_EQ(ryx().last(ZOM_CREATEDROPCARET), 2);
    EXPECT_GT(ryx().log[2].lParam, 0) << "the caret is a line of the font high";

    // Over the buttons (outside the text): the caret goes, nothing is accepted.
    ryx().log.clear();
    effect = 3;
    target->DragOver(dd::MK_LBUTTON, screen(hwnd, 110, 10), &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);
    EXPECT_EQ(ryx().count(ZOM_DROPCARETOFF), 1);
    effect = 3;
    target->DragOver(dd::MK_LBUTTON, screen(hwnd, 30, 10), &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_MOVE) << "no Ctrl: a move";
    EXPECT_EQ(ryx().count(ZOM_SHOWDROPCARET), 1);
    // Outside the window nothing is accepted.
    effect = 3;
    target->DragOver(dd::MK_LBUTTON, screen(hwnd, 130, 10), &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);

    ryx().log.clear();
    effect = 3;
    ASSERT_EQ(target->Drop(m_foreign.get(), 0, screen(hwnd, 30, 10), &effect), S_OK);
    EXPECT_EQ(effect, dd::DROPEFFECT_MOVE);
    EXPECT_EQ(ryx().count(ZOM_ENDDROPFEEDBACK), 1);
    EXPECT_EQ(ryx().count(ZOM_INSERTDROPTEXT), 1);
    EXPECT_EQ(inserted, QByteArray("abc"));
    EXPECT_EQ(dd::GetFocus(), hwnd) << "the control takes the focus with the text";
}

TEST_F(ComboDragEventsTest, AutomaticDropRefusesWhatItCannotTake)
{
    m_combo->put_OLEDropMode(zoOLEDropAutomatic);
    const dd::HWND hwnd = createWindow();
    auto target = as<dd::IDropTarget>(dd::IID_IDropTarget);
    const dd::POINTL at = screen(hwnd, 20, 10);
    // Data without text.
    m_foreign->hasText = false;
    dd::DWORD effect = 3;
    target->DragEnter(m_foreign.get(), dd::MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);
    target->DragLeave();
    // Text that cannot be read at the drop moves nothing.
    m_foreign->hasText = true;
    m_foreign->failure = E_FAIL;
    effect = 3;
    target->Drop(m_foreign.get(), 0, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);
    EXPECT_EQ(ryx().count(zobase7::ZOM_INSERTDROPTEXT), 0);
    // A read-only control takes nothing and shows no feedback.
    m_foreign->failure = S_OK;
    m_combo->put_ReadOnly(VARIANT_TRUE);
    ryx().log.clear();
    effect = 3;
    target->DragEnter(m_foreign.get(), dd::MK_LBUTTON, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE);
    EXPECT_EQ(ryx().count(zobase7::ZOM_DRAGENTER), 0);
    target->DragLeave();
    // The inner window refusing the text (a mask, a full field).
    m_combo->put_ReadOnly(VARIANT_FALSE);
    ryx().answers[zobase7::ZOM_INSERTDROPTEXT] = 1;
    effect = 3;
    target->Drop(m_foreign.get(), 0, at, &effect);
    EXPECT_EQ(effect, dd::DROPEFFECT_NONE) << "the source must keep what was not taken";
}

TEST_F(ComboDragEventsTest, TheTargetIsRegisteredWhileTheModeAsks)
{
    m_combo->put_OLEDropMode(zoOLEDropAutomatic);
    bool registeredBeforePush = false;
    ryx().onMessage = [&](dd::HWND h, dd::UINT m) {
        if (m == zobase7::ZOM_SETAPPEARANCE)
            registeredBeforePush = dd::IsDropTargetRegistered(h);
    };
    const dd::HWND hwnd = createWindow();
    EXPECT_TRUE(registeredBeforePush) << "registered at creation, before the settings push";
    EXPECT_TRUE(control().dragDrop().IsTargetRegistered());
    m_combo->put_OLEDropMode(zoOLEDropNone);
    EXPECT_FALSE(dd::IsDropTargetRegistered(hwnd));
    m_combo->put_OLEDropMode(zoOLEDropManual);
    EXPECT_TRUE(dd::IsDropTargetRegistered(hwnd));
    // The UI of the container dies and comes back.
    setSite(true);
    ComPtr<dd::IOleControl> ctl = as<dd::IOleControl>(dd::IID_IOleControl);
    m_siteObject.uiDead = true;
    ctl->OnAmbientPropertyChange(dd::DISPID_AMBIENT_UIDEAD);
    EXPECT_FALSE(dd::IsDropTargetRegistered(hwnd));
    m_siteObject.uiDead = false;
    ctl->OnAmbientPropertyChange(dd::DISPID_AMBIENT_UIDEAD);
    EXPECT_TRUE(dd::IsDropTargetRegistered(hwnd));
    dd::DestroyWindow(hwnd);
    EXPECT_FALSE(control().dragDrop().IsTargetRegistered());
}

TEST_F(ComboDragEventsTest, AtDesignTimeTheModeDoesNotRegister)
{
    setSite(false);
    const dd::HWND hwnd = createWindow();
    m_combo->put_OLEDropMode(zoOLEDropAutomatic);
    EXPECT_FALSE(dd::IsDropTargetRegistered(hwnd));
}

TEST_F(ComboDragEventsTest, TheRegistrationDoesNotKeepTheControlAlive)
{
    m_combo->put_OLEDropMode(zoOLEDropAutomatic);
    const dd::HWND hwnd = createWindow();
    ASSERT_TRUE(dd::IsDropTargetRegistered(hwnd));
    // Let go of the sink first: it holds no reference the test counts on.
    ComPtr<IConnectionPointContainer> cpc = as<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ComPtr<IConnectionPoint> cp;
    cpc->FindConnectionPoint(DIID_IComboEvents, cp.put());
    cp->Unadvise(m_cookie);
    m_cookie = 0;
    cp.reset();
    cpc.reset();
    const int live = dd::OleControlBase::LiveCount();
    m_combo.reset();
    EXPECT_EQ(dd::OleControlBase::LiveCount(), live - 1) << "final release ran";
    EXPECT_FALSE(dd::IsWindow(hwnd));
    EXPECT_FALSE(dd::IsDropTargetRegistered(hwnd));
}

} // namespace
