#include "test_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace archivetest {

Tree readTree(const QString &root)
{
    Tree tree;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        const QString rel = base.relativeFilePath(fi.absoluteFilePath());
        if (fi.isDir())
            tree.folders.insert(rel);
        else
            tree.files.insert(rel, readFile(fi.absoluteFilePath()));
    }
    return tree;
}

void writeTree(const QString &root, const Tree &tree)
{
    for (const QString &folder : tree.folders)
        ASSERT_TRUE(QDir(root).mkpath(folder));
    for (auto it = tree.files.cbegin(); it != tree.files.cend(); ++it) {
        ASSERT_TRUE(QDir(root).mkpath(QFileInfo(it.key()).path()));
        writeFile(QDir(root).filePath(it.key()), it.value());
    }
}

QByteArray randomBytes(int size, unsigned seed)
{
    QByteArray b(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = static_cast<char>(x >> 24);
    }
    return b;
}

Tree interopTree()
{
    Tree t;
    t.folders = {"dDB", "dDB/A社", "dDB/A社/2013年", "dDB/ソフト表", "dDB/ソフト表/2014年", "dDB/空"};
    t.files["dDB/download.log"] = "2013/07/25 10:00    情報データ読み込み(A社)追加：48 更新：0\r\n";
    t.files["dDB/A社/2013年/demand.csv"] = demandTable(2013, 17520);
    t.files["dDB/A社/2013年/schema.ini"] = "[demand.csv]\r\nColNameHeader=False\r\nFormat=FixedLength\r\n";
    t.files["dDB/ソフト表/2014年/demand.csv"] = demandTable(2014, 3000);
    t.files["dDB/ソフト表/2014年/表.bin"] = randomBytes(70000, 4) + demandTable(2001, 500);
    t.files["dDB/ソフト表/empty.txt"] = QByteArray();
    t.files["dDB/ソフト表/README.TXT"] = "UPPER CASE NAME\r\n";
    return t;
}

QByteArray benchYearTable(int year, unsigned seed)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    QByteArray out;
    out.reserve(17520 * 28);
    unsigned x = seed;
    int day = 0;
    for (int month = 1; month <= 12; ++month) {
        for (int d = 1; d <= days[month - 1]; ++d, ++day) {
            for (int half = 0; half < 48; ++half) {
                x = x * 1103515245u + 12345u;
                const bool working = half >= 16 && half < 38 && day % 7 < 5;
                const int watt = 80 + static_cast<int>((x >> 16) % 60) +
                                 (working ? 250 + static_cast<int>((x >> 8) % 90) : 0);
                char line[64];
                std::snprintf(line, sizeof line, "%02d%02d%02d%02d%02d%04d%04d%02d%02d0800\r\n", year % 100, month,
                              d, half / 2, (half % 2) * 30, watt, year, month, d);
                out += line;
            }
        }
    }
    return out;
}

QByteArray demandTable(int year, int lines)
{
    QByteArray out;
    out.reserve(lines * 28);
    const int yy = year % 100;
    unsigned x = static_cast<unsigned>(year) * 7919u;
    for (int i = 0; i < lines; ++i) {
        const int day = i / 48;
        const int month = day / 31 % 12 + 1;
        const int mday = day % 31 + 1;
        const int half = i % 48;
        x = x * 1103515245u + 12345u;
        const int watt = 100 + static_cast<int>((x >> 16) % 400) + (half > 16 && half < 36 ? 300 : 0);
        char line[40];
        std::snprintf(line, sizeof line, "%02d%02d%02d%02d%02d%04d%04d%02d%02d%02d%02d\r\n", yy, month, mday, half / 2,
                      (half % 2) * 30, watt, year, month, mday, 1, 1);
        out += line;
    }
    return out;
}

ProcessResult run(const QString &program, const QStringList &args, const QString &workDir)
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    ProcessResult r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QMap<QByteArray, QByteArray> readRawTree(const QString &root)
{
    namespace fs = std::filesystem;
    QMap<QByteArray, QByteArray> tree;
    const fs::path base(QFile::encodeName(root).toStdString());
    for (const fs::directory_entry &e : fs::recursive_directory_iterator(base)) {
        const QByteArray rel = QByteArray::fromStdString(fs::relative(e.path(), base).string());
        if (e.is_directory())
            tree.insert(rel + "/", QByteArray());
        else
        {
            std::ifstream in(e.path(), std::ios::binary);
            const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            tree.insert(rel, in.bad() ? QByteArray("<unreadable>") : QByteArray::fromStdString(content));
        }
    }
    return tree;
}

namespace {

void le16(QByteArray &b, unsigned v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void le32(QByteArray &b, unsigned v)
{
    le16(b, v & 0xFFFF);
    le16(b, v >> 16);
}

// CRC-16/ARC, written out here so that the fixtures do not use the code under test.
unsigned arcCrc(const QByteArray &data)
{
    unsigned crc = 0;
    for (char ch : data) {
        crc ^= static_cast<unsigned char>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

void finishLevel01(QByteArray &h)
{
    h[0] = char(h.size() - 2);
    unsigned sum = 0;
    for (qsizetype i = 2; i < h.size(); ++i)
        sum += static_cast<unsigned char>(h[i]);
    h[1] = char(sum & 0xFF);
}

} // namespace

QByteArray level0Entry(const QByteArray &name, const QByteArray &data, char osId)
{
    QByteArray h(2, '\0');
    h += "-lh0-";
    le32(h, unsigned(data.size()));
    le32(h, unsigned(data.size()));
    le32(h, (33u << 25) | (7u << 21) | (25u << 16) | (10u << 11)); // 2013-07-25 10:00
    h.append(char(0x20));
    h.append(char(0));
    h.append(char(name.size()));
    h += name;
    le16(h, arcCrc(data));
    if (osId != 'M')
        h.append(osId);
    finishLevel01(h);
    return h + data;
}

QByteArray level1Entry(const QByteArray &method, const QByteArray &name, const QByteArray &data,
                       const QList<QPair<int, QByteArray>> &extended)
{
    // Sizes: each extended header is type + data + next size.
    QByteArray chain;
    QList<int> sizes;
    for (const auto &e : extended)
        sizes.append(int(e.second.size()) + 3);
    QByteArray h(2, '\0');
    h += method;
    int extTotal = 0;
    for (int s : sizes)
        extTotal += s;
    le32(h, unsigned(data.size() + extTotal));
    le32(h, unsigned(data.size()));
    le32(h, (33u << 25) | (7u << 21) | (25u << 16) | (10u << 11));
    h.append(char(0x20));
    h.append(char(1));
    h.append(char(name.size()));
    h += name;
    le16(h, arcCrc(data));
    h.append('U');
    le16(h, sizes.isEmpty() ? 0 : unsigned(sizes.first()));
    finishLevel01(h);
    for (int i = 0; i < extended.size(); ++i) {
        chain.append(char(extended[i].first));
        chain += extended[i].second;
        le16(chain, i + 1 < sizes.size() ? unsigned(sizes[i + 1]) : 0);
    }
    return h + chain + data;
}

} // namespace archivetest
