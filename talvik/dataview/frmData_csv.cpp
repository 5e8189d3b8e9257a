// CSV export and import of the data window: the dedicated CSV format
// (csvFormat.h) and the window's commands writeCsvFile, importCsvFile and
// readCsvFile.
#include "talvik/dataview/csvFormat.h"
#include "talvik/dataview/frmData.h"
#include "talvik/dataview/fileCommands.h"

#include "platform/codepage/codepage.h"
#include "platform/fileio/durable.h"
#include "platform/forms/commondialog.h"
#include "platform/forms/flexgrid.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/core/basComVariables.h"
#include "talvik/core/clsLogs.h"
#include "talvik/core/frmWait.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"

#include <QFile>
#include <QFileInfo>
#include <QVarLengthArray>

#include <algorithm>

namespace talvik {

namespace {

constexpr int blockLength = 18;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// A line's bytes as text: ASCII directly, anything else through CP932 (the
// service-mode export writes the weekday in the date field). Undecodable
// bytes only stop the numeric value of their field.
QString lineText(const QByteArray &line)
{
    for (const char c : line)
        if (static_cast<unsigned char>(c) >= 0x80)
            return platform::codepage::fromAnsiLenient(line);
    return QString::fromLatin1(line);
}

char16_t unitOf(QChar c)
{
    return c.unicode();
}

char16_t unitOf(char c)
{
    return char16_t(static_cast<unsigned char>(c));
}

bool isAsciiBytes(QByteArrayView bytes)
{
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

// Writes `value` (0 <= value) as its last `width` decimal digits at pos.
void putDigits(QByteArray &frame, int pos, int width, std::int32_t value)
{
    char *out = frame.data() + pos;
    for (int i = width - 1; i >= 0; --i) {
        out[i] = char('0' + value % 10);
        value /= 10;
    }
}

} // namespace

// ---- format ----

namespace {

// The numeric reading of a field over its characters (QChar of a text, or
// the bytes of an ASCII field taken as Latin-1): one implementation for both,
// so that the byte reading gives exactly the text's value.
template <typename Char>
double numericValueOf(const Char *chars, qsizetype size, bool *digits)
{
    // The usual field, one to fifteen digits and nothing else, is its value.
    if (size > 0 && size <= 15) {
        qint64 whole = 0;
        qsizetype i = 0;
        for (; i < size; ++i) {
            const char16_t c = unitOf(chars[i]);
            if (c < u'0' || c > u'9')
                break;
            whole = whole * 10 + (c - u'0');
        }
        if (i == size) {
            if (digits)
                *digits = true;
            return double(whole);
        }
    }
    // The number's characters with the ignored ones left out.
    QVarLengthArray<char16_t, 32> number;
    bool seenDigit = false;
    bool seenPoint = false;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = unitOf(chars[i]);
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')
            continue;
        if (number.isEmpty() && (c == u'+' || c == u'-')) {
            number.append(c);
            continue;
        }
        if (c >= u'0' && c <= u'9') {
            number.append(c);
            seenDigit = true;
            continue;
        }
        if (c == u'.' && !seenPoint) {
            number.append(c);
            seenPoint = true;
            continue;
        }
        break;
    }
    if (digits)
        *digits = seenDigit;
    if (!seenDigit)
        return 0;
    if (number.back() == u'.')
        number.removeLast();
    // A whole number of at most 15 digits is exact as a double: its value
    // is summed up directly (the text conversion is the costly part of an
    // import). A sign other than '-' and a point go the conversion's way.
    if (!seenPoint && number.size() <= 16 && number[0] != u'+') {
        const bool negative = number[0] == u'-';
        if (number.size() - (negative ? 1 : 0) <= 15) {
            qint64 whole = 0;
            for (qsizetype i = negative ? 1 : 0; i < number.size(); ++i)
                whole = whole * 10 + (number[i] - u'0');
            return negative ? -double(whole) : double(whole);
        }
    }
    bool ok = false;
    const double value = QStringView(number.constData(), number.size()).toString().toDouble(&ok);
    return ok ? value : 0;
}

} // namespace

double csvNumericValue(const QString &field, bool *digits)
{
    return numericValueOf(field.constData(), field.size(), digits);
}

double csvNumericValue(QByteArrayView field, bool *digits)
{
    return numericValueOf(field.data(), field.size(), digits);
}

QString csvExportLine(const QString &dateCell, const QString &timeCell, const QString &demandCell, bool dropWeekday)
{
    QString date = dateCell;
    date.remove(u'年').remove(u'月').remove(u'日');
    // A weekday in parentheses after the day (the service table) is not written.
    if (const qsizetype open = date.indexOf(u'('); dropWeekday && open >= 0)
        date.truncate(open);
    QString time = timeCell;
    time.remove(u'時').remove(u'分');
    const std::int16_t demand = platform::CInt(csvNumericValue(demandCell) * 10);
    return date + u',' + time + u',' + platform::FormatZero(demand, 4);
}

QByteArray csvExportImage(const platform::forms::MSHFlexGrid &grid, bool dropWeekday)
{
    QByteArray image;
    const int rows = grid.Rows();
    for (int i = 1; i < rows; ++i) {
        image += platform::codepage::toAnsi(
            csvExportLine(grid.TextMatrix(i, 0), grid.TextMatrix(i, 1), grid.TextMatrix(i, 3), dropWeekday));
        image += "\r\n";
    }
    return image;
}

QString csvDefaultFileName(const QString &caption)
{
    if (caption.isEmpty())
        return QString();
    const qsizetype blank = caption.indexOf(u' ');
    return (blank < 0 ? caption : caption.left(blank)) + QStringLiteral(".CSV");
}

QString csvCustomerFromPath(const QString &path)
{
    QString name = path;
    const qsizetype sep = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    if (sep >= 0)
        name = name.mid(sep + 1);
    name.remove(QStringLiteral(".csv"), Qt::CaseInsensitive);
    return name;
}

QList<QByteArray> csvSplitLines(const QByteArray &image)
{
    QList<QByteArray> lines;
    csvForEachLine(image, [&](QByteArrayView line) { lines.append(line.toByteArray()); });
    return lines;
}

QByteArray csvNewFrame()
{
    QByteArray frame(blockLength, '\0');
    frame[0] = 0x02;
    frame[1] = 'R';
    frame[2] = 'D';
    frame[17] = 0x03;
    return frame;
}

namespace {

// What the values of a line's three fields give: the checks of
// csvLineToBlock after the fields were read, shared by both readings.
CsvLine valuesToBlock(int fieldCount, const std::int32_t *value, const bool *digits, QByteArray &frame)
{
    // A short line would reach the block with the previous line's values.
    if (fieldCount < 3)
        return CsvLine::Rejected;
    if (!digits[0] || !digits[1] || !digits[2])
        return CsvLine::Rejected;
    // Date: eight digits 20YYMMDD, or at most six digits YYMMDD (the store
    // keeps the year as 20YY, so both give the same record). Anything else
    // (another century, a negative value) would be cut to a wrong day.
    const bool eightDigits = value[0] >= 20000000 && value[0] <= 20999999;
    const bool sixDigits = value[0] >= 0 && value[0] <= 999999;
    if (!eightDigits && !sixDigits)
        return CsvLine::Rejected;
    // Time and demand: four digits at most, never negative.
    if (value[1] < 0 || value[1] > 9999 || value[2] < 0 || value[2] > 9999)
        return CsvLine::Rejected;
    if (frame.size() != blockLength)
        frame = csvNewFrame();
    // The date's last six digits (YYMMDD of either form), time and demand
    // zero-filled to four.
    putDigits(frame, 3, 6, value[0] % 1000000);
    putDigits(frame, 9, 4, value[1]);
    putDigits(frame, 13, 4, value[2]);
    return CsvLine::Block;
}

} // namespace

CsvLine csvLineToBlockText(const QByteArray &line, QByteArray &frame)
{
    const QString text = lineText(line);
    if (std::all_of(text.cbegin(), text.cend(), isBlank))
        return CsvLine::Empty;
    const QStringList fields = text.split(u',');
    if (fields.size() > 3)
        return CsvLine::TooManyFields;
    // Values first, in field order, so that an overflow of any field refuses
    // the file as the original reader does.
    std::int32_t value[3] = {0, 0, 0};
    bool digits[3] = {false, false, false};
    for (int i = 0; i < fields.size(); ++i)
        value[i] = platform::CLng(csvNumericValue(fields[i], &digits[i]));
    return valuesToBlock(int(fields.size()), value, digits, frame);
}

CsvLine csvLineToBlock(QByteArrayView line, QByteArray &frame)
{
    // A line with CP932 characters is read through its text.
    if (!isAsciiBytes(line))
        return csvLineToBlockText(line.toByteArray(), frame);
    // An ASCII line is its own text: fields are cut from the bytes.
    bool blank = true;
    int commas = 0;
    qsizetype cut[3] = {0, 0, 0}; // where fields 2 and 3 begin, after their ','
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ',') {
            if (++commas < 3)
                cut[commas] = i + 1;
            blank = false;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            blank = false;
        }
    }
    if (blank)
        return CsvLine::Empty;
    const int fieldCount = commas + 1;
    if (fieldCount > 3)
        return CsvLine::TooManyFields;
    std::int32_t value[3] = {0, 0, 0};
    bool digits[3] = {false, false, false};
    for (int i = 0; i < fieldCount; ++i) {
        const qsizetype end = i + 1 < fieldCount ? cut[i + 1] - 1 : line.size();
        value[i] = platform::CLng(csvNumericValue(line.sliced(cut[i], end - cut[i]), &digits[i]));
    }
    return valuesToBlock(fieldCount, value, digits, frame);
}

CsvReadCounts csvReadBlocks(const QByteArray &image, clsDataD &record,
                            const std::function<void()> &onRejected)
{
    CsvReadCounts counts;
    QByteArray frame = csvNewFrame();
    csvForEachLine(image, [&](QByteArrayView line) {
        ++counts.lines;
        bool taken = false;
        switch (csvLineToBlock(line, frame)) {
        case CsvLine::Empty:
            return;
        case CsvLine::TooManyFields:
            platform::raise(platform::err::TypeMismatch,
                            QStringLiteral("%1 行目の項目が多すぎます。").arg(counts.lines));
        case CsvLine::Rejected:
            break;
        case CsvLine::Block:
            taken = record.setRecvData(frame, blockLength);
            break;
        }
        if (taken) {
            ++counts.accepted;
        } else {
            ++counts.rejected;
            if (onRejected)
                onRejected();
        }
    });
    return counts;
}

QString csvReadErrorText()
{
    return QStringLiteral("ＣＳＶファイルを読み込めません。") + u'\r'
           + QStringLiteral("ファイル内容が正しいことを確認して下さい。");
}

QString csvWriteErrorText(const QString &cause)
{
    return QStringLiteral("ＣＳＶファイルを書き込めません。") + u'\r' + cause;
}

void csvWriteFileAtomically(const QString &path, const QByteArray &image)
{
    // The durable write: its WriteError names the file and the cause.
    platform::fileio::writeFile(path, image);
}

QByteArray csvReadFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile())
        platform::raise(platform::err::FileNotFound);
    if (!file.open(QIODevice::ReadOnly))
        platform::raise(platform::err::PathFileAccess, file.errorString());
    QByteArray image = file.readAll();
    if (file.error() != QFileDevice::NoError)
        platform::raise(platform::err::PathFileAccess, file.errorString());
    return image;
}

// ---- the data window's commands ----

namespace {

// Flags of the import dialog: explorer style, the file and its path must
// exist, no read-only box.
constexpr int importDialogFlags = 530436;
// The export dialog keeps no flag of the import (a file that must exist
// would refuse every new name) and never asks about overwriting.
constexpr int exportDialogFlags = platform::forms::cdlOFNExplorer | platform::forms::cdlOFNPathMustExist
                                  | platform::forms::cdlOFNHideReadOnly;

bool isCancel(const std::exception &e)
{
    const auto *r = dynamic_cast<const platform::RuntimeError *>(&e);
    return r && r->Number() == platform::err::CancelError;
}

} // namespace

void frmData::writeCsvFile()
{
    bool failed = false;
    QString cause;
    try {
        const int rows = mfgData().Rows();
        applyInitialFolder(cdlCSVFile());
        cdlCSVFile().setCancelError(true);
        cdlCSVFile().setFileName(QString());
        cdlCSVFile().setDefaultExt(QStringLiteral("CSV"));
        cdlCSVFile().setFilter(QString());
        cdlCSVFile().setDialogTitle(QStringLiteral("ＣＳＶ出力"));
        cdlCSVFile().setFlags(exportDialogFlags | exportDialogExtraFlags());
        if (rows > 1)
            cdlCSVFile().setFileName(csvDefaultFileName(getTreeKeyCaption(currentKey)));
        cdlCSVFile().ShowSave();
        const QString path = cdlCSVFile().FileName();

        if (waitForm) {
            waitForm->clear();
            waitForm->Show(platform::forms::vbModeless, this);
            waitForm->setLoadInfo1(QStringLiteral("ＣＳＶ出力中・・・・"));
        }
        // The whole image first, then one replacing write: a failure leaves
        // neither a partial file nor a damaged previous one.
        const QByteArray image = csvExportImage(mfgData(), csvExportDropsWeekday());
        csvWriteFileAtomically(platform::shell::toNativePath(path), image);
    } catch (const std::exception &e) {
        if (!isCancel(e)) {
            failed = true;
            cause = errorDescription(e);
        }
    } catch (...) {
        failed = true;
        cause = platform::errorDescription(platform::err::PathFileAccess);
    }
    unloadWaitDialog();
    if (failed) {
        try {
            platform::forms::MsgBox(csvWriteErrorText(cause), platform::forms::vbCritical, appTitle);
        } catch (...) {
        }
    }
    currentFolderToDesktop();
}

void frmData::importCsvFile()
{
    IDataWindow *window = dataForm ? dataForm : this;
    QString failure;
    m_importedCustomer.clear();
    try {
        applyInitialFolder(cdlCSVFile());
        cdlCSVFile().setFlags(importDialogFlags);
        cdlCSVFile().setFilter(QStringLiteral("専用CSV(*.CSV)|*.CSV"));
        cdlCSVFile().setFilterIndex(1);
        cdlCSVFile().setFileName(QString());
        cdlCSVFile().setCancelError(true);
        cdlCSVFile().setDialogTitle(QStringLiteral("ＣＳＶ入力"));
        cdlCSVFile().ShowOpen();
        const QString path = cdlCSVFile().FileName();

        const QString base = csvCustomerFromPath(path);
        QString customer = base;
        if (dialogs().importCustom(this, customer, base)) {
            // The name becomes a folder of the store: the store's one check
            // decides, before anything is created.
            if (const QString why = validateCustomerName(customer); !why.isEmpty()) {
                platform::forms::MsgBox(QStringLiteral("お客さま名「") + customer + QStringLiteral("」は使用できません。")
                                            + u'\r' + why,
                                        platform::forms::vbCritical, appTitle);
            } else {
                setDataChanged(true);
                m_importedCustomer = customer;
                const QString root = platform::shell::programFolder() + QStringLiteral("\\dDB.tran");
                const QString folder = root + u'\\' + customer;
                if (!folderExists(folder)) {
                    if (!folderExists(root))
                        platform::shell::CreateFolder(root);
                    platform::shell::CreateFolder(folder);
                    window->TreeNode().mkNodeInit(window->treData(), window->form());
                    appLogsAdd(window->lstLogs(),
                               QStringLiteral("お客さま名の新規作成　「") + customer + QStringLiteral("」"));
                }
                if (!demandData)
                    platform::raise(platform::err::ObjectRequired);
                demandData->initData();
                demandData->setCustomer(customer);
                beforeCsvImportRead(path);
                readCsvFile(path);
            }
        }
    } catch (const std::exception &e) {
        // A cancelled dialog ends quietly; any other failure is said.
        if (!isCancel(e))
            failure = errorDescription(e);
    } catch (...) {
        failure = platform::errorDescription(platform::err::PathFileAccess);
    }
    if (!failure.isEmpty()) {
        try {
            platform::forms::MsgBox(failure, platform::forms::vbCritical, appTitle);
        } catch (...) {
        }
    }
    currentFolderToDesktop();
}

bool frmData::readCsvFile(const QString &path)
{
    IDataWindow *window = dataForm ? dataForm : this;
    try {
        if (!demandData)
            platform::raise(platform::err::ObjectRequired);
        const QByteArray image = csvReadFile(platform::shell::toNativePath(path));
        csvReadBlocks(image, *demandData, [window] { appLogsAdd(window->lstLogs(), kCsvRejectedLog); });
    } catch (...) {
        // Nothing of the file reaches the store.
        try {
            platform::forms::MsgBox(csvReadErrorText(), platform::forms::vbOKOnly | platform::forms::vbCritical,
                                    appTitle);
        } catch (...) {
        }
        return false;
    }
    // The CSV time is the start of the half hour already: no shift. A failed
    // store run has shown its own message and written no merge line; its
    // wait dialog may still be up, and goes so that the window is usable.
    const bool stored = demandData->fire(false);
    if (!stored)
        unloadWaitDialog();
    return stored;
}

} // namespace talvik
