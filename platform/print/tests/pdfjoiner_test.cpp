// Joining PDF parts: pages in order, one document, and every damaged part
// refused with an error naming the part, never a crash.
#include "platform/print/pdfjoiner.h"
#include "platform/fileio/durable.h"
#include "platform/runtime/runtime_error.h"
#include "support.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>
#include <new>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace platform::print;

namespace {

// A PDF of pages whose texts are "<label> page <n>".
QByteArray partPdf(const QString &label, int pages, const QString &title = QStringLiteral("Join"))
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("talvik-test"));
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("IPAGothic"), 12));
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.fillRect(QRect(100, 100, 400 + 50 * i, 200), QColor(200, 100, 50));
        painter.drawText(QPoint(100, 500), QStringLiteral("%1 page %2 監視").arg(label).arg(i + 1));
    }
    painter.end();
    return bytes;
}

// The error of joining parts, "" when they join.
QString joinError(const QList<QByteArray> &parts)
{
    try {
        PdfJoiner::join(parts);
    } catch (const platform::RuntimeError &e) {
        return e.Description();
    }
    return QString();
}

} // namespace

TEST(PdfJoiner, PagesOfEveryPartInOrderInOneValidDocument)
{
    const QByteArray a = partPdf(QStringLiteral("alpha"), 2, QStringLiteral("First title"));
    const QByteArray b = partPdf(QStringLiteral("beta"), 1, QStringLiteral("Second title"));
    const QByteArray c = partPdf(QStringLiteral("gamma"), 3, QStringLiteral("Third title"));
    const QByteArray joined = PdfJoiner::join({a, b, c});
    // One part comes back as it is.
    EXPECT_TRUE(PdfJoiner::join({b}) == b);
    // The joined file joins again (it is in the form the joiner reads).
    EXPECT_TRUE(joinError({joined, b}).isEmpty()) << joinError({joined, b}).toStdString();

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("joined.pdf"));
    platform::fileio::writeFile(path, joined);
    int exitCode = -1;
    const QString info = printtest::runTool(QStringLiteral("pdfinfo"), {path}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+6\\n")))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Title:\\s+First title\\n")))) << info.toStdString();
    const QString check = printtest::runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &exitCode);
    EXPECT_EQ(exitCode, 0) << check.toStdString();

    const QStringList expected = {QStringLiteral("alpha page 1"), QStringLiteral("alpha page 2"),
                                  QStringLiteral("beta page 1"), QStringLiteral("gamma page 1"),
                                  QStringLiteral("gamma page 2"), QStringLiteral("gamma page 3")};
    for (int page = 1; page <= 6; ++page) {
        const QString text = printtest::runTool(QStringLiteral("pdftotext"),
                                                {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                                 QString::number(page), path, QStringLiteral("-")});
        EXPECT_TRUE(text.contains(expected[page - 1] + QStringLiteral(" 監視"))) << page << ": " << text.toStdString();
    }
    // Each part's font subset keeps a name of its own.
    QSet<QByteArray> tags;
    auto it = QRegularExpression(QStringLiteral("/FontName /(Q[A-Z]{5})\\+")).globalMatch(QString::fromLatin1(joined));
    while (it.hasNext())
        tags.insert(it.next().captured(1).toLatin1());
    EXPECT_EQ(tags.size(), 3);
}

TEST(PdfJoiner, DamagedPartsAreRefusedWithTheirNumberAndTheCause)
{
    const QByteArray good = partPdf(QStringLiteral("good"), 2);
    ASSERT_TRUE(joinError({good, good}).isEmpty());
    EXPECT_FALSE(joinError({}).isEmpty());

    auto replaced = [&](const QByteArray &from, const QByteArray &to) {
        QByteArray b = good;
        const qsizetype at = b.lastIndexOf(from);
        EXPECT_GE(at, 0) << from.toStdString();
        return b.replace(at, from.size(), to);
    };
    const qsizetype xref = good.lastIndexOf("xref\n0 ");
    const QByteArray firstEntry = good.mid(good.indexOf(" 65535 f \n", xref) + 10, 10);
    // A direct stream length far off, with as many digits (one off may only
    // take in or leave out the line end before "endstream", which is valid).
    const auto direct = QRegularExpression(QStringLiteral("<< /Length (\\d+) >>")).match(QString::fromLatin1(good));
    EXPECT_TRUE(direct.hasMatch());
    QByteArray length = direct.captured(1).toLatin1();
    length.front() = length.front() == '9' ? '8' : char(length.front() + 1);
    // A reference to an object the part does not hold.
    const auto annots = QRegularExpression(QStringLiteral("/Annots (\\d+) 0 R")).match(QString::fromLatin1(good));
    EXPECT_TRUE(annots.hasMatch());
    const QByteArray annotsRef = "/Annots " + annots.captured(1).toLatin1() + " 0 R";
    const QByteArray missingRef = "/Annots " + QByteArray(annots.captured(1).size(), '9') + " 0 R";
    struct Case {
        const char *name;
        QByteArray bytes;
        const char *cause;
    } cases[] = {
        {"not a PDF", QByteArray("GIF89a") + good, "is not a PDF"},
        {"no startxref", good.left(good.size() - 40), "startxref"},
        {"startxref past the end", replaced("startxref\n" + QByteArray::number(xref), "startxref\n99999999"),
         "out of range"},
        {"startxref beside the table", replaced("startxref\n" + QByteArray::number(xref),
                                                "startxref\n" + QByteArray::number(xref + 2)),
         "no cross-reference table"},
        {"table longer than the file", replaced("xref\n0 ", "xref\n0 9999"), "longer than the file"},
        {"entry offset garbled", replaced(firstEntry, "00000x0015"), "bad cross-reference entry"},
        {"object offset past the table", replaced(firstEntry, "0999999999"), "outside its body"},
        {"object number not its own", replaced("\n1 0 obj", "\n7 0 obj"), "no object 1"},
        {"endobj missing", replaced("endobj\n2 0 obj", "endobx\n2 0 obj"), "endobj"},
        {"stream shorter than said", replaced("endstream", "endstreax"), "endstream"},
        {"wrong stream length", replaced("<< /Length " + direct.captured(1).toLatin1() + " >>", "<< /Length " + length + " >>"),
         "length is not as stated"},
        {"catalog of another type", replaced("/Type /Catalog\n", "/Type /Catalof\n"), "catalog"},
        {"page count", replaced("/Count ", "/Count 7"), "page count"},
        {"unterminated string", replaced("/Title ", "/Title ("), ""},
        {"size not the table's", replaced("/Size ", "/Size 1"), "size"},
        {"dangling reference", replaced(annotsRef, missingRef), "cannot be carried over"},
        {"encrypted", replaced("/Root ", "/Encrypt 1 0 R\n/Root "), "encrypted"},
    };
    for (const Case &c : cases) {
        const QString second = joinError({good, c.bytes});
        EXPECT_TRUE(second.startsWith(QStringLiteral("Cannot join the PDF parts: part 2 "))) << c.name << ": " << second.toStdString();
        EXPECT_TRUE(second.contains(QLatin1String(c.cause))) << c.name << ": " << second.toStdString();
        EXPECT_TRUE(joinError({c.bytes}).contains(QStringLiteral("part 1 "))) << c.name;
    }

    // Every cut of the file is refused.
    for (qsizetype size = 0; size < good.size(); size += 97)
        EXPECT_FALSE(joinError({good, good.left(size)}).isEmpty()) << size;
}

// A part whose table numbers its objects far beyond its length is refused
// before the joiner sizes anything by that number: in a child whose address
// space leaves room for the part but not for tables of ten million objects,
// the refusal comes as the joiner's own error.
TEST(PdfJoiner, ObjectNumbersBeyondThePartsLengthAreRefusedBeforeAnyTableIsSized)
{
    const QByteArray part = "%PDF-1.4\n"
                            "xref\n9999990 1\n0000000000 65535 f \n"
                            "trailer\n<< /Size 9999991 /Root 1 0 R >>\n"
                            "startxref\n9\n%%EOF\n";
    ASSERT_LT(part.size(), 200);
    EXPECT_TRUE(joinError({part}).contains(QStringLiteral("longer than the file"))) << joinError({part}).toStdString();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Room for what the process has now and 200 MB more.
        long pages = 0;
        if (FILE *f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (rlim_t(200) << 20);
        const rlimit rl{limit, limit};
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &rl) != 0)
            ::_exit(3);
        try {
            PdfJoiner::join({part});
        } catch (const platform::RuntimeError &) {
            ::_exit(0); // refused as a damaged part
        } catch (const std::bad_alloc &) {
            ::_exit(1); // tried to make tables of the number's size
        }
        ::_exit(2); // accepted
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: out of memory, 2: accepted, 3: no limit";
}
