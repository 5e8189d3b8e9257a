#include "storeFixture.h"
#include "testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace storetest {

void StoreTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    qputenv("TALVIK_HOME", dir.path().toUtf8());
    talvik::dataForm = &window;
    talvik::StoreServices &s = talvik::storeServices();
    s = talvik::StoreServices();
    s.waitForm = &wait;
    s.msgBox = [this](const QString &t) { messages << t; };
    s.doEvents = [] {};
    s.addLog = [this](platform::forms::ListBox *, const QString &t) { logLines << t; };
    s.now = [] { return QDateTime(QDate(2024, 1, 2), QTime(9, 15)); };
}

void StoreTest::TearDown()
{
    talvik::storeServices() = talvik::StoreServices();
    talvik::dataForm = nullptr;
    talvik::dataFolder.clear();
    talvik::srvCustomer.clear();
    qunsetenv("TALVIK_HOME");
}

static QString native(const QString &home, const QString &relative)
{
    QString r = relative;
    r.replace(u'\\', u'/');
    return home + u'/' + r;
}

QByteArray StoreTest::readFile(const QString &relative) const
{
    return talviktest::readFile(native(home(), relative));
}

void StoreTest::writeFile(const QString &relative, const QByteArray &bytes) const
{
    talviktest::writeFile(native(home(), relative), bytes);
}

bool StoreTest::exists(const QString &relative) const
{
    return talviktest::exists(native(home(), relative));
}

QByteArray StoreTest::block(const char *t, const char *watt, bool last)
{
    QByteArray b;
    b += '\x02';
    b += "RD";
    b += t;
    b += watt;
    b += last ? '\x03' : '\x17';
    return b;
}

QByteArray expectedSchema4()
{
    return "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\nMaxScanRows=25\r\nCharacterSet=OEM\r\n"
           "DateTimeFormat=yyyy/mm/dd hh:nn:ss\r\nCurrencySymbol=\\\r\nCurrencyFormat=0\r\nCurrencyDigits=0\r\n"
           "CurrencyNegativeFormat=2\r\nDecimalSymbol=.\r\nNumberDigits=0\r\nNumberLeadingZeros=1\r\n"
           "Col1=getdt char Width 6\r\nCol2=gettm char Width 4\r\nCol3=watt char Width 4\r\n"
           "Col4=created char Width 12\r\n\r\n";
}

QMap<QString, QByteArray> filesBelow(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(root).relativeFilePath(path), f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable>");
    }
    return files;
}

} // namespace storetest
