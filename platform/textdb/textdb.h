#pragma once
// Connection and recordset over fixed-width text tables.
//
// A connection names a folder (the DBQ of its connection string); a recordset
// opened on it with a SELECT statement loads the table named after FROM (a file
// in that folder, described by the folder's "schema.ini") into an in-memory SQL
// engine and runs the statement there. The statement dialect is the one of the
// text driver the system's SQL was written for: "&" concatenates, MID, LEFT,
// RIGHT, VAL, FORMAT, TimeValue and IIF are functions, GROUP BY returns its
// groups in ascending key order. Loaded tables are cached by path, size,
// modification time and file identity, so that repeated queries on an unchanged
// file do not parse it again.
//
// Errors (a missing table, a malformed statement, a connection string without
// a folder) raise platform::RuntimeError with number `textdbErrorNumber`.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

namespace platform::textdb {

// Error number of every failure of this layer (the provider's general error).
constexpr int textdbErrorNumber = -2147467259;

// Cursor, lock and command kinds (only the ones the system uses are honoured:
// every recordset is a static, read-only snapshot of a text command).
enum CursorTypeEnum { adOpenUnspecified = -1, adOpenForwardOnly = 0, adOpenStatic = 3 };
enum LockTypeEnum { adLockUnspecified = -1, adLockReadOnly = 1 };
enum CommandTypeEnum { adCmdUnspecified = -1, adCmdText = 1 };
enum ObjectStateEnum { adStateClosed = 0, adStateOpen = 1 };

// Paths in the system's code are joined with "\"; on disk they use "/".
QString nativePath(const QString &path);

// The folder named by DBQ= in a connection string (quotes and a trailing
// separator removed); empty when the string has none.
QString folderOfConnectionString(const QString &connectionString);

class Connection {
public:
    Connection() = default;
    ~Connection() = default;
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens on the folder named in the connection string. The folder must exist.
    void Open(const QString &connectionString, const QString &userId = QString(),
              const QString &password = QString(), int options = -1);
    void Close();
    int State() const { return m_open ? adStateOpen : adStateClosed; }
    const QString &ConnectionString() const { return m_connectionString; }
    // Native path of the folder the connection reads.
    const QString &folder() const { return m_folder; }

private:
    QString m_connectionString;
    QString m_folder;
    bool m_open = false;
};

class Field {
public:
    Field(QString name, QVariant value) : m_name(std::move(name)), m_value(std::move(value)) {}
    const QString &Name() const { return m_name; }
    // QString for text, qlonglong for integers, double for reals, a null
    // QVariant for NULL.
    const QVariant &Value() const { return m_value; }
    QString text() const { return m_value.toString(); }

private:
    QString m_name;
    QVariant m_value;
};

class Recordset {
public:
    Recordset() = default;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Runs the statement on the connection's folder and keeps a snapshot of
    // its rows; positioned on the first row (Eof() and Bof() when none).
    void Open(const QString &source, Connection &connection, int cursorType = adOpenStatic,
              int lockType = adLockReadOnly, int options = adCmdText);
    void Close();
    int State() const { return m_open ? adStateOpen : adStateClosed; }

    // EOF / BOF of the recordset (the plain names collide with the C macro EOF).
    bool Eof() const;
    bool Bof() const;
    void MoveNext();
    void MovePrevious();
    void MoveFirst();
    void MoveLast();
    long RecordCount() const;
    // Zero-based position of the current row, as AbsolutePosition - 1.
    long position() const { return m_pos; }

    int FieldCount() const;
    Field Fields(int index) const;
    Field Fields(const QString &name) const;

    // Whole snapshot, for controls bound to the recordset.
    const QStringList &columnNames() const { return m_columns; }
    const std::vector<QVariant> &row(long index) const { return m_rows.at(std::size_t(index)); }

private:
    void requireOpen() const;
    void requireCurrent() const;

    QStringList m_columns;
    std::vector<std::vector<QVariant>> m_rows;
    long m_pos = 0;
    bool m_bof = false;
    bool m_open = false;
};

// Drops a cached table (the writer of a table may call it after a rewrite;
// the cache also notices changes by itself).
void invalidateTable(const QString &path);
// Number of times a table file was parsed since start (for tests and benchmarks).
long tableLoadCount();

} // namespace platform::textdb
