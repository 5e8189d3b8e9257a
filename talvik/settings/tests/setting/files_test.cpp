// ".cfg" settings files and "System.ini": files written the way the Windows
// program writes them (CP932 produced by iconv, CR LF), the dialogs, the
// version checks, values the window cannot show and failed writes.
#include "settingFixture.h"

#include "platform/fileio/durable.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/settings/settingFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cerrno>

using namespace talvik;
using namespace settingtest;
namespace fm = platform::forms;
namespace fio = platform::fileio;

namespace {

// The save dialog's question before it creates a file.
const QString kCreate = QStringLiteral("%1 は存在しません。\nファイルを作成しますか？");

const QString kOtherVersion =
    QStringLiteral("検出器のバージョンと異なるファイルです。対応するバージョンのファイルを読み込んで下さい。");

// A ".cfg" of model `version` with the 13 keys in the order the program
// writes them.
// The window writes one CT value and one caution level into both the
// second and the third key; `ct3` makes the third CT key differ.
QString cfgText(const QString &version, const QString &ctOption = QStringLiteral("2"),
                bool withPulse = true, const QString &ct3 = QStringLiteral("150"))
{
    QString t = QStringLiteral("[DEMAND]\n");
    if (!version.isEmpty())
        t += QStringLiteral("バージョン=") + version + QStringLiteral("\n");
    t += QStringLiteral("お客さま番号=123456789\nデマンド設定=2000\nスキップタイム設定=07\n電力計設定=") + ctOption
         + QStringLiteral("\n電力計設定2=150\n電力計設定3=") + ct3
         + QStringLiteral("\n注意警報レベル設定=1\n注意警報レベル設定2=085\n"
                          "注意警報レベル設定3=085\n警報間隔１設定=1\n受信機鳴動設定=2\n");
    if (withPulse)
        t += QStringLiteral("パルス定数=02000\n");
    return t;
}

class FilesTest : public SettingFixture {
protected:
    void SetUp() override
    {
        SettingFixture::SetUp();
        ASSERT_TRUE(m_files.isValid());
    }
    QString cfgPath(const QString &name) const { return m_files.path() + QLatin1Char('/') + name; }
    QString writeCfg(const QString &name, const QString &text)
    {
        const QString path = cfgPath(name);
        const QByteArray bytes = cp932(text);
        EXPECT_FALSE(bytes.isEmpty());
        writeBytes(path, bytes);
        return path;
    }
    QString fileCaption(const QString &path) const
    {
        return appTitle + appVersion + QStringLiteral(" [") + path + QStringLiteral("]");
    }
    QTemporaryDir m_files;
};

} // namespace

TEST_F(FilesTest, WindowsWrittenCfgOpensAndSavesToTheSameBytes)
{
    const QString path = writeCfg(QStringLiteral("kojo.cfg"), cfgText(QStringLiteral("3")));
    const QByteArray original = readBytes(path);
    ASSERT_TRUE(original.contains("\r\n"));
    frmSetting &w = openWith(kT4kb);
    m_script->chooseFile(path);
    w.tlbSetting.clickButton(QStringLiteral("Open"));
    ASSERT_EQ(m_script->shown().size(), 1);
    const fm::ShownDialog &open = m_script->shown()[0];
    EXPECT_EQ(open.kind, fm::ShownDialog::OpenFile);
    EXPECT_EQ(open.filter, QStringLiteral("設定ファイル(*.cfg)|*.cfg|全てのファイル(*.*)|*.*"));
    EXPECT_EQ(open.filterIndex, 1);
    EXPECT_EQ(open.style, 0x81804);
    EXPECT_EQ(open.prompt, QString());
    // The window shows the file.
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("123456789"));
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("200"));
    EXPECT_EQ(w.numSkipTime.Text(), QStringLiteral("7"));
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("150"));
    EXPECT_EQ(w.numWLevel2.Text(), QStringLiteral("85"));
    EXPECT_TRUE(w.optPulButtons(1).Value());
    EXPECT_TRUE(w.optWinterval1Buttons(1).Value());
    EXPECT_EQ(w.dataSB()->pulseF(), QStringLiteral("150"));
    EXPECT_EQ(w.settingFileName, path);
    EXPECT_EQ(w.Caption(), fileCaption(path));
    EXPECT_EQ(w.numWatt.BackColor(), colorWhite);

    // Saved over: the same bytes.
    w.tlbSetting.clickButton(QStringLiteral("Save"));
    EXPECT_EQ(readBytes(path), original);
    // Saved as a new file: the same bytes again, written from nothing.
    const QString copy = cfgPath(QStringLiteral("copy.cfg"));
    m_script->chooseFile(copy);
    expectBox(kCreate.arg(QStringLiteral("copy.cfg")), fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    w.mnuNewWrite.click();
    ASSERT_GE(m_script->shown().size(), 2);
    EXPECT_EQ(m_script->shown()[m_script->shown().size() - 2].kind, fm::ShownDialog::SaveFile);
    EXPECT_EQ(m_script->shown()[m_script->shown().size() - 2].style, 0x82806);
    EXPECT_EQ(readBytes(copy), original);
    EXPECT_EQ(w.settingFileName, copy);
    EXPECT_EQ(w.Caption(), fileCaption(copy));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, VersionChecks)
{
    const QString model3 = writeCfg(QStringLiteral("t4kb.cfg"), cfgText(QStringLiteral("3")));
    frmSetting &w = openWith(kT6ka);
    const QString watt = w.numWatt.Text();
    // Saved for model 3, opened with a T6KA: refused, nothing changes.
    m_script->chooseFile(model3);
    expectBox(kOtherVersion, fm::vbInformation);
    w.mnuOpen.click();
    EXPECT_EQ(w.settingFileName, QStringLiteral("新規作成"));
    EXPECT_EQ(w.numWatt.Text(), watt);
    // Without a version: told, then loaded all the same; without a pulse
    // constant the option stays as it was.
    const bool pulse0 = w.optPulButtons(0).Value();
    const QString noVersion =
        writeCfg(QStringLiteral("old.cfg"), cfgText(QString(), QStringLiteral("2"), /*withPulse=*/false, QStringLiteral("300")));
    m_script->chooseFile(noVersion);
    expectBox(kOtherVersion, fm::vbInformation);
    w.mnuOpen.click();
    EXPECT_EQ(w.settingFileName, noVersion);
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("200"));
    EXPECT_EQ(w.numPulseF2.Text(), QStringLiteral("300")); // T6KA: the third CT key
    EXPECT_EQ(w.optPulButtons(0).Value(), pulse0);
    // A version that is no number.
    const QString bad = writeCfg(QStringLiteral("bad.cfg"), cfgText(QStringLiteral("x")));
    m_script->chooseFile(bad);
    expectBox(QStringLiteral("予期せぬエラーが発生しました。"), fm::vbExclamation);
    w.mnuOpen.click();
    EXPECT_EQ(w.settingFileName, noVersion);
    // Cancelled: nothing at all.
    m_script->cancelNextFileDialog();
    w.mnuOpen.click();
    EXPECT_EQ(w.settingFileName, noVersion);
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, AValueTheWindowCannotShowLeavesEverythingAsItWas)
{
    frmSetting &w = openWith(kT4ka10);
    w.txtCustomerID.setText(QStringLiteral("999999999"));
    w.numWatt.setValue(321);
    w.numSkipTime.setValue(10);
    ASSERT_TRUE(w.collectSettingInputs());
    const QString watt = w.dataS()->watt();
    const QString caption = w.Caption();
    // "電力計設定"=7: there is no eighth CT option.
    const QString path = writeCfg(QStringLiteral("seven.cfg"), cfgText(QStringLiteral("2"), QStringLiteral("7")));
    m_script->chooseFile(path);
    expectBox(QStringLiteral("設定ファイルの内容が不正です。\r\n") + path + QStringLiteral("\r\n[DEMAND] 電力計設定=7"),
              fm::vbExclamation);
    w.mnuOpen.click();
    EXPECT_EQ(w.Caption(), caption);
    EXPECT_EQ(w.settingFileName, QStringLiteral("新規作成"));
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("999999999"));
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("321"));
    EXPECT_EQ(w.dataS()->watt(), watt);
    EXPECT_EQ(w.dataS()->pulseF(), QStringLiteral("0"));
    // A field of the wrong width is refused the same way.
    const QString shortWatt = writeCfg(QStringLiteral("short.cfg"),
                                       cfgText(QStringLiteral("2")).replace(QStringLiteral("=2000"), QStringLiteral("=20")));
    m_script->chooseFile(shortWatt);
    expectBox(QStringLiteral("設定ファイルの内容が不正です。\r\n") + shortWatt
                  + QStringLiteral("\r\n[DEMAND] デマンド設定=20"),
              fm::vbExclamation);
    w.mnuOpen.click();
    EXPECT_EQ(w.numWatt.Text(), QStringLiteral("321"));
    EXPECT_EQ(w.txtCustomerID.Text(), QStringLiteral("999999999"));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, SaveNeedsAModelAndStartsWithSaveAs)
{
    frmSetting &w = openWith(QString());
    expectBox(QStringLiteral("検出器バージョンが不明です。検出器を接続してバージョン情報を取得してからファイル保存して下さい。"),
              fm::vbInformation);
    w.mnuOverWrite.click();
    ASSERT_TRUE(w.Unload());
    frmSetting &v = openWith(kT4kb);
    m_script->cancelNextFileDialog();
    v.tlbSetting.clickButton(QStringLiteral("Save"));
    ASSERT_EQ(m_script->shown().size(), 2);
    EXPECT_EQ(m_script->shown().last().kind, fm::ShownDialog::SaveFile);
    EXPECT_EQ(v.settingFileName, QStringLiteral("新規作成"));
    EXPECT_EQ(v.Caption(), QStringLiteral("監視設定 [新規作成]"));
    EXPECT_TRUE(QDir(m_files.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, TheFileDialogsCarryThePlatformsTitles)
{
    // No title is given for the settings file dialogs: they carry the
    // platform's own for their kind, never the process name.
    frmSetting &w = openWith(kT4kb);
    m_script->showAndCancelNextFileDialog();
    w.tlbSetting.clickButton(QStringLiteral("Save"));
    m_script->showAndCancelNextFileDialog();
    w.mnuOpen.click();
    ASSERT_EQ(m_script->shown().size(), 2);
    for (const fm::ShownDialog &d : m_script->shown())
        ASSERT_TRUE(d.shownForReal);
    EXPECT_EQ(m_script->shown()[0].windowTitle, QStringLiteral("名前を付けて保存"));
    EXPECT_EQ(m_script->shown()[1].windowTitle, QStringLiteral("開く"));
    EXPECT_EQ(m_script->shown()[0].kind, fm::ShownDialog::SaveFile);
    EXPECT_EQ(m_script->shown()[1].kind, fm::ShownDialog::OpenFile);
    EXPECT_TRUE(QDir(m_files.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, FailedWriteIsToldAndChangesNothing)
{
    const QString path = writeCfg(QStringLiteral("kojo.cfg"), cfgText(QStringLiteral("3")));
    const QByteArray original = readBytes(path);
    frmSetting &w = openWith(kT4kb);
    m_script->chooseFile(path);
    w.mnuOpen.click();
    ASSERT_EQ(w.settingFileName, path);
    const QString caption = w.Caption();
    type(w.numWatt, QStringLiteral("444"));
    {
        // The disk is full when the file is put in place.
        fio::faults::ScopedFaultHook hook([](fio::faults::Step step, const QString &, qint64) {
            return step == fio::faults::Step::Rename ? ENOSPC : 0;
        });
        m_script->answerNextWith([&](const fm::ShownDialog &box) {
            EXPECT_TRUE(box.prompt.contains(path)) << box.prompt.toStdString();
            EXPECT_TRUE(box.prompt.contains(fio::describeSystemError(ENOSPC))) << box.prompt.toStdString();
            EXPECT_EQ(box.style, fm::vbExclamation);
            return fm::vbOK;
        });
        w.mnuOverWrite.click();
    }
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{QStringLiteral("kojo.cfg")});
    // Save As to a folder that cannot take the file: name and caption stay.
    const QString elsewhere = cfgPath(QStringLiteral("missing/other.cfg"));
    m_script->chooseFile(elsewhere);
    expectBox(kCreate.arg(QStringLiteral("other.cfg")), fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    m_script->answerNextWith([&](const fm::ShownDialog &box) {
        EXPECT_TRUE(box.prompt.contains(elsewhere)) << box.prompt.toStdString();
        return fm::vbOK;
    });
    w.mnuNewWrite.click();
    EXPECT_EQ(w.settingFileName, path);
    EXPECT_EQ(w.Caption(), caption);
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    EXPECT_TRUE(m_script->verify());
}

TEST_F(FilesTest, KeysAreWrittenAllOrNone)
{
    const QString path = writeCfg(QStringLiteral("set.cfg"), cfgText(QStringLiteral("3")));
    const QByteArray original = readBytes(path);
    // The second value has no CP932 form: the profile write refuses it, and
    // the first does not reach the file either.
    QString failure;
    EXPECT_FALSE(settingfile::writeKeys(path, settingfile::kCfgSection,
                                        {{QStringLiteral("デマンド設定"), QStringLiteral("1234")},
                                         {QStringLiteral("お客さま番号"), QStringLiteral("\U0001F600")}},
                                        failure));
    EXPECT_TRUE(failure.contains(path)) << failure.toStdString();
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(QDir(m_files.path()).entryList(QDir::Files), QStringList{QStringLiteral("set.cfg")});
    // Written: every key in place, the rest of the file as it was.
    ASSERT_TRUE(settingfile::writeKeys(path, settingfile::kCfgSection,
                                       {{QStringLiteral("デマンド設定"), QStringLiteral("1234")}}, failure));
    EXPECT_EQ(settingfile::readKey(path, settingfile::kCfgSection, QStringLiteral("デマンド設定")), QStringLiteral("1234"));
    QByteArray expected = original;
    expected.replace("=2000\r\n", "=1234\r\n");
    EXPECT_EQ(readBytes(path), expected);
    // The keys in the order the files carry them.
    EXPECT_EQ(settingfile::keys().size(), 13);
    EXPECT_EQ(settingfile::keys().first(), QStringLiteral("バージョン"));
    EXPECT_EQ(settingfile::keys().last(), QStringLiteral("パルス定数"));
}

TEST_F(FilesTest, SaveAsAsksBeforeCreatingANewFile)
{
    frmSetting &w = openWith(kT4kb);
    w.tlbSetting.clickButton(QStringLiteral("New"));
    type(w.numWatt, QStringLiteral("432"));
    // No: nothing is written, name and caption stay.
    const QString path = cfgPath(QStringLiteral("new.cfg"));
    m_script->chooseFile(path);
    expectBox(kCreate.arg(QStringLiteral("new.cfg")), fm::vbYesNo + fm::vbExclamation, fm::vbNo);
    w.mnuNewWrite.click();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(w.settingFileName, QStringLiteral("新規作成"));
    EXPECT_EQ(w.Caption(), QStringLiteral("監視設定 [新規作成]"));
    // Yes: the file is created with the window's settings.
    m_script->chooseFile(path);
    expectBox(kCreate.arg(QStringLiteral("new.cfg")), fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    w.tlbSetting.clickButton(QStringLiteral("Save"));
    EXPECT_EQ(settingfile::readKey(path, settingfile::kCfgSection, QStringLiteral("デマンド設定")), QStringLiteral("4320"));
    EXPECT_EQ(w.settingFileName, path);
    // Saved again as the same (now existing) file: the overwrite question only.
    m_script->chooseFile(path);
    expectBox(QStringLiteral("new.cfg は既に存在します。\n上書きしますか？"), fm::vbYesNo + fm::vbExclamation, fm::vbYes);
    w.mnuNewWrite.click();
    EXPECT_TRUE(m_script->verify());
}
