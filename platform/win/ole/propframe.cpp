#include "platform/win/ole/propframe.h"

#include "platform/com/objectbase.h"
#include "platform/win/dialog.h"
#include "platform/win/embed.h"
#include "platform/win/window.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <vector>

namespace platform::win {

namespace detail {
void setKeyDown(int vk, bool down);
} // namespace detail

using com::ComPtr;
using com::HRESULT;
using com::S_FALSE;
using com::S_OK;

namespace {

constexpr const char *kPageHostClass = "TalvikPropertyPageHost";

LRESULT pageHostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void registerPageHostClass()
{
    WNDCLASSA probe;
    if (GetClassInfoA(0, kPageHostClass, &probe))
        return;
    WNDCLASSA wc;
    wc.lpfnWndProc = pageHostProc;
    wc.hbrBackground = static_cast<HBRUSH>(16); // COLOR_BTNFACE + 1
    wc.lpszClassName = kPageHostClass;
    RegisterClassA(&wc);
}

std::function<void(QDialog *)> &shownHook()
{
    static std::function<void(QDialog *)> hook;
    return hook;
}

class PropertyFrame;

// The site a page reports to; it forgets the frame when the frame closes.
class PageSite final : public com::RefCounted<IPropertyPageSite> {
public:
    PageSite(PropertyFrame *frame, int index, com::LCID locale) : m_frame(frame), m_index(index), m_locale(locale) {}
    void detach() { m_frame = nullptr; }

    HRESULT QueryInterface(const com::IID &iid, void **object) override
    {
        return com::queryInterfaceIn(this, iid, object,
                                     {{com::IID_IUnknown, static_cast<IPropertyPageSite *>(this)},
                                      {IID_IPropertyPageSite, static_cast<IPropertyPageSite *>(this)}});
    }
    HRESULT OnStatusChange(DWORD flags) override;
    HRESULT GetLocaleID(com::LCID *locale) override { return com::outValue(locale, m_locale); }
    HRESULT GetPageContainer(com::IUnknown **container) override
    {
        if (container)
            *container = nullptr;
        return com::E_NOTIMPL;
    }
    HRESULT TranslateAccelerator(MSG *msg) override;

private:
    PropertyFrame *m_frame;
    int m_index;
    com::LCID m_locale;
};

struct PageEntry {
    ComPtr<IPropertyPage> page;
    ComPtr<PageSite> site;
    QWidget *area = nullptr;
    HWND host = 0;
    bool active = false;
    SIZE size{};
};

class PropertyFrame : public QDialog {
public:
    PropertyFrame(QWidget *owner, const QString &caption) : QDialog(owner)
    {
        setWindowTitle(caption);
        setModal(true);
        m_tabs = new QTabWidget(this);
        m_tabs->setObjectName("tabs");
        m_ok = new QPushButton(QStringLiteral("OK"), this);
        m_ok->setObjectName("ok");
        m_cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
        m_cancel->setObjectName("cancel");
        m_apply = new QPushButton(QStringLiteral("適用(&A)"), this);
        m_apply->setObjectName("apply");
        m_apply->setEnabled(false);
        for (QPushButton *b : {m_ok, m_cancel, m_apply})
            b->setAutoDefault(false);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(m_ok);
        buttons->addWidget(m_cancel);
        buttons->addWidget(m_apply);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(m_tabs);
        layout->addLayout(buttons);
        connect(m_ok, &QPushButton::clicked, this, [this] {
            if (applyAll())
                accept();
        });
        connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
        connect(m_apply, &QPushButton::clicked, this, [this] { applyAll(); });
        connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) { showPage(index); });
    }

    ~PropertyFrame() override { closePages(); }

    // Takes a created page: site, objects, information. False when the page
    // refuses them.
    bool addPage(ComPtr<IPropertyPage> page, ULONG objectCount, com::IUnknown **objects, com::LCID locale)
    {
        PageEntry entry;
        entry.page = page;
        entry.site = ComPtr<PageSite>(new PageSite(this, static_cast<int>(m_pages.size()), locale));
        if (com::FAILED(page->SetPageSite(entry.site.get())))
            return false;
        if (com::FAILED(page->SetObjects(objectCount, objects))) {
            page->SetPageSite(nullptr);
            return false;
        }
        PROPPAGEINFO info;
        QString title;
        if (SUCCEEDED_(page->GetPageInfo(&info))) {
            if (info.pszTitle)
                title = QString::fromUtf16(info.pszTitle);
            entry.size = info.size;
            com::CoTaskMemFree(info.pszTitle);
            com::CoTaskMemFree(info.pszDocString);
            com::CoTaskMemFree(info.pszHelpFile);
        }
        entry.area = new QWidget;
        entry.area->setObjectName("page");
        entry.area->setMinimumSize(std::max<LONG>(entry.size.cx, 1), std::max<LONG>(entry.size.cy, 1));
        m_pages.push_back(std::move(entry));
        m_tabs->addTab(m_pages.back().area, title);
        return true;
    }

    int pageCount() const { return static_cast<int>(m_pages.size()); }
    HWND pageParent(int index) const
    {
        return index >= 0 && index < pageCount() ? m_pages[static_cast<size_t>(index)].host : 0;
    }

    // Apply follows the pages: enabled while one of them holds changes not
    // applied (a page may also make itself clean: after applying an insert,
    // after a spin moved back).
    void pageStatus(int, DWORD)
    {
        m_apply->setEnabled(anyPageDirty());
    }

    // A page at its last (first) field hands Tab on to the frame.
    HRESULT siteTranslate(int, MSG *msg)
    {
        if (!msg || msg->message != WM_KEYDOWN || msg->wParam != static_cast<WPARAM>(VK_TAB))
            return S_FALSE;
        const bool back = GetKeyState(VK_SHIFT) & 0x8000;
        focusFrameControl(Stop::Page, back);
        return S_OK;
    }

    int run()
    {
        if (m_pages.empty())
            return QDialog::Rejected;
        adjustSize();
        if (QWidget *o = parentWidget()) {
            const QRect og = o->window()->frameGeometry();
            move(og.center() - QPoint(width() / 2, height() / 2));
        }
        qApp->installEventFilter(this);
        showPage(0);
        show();
        if (auto hook = shownHook())
            QMetaObject::invokeMethod(
                this, [this, hook] { hook(this); }, Qt::QueuedConnection);
        const int result = exec();
        qApp->removeEventFilter(this);
        closePages();
        return result;
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType() || !isVisible())
            return false;
        auto *target = static_cast<QWidget *>(watched);
        if (target->window() != this)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab)
            return false;
        const bool control = key->modifiers() & Qt::ControlModifier;
        const bool back = key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
        if (control) {
            // Ctrl+Tab and Ctrl+Shift+Tab change tabs.
            const int n = m_tabs->count();
            if (n > 0)
                m_tabs->setCurrentIndex(((m_tabs->currentIndex() + (back ? -1 : 1)) % n + n) % n);
            return true;
        }
        // The key state the page reads follows this key, which the window layer did not see.
        detail::setKeyDown(VK_SHIFT, key->modifiers() & Qt::ShiftModifier);
        detail::setKeyDown(VK_CONTROL, key->modifiers() & Qt::ControlModifier);
        PageEntry *current = currentEntry();
        const bool inPage = current && current->area && (current->area == target || current->area->isAncestorOf(target));
        if (inPage) {
            MSG msg = tabMessage(WindowOfWidget(target));
            return current->page->TranslateAccelerator(&msg) == S_OK;
        }
        // On the frame's own controls: tab bar, page, OK, Cancel, Apply.
        focusFrameControl(stopOf(target), back);
        return true;
    }

private:
    enum class Stop { TabBar, Page, Ok, Cancel, Apply };

    static MSG tabMessage(HWND hwnd)
    {
        MSG msg;
        msg.hwnd = hwnd;
        msg.message = WM_KEYDOWN;
        msg.wParam = static_cast<WPARAM>(VK_TAB);
        msg.lParam = 1 | (0x0F << 16);
        msg.time = GetTickCount();
        return msg;
    }

    Stop stopOf(QWidget *w) const
    {
        if (w == m_ok)
            return Stop::Ok;
        if (w == m_cancel)
            return Stop::Cancel;
        if (w == m_apply)
            return Stop::Apply;
        return Stop::TabBar;
    }

    QWidget *widgetOf(Stop s) const
    {
        switch (s) {
        case Stop::TabBar:
            return m_tabs->tabBar();
        case Stop::Ok:
            return m_ok;
        case Stop::Cancel:
            return m_cancel;
        case Stop::Apply:
            return m_apply;
        default:
            return nullptr;
        }
    }

    // Moves the focus from `from` to the next stop in the direction; the
    // page takes it when it has a tab stop.
    void focusFrameControl(Stop from, bool back)
    {
        static constexpr Stop order[] = {Stop::TabBar, Stop::Page, Stop::Ok, Stop::Cancel, Stop::Apply};
        constexpr int n = 5;
        int i = 0;
        while (order[i] != from)
            ++i;
        for (int k = 0; k < n; ++k) {
            i = ((i + (back ? -1 : 1)) % n + n) % n;
            const Stop s = order[i];
            if (s == Stop::Page) {
                PageEntry *current = currentEntry();
                if (!current || !current->active || from == Stop::Page)
                    continue;
                MSG msg = tabMessage(current->host);
                // The focus is outside the page: it enters at its first (last) tab stop.
                if (current->page->TranslateAccelerator(&msg) == S_OK && IsDescendantOfHost(current->host))
                    return;
                continue;
            }
            QWidget *w = widgetOf(s);
            if (w && w->isEnabled() && w->isVisible()) {
                w->setFocus(back ? Qt::BacktabFocusReason : Qt::TabFocusReason);
                return;
            }
        }
    }

    static bool IsDescendantOfHost(HWND host)
    {
        for (HWND w = GetFocus(); w; w = GetParent(w))
            if (w == host)
                return true;
        return false;
    }

    PageEntry *currentEntry()
    {
        const int i = m_tabs->currentIndex();
        return i >= 0 && i < pageCount() ? &m_pages[static_cast<size_t>(i)] : nullptr;
    }

    void showPage(int index)
    {
        if (index < 0 || index >= pageCount())
            return;
        for (int i = 0; i < pageCount(); ++i)
            if (i != index && m_pages[static_cast<size_t>(i)].active)
                m_pages[static_cast<size_t>(i)].page->Show(SW_HIDE);
        PageEntry &e = m_pages[static_cast<size_t>(index)];
        if (!e.active) {
            registerPageHostClass();
            const int w = std::max<LONG>(e.size.cx, e.area->width());
            const int h = std::max<LONG>(e.size.cy, e.area->height());
            e.host = CreateWindowExA(WS_EX_CONTROLPARENT, kPageHostClass, "", WS_VISIBLE, 0, 0, w, h, 0, 0, 0, nullptr);
            if (!e.host)
                return;
            EmbedWindowInWidget(e.host, e.area);
            RECT r{0, 0, e.size.cx, e.size.cy};
            if (com::FAILED(e.page->Activate(e.host, &r, TRUE)))
                return;
            e.active = true;
        }
        e.page->Show(SW_SHOW);
    }

    bool anyPageDirty() const
    {
        for (const PageEntry &e : m_pages)
            if (e.active && e.page && e.page->IsPageDirty() == S_OK)
                return true;
        return false;
    }

    // Applies each dirty page; a failing page is selected and stops it.
    bool applyAll()
    {
        for (int i = 0; i < pageCount(); ++i) {
            PageEntry &e = m_pages[static_cast<size_t>(i)];
            if (!e.active || e.page->IsPageDirty() != S_OK)
                continue;
            if (com::FAILED(e.page->Apply())) {
                if (m_tabs->currentIndex() != i)
                    m_tabs->setCurrentIndex(i);
                m_apply->setEnabled(anyPageDirty());
                return false;
            }
        }
        m_apply->setEnabled(anyPageDirty());
        return true;
    }

    void closePages()
    {
        for (PageEntry &e : m_pages) {
            if (e.active)
                e.page->Deactivate();
            e.active = false;
            if (e.page) {
                e.page->SetObjects(0, nullptr);
                e.page->SetPageSite(nullptr);
            }
            if (e.site)
                e.site->detach();
            if (e.host && IsWindow(e.host))
                DestroyWindow(e.host);
            e.host = 0;
            e.page.reset();
            e.site.reset();
        }
    }

    static bool SUCCEEDED_(HRESULT hr) { return hr >= 0; }

    QTabWidget *m_tabs;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QPushButton *m_apply;
    std::vector<PageEntry> m_pages;

};

HRESULT PageSite::OnStatusChange(DWORD flags)
{
    if (m_frame)
        m_frame->pageStatus(m_index, flags);
    return S_OK;
}

HRESULT PageSite::TranslateAccelerator(MSG *msg)
{
    return m_frame ? m_frame->siteTranslate(m_index, msg) : S_FALSE;
}

HRESULT createPage(const com::CLSID &clsid, IPropertyPage **page)
{
    if (clsid == CLSID_StockColorPage)
        return CreateStockColorPage(IID_IPropertyPage, reinterpret_cast<void **>(page));
    return com::CoCreateInstance(clsid, nullptr, IID_IPropertyPage, reinterpret_cast<void **>(page));
}

} // namespace

HRESULT OleCreatePropertyFrame(HWND owner, UINT, UINT, const com::OLECHAR *caption, ULONG objectCount,
                               com::IUnknown **objects, ULONG pageCount, const com::CLSID *pages, com::LCID locale,
                               DWORD, void *)
{
    if (!pageCount || !pages || (objectCount && !objects))
        return com::E_INVALIDARG;
    if (!qApp)
        return com::E_UNEXPECTED;
    QWidget *ownerWidget = WidgetOfWindow(owner);
    if (ownerWidget)
        ownerWidget = ownerWidget->window();
    const QString title = caption ? QString::fromUtf16(caption) : QString();
    // The frame lives on the stack of this call; its pages are released when it closes.
    PropertyFrame frame(ownerWidget, title);
    HRESULT firstFailure = S_OK;
    for (ULONG i = 0; i < pageCount; ++i) {
        ComPtr<IPropertyPage> page;
        const HRESULT hr = createPage(pages[i], page.put());
        if (com::FAILED(hr) || !page) {
            if (firstFailure == S_OK)
                firstFailure = com::FAILED(hr) ? hr : com::E_FAIL;
            continue;
        }
        if (!frame.addPage(page, objectCount, objects, locale) && firstFailure == S_OK)
            firstFailure = com::E_FAIL;
    }
    if (frame.pageCount() == 0)
        return firstFailure == S_OK ? com::E_FAIL : firstFailure;
    frame.run();
    return S_OK;
}

HRESULT RegisterPageClassObject(const com::CLSID &clsid, com::IClassFactory *factory, uint32_t *cookie)
{
    return com::CoRegisterClassObject(clsid, factory, cookie);
}

HRESULT RevokePageClassObject(uint32_t cookie)
{
    return com::CoRevokeClassObject(cookie);
}

void SetPropertyFrameShownHook(std::function<void(QDialog *)> hook) { shownHook() = std::move(hook); }

HWND PropertyFramePageParent(QDialog *frame, int index)
{
    auto *f = dynamic_cast<PropertyFrame *>(frame);
    return f ? f->pageParent(index) : 0;
}

} // namespace platform::win
