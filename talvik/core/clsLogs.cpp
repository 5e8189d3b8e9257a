#include "talvik/core/clsLogs.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/forms/controls.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"

#include <QFile>

#include <cerrno>

namespace talvik {
namespace {

// CP932 bytes of one log line. The log is a record for people: a character
// CP932 lacks becomes "?" (as the ANSI conversion of the original does) so
// that one odd line never keeps the whole log from being saved.
QByteArray ansiLine(const QString &line)
{
    try {
        return platform::codepage::toAnsi(line);
    } catch (const platform::RuntimeError &) {
    }
    QByteArray bytes;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const qsizetype width = (line[i].isHighSurrogate() && i + 1 < line.size()) ? 2 : 1;
        const QString ch = line.mid(i, width);
        i += width - 1;
        bytes += platform::codepage::isAnsiEncodable(ch) ? platform::codepage::toAnsi(ch) : QByteArray("?");
    }
    return bytes;
}

QString decodeLine(const QByteArray &bytes)
{
    try {
        return platform::codepage::fromAnsi(bytes);
    } catch (const platform::RuntimeError &) {
        return platform::codepage::fromAnsiLenient(bytes);
    }
}

// Shows and enables the list again however toFile ends.
class ListRestore {
public:
    explicit ListRestore(platform::forms::ListBox *list) : m_list(list) {}
    ~ListRestore()
    {
        m_list->setEnabled(true);
        m_list->setVisible(true);
        if (m_list->ListCount() > 0)
            m_list->setListIndex(0);
    }
    ListRestore(const ListRestore &) = delete;
    ListRestore &operator=(const ListRestore &) = delete;

private:
    platform::forms::ListBox *m_list;
};

} // namespace

clsLogs::clsLogs() : clsLogs(Clock()) {}

clsLogs::clsLogs(Clock clock)
    : m_logPath(platform::shell::programFolder() + QStringLiteral("\\dDB.tran\\download.log"))
{
    setClock(std::move(clock));
}

void clsLogs::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); });
}

void clsLogs::SetPath(const QString &path)
{
    m_logPath = path;
}

QString clsLogs::entryLine(const QDateTime &when, const QString &text)
{
    return when.toString(QStringLiteral("yyyy/MM/dd")) + QLatin1Char(' ')
           + when.toString(QStringLiteral("HH:mm")) + QStringLiteral("    ") + text;
}

void clsLogs::read(platform::forms::ListBox *list)
{
    if (!list)
        return;
    list->Clear();
    QFile file(platform::shell::toNativePath(m_logPath));
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        platform::raise(platform::err::PermissionDenied, file.errorString() + QStringLiteral(": ") + m_logPath);
    const QByteArray content = file.readAll();
    qsizetype start = 0;
    while (start < content.size()) {
        qsizetype end = start;
        while (end < content.size() && content[end] != '\r' && content[end] != '\n')
            ++end;
        list->AddItem(decodeLine(content.mid(start, end - start)));
        if (end < content.size() && content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

void clsLogs::add(platform::forms::ListBox *list, const QString &text)
{
    if (!list)
        return;
    list->AddItem(entryLine(m_clock(), text), 0);
}

void clsLogs::toFile(platform::forms::ListBox *list)
{
    if (!list)
        return;
    list->setEnabled(false);
    list->setVisible(false);
    ListRestore restore(list);

    // The whole image first, then the durable write: a failure leaves the
    // previous log byte-identical and raises a WriteError naming the file
    // and the cause.
    QByteArray image;
    const int count = list->ListCount();
    for (int i = 0; i <= count - 1 && i != maxLines; ++i) {
        list->setListIndex(i);
        image += ansiLine(list->List(i)) + "\r\n";
    }
    try {
        platform::fileio::writeFile(platform::shell::toNativePath(m_logPath), image);
    } catch (const platform::fileio::WriteError &e) {
        // A missing folder keeps its own error number.
        if (e.systemError() == ENOENT || e.systemError() == ENOTDIR)
            throw platform::RuntimeError(platform::err::PathNotFound, e.Description());
        throw;
    }
}

void appLogsAdd(platform::forms::ListBox *list, const QString &text)
{
    if (appLogs)
        appLogs->add(list, text);
}

} // namespace talvik
