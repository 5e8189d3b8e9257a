#pragma once
// The demand table of the store: folder names, the schema texts, the text
// driver's connection string, the statements, and the writing of tables.
#include <QByteArray>
#include <QString>
#include <QStringList>

class QFile;

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

// Writes folder & "\schema.ini" and creates an empty folder & "\demand.csv".
// Raises platform::RuntimeError when the folder or a file cannot be written.
void initTableFolder(const QString &folder, bool serviceColumns = false);

// Replaces folder & "\demand.csv" with the given lines (each ended by CR LF,
// CP932) and rewrites its schema. Everything goes to temporary files first;
// the table is replaced only when they are complete, so a failure leaves the
// old table as it was. `writeLine` writes one encoded line to the open file
// (a seam for tests); raises on failure.
class TableWriter {
public:
    virtual ~TableWriter() = default;
    void replaceTable(const QString &folder, const QStringList &lines, bool serviceColumns);
    // Writes the whole file `path` (through a temporary file beside it).
    void replaceFile(const QString &path, const QList<QByteArray> &lines);

protected:
    virtual void writeLine(QFile &file, const QByteArray &line, int lineNumber);
};

// "Provider=MSDASQL;Extended Properties="DRIVER={...};DBQ=folder"".
QString textDriverConnectionString(const QString &folder);

// Opens the text-driver connection on folder and sql on it as a static,
// read-only recordset of a text command. Raises as the driver does.
void openTable(platform::textdb::Connection &cn, platform::textdb::Recordset &rs, const QString &folder,
               const QString &sql);
// The first n fields of the current row as texts.
QStringList rowValues(platform::textdb::Recordset &rs, int n);

// "20" & YY & "年": the year folder of two-digit year YY.
QString yearFolderName(const QString &yy);

} // namespace talvik
