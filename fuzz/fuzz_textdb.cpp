// Text tables from bytes: the input up to its first NUL is the folder's
// schema.ini, the rest the table "t.txt". The schema and table readers run
// directly, then statements with every SQL function over each column run
// through a connection. Bad schemas and values may only end in the driver's
// run-time error.
#include "fuzzSupport.h"
#include "platform/runtime/runtime_error.h"
#include "platform/textdb/schema.h"
#include "platform/textdb/textdb.h"

#include <QFile>
#include <cstddef>
#include <cstdint>

using namespace platform::textdb;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly));
    FUZZ_CHECK(f.write(bytes) == bytes.size());
}

void runAll(Connection &cn, const QString &sql)
{
    try {
        Recordset rs;
        rs.Open(sql, cn);
        long rows = 0;
        for (; !rs.Eof(); rs.MoveNext()) {
            for (int i = 0; i < rs.FieldCount(); ++i)
                (void)rs.Fields(i).Value();
            ++rows;
        }
        FUZZ_CHECK(rows == rs.RecordCount());
    } catch (const platform::RuntimeError &e) {
        FUZZ_CHECK(e.Number() == textdbErrorNumber || e.Number() == platform::err::SubscriptOutOfRange);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzzsupport::initApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype cut = input.indexOf('\0');
    const QByteArray schemaIni = cut < 0 ? input : input.left(cut);
    const QByteArray table = cut < 0 ? QByteArray() : input.mid(cut + 1);

    TableSchema schema;
    try {
        schema = parseSchema(schemaIni, QStringLiteral("t.txt"));
    } catch (const platform::RuntimeError &e) {
        FUZZ_CHECK(e.Number() == textdbErrorNumber);
        return 0;
    }
    FUZZ_CHECK(!schema.columns.isEmpty());
    const auto rows = parseTable(table, schema);
    for (const auto &row : rows)
        FUZZ_CHECK(row.size() == schema.columns.size());
    if (schema.columns.size() > 8 || rows.size() > 200)
        return 0; // keeps each run short; the readers above saw it all

    auto scratch = fuzzsupport::scratchDir();
    const QString folder = scratch->path();
    writeFile(folder + QStringLiteral("/schema.ini"), schemaIni);
    writeFile(folder + QStringLiteral("/t.txt"), table);
    Connection cn;
    cn.Open(QStringLiteral("Driver={Text};DBQ=") + folder);
    runAll(cn, QStringLiteral("Select * from t.txt"));
    for (const ColumnSpec &c : schema.columns) {
        const QString col = QStringLiteral("[%1]").arg(c.name);
        runAll(cn, QStringLiteral("Select Format(%1,'yyyy/mm/dd hh:nn aaa'), Format(%1,'#,##0.0'), "
                                  "Format(%1,'0000'), Format(%1) from t.txt")
                       .arg(col));
        runAll(cn, QStringLiteral("Select Mid(%1,2,3), Mid(%1,2), Left(%1,2) & Right(%1,3), Val(%1), "
                                  "Mid(%1, Val(%1), Val(%1)), Left(%1, Val(%1)), Right(%1, Val(%1)) from t.txt")
                       .arg(col));
        runAll(cn, QStringLiteral("Select Format(Val(%1),'hh:nn'), Format(Val(%1),'0.00') from t.txt").arg(col));
        runAll(cn, QStringLiteral("Select Format(TimeValue(%1),'HH時nn分') from t.txt").arg(col));
        runAll(cn, QStringLiteral("Select %1, count(*) from t.txt group by %1").arg(col));
    }
    cn.Close();
    invalidateTable(folder + QStringLiteral("/t.txt"));
    return 0;
}
