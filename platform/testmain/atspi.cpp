#include "atspi.h"
#include "x11window.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>

namespace talviktest {

namespace {

AtspiNode fromJson(const QJsonObject &o)
{
    AtspiNode n;
    n.role = o.value(QStringLiteral("role")).toString();
    n.name = o.value(QStringLiteral("name")).toString();
    n.description = o.value(QStringLiteral("description")).toString();
    for (const QJsonValue &s : o.value(QStringLiteral("states")).toArray())
        n.states << s.toString();
    n.hasText = o.contains(QStringLiteral("text"));
    n.text = o.value(QStringLiteral("text")).toString();
    n.hasValue = o.contains(QStringLiteral("value"));
    n.value = o.value(QStringLiteral("value")).toDouble();
    for (const QJsonValue &a : o.value(QStringLiteral("actions")).toArray())
        n.actions << a.toString();
    if (o.contains(QStringLiteral("table"))) {
        const QJsonObject table = o.value(QStringLiteral("table")).toObject();
        n.hasTable = true;
        n.tableRows = table.value(QStringLiteral("rows")).toInt();
        n.tableColumns = table.value(QStringLiteral("columns")).toInt();
        for (const QJsonValue &h : table.value(QStringLiteral("headers")).toArray())
            n.columnHeaders << h.toString();
    }
    for (const QJsonValue &c : o.value(QStringLiteral("children")).toArray())
        n.children << fromJson(c.toObject());
    return n;
}

void collect(const AtspiNode &node, const std::function<bool(const AtspiNode &)> &match,
             QList<const AtspiNode *> *out, bool firstOnly)
{
    if (match(node)) {
        out->append(&node);
        if (firstOnly)
            return;
    }
    for (const AtspiNode &c : node.children) {
        collect(c, match, out, firstOnly);
        if (firstOnly && !out->isEmpty())
            return;
    }
}

QString helperPath()
{
    const QString source = qEnvironmentVariable("TALVIK_SOURCE_DIR");
    return (source.isEmpty() ? QStringLiteral(".") : source) + QStringLiteral("/platform/testmain/atspi_tree.py");
}

} // namespace

const AtspiNode *AtspiNode::find(const std::function<bool(const AtspiNode &)> &match) const
{
    QList<const AtspiNode *> found;
    collect(*this, match, &found, true);
    return found.isEmpty() ? nullptr : found.first();
}

const AtspiNode *AtspiNode::findByName(const QString &r, const QString &n) const
{
    return find([&](const AtspiNode &node) { return node.role == r && node.name == n; });
}

QList<const AtspiNode *> AtspiNode::findAll(const std::function<bool(const AtspiNode &)> &match) const
{
    QList<const AtspiNode *> found;
    collect(*this, match, &found, false);
    return found;
}

const AtspiNode *AtspiNode::window(const QString &role, const QString &name) const
{
    for (const AtspiNode &w : children)
        if (w.role == role && w.name == name)
            return &w;
    return nullptr;
}

QStringList AtspiNode::markedItems() const
{
    QStringList out;
    for (const AtspiNode *item : findAll([](const AtspiNode &n) { return n.role == QLatin1String("list item"); }))
        out << (item->has(QStringLiteral("showing")) ? QStringLiteral("~") : QString()) +
                   (item->has(QStringLiteral("selected")) ? QStringLiteral("*") : QString()) + item->name;
    return out;
}

QString AtspiNode::dump(int indent) const
{
    QString line = QString(indent * 2, QLatin1Char(' ')) + QStringLiteral("[%1] \"%2\"").arg(role, name);
    if (!description.isEmpty())
        line += QStringLiteral(" description=\"%1\"").arg(description);
    if (hasText)
        line += QStringLiteral(" text=\"%1\"").arg(text);
    if (hasValue)
        line += QStringLiteral(" value=%1").arg(value);
    if (!actions.isEmpty())
        line += QStringLiteral(" actions=%1").arg(actions.join(QLatin1Char('|')));
    if (hasTable)
        line += QStringLiteral(" table=%1x%2 [%3]").arg(tableRows).arg(tableColumns).arg(columnHeaders.join(QLatin1Char('|')));
    line += QStringLiteral(" {%1}\n").arg(states.join(QLatin1Char(',')));
    for (const AtspiNode &c : children)
        line += c.dump(indent + 1);
    return line;
}

bool atspiBusExpected()
{
    return qEnvironmentVariable("TALVIK_ATSPI") == QLatin1String("1");
}

namespace {

// Runs the bus helper with these arguments after this process's id and
// gives its output; false with *error set when it failed. A line "ready"
// the helper writes first runs onReady (that line is not part of *out).
bool runHelper(const QStringList &arguments, QByteArray *out, QString *error, int timeoutMs,
               const std::function<void()> &onReady = {})
{
    QProcess helper;
    helper.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{helperPath(), QString::number(QCoreApplication::applicationPid())} + arguments);
    if (!helper.waitForStarted(timeoutMs)) {
        *error = QStringLiteral("the bus reader did not start: ") + helper.errorString();
        return false;
    }
    // The helper's questions are answered by this process's event loop: keep
    // it turning (never block in waitForFinished) until the helper is done.
    QDeadlineTimer deadline(timeoutMs);
    bool ready = !onReady;
    while (helper.state() != QProcess::NotRunning && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!ready && helper.canReadLine()) {
            ready = true;
            if (helper.readLine().trimmed() == "ready")
                onReady();
        }
        if (helper.state() != QProcess::NotRunning)
            helper.waitForFinished(5);
    }
    if (helper.state() != QProcess::NotRunning) {
        helper.kill();
        helper.waitForFinished(2000);
        *error = QStringLiteral("the bus reader did not answer within %1 ms").arg(timeoutMs);
        return false;
    }
    *out = helper.readAllStandardOutput();
    const QString err = QString::fromUtf8(helper.readAllStandardError()).trimmed();
    if (helper.exitStatus() != QProcess::NormalExit || helper.exitCode() != 0) {
        *error = QStringLiteral("the bus reader failed (%1): %2").arg(helper.exitCode()).arg(err);
        return false;
    }
    return true;
}

} // namespace

bool readAtspiTree(AtspiNode *tree, QString *error, int timeoutMs)
{
    QByteArray out;
    if (!runHelper({}, &out, error, timeoutMs))
        return false;
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(out, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
        *error = QStringLiteral("the bus reader wrote no tree: ") + parse.errorString();
        return false;
    }
    *tree = fromJson(doc.object());
    return true;
}

bool doAtspiAction(const QString &role, const QString &name, const QString &action, QString *error, int timeoutMs)
{
    QByteArray out;
    return runHelper({QStringLiteral("--do"), role, name, action}, &out, error, timeoutMs);
}

bool listenOnAtspi(const QStringList &types, int milliseconds, QList<AtspiEvent> *events, QString *error,
                   const std::function<void()> &whileListening)
{
    QByteArray out;
    bool ready = false;
    const QStringList arguments = QStringList{QStringLiteral("--listen"), QString::number(milliseconds)} + types;
    if (!runHelper(arguments, &out, error, milliseconds + 15000, [&] {
            ready = true;
            if (whileListening)
                whileListening();
        }))
        return false;
    if (!ready) {
        *error = QStringLiteral("the bus listener never said it was listening");
        return false;
    }
    QJsonParseError parse{};
    const QJsonDocument doc = QJsonDocument::fromJson(out, &parse);
    if (parse.error != QJsonParseError::NoError || !doc.isArray()) {
        *error = QStringLiteral("the bus listener wrote no events: ") + parse.errorString();
        return false;
    }
    events->clear();
    for (const QJsonValue &v : doc.array()) {
        const QJsonObject o = v.toObject();
        events->append({o.value(QStringLiteral("type")).toString(), o.value(QStringLiteral("role")).toString(),
                        o.value(QStringLiteral("name")).toString(), o.value(QStringLiteral("text")).toString()});
    }
    return true;
}

bool waitForAtspi(const std::function<bool(const AtspiNode &)> &done, AtspiNode *tree, QString *error,
                  int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QString lastError;
    bool read = false;
    while (true) {
        const int left = std::max(1000, timeoutMs - int(clock.elapsed()));
        AtspiNode now;
        if (readAtspiTree(&now, &lastError, left)) {
            read = true;
            *tree = now;
            if (done(*tree))
                return true;
        }
        if (clock.elapsed() >= timeoutMs)
            break;
        // A short pause between reads, with the event loop turning.
        QDeadlineTimer pause(100);
        while (!pause.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    *error = read ? QStringLiteral("the bus never showed what was expected within %1 ms; last tree:\n%2")
                        .arg(timeoutMs)
                        .arg(tree->dump())
                  : QStringLiteral("the bus could not be read within %1 ms: %2").arg(timeoutMs).arg(lastError);
    return false;
}

bool atspiBusRun()
{
    if (atspiBusExpected())
        return true;
    if (onX11())
        ADD_FAILURE() << "runs on X without the accessibility bus (the runner must start it: x11run.sh --atspi)";
    return false;
}

bool expectOnAtspi(const char *what, const std::function<bool(const AtspiNode &)> &done)
{
    AtspiNode tree;
    QString error;
    if (waitForAtspi(done, &tree, &error))
        return true;
    ADD_FAILURE() << what << ": " << error.toStdString();
    return false;
}

} // namespace talviktest
