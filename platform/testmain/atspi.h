#pragma once
// Reading the test program's own windows over the accessibility bus, as a
// screen reader does. The bus is read by a helper process
// (platform/testmain/atspi_tree.py); while it runs this process keeps its
// event loop turning, so that Qt's bridge can answer it.
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace talviktest {

// One accessible object as the bus shows it.
struct AtspiNode {
    QString role;         // AT-SPI role name ("combo box", "push button" ...)
    QString name;
    QString description;
    QStringList states;   // AT-SPI state names ("checked", "selected" ...)
    bool hasText = false; // the object offers the Text interface
    QString text;
    bool hasValue = false;
    double value = 0;
    QStringList actions;  // names of the object's actions ("Toggle" ...)
    bool hasTable = false; // the object offers the Table interface
    int tableRows = 0;
    int tableColumns = 0;
    QStringList columnHeaders; // the names of the column headers
    QList<AtspiNode> children;

    bool has(const QString &state) const { return states.contains(state); }
    // Depth-first search of this node and its descendants.
    const AtspiNode *find(const std::function<bool(const AtspiNode &)> &match) const;
    const AtspiNode *findByName(const QString &role, const QString &name) const;
    QList<const AtspiNode *> findAll(const std::function<bool(const AtspiNode &)> &match) const;
    // The top-level child (a window of the process) of that role and name.
    const AtspiNode *window(const QString &role, const QString &name) const;
    // The list items below this node by name, "~" before those showing and
    // "*" before the selected ones ("~*Beta").
    QStringList markedItems() const;
    // The tree as indented lines, for failure messages.
    QString dump(int indent = 0) const;
};

// True when the runner started the accessibility bus for this run
// (x11run.sh --atspi): its checks must then pass, never be skipped.
bool atspiBusExpected();

// Reads this process's tree once. False with *error set when the bus could
// not be read or the process is not on it.
bool readAtspiTree(AtspiNode *tree, QString *error, int timeoutMs = 10000);

// Reads the tree again and again until done(tree) holds or timeoutMs has
// passed; *tree is the last tree read. False with *error naming the cause
// when the time ran out.
bool waitForAtspi(const std::function<bool(const AtspiNode &)> &done, AtspiNode *tree, QString *error,
                  int timeoutMs = 15000);

// Does the action (name compared without case) of the first object of that
// role and name over the bus, as a screen reader does. False with *error
// set when there is no such object or action or the bus could not be used.
bool doAtspiAction(const QString &role, const QString &name, const QString &action, QString *error,
                   int timeoutMs = 10000);

// One event as a screen reader hears it over the bus.
struct AtspiEvent {
    QString type; // "object:text-changed:insert" ...
    QString role; // of the object that sent it
    QString name;
    QString text; // the inserted or deleted text of a text change
};

// Listens over the bus for the events of these types (AT-SPI names such as
// "object:text-changed", which takes in its ":insert" and ":delete") that
// this process sends, for milliseconds from the moment the listener is
// heard by this process; whileListening, when given, runs at that moment.
// This process's event loop keeps turning meanwhile. *events: those heard,
// in their order. False with *error set when the bus could not be used.
bool listenOnAtspi(const QStringList &types, int milliseconds, QList<AtspiEvent> *events, QString *error,
                   const std::function<void()> &whileListening = {});

// Whether this run reads the bus: offscreen it cannot (the caller skips what
// is left), on X it must, and a run on X without it fails the current test.
bool atspiBusRun();

// waitForAtspi that fails the current test, naming what was awaited and the
// cause, when done(tree) never holds.
bool expectOnAtspi(const char *what, const std::function<bool(const AtspiNode &)> &done);

} // namespace talviktest
