// In-process drag and drop: registration of drop targets, DoDragDrop driven
// by real Qt mouse and key events against recording source and target
// objects, and the data-transfer helpers (media, format enumerators, the
// data-advise holder).
#include "WinTestSupport.h"

#include "platform/com/objectbase.h"
#include "platform/win/ole/dragdrop.h"

#include <QTest>
#include <QTimer>

#include <cstring>
#include <functional>
#include <string>

using namespace wintest;
using platform::com::ComPtr;
using platform::com::HRESULT;
namespace com = platform::com;

namespace {

struct Call {
    std::string what;
    DWORD keys = 0;
    POINTL point{0, 0};
    DWORD effect = 0;
};

// A drop source that drops when the left button is up and cancels on Esc;
// it records every call and asks for the default cursors.
class TestSource final : public com::RefCounted<IDropSource> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}, {IID_IDropSource, this}});
    }
    HRESULT QueryContinueDrag(BOOL escape, DWORD keys) override
    {
        queries.push_back(keys);
        if (escape)
            return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) ? com::S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD effect) override
    {
        feedback.push_back(effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    std::vector<DWORD> queries;
    std::vector<DWORD> feedback;
};

// A drop target that accepts a copy with Ctrl held, a move otherwise.
class TestTarget final : public com::RefCounted<IDropTarget> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}, {IID_IDropTarget, this}});
    }
    HRESULT DragEnter(IDataObject *data, DWORD keys, POINTL p, DWORD *effect) override
    {
        seenData = data;
        answer(keys, effect);
        calls.push_back({"enter", keys, p, *effect});
        return refuseEnter ? com::E_FAIL : com::S_OK;
    }
    HRESULT DragOver(DWORD keys, POINTL p, DWORD *effect) override
    {
        answer(keys, effect);
        calls.push_back({"over", keys, p, *effect});
        return com::S_OK;
    }
    HRESULT DragLeave() override
    {
        calls.push_back({"leave"});
        return com::S_OK;
    }
    HRESULT Drop(IDataObject *data, DWORD keys, POINTL p, DWORD *effect) override
    {
        seenData = data;
        answer(keys, effect);
        calls.push_back({"drop", keys, p, *effect});
        if (onDrop)
            onDrop();
        return com::S_OK;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const Call &c : calls)
            out.push_back(c.what);
        return out;
    }
    std::vector<Call> calls;
    IDataObject *seenData = nullptr;
    bool refuseEnter = false;
    bool acceptNothing = false;
    std::function<void()> onDrop;

private:
    void answer(DWORD keys, DWORD *effect)
    {
        const DWORD wanted = acceptNothing ? DROPEFFECT_NONE : (keys & MK_CONTROL) ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        *effect &= wanted;
    }
};

// A data object offering a text as CF_TEXT in global memory.
class TextData final : public com::RefCounted<IDataObject> {
public:
    explicit TextData(const char *text) : m_text(text) {}
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}, {IID_IDataObject, this}});
    }
    HRESULT GetData(const FORMATETC *f, STGMEDIUM *m) override
    {
        if (QueryGetData(f) != com::S_OK)
            return DV_E_FORMATETC;
        m->tymed = TYMED_HGLOBAL;
        m->hGlobal = com::GlobalAlloc(com::GMEM_FIXED, m_text.size() + 1);
        std::memcpy(com::GlobalLock(m->hGlobal), m_text.c_str(), m_text.size() + 1);
        com::GlobalUnlock(m->hGlobal);
        m->pUnkForRelease = nullptr;
        return com::S_OK;
    }
    HRESULT GetDataHere(const FORMATETC *, STGMEDIUM *) override { return com::E_NOTIMPL; }
    HRESULT QueryGetData(const FORMATETC *f) override
    {
        return f && f->cfFormat == CF_TEXT && (f->tymed & TYMED_HGLOBAL) ? com::S_OK : DV_E_FORMATETC;
    }
    HRESULT GetCanonicalFormatEtc(const FORMATETC *, FORMATETC *) override { return com::E_NOTIMPL; }
    HRESULT SetData(const FORMATETC *, STGMEDIUM *, BOOL) override { return com::E_NOTIMPL; }
    HRESULT EnumFormatEtc(DWORD, IEnumFORMATETC **e) override
    {
        FORMATETC f;
        f.cfFormat = CF_TEXT;
        f.tymed = TYMED_HGLOBAL;
        return CreateFormatEnumerator(&f, 1, e);
    }
    HRESULT DAdvise(const FORMATETC *, DWORD, IAdviseSink *, DWORD *) override { return com::E_NOTIMPL; }
    HRESULT DUnadvise(DWORD) override { return com::E_NOTIMPL; }
    HRESULT EnumDAdvise(IEnumSTATDATA **) override { return com::E_NOTIMPL; }

private:
    std::string m_text;
};

class DragDropTest : public WinTest {
protected:
    void SetUp() override
    {
        WinTest::SetUp();
        m_top = topLevel("TestPlain", 300, 120);
        m_a = child(m_top, "TestPlain", 10, 10, 100, 40, 1);
        m_b = child(m_top, "TestPlain", 150, 10, 100, 40, 2);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(WidgetOfWindow(m_top)));
        m_source = ComPtr<TestSource>(new TestSource);
        m_target = ComPtr<TestTarget>(new TestTarget);
        m_data = ComPtr<TextData>(new TextData("abc"));
    }
    void TearDown() override
    {
        for (HWND h : {m_top, m_a, m_b})
            RevokeDragDrop(h);
        // A test that failed half way must not leave a button down.
        QTest::mouseRelease(WidgetOfWindow(m_top), Qt::LeftButton, {}, QPoint(1, 1));
        WinTest::TearDown();
    }
    static QWidget *w(HWND h) { return WidgetOfWindow(h); }
    static POINT screenOf(HWND h, int x, int y)
    {
        POINT p{x, y};
        ClientToScreen(h, &p);
        return p;
    }
    // Presses the left button in window a and runs the drag while script
    // drives the input from inside the modal loop.
    HRESULT drag(std::function<void()> script, DWORD ok, DWORD *effect)
    {
        QTest::mousePress(w(m_a), Qt::LeftButton, {}, QPoint(20, 20));
        QTimer::singleShot(0, script);
        return DoDragDrop(m_data.get(), m_source.get(), ok, effect);
    }

    HWND m_top = 0, m_a = 0, m_b = 0;
    ComPtr<TestSource> m_source;
    ComPtr<TestTarget> m_target;
    ComPtr<TextData> m_data;
};

TEST_F(DragDropTest, RegistrationIsOnePerLiveWindow)
{
    EXPECT_EQ(RegisterDragDrop(0xFFFF, m_target.get()), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RegisterDragDrop(m_b, nullptr), com::E_INVALIDARG);
    EXPECT_EQ(RevokeDragDrop(m_b), DRAGDROP_E_NOTREGISTERED);
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    EXPECT_TRUE(IsDropTargetRegistered(m_b));
    EXPECT_EQ(RegisterDragDrop(m_b, m_target.get()), DRAGDROP_E_ALREADYREGISTERED);
    // The registration holds a reference until it is revoked.
    EXPECT_EQ(m_target->AddRef(), 3u);
    m_target->Release();
    EXPECT_EQ(RevokeDragDrop(m_b), com::S_OK);
    EXPECT_FALSE(IsDropTargetRegistered(m_b));
    EXPECT_EQ(m_target->AddRef(), 2u);
    m_target->Release();
    EXPECT_EQ(RevokeDragDrop(m_b), DRAGDROP_E_NOTREGISTERED);
}

TEST_F(DragDropTest, TheTargetOfADestroyedWindowIsLetGo)
{
    const HWND extra = child(m_top, "TestPlain", 10, 60, 50, 20, 3);
    ASSERT_EQ(RegisterDragDrop(extra, m_target.get()), com::S_OK);
    DestroyWindow(extra);
    EXPECT_FALSE(IsDropTargetRegistered(extra));
    EXPECT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    EXPECT_EQ(m_target->AddRef(), 3u) << "only the live window's registration holds the target";
    m_target->Release();
}

TEST_F(DragDropTest, DragIntoAnotherWindowMovesWithoutWindowInput)
{
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    log().clear();
    DWORD effect = 77;
    const HRESULT hr = drag(
        [&] {
            QTest::mouseMove(w(m_a), QPoint(40, 20));
            QTest::mouseMove(w(m_b), QPoint(10, 10));
            QTest::mouseMove(w(m_b), QPoint(30, 15));
            QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(30, 15));
        },
        DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_MOVE);
    EXPECT_EQ(m_target->names(), (std::vector<std::string>{"enter", "over", "drop"}));
    ASSERT_EQ(m_target->calls.size(), 3u);
    const POINT enter = screenOf(m_b, 10, 10), drop = screenOf(m_b, 30, 15);
    EXPECT_EQ(m_target->calls[0].point.x, enter.x);
    EXPECT_EQ(m_target->calls[0].point.y, enter.y);
    EXPECT_EQ(m_target->calls[2].point.x, drop.x);
    EXPECT_EQ(m_target->calls[2].point.y, drop.y);
    EXPECT_TRUE(m_target->calls[0].keys & MK_LBUTTON);
    EXPECT_FALSE(m_target->calls[2].keys & MK_LBUTTON) << "the drop comes with the button up";
    EXPECT_EQ(m_target->seenData, static_cast<IDataObject *>(m_data.get()));
    // Feedback: the start over a, the move in a, then the target's answers.
    EXPECT_EQ(m_source->feedback, (std::vector<DWORD>{0, 0, DROPEFFECT_MOVE, DROPEFFECT_MOVE}));
    // No window saw the mouse while the drag ran.
    for (UINT m : {UINT(WM_MOUSEMOVE), UINT(WM_LBUTTONUP)}) {
        EXPECT_TRUE(recordsOf(m).empty()) << std::hex << m;
    }
    EXPECT_FALSE(GetKeyState(VK_LBUTTON) & 0x8000) << "the key state follows the release";
    EXPECT_FALSE(IsDragRunning());
}

TEST_F(DragDropTest, CtrlMakesACopy)
{
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    DWORD effect = 0;
    const HRESULT hr = drag(
        [&] {
            QTest::mouseMove(w(m_b), QPoint(10, 10));
            QTest::keyPress(w(m_a), Qt::Key_Control, Qt::ControlModifier);
            QTest::mouseMove(w(m_b), QPoint(12, 10));
            QTest::mouseRelease(w(m_b), Qt::LeftButton, Qt::ControlModifier, QPoint(12, 10));
        },
        DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    QTest::keyRelease(w(m_a), Qt::Key_Control);
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_COPY);
    ASSERT_GE(m_target->calls.size(), 3u);
    EXPECT_EQ(m_target->calls[0].effect, DROPEFFECT_MOVE) << "before Ctrl";
    EXPECT_TRUE(m_target->calls[1].keys & MK_CONTROL) << "the key press itself is a step of the drag";
    EXPECT_EQ(m_target->calls.back().what, "drop");
    EXPECT_TRUE(m_target->calls.back().keys & MK_CONTROL);
}

TEST_F(DragDropTest, EscapeCancelsAndTheTargetIsLeft)
{
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    log().clear();
    DWORD effect = 5;
    const HRESULT hr = drag(
        [&] {
            QTest::mouseMove(w(m_b), QPoint(10, 10));
            QTest::keyClick(w(m_a), Qt::Key_Escape);
        },
        DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(hr, DRAGDROP_S_CANCEL);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(m_target->names(), (std::vector<std::string>{"enter", "leave"}));
    EXPECT_TRUE(recordsOf(WM_KEYDOWN).empty()) << "the Esc was the drag's";
}

TEST_F(DragDropTest, ReleaseOverNoTargetOrARefusingOneCancels)
{
    DWORD effect = 5;
    EXPECT_EQ(drag([&] { QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(10, 10)); },
                   DROPEFFECT_MOVE, &effect),
              DRAGDROP_S_CANCEL);
    EXPECT_EQ(effect, DROPEFFECT_NONE);

    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    m_target->acceptNothing = true;
    EXPECT_EQ(drag(
                  [&] {
                      QTest::mouseMove(w(m_b), QPoint(10, 10));
                      QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(10, 10));
                  },
                  DROPEFFECT_MOVE, &effect),
              DRAGDROP_S_CANCEL);
    EXPECT_EQ(m_target->names(), (std::vector<std::string>{"enter", "leave"})) << "no drop where nothing is accepted";
    EXPECT_EQ(GetCursor(), LoadCursorA(0, IDC_ARROW)) << "the cursor comes back after the drag";
}

TEST_F(DragDropTest, TheNearestRegisteredAncestorIsTheTarget)
{
    ASSERT_EQ(RegisterDragDrop(m_top, m_target.get()), com::S_OK);
    DWORD effect = 0;
    const HRESULT hr = drag(
        [&] {
            QTest::mouseMove(w(m_b), QPoint(10, 10));
            QTest::mouseMove(w(m_a), QPoint(10, 10));
            QTest::mouseRelease(w(m_a), Qt::LeftButton, {}, QPoint(11, 10));
        },
        DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    // The drag started over a (inside the top window): one visit throughout.
    EXPECT_EQ(m_target->names(), (std::vector<std::string>{"enter", "over", "over", "drop"}));
}

TEST_F(DragDropTest, TheDefaultCursorsFollowTheEffect)
{
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    std::vector<HCURSOR> seen;
    DWORD effect = 0;
    drag(
        [&] {
            QTest::mouseMove(w(m_a), QPoint(30, 10));
            seen.push_back(GetCursor());
            QTest::mouseMove(w(m_b), QPoint(10, 10));
            seen.push_back(GetCursor());
            QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(10, 10));
        },
        DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(seen, (std::vector<HCURSOR>{LoadCursorA(0, IDC_NO), LoadCursorA(0, IDC_ARROW)}));
}

TEST_F(DragDropTest, WhatADropHandlerShowsGetsItsInput)
{
    ASSERT_EQ(RegisterDragDrop(m_b, m_target.get()), com::S_OK);
    size_t clicksSeen = 0;
    m_target->onDrop = [&] {
        // A handler asking the user something: its window takes a click.
        log().clear();
        QTest::mouseClick(w(m_a), Qt::LeftButton, {}, QPoint(5, 5));
        clicksSeen = recordsOf(WM_LBUTTONDOWN).size();
    };
    DWORD effect = 0;
    EXPECT_EQ(drag(
                  [&] {
                      QTest::mouseMove(w(m_b), QPoint(10, 10));
                      QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(10, 10));
                  },
                  DROPEFFECT_MOVE, &effect),
              DRAGDROP_S_DROP);
    EXPECT_EQ(clicksSeen, 1u);
}

TEST_F(DragDropTest, BadCallsStartNoDrag)
{
    DWORD effect = 9;
    EXPECT_EQ(DoDragDrop(nullptr, m_source.get(), DROPEFFECT_MOVE, &effect), com::E_INVALIDARG);
    EXPECT_EQ(DoDragDrop(m_data.get(), nullptr, DROPEFFECT_MOVE, &effect), com::E_INVALIDARG);
    EXPECT_EQ(DoDragDrop(m_data.get(), m_source.get(), DROPEFFECT_MOVE, nullptr), com::E_INVALIDARG);
    EXPECT_TRUE(m_source->queries.empty());
    // A second drag while one runs is refused.
    HRESULT nested = com::S_OK;
    drag(
        [&] {
            DWORD e = 0;
            nested = DoDragDrop(m_data.get(), m_source.get(), DROPEFFECT_MOVE, &e);
            QTest::mouseRelease(w(m_b), Qt::LeftButton, {}, QPoint(10, 10));
        },
        DROPEFFECT_MOVE, &effect);
    EXPECT_EQ(nested, com::E_UNEXPECTED);
}

// ---- data-transfer helpers

class Releaser final : public com::RefCounted<com::IUnknown> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}});
    }
};

TEST(DataTransferTest, ReleaseStgMediumFreesWhatTheMediumOwns)
{
    STGMEDIUM m;
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = com::GlobalAlloc(com::GMEM_FIXED, 4);
    ReleaseStgMedium(&m);
    EXPECT_EQ(m.tymed, TYMED_NULL);
    EXPECT_EQ(m.hGlobal, nullptr);

    // With a release object only the object is released: the block is its.
    ComPtr<Releaser> owner(new Releaser);
    com::HGLOBAL block = com::GlobalAlloc(com::GMEM_FIXED, 4);
    m.tymed = TYMED_HGLOBAL;
    m.hGlobal = block;
    owner->AddRef();
    m.pUnkForRelease = owner.get();
    ReleaseStgMedium(&m);
    EXPECT_EQ(owner->AddRef(), 2u);
    owner->Release();
    EXPECT_EQ(com::GlobalSize(block), 4u) << "the block was left alone";
    com::GlobalFree(block);
    ReleaseStgMedium(nullptr);
}

TEST(DataTransferTest, FormatEnumeratorWalksACopy)
{
    FORMATETC f[3];
    for (int i = 0; i < 3; ++i)
        f[i].cfFormat = CLIPFORMAT(i + 1);
    ComPtr<IEnumFORMATETC> e;
    ASSERT_EQ(CreateFormatEnumerator(f, 3, e.put()), com::S_OK);
    f[0].cfFormat = 99; // the enumerator keeps its own copy
    FORMATETC got[4];
    ULONG n = 0;
    EXPECT_EQ(e->Next(2, got, &n), com::S_OK);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(got[0].cfFormat, 1);
    EXPECT_EQ(got[1].cfFormat, 2);
    ComPtr<IEnumFORMATETC> copy;
    ASSERT_EQ(e->Clone(copy.put()), com::S_OK);
    EXPECT_EQ(e->Next(4, got, &n), com::S_FALSE);
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(got[0].cfFormat, 3);
    EXPECT_EQ(copy->Next(1, got, nullptr), com::S_OK) << "the clone goes on from the same place";
    EXPECT_EQ(got[0].cfFormat, 3);
    EXPECT_EQ(e->Reset(), com::S_OK);
    EXPECT_EQ(e->Skip(5), com::S_FALSE);
    EXPECT_EQ(e->Next(1, got, &n), com::S_FALSE);
    EXPECT_EQ(n, 0u);
}

class RecordingAdviseSink final : public com::RefCounted<IAdviseSink> {
public:
    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object, {{com::IID_IUnknown, this}, {IID_IAdviseSink, this}});
    }
    void OnDataChange(FORMATETC *f, STGMEDIUM *m) override
    {
        formats.push_back(f->cfFormat);
        media.push_back(m->tymed);
    }
    void OnViewChange(DWORD, LONG) override {}
    void OnRename(IMoniker *) override {}
    void OnSave() override {}
    void OnClose() override {}
    std::vector<CLIPFORMAT> formats;
    std::vector<DWORD> media;
};

TEST(DataTransferTest, AdviseHolderCallsItsSinksUntilUnadvised)
{
    ComPtr<IDataAdviseHolder> holder;
    ASSERT_EQ(CreateDataAdviseHolder(holder.put()), com::S_OK);
    ComPtr<RecordingAdviseSink> sink(new RecordingAdviseSink);
    ComPtr<TextData> data(new TextData("x"));
    FORMATETC f;
    f.cfFormat = CF_TEXT;
    f.tymed = TYMED_HGLOBAL;
    DWORD withData = 0, noData = 0;
    ASSERT_EQ(holder->Advise(data.get(), &f, 0, sink.get(), &withData), com::S_OK);
    ASSERT_EQ(holder->Advise(data.get(), &f, ADVF_NODATA, sink.get(), &noData), com::S_OK);
    EXPECT_NE(withData, noData);
    EXPECT_EQ(holder->SendOnDataChange(data.get(), 0, 0), com::S_OK);
    EXPECT_EQ(sink->media, (std::vector<DWORD>{TYMED_HGLOBAL, TYMED_NULL}));
    EXPECT_EQ(holder->Unadvise(withData), com::S_OK);
    EXPECT_EQ(holder->Unadvise(withData), OLE_E_NOCONNECTION);
    holder->SendOnDataChange(data.get(), 0, 0);
    EXPECT_EQ(sink->formats.size(), 3u);
}

} // namespace
