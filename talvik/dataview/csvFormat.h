#pragma once
// The dedicated CSV: one half-hour demand record per line, date (YYYYMMDD),
// start time (HHMM) and demand (kW x 10, four digits) separated by ",", no
// header, no quoting, CP932 text with CR LF line ends. This header holds the
// formatting of export lines and the reading of import lines into RD reply
// blocks; the data windows' commands (writeCsvFile, importCsvFile,
// readCsvFile) are built on it.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

namespace platform::forms {
class MSHFlexGrid;
}

namespace talvik {

class clsDataD;

// Numeric value of a field: blanks, tabs and line ends anywhere in it are
// ignored; then an optional sign, digits, an optional decimal point with
// digits; reading stops at the first character that cannot continue the
// number. No digits gives 0. `digits` (when given) tells whether any digit
// was read.
double csvNumericValue(const QString &field, bool *digits = nullptr);
// The same on the bytes of an ASCII field (each byte one character).
double csvNumericValue(QByteArrayView field, bool *digits = nullptr);

// The export line of one grid row (no line end): the date cell without
// "年" "月" "日", the time cell without "時" "分", and the demand cell x 10
// rounded half to even as a 16-bit number formatted "0000". A demand outside
// the 16-bit range raises run-time error 6. dropWeekday: a weekday in
// parentheses after the day is not written either (the service table).
QString csvExportLine(const QString &dateCell, const QString &timeCell, const QString &demandCell,
                      bool dropWeekday = false);

// The whole export of a demand grid: rows 1 to Rows - 1 in grid order
// (columns 0, 1 and 3), each line in CP932 and ended by CR LF. A grid with
// its header row alone gives an empty image. Raises run-time errors of the
// conversion (6 overflow, 5 a character CP932 cannot hold).
QByteArray csvExportImage(const platform::forms::MSHFlexGrid &grid, bool dropWeekday = false);

// Export file name proposed for a node caption: the caption up to its first
// blank and ".CSV"; a caption without a blank is taken whole; "" for an
// empty caption.
QString csvDefaultFileName(const QString &caption);

// Customer proposed for an import file: the file name without its folder,
// with every ".csv" removed in any letter case ("Data.CSV.csv" -> "Data").
QString csvCustomerFromPath(const QString &path);

// Lines of a file image. A line ends at CR LF, at a lone CR or at a lone LF;
// a last line without an end counts too.
QList<QByteArray> csvSplitLines(const QByteArray &image);
// Calls f(QByteArrayView line) for each of those lines in order, the views
// pointing into the image.
template <typename F>
void csvForEachLine(QByteArrayView image, F &&f)
{
    qsizetype start = 0;
    const qsizetype n = image.size();
    const char *bytes = image.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        f(image.sliced(start, i - start));
        if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        f(image.sliced(start));
}

// What one line of an import file gives.
enum class CsvLine {
    Empty,         // nothing but blanks: skipped without a log line
    Block,         // the 18-byte RD block was built in the frame
    Rejected,      // one record that cannot be taken ("データ１件　キャンセル")
    TooManyFields, // four or more fields: the file is refused as a whole
};

// A zero-filled 18-byte RD reply block with STX, "R", "D" and ETX set.
QByteArray csvNewFrame();

// Reads one line (CP932 bytes, without its line end) into `frame`, which
// csvNewFrame made. Rejected: fewer than three fields, a field without any
// digit, a date that is neither 20YYMMDD (eight digits, 2000 to 2099) nor
// YYMMDD (at most six digits), a time or demand
// outside 0 to 9999 (nothing is cut to fit the block). A field whose value
// leaves the 32-bit range raises run-time error 6. Month, day, hour and
// minute are checked by the record itself.
// An ASCII line is read from its bytes, a line with other bytes through its
// text (csvLineToBlockText); both give the same.
CsvLine csvLineToBlock(QByteArrayView line, QByteArray &frame);
// The same through the line's text: CP932 decoded (undecodable bytes only
// stop the numeric value of their field), split at ",", each field's value
// by csvNumericValue.
CsvLine csvLineToBlockText(const QByteArray &line, QByteArray &frame);

// Counts of one read.
struct CsvReadCounts {
    int lines = 0;    // lines of the file, empty ones included
    int accepted = 0; // blocks the record stored
    int rejected = 0; // lines refused here or by the record
};

// Hands every line of a file image to `record` as an RD block
// (setRecvData(frame, 18)); calls `onRejected` for each refused line. A line
// with four or more fields raises run-time error 13 and a value outside the
// 32-bit range error 6; blocks handed before stay in the record. The store
// run (fire) is the caller's.
CsvReadCounts csvReadBlocks(const QByteArray &image, clsDataD &record,
                            const std::function<void()> &onRejected);

// The texts the commands show and log.
inline const QString kCsvRejectedLog = QStringLiteral("データ１件　キャンセル");
// "ＣＳＶファイルを読み込めません。" CR "ファイル内容が正しいことを確認して下さい。"
QString csvReadErrorText();
// "ＣＳＶファイルを書き込めません。" CR the cause.
QString csvWriteErrorText(const QString &cause);

// Writes `image` to `path` through the durable write: on a failure the
// target is left byte-identical, no temporary file stays, and a
// platform::fileio::WriteError names the file and the cause.
void csvWriteFileAtomically(const QString &path, const QByteArray &image);

// Reads a whole file; raises 53 when it is missing, 75 when it cannot be read.
QByteArray csvReadFile(const QString &path);

} // namespace talvik
