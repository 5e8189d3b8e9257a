#pragma once
// A fresh program folder, an input folder below "dataFolder" with dedicated
// CSV and count files, scripted message boxes and file dialogs, the real
// number dialog and the service-mode data window.
#include "dataWindowFixture.h"
#include "testfiles.h"
#include "platform/shell/shell.h"
#include "talvik/core/frmWait.h"
#include "talvik/dataview_service/frmDataSrv.h"
#include "talvik/settings/frmImportCustomSrv.h"

#include <QLineEdit>
#include <QTimer>

#include <QPoint>
#include <QTemporaryDir>

#include <memory>
#include <ostream>

// Readable texts in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace srvtest {

using dwtest::DialogsDouble;
using dwtest::waitFor;

inline const QString kCustomer = QStringLiteral("123456789");

class ServiceWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QString home() const { return dir.path(); }
    QString path(const QString &relative) const { return home() + u'/' + relative; }
    bool exists(const QString &relative) const { return talviktest::exists(path(relative)); }
    void writeFile(const QString &relative, const QByteArray &bytes) const
    {
        talviktest::writeFile(path(relative), bytes);
    }
    QByteArray readFile(const QString &relative) const { return talviktest::readFile(path(relative)); }

    // Input folder "input" (dataFolder) with customer kCustomer: its
    // dedicated CSV (2024-01-05 10:00 12.3 kW, 10:30 45.6 kW, 11:00 7.8 kW;
    // 2024-02-10 09:00 20.0 kW) and its count file (counts for 10:00, 10:30
    // and 2024-02-10 09:00; "-" for 11:00).
    void makeInput();
    // While the next modal number dialog is up: types text into its field
    // and presses OK (or Cancel when text is null). Message boxes the dialog
    // shows are answered by the script.
    void answerNumberDialog(const QString &text, bool ok = true);
    // Creates the window and loads it (the start-up import runs when
    // srvMode is set); the window is shown when loading left it loaded.
    void loadWindow();
    // Clicks a node of the shown tree with the mouse (left or right).
    void clickNode(const QString &key, Qt::MouseButton button = Qt::LeftButton);
    // A point of the graph surface's widget for a point of the drawing.
    QPoint graphPoint(double x, double y) const;
    // Moves the mouse over a point of the drawing and waits for the window
    // to have taken the move (on an X server the move arrives later).
    void moveOverGraph(double x, double y);
    bool menuEnabled(platform::forms::ControlArray<platform::forms::Menu> &menu, const QString &caption);
    QStringList logTexts();
    QStringList prompts() const;
    // Rows of the table as "col0|col1|...".
    QStringList tableRows();

    QTemporaryDir dir;
    std::unique_ptr<platform::forms::DialogScript> script;
    DialogsDouble dialogs;
    std::unique_ptr<talvik::frmImportCustomSrv> numberDialog;
    std::unique_ptr<talvik::frmWait> wait;
    std::unique_ptr<talvik::frmDataSrv> w;
    int programEnds = 0;
    QString savedCurrentFolder;
};

// One line of a service demand table: YYMMDD, HHMM, watt, created, counts.
QByteArray srvLine(const char *yymmdd, const char *hhmm, const char *watt, const char *c1, const char *c2);

} // namespace srvtest
