#include "dataWindowFixture.h"

#include "platform/forms/uisetup.h"
#include "talvik/core/basComVariables.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/demandTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dwtest {

QByteArray demandLine(const char *yymmdd, const char *hhmm, const char *watt)
{
    return QByteArray(yymmdd) + hhmm + watt + "202402011200\r\n";
}

void DataWindowTest::SetUp()
{
    ASSERT_TRUE(dir.isValid());
    // The windows look as the program shows them.
    platform::forms::setUpJapaneseUi();
    qputenv("TALVIK_HOME", dir.path().toUtf8());
    talvik::appTitle = QStringLiteral("Orvantis");
    talvik::deviceLabel = QStringLiteral("検出器");
    talvik::deviceVersion.clear();
    talvik::commBusy = false;
    talvik::appLogs = nullptr;
    talvik::storeServices() = talvik::StoreServices();
    platform::forms::DialogScript::setUnexpectedDialogHandler(
        [](const QString &r) { ADD_FAILURE() << "unexpected dialog: " << r.toStdString(); });
    script = std::make_unique<platform::forms::DialogScript>();
}

void DataWindowTest::TearDown()
{
    if (w && w->isLoaded()) {
        w->setDataChanged(false);
        w->Unload();
    }
    w.reset();
    script.reset();
    talvik::storeServices() = talvik::StoreServices();
    talvik::appLogs = nullptr;
    talvik::dataForm = nullptr;
    qunsetenv("TALVIK_HOME");
}

void DataWindowTest::makeStore()
{
    const QByteArray schema = talvik::schemaText(false);
    writeFile(QStringLiteral("dDB/東京工場/2024年/schema.ini"), schema);
    writeFile(QStringLiteral("dDB/東京工場/2024年/demand.csv"),
              demandLine("240105", "1000", "0123") + demandLine("240105", "1030", "0456") +
                  demandLine("240210", "0900", "0200"));
    writeFile(QStringLiteral("dDB/東京工場/2023年/schema.ini"), schema);
    writeFile(QStringLiteral("dDB/東京工場/2023年/demand.csv"), demandLine("231224", "1200", "0300"));
    writeFile(QStringLiteral("dDB/大阪支店/2024年/schema.ini"), schema);
    writeFile(QStringLiteral("dDB/大阪支店/2024年/demand.csv"), demandLine("240301", "0000", "0100"));
    writeFile(QStringLiteral("dDB/download.log"), "2024/01/02 09:15    \x8b\x4e\x93\xae\r\n");
}

void DataWindowTest::loadWindow()
{
    w = std::make_unique<talvik::frmData>();
    w->setDialogs(&dialogs);
    talvik::dataForm = w.get();
    w->Load();
}

void DataWindowTest::clickNode(const QString &key, int button)
{
    ASSERT_TRUE(w->treData().Exists(key)) << key.toStdString();
    w->treData_MouseDown(button, 0, 0, 0);
    w->treData_NodeClick(w->treData().Item(key));
}

bool DataWindowTest::menuEnabled(platform::forms::ControlArray<platform::forms::Menu> &menu, const QString &caption)
{
    for (int i : menu.indexes())
        if (menu(i).Caption() == caption)
            return menu(i).Enabled();
    ADD_FAILURE() << "no menu item " << caption.toStdString();
    return false;
}

bool DataWindowTest::buttonVisible(const QString &key)
{
    return w->tlbData.Buttons(key).Visible();
}

QStringList DataWindowTest::logTexts()
{
    QStringList texts;
    auto *list = w->lstLogs();
    for (int i = 0; i < list->ListCount(); ++i)
        texts << list->List(i).mid(20);
    return texts;
}

QStringList DataWindowTest::prompts() const
{
    QStringList result;
    for (const auto &d : script->shown())
        result << d.prompt;
    return result;
}

} // namespace dwtest
