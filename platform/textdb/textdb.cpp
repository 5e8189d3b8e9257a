#include "platform/textdb/textdb.h"

#include "platform/runtime/runtime_error.h"
#include "platform/textdb/dialect.h"
#include "platform/textdb/jetfunctions.h"
#include "platform/textdb/schema.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <sqlite3.h>
#include <sys/stat.h>

namespace platform::textdb {

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw RuntimeError(textdbErrorNumber, text);
}

// Identity of a file's content as far as the file system tells it.
struct FileStamp {
    bool exists = false;
    long long size = 0;
    long long mtimeNs = 0;
    long long ctimeNs = 0;
    unsigned long long inode = 0;

    bool operator==(const FileStamp &) const = default;
};

FileStamp stampOf(const QString &path)
{
    FileStamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return s;
    s.exists = true;
    s.size = st.st_size;
    s.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
    s.ctimeNs = st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec;
    s.inode = st.st_ino;
    return s;
}

struct CachedTable {
    FileStamp table;
    FileStamp schema;
    QString name; // name of the table in the engine
    unsigned long long lastUse = 0;
};

// The one in-memory engine holding every loaded table (one thread, no locks).
class Engine {
public:
    static Engine &instance()
    {
        static Engine e;
        return e;
    }

    sqlite3 *db() const { return m_db; }

    // Engine name of the table at `path`, loading it when the file changed.
    QString tableFor(const QString &folder, const QString &fileName)
    {
        const QString path = QDir::cleanPath(folder + u'/' + fileName);
        const QString schemaPath = folder + QStringLiteral("/schema.ini");
        const FileStamp ts = stampOf(path);
        if (!ts.exists)
            fail(QStringLiteral("テーブル '%1' が見つかりません。(%2)").arg(fileName, folder));
        const FileStamp ss = stampOf(schemaPath);
        auto it = m_cache.find(path);
        if (it != m_cache.end() && it->table == ts && it->schema == ss) {
            it->lastUse = ++m_clock;
            return it->name;
        }
        if (it != m_cache.end()) {
            drop(it->name);
            m_cache.erase(it);
        }
        if (!ss.exists)
            fail(QStringLiteral("'%1' の schema.ini が見つかりません。").arg(folder));
        QFile sf(schemaPath);
        if (!sf.open(QIODevice::ReadOnly))
            fail(QStringLiteral("schema.ini を読めません。(%1)").arg(schemaPath));
        const TableSchema schema = parseSchema(sf.readAll(), fileName);
        QFile tf(path);
        if (!tf.open(QIODevice::ReadOnly))
            fail(QStringLiteral("テーブル '%1' を読めません。(%2)").arg(fileName, folder));
        const QByteArray data = tf.readAll();
        ++m_loads;

        evictIfFull();
        CachedTable entry;
        entry.table = ts;
        entry.schema = ss;
        entry.name = QStringLiteral("t%1").arg(++m_serial);
        entry.lastUse = ++m_clock;
        create(entry.name, schema, data);
        m_cache.insert(path, entry);
        return entry.name;
    }

    void invalidate(const QString &path)
    {
        auto it = m_cache.find(path);
        if (it == m_cache.end())
            return;
        drop(it->name);
        m_cache.erase(it);
    }

    long loads() const { return m_loads; }

private:
    Engine()
    {
        // The engine is the only user of the SQL library in the program and is
        // used from one thread: no memory statistics (they take a lock around
        // every allocation) and no connection lock. The setting applies only
        // before the library starts; later it is refused and changes nothing.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                            nullptr) != SQLITE_OK)
            fail(QStringLiteral("SQL エンジンを開けません。"));
        registerJetFunctions(m_db);
    }
    ~Engine() { sqlite3_close(m_db); }

    void exec(const QString &sql)
    {
        char *err = nullptr;
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
            const QString text = QString::fromUtf8(err ? err : "");
            sqlite3_free(err);
            fail(text);
        }
    }

    void drop(const QString &name) { exec(QStringLiteral("DROP TABLE IF EXISTS %1").arg(name)); }

    void evictIfFull()
    {
        constexpr int maxTables = 48;
        while (m_cache.size() >= maxTables) {
            auto oldest = m_cache.begin();
            for (auto it = m_cache.begin(); it != m_cache.end(); ++it)
                if (it->lastUse < oldest->lastUse)
                    oldest = it;
            drop(oldest->name);
            m_cache.erase(oldest);
        }
    }

    // Creates table `name` and fills it with the rows of `data` read by the
    // schema. Integer and Real columns take the number a value reads as
    // (surrounding white space allowed), NULL when it reads as none; Text
    // columns take the value as it is, an empty text for a missing field.
    void create(const QString &name, const TableSchema &schema, const QByteArray &data)
    {
        QStringList cols, marks;
        for (const ColumnSpec &c : schema.columns) {
            QString q = c.name;
            q.replace(u'"', QStringLiteral("\"\""));
            const char *type = c.type == ColumnType::Integer ? "INTEGER" : c.type == ColumnType::Real ? "REAL" : "TEXT";
            cols << QStringLiteral("\"%1\" %2").arg(q, QLatin1String(type));
            marks << QStringLiteral("?");
        }
        exec(QStringLiteral("CREATE TABLE %1 (%2)").arg(name, cols.join(u',')));
        sqlite3_stmt *st = nullptr;
        const QByteArray ins = QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(name, marks.join(u',')).toUtf8();
        if (sqlite3_prepare_v2(m_db, ins.constData(), -1, &st, nullptr) != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
        exec(QStringLiteral("BEGIN"));
        const int ncol = int(schema.columns.size());
        try {
            scanTable(data, schema, [&](const QByteArrayView *values) {
                for (int c = 0; c < ncol; ++c) {
                    const QByteArrayView v = values[c];
                    switch (schema.columns[c].type) {
                    case ColumnType::Integer: {
                        bool ok = false;
                        const qlonglong n = QString::fromUtf8(v).trimmed().toLongLong(&ok);
                        if (ok)
                            sqlite3_bind_int64(st, c + 1, n);
                        else
                            sqlite3_bind_null(st, c + 1);
                        break;
                    }
                    case ColumnType::Real: {
                        bool ok = false;
                        const double d = QString::fromUtf8(v).trimmed().toDouble(&ok);
                        if (ok)
                            sqlite3_bind_double(st, c + 1, d);
                        else
                            sqlite3_bind_null(st, c + 1);
                        break;
                    }
                    case ColumnType::Text:
                        // A null pointer would bind NULL; a missing field is an empty text.
                        sqlite3_bind_text(st, c + 1, v.data() ? v.data() : "", int(v.size()), SQLITE_STATIC);
                        break;
                    }
                }
                if (sqlite3_step(st) != SQLITE_DONE)
                    fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
                sqlite3_reset(st);
            });
        } catch (...) {
            sqlite3_finalize(st);
            exec(QStringLiteral("ROLLBACK"));
            throw;
        }
        sqlite3_finalize(st);
        exec(QStringLiteral("COMMIT"));
    }

    sqlite3 *m_db = nullptr;
    QHash<QString, CachedTable> m_cache;
    unsigned long long m_clock = 0;
    unsigned long long m_serial = 0;
    long m_loads = 0;
};

// The file in `folder` whose name matches `name` ignoring case (the text
// driver's file names are not case-sensitive); `name` itself when none does.
QString resolveFileName(const QString &folder, const QString &name)
{
    if (QFile::exists(folder + u'/' + name))
        return name;
    const QStringList entries = QDir(folder).entryList(QDir::Files);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return e;
    return name;
}

} // namespace

QString nativePath(const QString &path)
{
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
}

QString folderOfConnectionString(const QString &cs)
{
    static const QRegularExpression re(QStringLiteral("DBQ=([^;\"]*)"), QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(cs);
    if (!m.hasMatch())
        return QString();
    QString folder = nativePath(m.captured(1).trimmed());
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

void Connection::Open(const QString &connectionString, const QString &, const QString &, int)
{
    const QString folder = folderOfConnectionString(connectionString);
    if (folder.isEmpty())
        fail(QStringLiteral("接続文字列にフォルダ (DBQ) がありません。"));
    if (!QDir(folder).exists())
        fail(QStringLiteral("フォルダ '%1' が見つかりません。").arg(folder));
    m_connectionString = connectionString;
    m_folder = folder;
    m_open = true;
}

void Connection::Close()
{
    m_open = false;
}

void Recordset::Open(const QString &source, Connection &connection, int, int, int)
{
    if (connection.State() != adStateOpen)
        fail(QStringLiteral("接続が開いていません。"));
    Close();
    const Translation t = translateStatement(source);
    Engine &engine = Engine::instance();
    QString internal;
    if (!t.table.isEmpty())
        internal = engine.tableFor(connection.folder(), resolveFileName(connection.folder(), t.table));
    const QByteArray sql = t.withTable(internal).toUtf8();

    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(engine.db(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(engine.db())));
    const int ncol = sqlite3_column_count(st);
    QStringList columns;
    for (int c = 0; c < ncol; ++c)
        columns << QString::fromUtf8(sqlite3_column_name(st, c));
    std::vector<std::vector<QVariant>> rows;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        std::vector<QVariant> row(static_cast<std::size_t>(ncol));
        for (int c = 0; c < ncol; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                row[c] = QVariant(qlonglong(sqlite3_column_int64(st, c)));
                break;
            case SQLITE_FLOAT:
                row[c] = QVariant(sqlite3_column_double(st, c));
                break;
            case SQLITE_NULL:
                break;
            default:
                row[c] = QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c)),
                                                    sqlite3_column_bytes(st, c)));
            }
        }
        rows.push_back(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        const QString text = QString::fromUtf8(sqlite3_errmsg(engine.db()));
        sqlite3_finalize(st);
        fail(text);
    }
    sqlite3_finalize(st);
    m_columns = columns;
    m_rows = std::move(rows);
    m_pos = 0;
    m_bof = m_rows.empty();
    m_open = true;
}

void Recordset::Close()
{
    m_open = false;
    m_rows.clear();
    m_columns.clear();
    m_pos = 0;
    m_bof = false;
}

void Recordset::requireOpen() const
{
    if (!m_open)
        fail(QStringLiteral("レコードセットが開いていません。"));
}

void Recordset::requireCurrent() const
{
    requireOpen();
    if (m_bof || m_pos < 0 || m_pos >= long(m_rows.size()))
        fail(QStringLiteral("現在のレコードがありません。"));
}

bool Recordset::Eof() const
{
    requireOpen();
    return m_pos >= long(m_rows.size());
}

bool Recordset::Bof() const
{
    requireOpen();
    return m_bof || m_rows.empty();
}

void Recordset::MoveNext()
{
    requireOpen();
    if (m_pos >= long(m_rows.size()))
        fail(QStringLiteral("現在のレコードがありません。"));
    if (m_bof)
        m_bof = false;
    else
        ++m_pos;
}

void Recordset::MovePrevious()
{
    requireOpen();
    if (m_bof)
        fail(QStringLiteral("現在のレコードがありません。"));
    if (m_pos == 0)
        m_bof = true;
    else
        --m_pos;
}

void Recordset::MoveFirst()
{
    requireOpen();
    m_pos = 0;
    m_bof = m_rows.empty();
}

void Recordset::MoveLast()
{
    requireOpen();
    m_pos = m_rows.empty() ? 0 : long(m_rows.size()) - 1;
    m_bof = m_rows.empty();
}

long Recordset::RecordCount() const
{
    requireOpen();
    return long(m_rows.size());
}

int Recordset::FieldCount() const
{
    requireOpen();
    return int(m_columns.size());
}

Field Recordset::Fields(int index) const
{
    requireCurrent();
    if (index < 0 || index >= m_columns.size())
        throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("項目 %1 がありません。").arg(index));
    return Field(m_columns[index], m_rows[std::size_t(m_pos)][std::size_t(index)]);
}

Field Recordset::Fields(const QString &name) const
{
    requireCurrent();
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return Field(m_columns[i], m_rows[std::size_t(m_pos)][std::size_t(i)]);
    throw RuntimeError(err::SubscriptOutOfRange, QStringLiteral("項目 '%1' がありません。").arg(name));
}

void invalidateTable(const QString &path)
{
    Engine::instance().invalidate(QDir::cleanPath(nativePath(path)));
}

long tableLoadCount()
{
    return Engine::instance().loads();
}

} // namespace platform::textdb
