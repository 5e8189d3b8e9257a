// The settings window's files: ".cfg" settings files through the file menu
// and the last settings per model in "System.ini".
#include "talvik/settings/frmSetting.h"

#include "platform/forms/msgbox.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComVariables.h"
#include "talvik/link/clsDataC.h"
#include "talvik/link/clsDataS.h"
#include "talvik/settings/settingFile.h"

namespace talvik {

namespace fm = platform::forms;
using settingfile::keys;

namespace {

const QString kFilter = QStringLiteral("設定ファイル(*.cfg)|*.cfg|全てのファイル(*.*)|*.*");
constexpr int kOpenFlags = 0x81804;
constexpr int kSaveFlags = 0x82806;
const QString kUnknownForOpen =
    QStringLiteral("検出器バージョンが不明です。検出器を接続してバージョン情報を取得してからファイル読み込んで下さい。");
const QString kUnknownForSave =
    QStringLiteral("検出器バージョンが不明です。検出器を接続してバージョン情報を取得してからファイル保存して下さい。");
const QString kOtherVersion =
    QStringLiteral("検出器のバージョンと異なるファイルです。対応するバージョンのファイルを読み込んで下さい。");
const QString kUnexpected = QStringLiteral("予期せぬエラーが発生しました。");

// A record field as written to a file: its text up to the first NUL (a
// field never set holds NULs).
QString fieldText(const QString &field)
{
    const int nul = field.indexOf(QChar(0));
    return nul >= 0 ? field.left(nul) : field;
}

} // namespace

struct frmSetting::Snapshot {
    clsDataS s;
    clsDataSA sa;
    clsDataSB sb;
    clsDataC c;
    QString customer;
    struct Number {
        bool null;
        double value;
        quint32 color;
    };
    Number watt, skip, pulseF2, wLevel2;
    QList<int> options[5];
    QString remembered[8];
    QString fileName;
    QString caption;
};

std::shared_ptr<frmSetting::Snapshot> frmSetting::takeSnapshot()
{
    auto snap = std::make_shared<Snapshot>();
    snap->s = *m_dataS;
    snap->sa = *m_dataSA;
    snap->sb = *m_dataSB;
    snap->c = *m_dataC;
    snap->customer = txtCustomerID.Text();
    const auto number = [](fm::SpinNumberInput &in) {
        return Snapshot::Number{in.IsNull(), in.Value(), in.BackColor()};
    };
    snap->watt = number(numWatt);
    snap->skip = number(numSkipTime);
    snap->pulseF2 = number(numPulseF2);
    snap->wLevel2 = number(numWLevel2);
    fm::ControlArray<fm::OptionButton> *groups[5] = {&optWattButtons, &optWlevelButtons, &optWinterval1Buttons,
                                                      &optRumbleButtons, &optPulButtons};
    for (int g = 0; g < 5; ++g)
        for (int i : groups[g]->indexes())
            if ((*groups[g])(i).Value())
                snap->options[g].append(i);
    const QString *rem[8] = {&preCustomerID, &preWatt,   &prePulseF2, &preSkipTime,
                             &preWLevel2,    &preWLevel, &prePulseF,  &prePulse};
    for (int i = 0; i < 8; ++i)
        snap->remembered[i] = *rem[i];
    snap->fileName = settingFileName;
    snap->caption = Caption();
    return snap;
}

void frmSetting::restoreSnapshot(const Snapshot &snap)
{
    QString *rem[8] = {&preCustomerID, &preWatt, &prePulseF2, &preSkipTime, &preWLevel2, &preWLevel, &prePulseF,
                       &prePulse};
    for (int i = 0; i < 8; ++i)
        *rem[i] = snap.remembered[i];
    txtCustomerID.setText(snap.customer);
    const auto number = [](fm::SpinNumberInput &in, const Snapshot::Number &n) {
        if (n.null)
            in.setNull();
        else
            in.setValue(n.value);
        in.setBackColor(n.color);
    };
    number(numWatt, snap.watt);
    number(numSkipTime, snap.skip);
    number(numPulseF2, snap.pulseF2);
    number(numWLevel2, snap.wLevel2);
    fm::ControlArray<fm::OptionButton> *groups[5] = {&optWattButtons, &optWlevelButtons, &optWinterval1Buttons,
                                                      &optRumbleButtons, &optPulButtons};
    for (int g = 0; g < 5; ++g)
        for (int i : groups[g]->indexes())
            (*groups[g])(i).setValue(snap.options[g].contains(i));
    // The records last: the inputs' change handling above copies into them.
    *m_dataS = snap.s;
    *m_dataSA = snap.sa;
    *m_dataSB = snap.sb;
    *m_dataC = snap.c;
    settingFileName = snap.fileName;
    setCaption(snap.caption);
}

void frmSetting::showFailure(const QString &message)
{
    fm::MsgBox(message, fm::vbExclamation);
}

void frmSetting::readKeysInto(const QString &file, const QString &section, bool allRecords)
{
    const QStringList &k = keys();
    const auto value = [&](int i) { return settingfile::readKey(file, section, k[i]); };
    QString v;
    if (!(v = value(1)).isEmpty()) {
        m_dataC->initData();
        m_dataC->add(v);
    }
    if (!(v = value(2)).isEmpty()) {
        m_dataS->setWatt(v);
        if (allRecords) {
            m_dataSA->setWatt(v);
            m_dataSB->setWatt(v);
        }
    }
    if (!(v = value(3)).isEmpty()) {
        m_dataS->setSkip(v);
        if (allRecords) {
            m_dataSA->setSkip(v);
            m_dataSB->setSkip(v);
        }
    }
    if (!(v = value(4)).isEmpty())
        m_dataS->setPulseF(v);
    if (!(v = value(5)).isEmpty())
        m_dataSA->setPulseF(v);
    if (!(v = value(6)).isEmpty())
        m_dataSB->setPulseF(v);
    if (!(v = value(7)).isEmpty())
        m_dataS->setW_level(v);
    if (!(v = value(8)).isEmpty())
        m_dataSA->setW_level(v);
    if (!(v = value(9)).isEmpty())
        m_dataSB->setW_level(v);
    if (!(v = value(10)).isEmpty())
        m_dataS->setW_interval1(v);
    if (!(v = value(11)).isEmpty())
        m_dataS->setRumble(v);
    if (!(v = value(12)).isEmpty()) {
        optPulButtons(v == QLatin1String("50000") ? 0 : 1).setValue(true);
        m_dataSB->setPulse(v);
    }
    txtCustomerID.setText(m_dataC->customer());
}

bool frmSetting::fireRecords()
{
    if (!m_dataS->fire())
        return false;
    return modelCode == 5 ? m_dataSB->fire() : m_dataSA->fire();
}

void frmSetting::setFileCaption(const QString &path)
{
    setCaption(appTitle + appVersion + QStringLiteral(" [") + path + QStringLiteral("]"));
}

QList<QPair<QString, QString>> frmSetting::settingsKeyValues(bool withVersion)
{
    const QStringList &k = keys();
    const QStringList values{QString::number(modelCode), m_dataC->customer(), m_dataS->watt(),
                             m_dataS->skip(),            m_dataS->pulseF(),   m_dataSA->pulseF(),
                             m_dataSB->pulseF(),         m_dataS->w_level(),  m_dataSA->w_level(),
                             m_dataSB->w_level(),        m_dataS->w_interval1(), m_dataS->rumble(),
                             m_dataSB->pulse()};
    QList<QPair<QString, QString>> out;
    for (int i = withVersion ? 0 : 1; i < k.size(); ++i)
        out.append({k[i], fieldText(values[i])});
    return out;
}

void frmSetting::mnuOpen_Click()
{
    // 1. The file.
    cdlSetting.setCancelError(false);
    cdlSetting.setFilter(kFilter);
    cdlSetting.setFilterIndex(1);
    cdlSetting.setFileName(QString());
    cdlSetting.setDefaultExt(QString());
    cdlSetting.setFlags(kOpenFlags);
    cdlSetting.ShowOpen();
    const QString path = cdlSetting.FileName();
    if (path.isEmpty())
        return;
    // 2.
    if (modelCode == 0) {
        fm::MsgBox(kUnknownForOpen, fm::vbInformation);
        return;
    }
    // 3. The model the file was saved for.
    const QString version = settingfile::readKey(path, settingfile::kCfgSection, keys()[0]);
    if (version.isEmpty()) {
        fm::MsgBox(kOtherVersion, fm::vbInformation);
    } else if (!platform::IsNumeric(version)) {
        fm::MsgBox(kUnexpected, fm::vbExclamation);
        return;
    } else if (platform::Val(version) != modelCode) {
        fm::MsgBox(kOtherVersion, fm::vbInformation);
        return;
    }
    // A value no field takes: named with its key, and nothing changes.
    QString badValue;
    const QString badKey = settingfile::findInvalidKey(path, settingfile::kCfgSection, 1, badValue);
    if (!badKey.isEmpty()) {
        fm::MsgBox(settingfile::invalidValueText(path, settingfile::kCfgSection, badKey, badValue), fm::vbExclamation);
        return;
    }
    // 4.-8. The keys into the records, the records into the window. A value
    // the window cannot show puts everything back as it was.
    const auto before = takeSnapshot();
    bool ok = false;
    try {
        readKeysInto(path, settingfile::kCfgSection, false);
        ok = fireRecords();
    } catch (const platform::RuntimeError &) {
        ok = false;
    }
    if (!ok) {
        restoreSnapshot(*before);
        fm::MsgBox(QStringLiteral("設定ファイルの内容が不正です。\r\n") + platform::shell::toNativePath(path),
                   fm::vbExclamation);
        return;
    }
    settingFileName = path;
    setFileCaption(path);
}

void frmSetting::mnuOverWrite_Click()
{
    if (modelCode == 0) {
        fm::MsgBox(kUnknownForSave, fm::vbInformation);
        return;
    }
    if (settingFileName == kNewFileName) {
        mnuNewWrite_Click();
        return;
    }
    saveTo(settingFileName);
}

void frmSetting::mnuNewWrite_Click()
{
    cdlSetting.setCancelError(false);
    cdlSetting.setFilter(kFilter);
    cdlSetting.setFilterIndex(1);
    cdlSetting.setFileName(QString());
    cdlSetting.setDefaultExt(QString());
    cdlSetting.setFlags(kSaveFlags);
    cdlSetting.ShowSave();
    const QString path = cdlSetting.FileName();
    if (path.isEmpty())
        return;
    if (modelCode == 0) {
        fm::MsgBox(kUnknownForSave, fm::vbInformation);
        return;
    }
    saveTo(path);
}

bool frmSetting::saveTo(const QString &path)
{
    if (!collectSettingInputs())
        return false;
    QString failure;
    if (!settingfile::writeKeys(path, settingfile::kCfgSection, settingsKeyValues(true), failure)) {
        // Name and caption stay: the file was not saved.
        showFailure(failure);
        return false;
    }
    settingFileName = path;
    setFileCaption(path);
    return true;
}

void frmSetting::loadLastSettings()
{
    if (modelCode != 0)
        loadSettingsIni();
}

void frmSetting::loadSettingsIni()
{
    // A value no field takes: one message naming the file and the key (the
    // window's load asks twice, the user hears it once), then the defaults.
    const QString file = settingfile::systemIniPath();
    const QString section = QString::number(modelCode);
    QString badValue;
    const QString badKey = settingfile::findInvalidKey(file, section, 1, badValue);
    if (!badKey.isEmpty()) {
        if (!(m_inLoad && m_iniReported))
            fm::MsgBox(settingfile::invalidValueText(file, section, badKey, badValue), fm::vbExclamation);
        m_iniReported = true;
        mnuNew_Click();
        return;
    }
    const auto before = takeSnapshot();
    bool ok = false;
    try {
        readKeysInto(settingfile::systemIniPath(), QString::number(modelCode), true);
        settingFileName = kNewFileName;
        ok = fireRecords();
    } catch (const platform::RuntimeError &) {
        ok = false;
    }
    if (!ok) {
        restoreSnapshot(*before);
        fm::MsgBox(kUnexpected, fm::vbExclamation);
        return;
    }
    setCaption(QStringLiteral("監視設定") + QStringLiteral(" [") + settingFileName + QStringLiteral("]"));
}

bool frmSetting::saveSettingsIni()
{
    if (modelCode == 0) {
        fm::MsgBox(kUnknownForSave, fm::vbInformation);
        return false;
    }
    if (!collectSettingInputs())
        return false;
    QString failure;
    if (!settingfile::writeKeys(settingfile::systemIniPath(), QString::number(modelCode), settingsKeyValues(false),
                                failure)) {
        showFailure(failure);
        return false;
    }
    return true;
}

} // namespace talvik
