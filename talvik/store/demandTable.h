#pragma once
// The demand table of the store: folder names, the schema texts, the text
// driver's connection string, the statements, and the writing of tables.
#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace platform::fileio {
class DurableFile;
}

namespace platform::textdb {
class Connection;
class Recordset;
} // namespace platform::textdb

namespace talvik {

inline const QString tranFolderName = QStringLiteral("dDB.tran");
inline const QString stagingFolderName = QStringLiteral("dDB.dl");
inline const QString tableFileName = QStringLiteral("demand.csv");

// "schema.ini" of a 4-column table, or with the service columns (6).
QByteArray schemaText(bool serviceColumns);

// Writes folder & "\schema.ini" and creates an empty folder & "\demand.csv",
// both through the durable write. Raises platform::fileio::WriteError (a
// platform::RuntimeError) when the folder or a file cannot be written.
void initTableFolder(const QString &folder, bool serviceColumns = false);

// Replaces folder & "\demand.csv" with the given lines (each ended by CR LF,
// CP932) and rewrites its schema, each file through the durable write
// (temporary file, synced, renamed over the old one): a failure leaves the
// old table as it was and raises platform::fileio::WriteError (or what
// `writeLine` raised). `writeLine` writes one encoded line to the file being
// written (a seam for tests).
class TableWriter {
public:
    virtual ~TableWriter() = default;
    void replaceTable(const QString &folder, const QStringList &lines, bool serviceColumns);
    // The same with lines encoded already (each ended by CR LF).
    void replaceTableLines(const QString &folder, const QList<QByteArray> &lines, bool serviceColumns);
    // Writes the whole file `path` durably.
    void replaceFile(const QString &path, const QList<QByteArray> &lines);

protected:
    virtual void writeLine(platform::fileio::DurableFile &file, const QByteArray &line, int lineNumber);

private:
    static constexpr qsizetype pendingLimit = 64 * 1024;
    void flushPending(platform::fileio::DurableFile &file);
    QByteArray m_pending;
};

// "Provider=MSDASQL;Extended Properties="DRIVER={...};DBQ=folder"".
QString textDriverConnectionString(const QString &folder);

// Opens the text-driver connection on folder and sql on it as a static,
// read-only recordset of a text command. Raises as the driver does.
void openTable(platform::textdb::Connection &cn, platform::textdb::Recordset &rs, const QString &folder,
               const QString &sql);
// The first n fields of the current row as texts.
QStringList rowValues(platform::textdb::Recordset &rs, int n);

// The rows of folder & "\demand.csv" (first 4 or 6 columns as texts) in the
// order of selectAll ("Order by getdt,gettm"), read straight from the file.
// That gives exactly the driver's rows only when the folder holds the
// program's own schema.ini, the table is plain ASCII and no (getdt, gettm)
// pair repeats (the order of equal keys is the driver's own); otherwise, or
// when a file cannot be read, false and the caller asks the driver.
bool readOrderedTable(const QString &folder, bool serviceColumns, QList<QStringList> &rows);

// A row of a table read straight from its file: its fields as views into
// the file's bytes.
struct TableRowView {
    QByteArrayView fields[6];
    int count = 0;
};
// As readOrderedTable, without a text per field: `data` receives the file's
// bytes and each row views its fields in them.
bool readOrderedRows(const QString &folder, bool serviceColumns, QByteArray &data, std::vector<TableRowView> &rows);

// Whether the table of folder carries the count columns (created1,
// created2): its "schema.ini" names them. Without a readable schema the
// answer is `otherwise` (the caller's own layout; the driver decides then).
bool tableHasCountColumns(const QString &folder, bool otherwise);

// The count value of a row that has none: shown as "-".
inline const QString noCountValue = QStringLiteral("-001");

// "20" & YY & "年": the year folder of two-digit year YY.
QString yearFolderName(const QString &yy);

} // namespace talvik
