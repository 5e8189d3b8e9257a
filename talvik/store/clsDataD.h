#pragma once
// The RD message record ("read the 30-minute demand records") and the writer
// of the demand store: request frames, the checks of each reply block, and the
// store run that stages the records, merges them into the customer's year
// tables, logs the counts and rebuilds the tree. Also fills the table view.
#include "talvik/link/protocolRecord.h"
#include "talvik/store/demandTable.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

namespace platform::forms {
class MSHFlexGrid;
}

namespace talvik {

// Key-ordered dictionary of the store run: insertion order kept, a
// replaced item keeps its place.
class OrderedRows {
public:
    bool contains(const QString &key) const { return m_index.contains(key); }
    // True when the key was new.
    bool put(const QString &key, const QStringList &item);
    void clear();
    int count() const { return int(m_keys.size()); }
    const QString &keyAt(int i) const { return m_keys[i]; }
    const QStringList &itemAt(int i) const { return m_items[i]; }

private:
    QHash<QString, int> m_index;
    QVector<QString> m_keys;
    QVector<QStringList> m_items;
};

// The lines of a year table during a merge, as the bytes they are written
// with (without CR LF), each under its key (getdt & gettm): insertion order
// kept, a line put again under its key replaces the old one in its place.
// Lines and keys live in one buffer and the index is one array, so a merge
// of many thousand rows allocates a handful of times, not per row.
class RowLines {
public:
    void clear();
    // Room for `rows` rows of `bytesPerRow` key and line bytes without
    // growing.
    void reserve(std::size_t rows, std::size_t bytesPerRow);
    // True when the key was new.
    bool put(QByteArrayView key, QByteArrayView line);
    int count() const { return int(m_rows.size()); }
    QByteArrayView lineAt(int i) const
    {
        return QByteArrayView(m_bytes.data() + m_rows[std::size_t(i)].line, m_rows[std::size_t(i)].lineSize);
    }
    // Every line ended by CR LF, in order, as one buffer and as a list of
    // lines that point into it.
    void encode(QByteArray &image, QList<QByteArray> &lines) const;

private:
    struct Row {
        qsizetype key;
        qsizetype line;
        int keySize;
        int lineSize;
    };
    QByteArrayView keyAt(const Row &r) const { return QByteArrayView(m_bytes.data() + r.key, r.keySize); }
    int find(QByteArrayView key, std::size_t hash) const;
    void grow();
    void rehash(std::size_t size);

    // Appended to per row: a plain buffer, which appends by memcpy.
    std::vector<char> m_bytes;
    std::vector<Row> m_rows;
    std::vector<int> m_slots; // row index + 1 per slot, 0 for none
};

class clsDataD : public IProtocolRecord {
public:
    clsDataD() = default;
    ~clsDataD() override = default;

    // IProtocolRecord
    void initData() override;
    QByteArray getSendCMD() override;
    bool setRecvData(const QByteArray &buffer, int length) override;
    bool fire() override { return fire(false); }
    bool fire(bool shiftBack) override;
    // Writes the received records durably to the staging table (and marks
    // them unmerged) without merging them; fire then merges what is staged.
    // False with the cause when they could not be written.
    bool stage(bool shiftBack, QString *cause) override;
    bool isETX() const override;
    bool refusedValues() const override { return m_refusedValues; }
    int count() const override { return m_count; }
    bool isReader() const override { return m_isReader; }

    void setIsReader(bool value) { m_isReader = value; }
    bool isDel() const { return m_isDel; }
    void setIsDel(bool value) { m_isDel = value; }
    QString customer() const { return m_customer; }
    void setCustomer(const QString &value) { m_customer = value; }

    // Fields of the current record (selected by setIdx).
    void setIdx(int index) { m_idx = index; }
    QString year() const { return field(3, 2); }
    QString month() const { return field(5, 2); }
    QString day() const { return field(7, 2); }
    QString hour() const { return field(9, 2); }
    QString minute() const { return field(11, 2); }
    QString watt() const { return field(13, 4); }

    // Fills the demand grid with a year, month or day of a customer.
    virtual void setDispData(platform::forms::MSHFlexGrid &grid, const QString &nodePath, int threshold);

protected:
    // Steps of the store run; each catches its own errors, notes the cause
    // (noteFailure) and returns false; the run then reports it once.
    virtual bool expandRecvData(const QString &folder, bool shiftBack);
    // The staging table's rows, read once for both steps of a merge.
    struct StagedRows {
        bool direct = false; // read straight from the file (else the driver reads)
        QByteArray data;     // the table's bytes, which the rows view
        std::vector<TableRowView> rows;
    };
    bool makeYearFolders(const QString &folder, const StagedRows &staged);
    bool mergeData(const QString &folder, const StagedRows &staged);
    // mergeData on the bytes of the tables where they can be read straight
    // from their files; false (nothing written) where the staging table
    // cannot, and the caller merges through the driver's rows.
    bool mergeDataDirect(const StagedRows &staged, bool &merged);
    bool saveYearLines(const RowLines &lines, const QString &folder);
    bool loadYearTable(OrderedRows &dictionary, const QString &folder);
    bool saveYearTable(const OrderedRows &dictionary, const QString &folder);

    // Staging of the run: an unmerged staging folder is moved aside first,
    // then the staging table and its marker are written.
    bool stageRecords(bool shiftBack);
    // Merges the sets kept by earlier failed runs, oldest first; reports a
    // failure itself.
    bool mergeKeptSets();
    // Year folders and merge of one staging table into a customer's tables.
    bool mergeStaged(const QString &folder, const QString &customer);
    void noteFailure(const QString &cause) { m_failure = cause; }
    // The message of a failed store run: the customer, the cause, and
    // whether the records are kept for the next run.
    void reportFailure(const QString &customer, const QString &cause, bool kept) const;

    // 4 columns here, 6 in the service record (the staging table's layout).
    virtual bool serviceColumns() const { return false; }
    // The statement that reads every row of a table of 4 or 6 columns.
    static QString selectAllStatement(bool countColumns);
    // The rows of the table in folder (of 4 or 6 columns) as
    // selectAllStatement gives them: read straight from the file where that
    // gives the same rows, else by the driver. Raises as the driver does.
    QList<QStringList> tableRows(const QString &folder, bool countColumns) const;
    void initTable(const QString &folder) { initTableFolder(folder, serviceColumns()); }

    // The record's half hour as YYMMDDHHMM, 30 minutes earlier when shiftBack.
    QString recordKey(int index, bool shiftBack) const;
    // The same as 10 ASCII digits into key.
    void recordKey(int index, bool shiftBack, char *key) const;
    // The demand field of record index (4 digits).
    QByteArrayView wattBytes(int index) const;
    // created of the run: now as YYYYMMDDHHMM.
    static QString createdNow();
    // Writes the staging table from the dictionary (progress per 100 lines).
    void writeStaging(const QString &folder, const OrderedRows &staging);
    void writeStaging(const QString &folder, const RowLines &staging);
    void showError(const QString &text) const;
    static void pumpEvents();
    static void setInfo1(const QString &text);
    static void setInfo2(const QString &text);
    // Column width of the grid fill: text width in the data window's font.
    static int textWidth(platform::forms::MSHFlexGrid &grid, const QString &text);
    // The table view's select list (the statement up to "From"), its time
    // and demand columns shared by both records, and the width of column c
    // of the filled grid.
    virtual QString dispSelectList() const;
    static QString dispTimeColumns();
    virtual int dispColumnWidth(platform::forms::MSHFlexGrid &grid, int c);
    // Splits a node path into the year folder and the LIKE filter text.
    static void splitNodePath(const QString &nodePath, QString &folder, QString &filter);

    TableWriter &writer() { return *m_writer; }

    QByteArray m_recvFrame;
    // The block setRecvData refused last was an RD block with bad values.
    bool m_refusedValues = false;
    // The accepted blocks, 18 bytes each, one after the other (one buffer,
    // not an allocation per record); m_count of them.
    QByteArray m_records;
    int m_count = 0;
    QByteArrayView record(int index) const
    {
        return QByteArrayView(m_records.constData() + qsizetype(index) * kBlockLength, kBlockLength);
    }
    static constexpr int kBlockLength = 18;
    int m_idx = 0;
    QString m_customer;
    bool m_isReader = false;
    bool m_isDel = false;
    QByteArray m_sendBuf;
    // The records of this transfer are in the staging table (and with which
    // shift); cleared whenever the records change.
    bool m_staged = false;
    bool m_stagedShift = false;
    QString m_failure;
    // The year table being merged keeps the count columns: the service
    // record writes them, and a table that has them keeps them whichever
    // record merges into it (rows without counts get "-001").
    bool m_yearCounts = false;

public:
    // The writer of tables (tests put one in that fails on purpose).
    void setTableWriter(TableWriter *writer) { m_writer = writer ? writer : &m_defaultWriter; }
    // Every table read through the text driver, never straight from the file
    // (the reference the equality tests compare the direct reading with).
    void setReadTablesByDriver(bool value) { m_readByDriver = value; }

private:
    QString field(int pos, int width) const;

    bool m_readByDriver = false;
    TableWriter m_defaultWriter;
    TableWriter *m_writer = &m_defaultWriter;
};

} // namespace talvik
