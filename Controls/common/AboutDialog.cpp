#include "Controls/common/AboutDialog.h"

#include "Controls/common/AboutLogo.h"
#include "platform/codepage/codepage.h"
#include "platform/shell/shellexecute.h"
#include "platform/system/registry.h"
#include "platform/win/controls.h"
#include "platform/win/gdi.h"
#include "platform/win/messagebox.h"
#include "platform/win/window.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>

#include <dlfcn.h>

namespace controls {

using namespace platform::win;
namespace sys = platform::system;
namespace shell = platform::shell;

namespace {

// The credits: a line ending in a tab is a heading (bold, cyan), one ending
// in a form feed a name (normal, white). The last character is not drawn.
const char *const kCreditLines[AboutDialog::kCreditLineCount] = {
    "Talvik Input Controls\t", "\f", "\f",
    "Design\t", "Control architecture\f", "Window layer\f", "\f",
    "Development\t", "Combo control\f", "3D container control\f", "Suite base library\f",
    "Property pages\f", "Property browsing\f", "\f",
    "Drawing\t", "Bevels and shadows\f", "Text and fonts\f", "\f",
    "Persistence\t", "Streams\f", "Property bags\f", "\f",
    "Testing\t", "Input and focus\f", "Drawing checks\f", "Stream checks\f", "\f",
    "Documentation\t", "Reference\f", "Samples\f", "\f",
    "Quality\t", "Reviews\f", "Release checks\f", "\f",
    "Support\t", "Questions and answers\f", "\f",
    "Thanks\t", "Everyone who tried\f", "the early builds\f", "\f",
    "\f", "\f",
    "Talvik\t", "\f", "\f", "\f", "\f", "\f",
};

// CP932 of a text; characters CP932 cannot hold become "?".
std::string ansiOf(const QString &text)
{
    std::string out;
    for (int i = 0; i < text.size(); ++i) {
        const QString one = text.mid(i, text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1);
        i += static_cast<int>(one.size()) - 1;
        out += platform::codepage::isAnsiEncodable(one) ? platform::codepage::toAnsi(one).toStdString() : "?";
    }
    return out;
}

std::string u8(const char *utf8) { return ansiOf(QString::fromUtf8(utf8)); }

DialogItemTemplate item(int id, const char *cls, std::string text, DWORD style, int x, int y, int cx, int cy)
{
    return DialogItemTemplate{id, cls, std::move(text), WS_CHILD | style, 0, x, y, cx, cy};
}

constexpr int kNoId = -1;

} // namespace

DialogTemplate AboutDialog::Template()
{
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.caption = u8("バージョン情報");
    t.cx = 222;
    t.cy = 185;
    const DWORD shown = WS_VISIBLE;
    t.items = {
        item(kLogo, "STATIC", "7001", shown | SS_BITMAP, 7, 7, 21, 20),
        item(kCredits, "EDIT", "", ES_READONLY | ES_LEFT, 32, 8, 158, 110),
        item(kTitle, "STATIC", "", shown | SS_LEFT | SS_NOPREFIX, 36, 10, 179, 10),
        item(kProduct, "STATIC", u8("Talvik 入力コントロール スイート バージョン 7"), shown | SS_LEFT, 36, 24, 179, 10),
        item(kOwnership, "STATIC", u8("この製品の権利は Talvik 開発グループが保有します。"), shown | SS_LEFT, 36, 38, 179, 20),
        item(kDescription, "STATIC",
             u8("Talvik の画面で使う入力用と表示用のコントロールを集めたスイートです。"), shown | SS_LEFT, 36, 62, 179, 30),
        item(kNoId, "STATIC", "", shown | SS_ETCHEDHORZ, 7, 124, 208, 2),
        item(kNoId, "STATIC",
             u8("このソフトウェアは著作権法と国際条約で保護されています。許可なく複製または配布することはできません。"),
             shown | SS_LEFT, 7, 130, 208, 28),
        item(kSystemInfo, "BUTTON", u8("ｼｽﾃﾑ情報(&S)"), shown | WS_TABSTOP | BS_PUSHBUTTON, 7, 164, 60, 14),
        item(IDOK, "BUTTON", "OK", shown | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 109, 164, 50, 14),
        item(kWebPage, "BUTTON", u8("ﾎｰﾑﾍﾟｰｼﾞ(&H)"), shown | WS_TABSTOP | BS_PUSHBUTTON, 165, 164, 50, 14),
    };
    return t;
}

AboutDialog::AboutDialog(int templateId, const platform::com::ModuleResources &resources, HINSTANCE module)
    : m_templateId(templateId), m_resources(resources), m_module(module)
{
    if (!FindDialogTemplate(module, templateId))
        RegisterDialogTemplate(module, templateId, Template());
    m_normalFont = CreateFontA(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    m_boldFont = CreateFontA(-12, 0, 0, 0, 800, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
}

AboutDialog::~AboutDialog()
{
    DeleteObject(m_normalFont);
    DeleteObject(m_boldFont);
    if (m_logo)
        DeleteObject(m_logo);
}

void AboutDialog::SetBuildText(const QString &version) { m_build = ansiOf(version); }

std::string AboutDialog::TitleText() const
{
    return "zo" + ansiOf(platform::com::LoadString(m_resources, 100))
        + (m_object ? " ActiveX Object -  (Build:" : " ActiveX Control -  (Build:") + m_build + ")";
}

LONG_PTR AboutDialog::DoModal(HWND owner)
{
    if (!owner)
        owner = GetActiveWindow();
    return DialogBoxParamA(m_module, MAKEINTRESOURCEA(m_templateId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

LONG_PTR AboutDialog::DialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_INITDIALOG) {
        auto *box = reinterpret_cast<AboutDialog *>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        box->m_dialog = dlg;
    }
    auto *box = reinterpret_cast<AboutDialog *>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (!box)
        return FALSE;
    const LONG_PTR r = box->handle(msg, wParam, lParam);
    if (msg == WM_NCDESTROY)
        box->m_dialog = 0;
    return r;
}

LONG_PTR AboutDialog::handle(UINT msg, WPARAM wParam, LPARAM lParam)
{
    const HWND dlg = m_dialog;
    switch (msg) {
    case WM_INITDIALOG: {
        SetDlgItemTextA(dlg, kTitle, TitleText().c_str());
        // The library's bitmap in the top-left corner.
        if (!m_logo)
            m_logo = CreateSuiteLogo();
        SendDlgItemMessageA(dlg, kLogo, STM_SETIMAGE, IMAGE_BITMAP, static_cast<LPARAM>(m_logo));
        const HWND area = GetDlgItem(dlg, kCredits);
        GetClientRect(area, &m_creditsRect);
        // The credits draw on the edit: its painting becomes theirs.
        SetWindowLongPtrA(area, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_areaProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(area, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CreditsAreaProc)));
        RECT r;
        GetWindowRect(dlg, &r);
        const int w = r.right - r.left, h = r.bottom - r.top;
        SetWindowPos(dlg, 0, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            stopCredits();
            EndDialog(dlg, LOWORD(wParam));
            return TRUE;
        case kSystemInfo:
            stopCredits();
            runSystemInformation();
            return TRUE;
        case kWebPage:
            stopCredits();
            openWebPage();
            return TRUE;
        default:
            return FALSE;
        }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            stopCredits();
        return FALSE;
    case WM_NCLBUTTONDOWN: {
        const bool shift = GetKeyState(VK_SHIFT) & 0x8000;
        const bool control = GetKeyState(VK_CONTROL) & 0x8000;
        if (shift && control)
            m_marks |= 4;
        else if (shift)
            m_marks |= 1;
        else if (control)
            m_marks |= 2;
        else
            m_marks = 0;
        return FALSE;
    }
    case WM_LBUTTONDOWN: {
        // The button area: from the OK button's top-left corner to the
        // bottom-right corner of the web-page button.
        RECT ok, web;
        GetWindowRect(GetDlgItem(dlg, IDOK), &ok);
        GetWindowRect(GetDlgItem(dlg, kWebPage), &web);
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(dlg, &p);
        const bool inside = p.x >= ok.left && p.y >= ok.top && p.x < web.right && p.y < web.bottom;
        if (m_marks == 7 && inside)
            startCredits();
        else
            m_marks = 0;
        return FALSE;
    }
    case WM_TIMER:
        if (wParam == kCreditsTimer) {
            stepCredits();
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        stopCredits();
        return FALSE;
    default:
        return FALSE;
    }
    (void)lParam;
}

void AboutDialog::startCredits()
{
    if (m_running)
        return;
    for (int id : {kProduct, kTitle, kOwnership, kDescription})
        ShowWindow(GetDlgItem(m_dialog, id), SW_HIDE);
    const HWND area = GetDlgItem(m_dialog, kCredits);
    ShowWindow(area, SW_SHOW);
    m_fullFill = true;
    m_lineIndex = 0;
    m_step = 1;
    m_period = 15;
    m_line.clear();
    m_marks = 0;
    m_drawnHeight = 0;
    m_unpainted = 0;
    m_running = true;
    const HDC hdc = GetDC(area);
    FillRect(hdc, &m_creditsRect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(area, hdc);
    InvalidateRect(area, &m_creditsRect, FALSE);
    SetTimer(m_dialog, kCreditsTimer, kCreditsInterval, nullptr);
}

void AboutDialog::stopCredits()
{
    if (!m_running)
        return;
    m_running = false;
    KillTimer(m_dialog, kCreditsTimer);
    for (int id : {kProduct, kTitle, kOwnership, kDescription})
        ShowWindow(GetDlgItem(m_dialog, id), SW_SHOW);
    ShowWindow(GetDlgItem(m_dialog, kCredits), SW_HIDE);
    m_marks = 0;
}

void AboutDialog::stepCredits()
{
    if (!m_running)
        return;
    const int old = m_step++;
    if (m_period > 0 && old % m_period == 0) {
        m_line = kCreditLines[m_lineIndex];
        m_lineIndex = (m_lineIndex + 1) % kCreditLineCount;
        m_step = 1;
        m_drawnHeight = 0;
    }
    // Up by one pixel; the strip at the bottom is painted anew.
    const HWND area = GetDlgItem(m_dialog, kCredits);
    ScrollWindowEx(area, 0, -1, &m_creditsRect, &m_creditsRect, 0, nullptr, 0);
    ++m_drawnHeight;
    ++m_unpainted;
    InvalidateRect(area, &m_creditsRect, FALSE);
}

void AboutDialog::paintCredits(HWND area)
{
    PAINTSTRUCT ps;
    const HDC hdc = BeginPaint(area, &ps);
    const RECT &r = m_creditsRect;
    HFONT font = m_normalFont;
    COLORREF color = 0xFFFFFF;
    std::string text = m_line;
    if (!text.empty()) {
        const char style = text.back();
        text.pop_back();
        if (style == '\t') {
            font = m_boldFont;
            color = 0xFFFF00;
            m_period = 17;
        } else if (style == '\f') {
            m_period = 15;
        }
    }
    // The strip scrolled in since the last painting (one pixel a step; more
    // when painting fell behind the timer).
    RECT fill = m_fullFill ? r : RECT{r.left, std::max(r.top, r.bottom - std::max(1, m_unpainted)), r.right, r.bottom};
    m_fullFill = false;
    m_unpainted = 0;
    FillRect(hdc, &fill, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (!text.empty()) {
        const HGDIOBJ old = SelectObject(hdc, font);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, color);
        RECT line{r.left, r.bottom - m_drawnHeight, r.right, r.bottom};
        DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(hdc, old);
    }
    EndPaint(area, &ps);
}

LRESULT AboutDialog::CreditsAreaProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto *box = reinterpret_cast<AboutDialog *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!box)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    const WNDPROC base = box->m_areaProc;
    switch (msg) {
    case WM_PAINT:
        if (box->m_running) {
            box->paintCredits(hwnd);
            return 0;
        }
        break;
    case WM_ERASEBKGND:
        if (box->m_running)
            return 1;
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        break;
    default:
        break;
    }
    return CallWindowProcA(base, hwnd, msg, wParam, lParam);
}

void AboutDialog::runSystemInformation()
{
    sys::RegKey key;
    if (sys::RegOpenKeyEx(sys::RootKey::LocalMachine, QStringLiteral("Software\\Microsoft\\Shared Tools\\MSINFO"), key)
        != sys::ERROR_SUCCESS)
        return;
    uint32_t type = 0;
    QByteArray data;
    // The path is read whole, however long.
    const long rc = sys::RegQueryValueEx(key, QStringLiteral("Path"), type, data);
    sys::RegCloseKey(key);
    if (rc != sys::ERROR_SUCCESS)
        return;
    const QString path = sys::regSzText(data);
    if (path.isEmpty())
        return;
    shell::ShellExecuteRequest request;
    request.file = path;
    request.show = shell::SW_SHOWNORMAL;
    shell::ShellExecute(request);
}

QString AboutDialog::WebPageAddress(QString *missing) const
{
    const QString address = platform::com::LoadString(m_resources, 8000);
    if (address.isEmpty() || address.contains(QLatin1String("://")))
        return address;
    // A file name: the document installed beside this library.
    Dl_info info{};
    QString folder;
    if (dladdr(reinterpret_cast<const void *>(&AboutDialog::Template), &info) && info.dli_fname)
        folder = QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    const QString path = QDir(folder).absoluteFilePath(address);
    if (!QFileInfo::exists(path)) {
        if (missing)
            *missing = path;
        return QString();
    }
    return QUrl::fromLocalFile(path).toString();
}

void AboutDialog::openWebPage()
{
    QString missing;
    const QString address = WebPageAddress(&missing);
    if (address.isEmpty()) {
        const std::string text = ansiOf(missing.isEmpty() ? QStringLiteral("ホームページのアドレスがありません。")
                                                          : QStringLiteral("ホームページ %1 が見つかりません。").arg(missing));
        MessageBoxA(m_dialog, text.c_str(), u8("バージョン情報").c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    shell::ShellExecuteRequest request;
    request.verb = QStringLiteral("open");
    request.file = address;
    request.show = shell::SW_SHOWNORMAL;
    if (shell::ShellExecute(request) <= 32) {
        const std::string text = ansiOf(QStringLiteral("ホームページ %1 を開けません。").arg(address));
        MessageBoxA(m_dialog, text.c_str(), u8("バージョン情報").c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
}

} // namespace controls
