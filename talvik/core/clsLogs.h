#pragma once
// The operation log: dated lines shown newest first in a window's log list and
// kept in "download.log" (CP932, CR LF, at most 500 lines). The list box is the
// log's only copy in memory.
#include <QDateTime>
#include <QString>

#include <functional>

namespace platform::forms {
class ListBox;
} // namespace platform::forms

namespace talvik {

class clsLogs {
public:
    using Clock = std::function<QDateTime()>;

    // Lines written by toFile.
    static constexpr int maxLines = 500;

    // The log file is program folder & "\dDB.tran\download.log"; the clock
    // gives the time of each entry (the system clock when none is given).
    clsLogs();
    explicit clsLogs(Clock clock);

    // Clears the list, then appends every line of the file in file order when
    // the file exists. Nothing happens for a null list.
    void read(platform::forms::ListBox *list);
    // Inserts "YYYY/MM/DD HH:MM" + four blanks + text at the top of the list.
    void add(platform::forms::ListBox *list, const QString &text);
    // Writes the first 500 lines of the list to the file through the durable
    // write; afterwards item 0 is selected. A failure raises
    // platform::fileio::WriteError (file and cause in its description) and
    // leaves the old file byte-identical; a null list leaves the file
    // untouched.
    void toFile(platform::forms::ListBox *list);
    void SetPath(const QString &path);

    QString logPath() const { return m_logPath; }
    void setClock(Clock clock);
    // The entry line for a time and a text.
    static QString entryLine(const QDateTime &when, const QString &text);

private:
    QString m_logPath;
    Clock m_clock;
};

// appLogs.add for callers that may run while no log object exists (before the
// main window's load, after a window released its log): does nothing then.
void appLogsAdd(platform::forms::ListBox *list, const QString &text);

} // namespace talvik
