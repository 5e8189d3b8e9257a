#pragma once
// The service-mode demand record: as clsDataD, with the caution and limit
// counts of the customer's count file in two more columns.
#include "talvik/store/clsDataD.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/keyIndex.h"

namespace talvik {

class clsDataDSrv : public clsDataD {
public:
    // A count text as exactly 4 characters: "0000".."9999", "-001" for none
    // or a text that is not a count.
    static QString normaliseCount(const QString &text);
    // The same of an ASCII count text, into out (4 bytes).
    static void normaliseCount(QByteArrayView text, char *out);
    // The count file of a customer below dataFolder: "<n>\<n>as.csv" after a
    // start-up import (srvCustomer set), "<n>as.csv" beside a file imported
    // from the menu; an existing file named in another letter case is found.
    static QString countFilePath(const QString &customer);
    // The dedicated CSV file of a customer in the input tree below
    // dataFolder, "<n>\<n>.csv", found in any letter case.
    static QString serviceInputFile(const QString &customer);

    // A table written by the ordinary data window (no count columns) is
    // shown with "-" for both counts.
    void setDispData(platform::forms::MSHFlexGrid &grid, const QString &nodePath, int threshold) override;

protected:
    bool serviceColumns() const override { return true; }
    QString dispSelectList() const override;
    int dispColumnWidth(platform::forms::MSHFlexGrid &grid, int c) override;
    bool expandRecvData(const QString &folder, bool shiftBack) override { return insertData2Srv(folder, shiftBack); }
    bool insertData2Srv(const QString &folder, bool shiftBack);
    // Index of the count row of key (the number of "20" & YYMMDDHHMM), or -1.
    int seekCountRow(qint64 key) const { return m_alarmIndex.find(key); }

private:
    // The caution (which 0) or limit (1) count of count row `row`,
    // normalised, into out (4 bytes).
    void countOf(int row, int which, char *out) const;

    AlarmInfoTable m_alarmInfo;
    KeyIndex m_alarmIndex;
    bool m_dispCounts = true; // the shown table has the count columns
};

} // namespace talvik
