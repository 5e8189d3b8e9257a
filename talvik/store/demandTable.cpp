#include "talvik/store/demandTable.h"

#include "platform/codepage/codepage.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace talvik {

namespace {

[[noreturn]] void fileError(const QString &path, const QString &what)
{
    throw platform::RuntimeError(platform::err::PathFileAccess,
                                 QStringLiteral("%1 (%2)").arg(what, path));
}

} // namespace

QByteArray schemaText(bool serviceColumns)
{
    QByteArray s;
    s += "[demand.csv]\r\n";
    s += "ColNameHeader=False\r\n";
    s += "Format=FixedLength\r\n";
    s += "MaxScanRows=25\r\n";
    s += "CharacterSet=OEM\r\n";
    s += "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\n";
    s += "CurrencySymbol=\\\r\n";
    s += "CurrencyFormat=0\r\n";
    s += "CurrencyDigits=0\r\n";
    s += "CurrencyNegativeFormat=2\r\n";
    s += "DecimalSymbol=.\r\n";
    s += "NumberDigits=0\r\n";
    s += "NumberLeadingZeros=1\r\n";
    s += "Col1=getdt char Width 6\r\n";
    s += "Col2=gettm char Width 4\r\n";
    s += "Col3=watt char Width 4\r\n";
    s += "Col4=created char Width 12\r\n";
    if (serviceColumns) {
        s += "Col5=created1 char Width 4\r\n";
        s += "Col6=created2 char Width 4\r\n";
    }
    s += "\r\n";
    return s;
}

void initTableFolder(const QString &folder, bool serviceColumns)
{
    const QString native = platform::shell::toNativePath(folder);
    QFile schema(native + QStringLiteral("/schema.ini"));
    if (!schema.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fileError(schema.fileName(), QStringLiteral("ファイルを作成できません。"));
    const QByteArray text = schemaText(serviceColumns);
    if (schema.write(text) != text.size() || !schema.flush())
        fileError(schema.fileName(), QStringLiteral("ファイルに書き込めません。"));
    schema.close();
    QFile table(native + u'/' + tableFileName);
    if (!table.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fileError(table.fileName(), QStringLiteral("ファイルを作成できません。"));
    table.close();
    platform::textdb::invalidateTable(table.fileName());
}

void TableWriter::writeLine(QFile &file, const QByteArray &line, int)
{
    if (file.write(line) != line.size())
        fileError(file.fileName(), QStringLiteral("ファイルに書き込めません。"));
}

void TableWriter::replaceFile(const QString &path, const QList<QByteArray> &lines)
{
    const QString target = platform::shell::toNativePath(path);
    const QString temp = target + QStringLiteral(".new");
    QFile f(temp);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fileError(temp, QStringLiteral("ファイルを作成できません。"));
    try {
        int n = 0;
        for (const QByteArray &line : lines)
            writeLine(f, line, ++n);
        if (!f.flush())
            fileError(temp, QStringLiteral("ファイルに書き込めません。"));
        f.close();
        if (f.error() != QFileDevice::NoError)
            fileError(temp, QStringLiteral("ファイルに書き込めません。"));
    } catch (...) {
        f.close();
        QFile::remove(temp);
        throw;
    }
    // rename() replaces the old file in one step.
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temp);
        fileError(target, QStringLiteral("ファイルを置き換えられません。") + reason);
    }
    platform::textdb::invalidateTable(target);
}

void TableWriter::replaceTable(const QString &folder, const QStringList &lines, bool serviceColumns)
{
    QList<QByteArray> encoded;
    encoded.reserve(lines.size());
    for (const QString &l : lines)
        encoded.append(platform::codepage::toAnsi(l) + "\r\n");
    // The table first: a failure there leaves table and schema untouched.
    replaceFile(folder + u'\\' + tableFileName, encoded);
    const QByteArray schema = schemaText(serviceColumns);
    QList<QByteArray> schemaLines;
    for (qsizetype start = 0; start < schema.size();) {
        const qsizetype end = schema.indexOf('\n', start);
        schemaLines.append(schema.mid(start, end - start + 1));
        start = end + 1;
    }
    replaceFile(folder + QStringLiteral("\\schema.ini"), schemaLines);
}

QString textDriverConnectionString(const QString &folder)
{
    return QStringLiteral("Provider=MSDASQL;Extended Properties=") + u'"'
           + QStringLiteral("DRIVER={Microsoft Text Driver (*.txt; *.csv)};DBQ=") + folder + u'"';
}

void openTable(platform::textdb::Connection &cn, platform::textdb::Recordset &rs, const QString &folder,
               const QString &sql)
{
    cn.Open(textDriverConnectionString(folder), QString(), QString());
    rs.Open(sql, cn, platform::textdb::adOpenStatic, platform::textdb::adLockReadOnly, platform::textdb::adCmdText);
}

QStringList rowValues(platform::textdb::Recordset &rs, int n)
{
    QStringList values;
    values.reserve(n);
    for (int c = 0; c < n; ++c)
        values << rs.Fields(c).Value().toString();
    return values;
}

QString yearFolderName(const QString &yy)
{
    return QStringLiteral("20") + yy + QStringLiteral("年");
}

} // namespace talvik
