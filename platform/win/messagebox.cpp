#include "platform/win/messagebox.h"
#include "platform/win/window.h"
#include "platform/codepage/codepage.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

namespace platform::win {

namespace {

MessageBoxHandler &handler()
{
    static MessageBoxHandler h;
    return h;
}

QString decode(const std::string &bytes)
{
    return codepage::fromAnsiLenient(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

QMessageBox::Icon iconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

struct ButtonRow {
    QMessageBox::StandardButton button;
    int id;
};

std::vector<ButtonRow> buttonsOf(UINT type)
{
    using B = QMessageBox;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{B::Ok, IDOK}, {B::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE: return {{B::Abort, IDABORT}, {B::Retry, IDRETRY}, {B::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL: return {{B::Yes, IDYES}, {B::No, IDNO}, {B::Cancel, IDCANCEL}};
    case MB_YESNO: return {{B::Yes, IDYES}, {B::No, IDNO}};
    case MB_RETRYCANCEL: return {{B::Retry, IDRETRY}, {B::Cancel, IDCANCEL}};
    default: return {{B::Ok, IDOK}};
    }
}

int showDefaultBox(HWND owner, const std::string &text, const std::string &caption, UINT type)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return 0;
    QWidget *parent = nullptr;
    if (QWidget *w = WidgetOfWindow(owner))
        parent = w->window();
    QPointer<QMessageBox> box = new QMessageBox(iconOf(type), decode(caption), decode(text),
                                                QMessageBox::NoButton, parent);
    const std::vector<ButtonRow> rows = buttonsOf(type);
    for (const ButtonRow &r : rows)
        box->addButton(r.button);
    const size_t def = (type & MB_DEFMASK) >> 8;
    box->setDefaultButton(rows[def < rows.size() ? def : 0].button);
    const int chosen = box->exec();
    int id = 0;
    for (const ButtonRow &r : rows)
        if (r.button == chosen)
            id = r.id;
    // Closed without a button: Cancel where there is one, else the only
    // (or first) button, as the system box does.
    if (!id) {
        id = rows.front().id;
        for (const ButtonRow &r : rows)
            if (r.id == IDCANCEL)
                id = IDCANCEL;
    }
    delete box.data();
    return id;
}

} // namespace

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h)
{
    return std::exchange(handler(), std::move(h));
}

int MessageBoxA(HWND owner, const char *text, const char *caption, UINT type)
{
    const std::string t = text ? text : "";
    // "エラー" in CP932.
    const std::string c = caption ? caption : std::string("\x83\x47\x83\x89\x81\x5B");
    if (owner && !IsWindow(owner))
        owner = 0;
    if (const MessageBoxHandler h = handler())
        return h(owner, t, c, type);
    return showDefaultBox(owner, t, c, type);
}

} // namespace platform::win
