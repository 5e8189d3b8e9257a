#include "Controls/Pickwell/ComboItemEditor.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboPageControls.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/ComboPages.h"
#include "Controls/Pickwell/PickwellModule.h"
#include "platform/codepage/codepage.h"
#include "platform/com/olecolor.h"
#include "platform/com/picture.h"
#include "platform/com/stream.h"
#include "platform/system/process.h"
#include "platform/win/controls.h"
#include "platform/win/gdi.h"
#include "platform/win/messagebox.h"
#include "platform/win/ole/propframe.h"
#include "platform/win/windowwidget.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QPainter>

#include <atomic>
#include <cstring>
#include <vector>

namespace pickwell {

using namespace platform::win;
using namespace platform::com;
namespace cp = platform::codepage;

namespace {

constexpr OLE_COLOR kNoColor = 0xFFFFFFFFu; // the item has no colour of its own
constexpr OLE_COLOR kButtonFace = 0x8000000Fu;
constexpr int kTextLimit = 255;
constexpr HRESULT CTL_E_INVALIDPICTURE = static_cast<HRESULT>(0x800A01E1u);
constexpr HRESULT CTL_E_FILENOTFOUND = static_cast<HRESULT>(0x800A0035u);
constexpr HRESULT CTL_E_PERMISSIONDENIED = static_cast<HRESULT>(0x800A0046u);

PictureFileChooser &chooser()
{
    static PictureFileChooser c;
    return c;
}

QString chooseFile(HWND owner, const QString &title, const QString &filter)
{
    if (chooser())
        return chooser()(owner, title, filter);
    // "text|pattern|text|pattern|" as the system dialog's filter list.
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].isEmpty())
            filters << QStringLiteral("%1 (%2)").arg(parts[i], QString(parts[i + 1]).replace(u';', u' '));
    QWidget *parent = WidgetOfWindow(owner);
    return QFileDialog::getOpenFileName(parent ? parent->window() : nullptr, title, QString(),
                                        filters.join(QStringLiteral(";;")));
}

QString label(const QString &content)
{
    return QStringLiteral("ComboItem:{") + content + QStringLiteral("}");
}

// A picture from a file: the picture object's own stream form first, then
// any image format the file holds (icons as icons).
HRESULT loadPictureFile(const QString &path, ComPtr<IPicture> *out)
{
    QFile file(path);
    if (!file.exists())
        return static_cast<HRESULT>(0x80070002u); // ERROR_FILE_NOT_FOUND
    if (!file.open(QIODevice::ReadOnly))
        return static_cast<HRESULT>(0x80070005u); // ERROR_ACCESS_DENIED
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return static_cast<HRESULT>(0x8007001Eu); // ERROR_READ_FAULT
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size_t(std::max<qsizetype>(bytes.size(), 1)));
    if (!block)
        return E_OUTOFMEMORY;
    void *p = GlobalLock(block);
    if (!p) {
        GlobalFree(block);
        return E_FAIL;
    }
    if (!bytes.isEmpty())
        std::memcpy(p, bytes.constData(), size_t(bytes.size()));
    GlobalUnlock(block);
    ComPtr<IStream> stream;
    if (FAILED(CreateStreamOnHGlobal(block, true, stream.put()))) {
        GlobalFree(block);
        return E_OUTOFMEMORY;
    }
    ComPtr<IPicture> picture;
    if (SUCCEEDED(OleLoadPicture(stream.get(), int32_t(bytes.size()), true, IID_IPicture, picture.putVoid()))
        && picture) {
        *out = picture;
        return S_OK;
    }
    QImage image;
    if (bytes.isEmpty() || !image.loadFromData(bytes))
        return CTL_E_INVALIDPICTURE;
    const bool icon = QFileInfo(path).suffix().compare(QStringLiteral("ico"), Qt::CaseInsensitive) == 0;
    *out = createPicture(icon ? PICTYPE_ICON : PICTYPE_BITMAP, image);
    return *out ? S_OK : E_OUTOFMEMORY;
}

void drawImage(HDC hdc, const RECT &box, const QImage &image)
{
    const int bw = box.right - box.left, bh = box.bottom - box.top;
    if (image.isNull() || bw <= 0 || bh <= 0)
        return;
    // The whole picture, scaled into the box, over the button face.
    QImage rgb(bw, bh, QImage::Format_RGB32);
    const COLORREF face = platform::win::GetSysColor(platform::win::COLOR_BTNFACE);
    rgb.fill(QColor(GetRValue(face), GetGValue(face), GetBValue(face)));
    {
        QPainter painter(&rgb);
        painter.drawImage(QRect(0, 0, bw, bh), image);
    }
    std::vector<std::uint32_t> bits(size_t(bw) * size_t(bh));
    for (int row = 0; row < bh; ++row)
        std::memcpy(bits.data() + size_t(row) * size_t(bw), rgb.constScanLine(row), size_t(bw) * 4);
    const HBITMAP bitmap = CreateBitmap(bw, bh, 1, 32, bits.data());
    const HDC memory = CreateCompatibleDC(hdc);
    if (bitmap && memory) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(hdc, box.left, box.top, bw, bh, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (bitmap)
        DeleteObject(bitmap);
}

// What the colour frame edits: an item's two colours. It answers the item's
// IDispatch and names the two colour properties for the stock colour page.
class ItemColours final : public IDispatch, public IColorPropertyList {
public:
    explicit ItemColours(IComboItem *item) : m_item(item) {}

    HRESULT QueryInterface(const IID &iid, void **object) override
    {
        if (!object)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch *>(this);
        else if (iid == IID_IColorPropertyList)
            *object = static_cast<IColorPropertyList *>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override
    {
        const uint32_t left = --m_refs;
        if (!left)
            delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(uint32_t *count) override { return m_item->GetTypeInfoCount(count); }
    HRESULT GetIDsOfNames(const IID &riid, const OLECHAR *const *names, uint32_t count, LCID lcid,
                          DISPID *ids) override
    {
        return m_item->GetIDsOfNames(riid, names, count, lcid, ids);
    }
    HRESULT Invoke(DISPID id, const IID &riid, LCID lcid, uint16_t flags, DISPPARAMS *params, VARIANT *result,
                   EXCEPINFO *excep, uint32_t *argErr) override
    {
        return m_item->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    }
    HRESULT GetColorProperties(CALPOLESTR *names, CADWORD *dispids) override
    {
        return MakeColorPropertyList({{u"ForeColor", kItemForeColor}, {u"BackColor", kItemBackColor}}, names, dispids);
    }

private:
    static constexpr DISPID kItemForeColor = 3;
    static constexpr DISPID kItemBackColor = 4;
    ~ItemColours() = default;
    ComPtr<IComboItem> m_item;
    std::atomic<uint32_t> m_refs{0};
};

class ComboItemEditorPage final : public ComboPage {
public:
    ComboItemEditorPage() : ComboPage(IDD_PAGE_ITEMEDITOR, IDS_PAGE_ITEMEDITOR) {}

    HRESULT SetObjects(ULONG count, IUnknown **objects) override
    {
        const HRESULT hr = ComboPage::SetObjects(count, objects);
        if (FAILED(hr) || !PageWindow() || !count)
            return hr;
        // Pending edits belong to the item shown from the previous objects.
        if (IsDirty())
            ApplyFields();
        const ComPtr<ICombo> c = combo();
        if (!c)
            return hr;
        ComPtr<IComboItemCollection> items;
        c->get_Items(items.put());
        int32_t sortBy = -1, sortOrder = -1;
        c->get_SortBy(&sortBy);
        c->get_SortOrder(&sortOrder);
        if (items.get() != m_items.get() || sortBy != m_sortBy || sortOrder != m_sortOrder) {
            SendMessageA(field(IDC_ITEMLIST), LB_RESETCONTENT, 0, 0);
            fillItemList();
        }
        SetDirty(false);
        if (PageSite())
            PageSite()->OnStatusChange(PROPPAGESTATUS_DIRTY);
        EnableWindow(field(IDC_ITEMMOVE), m_current >= 0 && m_sortOrder == 2);
        return hr;
    }

protected:
    void OnInitPage() override
    {
        initNumber(IDC_ITEMINDENT, 0, 32767);
        for (int id : {IDC_ITEMCONTENT, IDC_ITEMDESCRIPTION, IDC_ITEMVALUE, IDC_ITEMTOOLTIP})
            SendMessageA(field(id), EM_LIMITTEXT, kTextLimit, 0);
        fillItemList();
        EnableWindow(field(IDC_ITEMMOVE), m_current >= 0 && m_sortOrder == 2);
    }

    // The fields follow the list's selection, not SetObjects alone.
    void FillFields() override {}

    HRESULT ApplyFields() override
    {
        const ComPtr<IComboItem> item = itemAt(m_current);
        if (!item)
            return S_OK; // no item shown: nothing to write
        for (const auto &[id, put] : {std::pair{IDC_ITEMCONTENT, &IComboItem::put_Content},
                                      std::pair{IDC_ITEMDESCRIPTION, &IComboItem::put_Description},
                                      std::pair{IDC_ITEMVALUE, &IComboItem::put_Value},
                                      std::pair{IDC_ITEMTOOLTIP, &IComboItem::put_TooltipText}}) {
            Bstr text(fieldText(id).left(kTextLimit));
            (item.get()->*put)(text.get());
        }
        if (!numberInRange(IDC_ITEMINDENT))
            return refuse(IDC_ITEMINDENT);
        item->put_Indent(numberValue(IDC_ITEMINDENT));
        item->put_Enable(checked(IDC_ITEMENABLE) ? -1 : 0);
        item->put_Visible(checked(IDC_ITEMVISIBLE) ? -1 : 0);
        item->put_BackTransparent(checked(IDC_ITEMBACKTRANSPARENT) ? -1 : 0);
        item->put_ForeTransparent(checked(IDC_ITEMFORETRANSPARENT) ? -1 : 0);
        item->put_BackColor(m_back);
        item->put_ForeColor(m_fore);
        item->put_Image(m_picture.get());
        if (m_sortOrder != 2) {
            // The item may have moved: all labels again, the same line selected.
            const LRESULT line = SendMessageA(field(IDC_ITEMLIST), LB_GETCURSEL, 0, 0);
            rebuildLabels();
            SendMessageA(field(IDC_ITEMLIST), LB_SETCURSEL, static_cast<WPARAM>(line), 0);
        }
        return S_OK;
    }

    bool IsChangeNotification(int id, WORD code) const override
    {
        if (m_showing)
            return false;
        if ((id >= IDC_ITEMCONTENT && id <= IDC_ITEMMOVE) || id == IDC_ITEMFORETRANSPARENT
            || id == IDC_ITEMBACKTRANSPARENT)
            return code == EN_CHANGE || code == BN_CLICKED;
        return false;
    }

    bool OnPageMessage(UINT msg, WPARAM wParam, LPARAM lParam, LONG_PTR *result) override
    {
        switch (msg) {
        case WM_DRAWITEM: {
            auto *dis = reinterpret_cast<DRAWITEMSTRUCT *>(lParam);
            if (!dis)
                return false;
            if (dis->CtlID == IDC_ITEMFORECOLOR || dis->CtlID == IDC_ITEMBACKCOLOR)
                drawSwatch(*dis);
            else if (dis->CtlID == IDC_ITEMPICTURE)
                drawPreview(*dis);
            else
                return false;
            *result = TRUE;
            return true;
        }
        case WM_NOTIFY: {
            auto *nm = reinterpret_cast<NMUPDOWN *>(lParam);
            if (nm && nm->hdr.idFrom == IDC_ITEMMOVE && nm->hdr.code == UDN_DELTAPOS) {
                move(nm->iDelta);
                *result = 0;
                return true;
            }
            return false;
        }
        case WM_COMMAND:
            return command(LOWORD(static_cast<std::uintptr_t>(wParam)), HIWORD(static_cast<std::uintptr_t>(wParam)));
        default:
            return false;
        }
    }

private:
    // Handled commands answer true (no dirty marking by the base).
    bool command(int id, WORD code)
    {
        switch (id) {
        case IDC_ITEMLIST:
            if (code == LBN_SELCHANGE)
                selectionChanged();
            return true;
        case IDC_ITEMADD:
            if (code == BN_CLICKED)
                add();
            return true;
        case IDC_ITEMDELETE:
            if (code == BN_CLICKED)
                remove();
            return true;
        case IDC_ITEMCONTENT:
            if (code == EN_KILLFOCUS) {
                refreshLabel();
                return true;
            }
            return false;
        case IDC_ITEMFORECOLOR:
        case IDC_ITEMBACKCOLOR:
            if (code == BN_CLICKED)
                chooseColour();
            return true;
        case IDC_ITEMBROWSE:
            if (code == BN_CLICKED)
                loadPicture();
            return true;
        case IDC_ITEMCLEARPICTURE:
            if (code == BN_CLICKED)
                clearPicture();
            return true;
        case IDC_ITEMPICTURE:
            return true;
        default:
            return false;
        }
    }

    ComPtr<IComboItem> itemAt(int position) const
    {
        ComPtr<IComboItem> item;
        if (m_items && position >= 0)
            m_items->get_Item(position, item.put());
        return item;
    }

    int32_t itemCount() const
    {
        int32_t n = 0;
        if (m_items)
            m_items->get_Count(&n);
        return n;
    }

    QString contentOf(IComboItem *item) const
    {
        Bstr s;
        if (item)
            item->get_Content(s.put());
        return s.toQString();
    }

    void addLabel(const QString &text, int at = -1)
    {
        const std::string bytes = PageAnsi(text).toStdString();
        if (at < 0)
            SendMessageA(field(IDC_ITEMLIST), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(bytes.c_str()));
        else
            SendMessageA(field(IDC_ITEMLIST), LB_INSERTSTRING, static_cast<WPARAM>(at),
                         reinterpret_cast<LPARAM>(bytes.c_str()));
    }

    void rebuildLabels()
    {
        SendMessageA(field(IDC_ITEMLIST), LB_RESETCONTENT, 0, 0);
        for (int32_t i = 0, n = itemCount(); i < n; ++i)
            addLabel(label(contentOf(itemAt(i).get())));
    }

    void fillItemList()
    {
        const ComPtr<ICombo> c = combo();
        m_items.reset();
        m_sortBy = m_sortOrder = -1;
        if (c) {
            c->get_Items(m_items.put());
            c->get_SortBy(&m_sortBy);
            c->get_SortOrder(&m_sortOrder);
        }
        rebuildLabels();
        SendMessageA(field(IDC_ITEMLIST), LB_SETCURSEL, 0, 0);
        showSelection();
        EnableWindow(field(IDC_ITEMDELETE), itemCount() > 0);
    }

    void showSelection()
    {
        m_showing = true;
        const int sel = static_cast<int>(SendMessageA(field(IDC_ITEMLIST), LB_GETCURSEL, 0, 0));
        const ComPtr<IComboItem> item = itemAt(sel);
        if (!item) {
            for (int id : {IDC_ITEMCONTENT, IDC_ITEMDESCRIPTION, IDC_ITEMVALUE, IDC_ITEMTOOLTIP, IDC_ITEMINDENT})
                SetWindowTextA(field(id), "");
            for (int id : {IDC_ITEMENABLE, IDC_ITEMVISIBLE, IDC_ITEMFORETRANSPARENT, IDC_ITEMBACKTRANSPARENT})
                setChecked(id, false);
            for (int id = IDC_ITEMCONTENT; id <= IDC_ITEMCLEARPICTURE; ++id)
                EnableWindow(field(id), FALSE);
            m_picture.reset();
            m_fore = m_back = kNoColor;
            m_current = -1;
        } else {
            for (int id = IDC_ITEMCONTENT; id <= IDC_ITEMCLEARPICTURE; ++id)
                EnableWindow(field(id), TRUE);
            for (const auto &[id, get] : {std::pair{IDC_ITEMCONTENT, &IComboItem::get_Content},
                                          std::pair{IDC_ITEMDESCRIPTION, &IComboItem::get_Description},
                                          std::pair{IDC_ITEMVALUE, &IComboItem::get_Value},
                                          std::pair{IDC_ITEMTOOLTIP, &IComboItem::get_TooltipText}}) {
                Bstr s;
                (item.get()->*get)(s.put());
                setFieldText(id, s.toQString());
            }
            int32_t indent = 0;
            item->get_Indent(&indent);
            setNumber(IDC_ITEMINDENT, indent);
            for (const auto &[id, get] : {std::pair{IDC_ITEMENABLE, &IComboItem::get_Enable},
                                          std::pair{IDC_ITEMVISIBLE, &IComboItem::get_Visible},
                                          std::pair{IDC_ITEMBACKTRANSPARENT, &IComboItem::get_BackTransparent},
                                          std::pair{IDC_ITEMFORETRANSPARENT, &IComboItem::get_ForeTransparent}}) {
                VARIANT_BOOL b = 0;
                (item.get()->*get)(&b);
                setChecked(id, b == -1);
            }
            item->get_BackColor(&m_back);
            item->get_ForeColor(&m_fore);
            m_picture.reset();
            item->get_Image(m_picture.put());
            EnableWindow(field(IDC_ITEMCLEARPICTURE), m_picture.get() != nullptr);
            m_current = sel;
        }
        EnableWindow(field(IDC_ITEMMOVE), item && m_sortOrder == 2);
        InvalidateRect(field(IDC_ITEMFORECOLOR), nullptr, FALSE);
        InvalidateRect(field(IDC_ITEMBACKCOLOR), nullptr, FALSE);
        InvalidateRect(field(IDC_ITEMPICTURE), nullptr, FALSE);
        m_showing = false;
    }

    // Applies pending edits to the shown item and tells the frame.
    void applyPending()
    {
        if (!IsDirty())
            return;
        if (SUCCEEDED(ApplyFields()))
            SetDirty(false);
        if (PageSite())
            PageSite()->OnStatusChange(PROPPAGESTATUS_DIRTY);
    }

    void selectionChanged()
    {
        applyPending();
        showSelection();
        EnableWindow(field(IDC_ITEMMOVE), m_current >= 0 && m_sortOrder == 2);
    }

    void add()
    {
        applyPending();
        if (!m_items)
            return;
        ComPtr<IComboItem> item;
        if (FAILED(controls::createObject<ComboItem>(IID_IComboItem, item.putVoid())) || !item)
            return;
        if (FAILED(m_items->Add(item.get())))
            return;
        int32_t at = -1;
        m_items->IndexOf(item.get(), &at);
        const int lines = static_cast<int>(SendMessageA(field(IDC_ITEMLIST), LB_GETCOUNT, 0, 0));
        if (at < 0 || at >= lines)
            at = lines;
        addLabel(label(QString()), at);
        SendMessageA(field(IDC_ITEMLIST), LB_SETCURSEL, static_cast<WPARAM>(at), 0);
        EnableWindow(field(IDC_ITEMDELETE), TRUE);
        showSelection();
    }

    void remove()
    {
        const HWND list = field(IDC_ITEMLIST);
        const int sel = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (sel < 0)
            return;
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(sel), 0);
        const int lines = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(static_cast<LPARAM>(sel < lines ? sel : lines - 1)), 0);
        if (m_items)
            m_items->RemoveAt(sel);
        // Pending edits of the deleted item are dropped.
        SetDirty(false);
        if (PageSite())
            PageSite()->OnStatusChange(PROPPAGESTATUS_DIRTY);
        showSelection();
        EnableWindow(field(IDC_ITEMDELETE), lines > 0);
    }

    void move(int delta)
    {
        applyPending();
        const HWND list = field(IDC_ITEMLIST);
        const int b = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (b < 0 || !m_items)
            return;
        const int count = itemCount();
        const int first = delta < 1 ? b - 1 : b; // the upper one of the pair
        if (first < 0 || first + 1 >= count)
            return;
        const ComPtr<IComboItem> upper = itemAt(first);
        const ComPtr<IComboItem> lower = itemAt(first + 1);
        if (!upper || !lower)
            return;
        m_items->RemoveAt(first);
        m_items->RemoveAt(first);
        if (first >= itemCount())
            m_items->Add(upper.get());
        else
            m_items->Insert(first, upper.get());
        m_items->Insert(first, lower.get());
        // Swap the two labels.
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(first), 0);
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(first), 0);
        addLabel(label(contentOf(upper.get())), first);
        addLabel(label(contentOf(lower.get())), first);
        const int now = delta < 1 ? b - 1 : b + 1;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(now), 0);
        m_current = now;
    }

    void refreshLabel()
    {
        const HWND list = field(IDC_ITEMLIST);
        const int sel = static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        if (sel < 0)
            return;
        SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(sel), 0);
        addLabel(label(fieldText(IDC_ITEMCONTENT)), sel);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(sel), 0);
    }

    OLE_COLOR controlColour(bool fore) const
    {
        OLE_COLOR c = fore ? 0x80000008u : 0x80000005u;
        if (const ComPtr<ICombo> combo = this->combo())
            fore ? combo->get_ForeColor(&c) : combo->get_BackColor(&c);
        return c;
    }

    void drawSwatch(const DRAWITEMSTRUCT &dis)
    {
        RECT r = dis.rcItem;
        DrawFrameControl(dis.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (dis.itemState & ODS_SELECTED ? DFCS_PUSHED : 0));
        const bool fore = dis.CtlID == IDC_ITEMFORECOLOR;
        OLE_COLOR colour = fore ? m_fore : m_back;
        if (colour == kNoColor)
            colour = controlColour(fore);
        if (!IsWindowEnabled(field(IDC_ITEMFORECOLOR)) || !IsWindowEnabled(field(IDC_ITEMBACKCOLOR)))
            colour = kButtonFace;
        COLORREF rgb = 0;
        if (FAILED(OleTranslateColor(colour, nullptr, &rgb)))
            OleTranslateColor(kButtonFace, nullptr, &rgb);
        const HBRUSH brush = CreateSolidBrush(rgb);
        const HGDIOBJ oldBrush = SelectObject(dis.hDC, brush);
        Rectangle(dis.hDC, r.left + 4, r.top + 4, r.right - 4, r.bottom - 4);
        SelectObject(dis.hDC, oldBrush);
        DeleteObject(brush);
        if (dis.itemState & ODS_FOCUS) {
            RECT focus{r.left + 6, r.top + 6, r.right - 6, r.bottom - 6};
            DrawFocusRect(dis.hDC, &focus);
        }
    }

    void drawPreview(const DRAWITEMSTRUCT &dis)
    {
        FillRect(dis.hDC, &dis.rcItem, GetSysColorBrush(platform::win::COLOR_BTNFACE));
        QImage image;
        if (m_picture && SUCCEEDED(m_picture->getImage(&image)))
            drawImage(dis.hDC, dis.rcItem, image);
    }

    void chooseColour()
    {
        // The host's modeless windows wait while the colour frame is up.
        ComPtr<IOleInPlaceFrame> hostFrame;
        if (const ComPtr<ICombo> c = combo()) {
            ComPtr<IOleObject> ole;
            ComPtr<IOleClientSite> site;
            ComPtr<IOleInPlaceSite> inPlace;
            if (SUCCEEDED(c->QueryInterface(IID_IOleObject, ole.putVoid())) && SUCCEEDED(ole->GetClientSite(site.put()))
                && site && SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite, inPlace.putVoid()))) {
                ComPtr<IOleInPlaceUIWindow> doc;
                RECT pos{}, clip{};
                OLEINPLACEFRAMEINFO info;
                inPlace->GetWindowContext(hostFrame.put(), doc.put(), &pos, &clip, &info);
            }
        }
        if (hostFrame)
            hostFrame->EnableModeless(FALSE);
        ComPtr<IComboItem> temp;
        if (SUCCEEDED(controls::createObject<ComboItem>(IID_IComboItem, temp.putVoid())) && temp) {
            temp->put_BackColor(m_back);
            temp->put_ForeColor(m_fore);
            ComPtr<IDispatch> colours(new ItemColours(temp.get()));
            IUnknown *objects[] = {colours.get()};
            const CLSID pages[] = {CLSID_StockColorPage};
            OleCreatePropertyFrame(PageWindow(), 0, 0, nullptr, 1, objects, 1, pages, 0x400, 0, nullptr);
            OLE_COLOR back = m_back, fore = m_fore;
            temp->get_BackColor(&back);
            temp->get_ForeColor(&fore);
            if (back != m_back || fore != m_fore) {
                m_back = back;
                m_fore = fore;
                InvalidateRect(field(IDC_ITEMFORECOLOR), nullptr, FALSE);
                InvalidateRect(field(IDC_ITEMBACKCOLOR), nullptr, FALSE);
                SetDirty(true);
            }
        }
        if (hostFrame)
            hostFrame->EnableModeless(TRUE);
    }

    void loadPicture()
    {
        const QString title = module().loadString(IDS_PICTURE_TITLE);
        const QString path = chooseFile(PageWindow(), title, module().loadString(IDS_PICTURE_FILTER));
        if (path.isEmpty())
            return;
        ComPtr<IPicture> picture;
        const HRESULT hr = loadPictureFile(path, &picture);
        if (FAILED(hr) || !picture) {
            // The system's text where it has one, else the picture errors' own.
            QString text;
            const uint32_t code = static_cast<uint32_t>(hr);
            if ((code & 0xFFFF0000u) == 0x80070000u) {
                const QString system = platform::system::FormatMessage(code & 0xFFFFu).trimmed();
                if (!system.isEmpty())
                    text = QStringLiteral("%1, (%2)\n").arg(system).arg(code, 0, 16);
            }
            if (text.isEmpty())
                text = PictureLoadErrorText(hr);
            MessageBoxA(PageWindow(), PageAnsi(text).constData(), PageAnsi(title).constData(), MB_OK);
            return;
        }
        m_picture = picture;
        SetDirty(true);
        EnableWindow(field(IDC_ITEMCLEARPICTURE), TRUE);
        InvalidateRect(field(IDC_ITEMPICTURE), nullptr, FALSE);
    }

    void clearPicture()
    {
        m_picture.reset();
        InvalidateRect(field(IDC_ITEMPICTURE), nullptr, FALSE);
        EnableWindow(field(IDC_ITEMCLEARPICTURE), FALSE);
        SetDirty(true);
    }

    ComPtr<IComboItemCollection> m_items;
    int m_current = -1;
    OLE_COLOR m_fore = kNoColor;
    OLE_COLOR m_back = kNoColor;
    ComPtr<IPicture> m_picture;
    int32_t m_sortBy = -1;
    int32_t m_sortOrder = -1;
    bool m_showing = false;
};

} // namespace

void SetPictureFileChooser(PictureFileChooser c)
{
    chooser() = std::move(c);
}

QString PictureLoadErrorText(int32_t code)
{
    const uint32_t c = static_cast<uint32_t>(code);
    const char *format = "Unspecified Error, (%1)";
    switch (c) {
    case 0x800A0034u:
    case 0x800A0040u: format = "Bad file name or number, (%1)"; break;
    case 0x800A0035u: format = "File not found, (%1)"; break;
    case 0x800A0046u: format = "Permission denied, (%1)"; break;
    case 0x800A004Bu: format = "Path/file access error, (%1)"; break;
    case 0x800A004Cu: format = "Path not found, (%1)"; break;
    case 0x800A0141u: format = "Invalid file format, (%1)"; break;
    case 0x800A01E1u: format = "Invalid picture, (%1)"; break;
    default: break;
    }
    return QString::fromLatin1(format).arg(c, 0, 16);
}

HRESULT createItemEditorPage(const IID &iid, void **object)
{
    RegisterComboPageTemplates();
    return controls::createObject<ComboItemEditorPage>(iid, object);
}

} // namespace pickwell
