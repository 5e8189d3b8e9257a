#include "talvik/settings/frmSelDelete.h"

#include "platform/forms/olecolor.h"
#include "talvik/link/clsDataC.h"

#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace talvik {

using namespace platform::forms;

namespace {
constexpr quint32 kBlack = 0x000000;
constexpr quint32 kMagenta = 0xFF00FF; // red 255, green 0, blue 255

// The list view stand-in offers no per-row colour and selection yet; they are
// set on its row widget item here. Rows are never re-ordered by the view, so
// row n (1-based) is the view's item n - 1.
QTreeWidgetItem *rowItem(ListView &view, int index)
{
    auto *tree = qobject_cast<QTreeWidget *>(view.widget());
    return tree ? tree->topLevelItem(index - 1) : nullptr;
}

void setRowForeColor(ListView &view, int index, quint32 color)
{
    if (QTreeWidgetItem *item = rowItem(view, index)) {
        const QSignalBlocker blocker(view.widget());
        item->setForeground(0, QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF)));
    }
}

void deselectRow(ListView &view, int index)
{
    QTreeWidgetItem *item = rowItem(view, index);
    if (!item)
        return;
    item->setSelected(false);
    auto *tree = item->treeWidget();
    if (tree && tree->currentItem() == item)
        tree->setCurrentItem(nullptr);
}
} // namespace

frmSelDelete::frmSelDelete(QObject *parent) : Form(parent)
{
    connect(&lvwCustomer, &ListView::ItemCheck, this, &frmSelDelete::lvwCustomer_ItemCheck);
    connect(&lvwCustomer, &ListView::ItemClick, this, &frmSelDelete::lvwCustomer_ItemClick);
    connect(&chkAllDel, &CheckBox::Click, this, &frmSelDelete::chkAllDel_Click);
    connect(&cmdOK, &CommandButton::Click, this, &frmSelDelete::cmdOK_Click);
    connect(&cmdCancel, &CommandButton::Click, this, &frmSelDelete::cmdCancel_Click);
}

void frmSelDelete::designForm()
{
    setCaption(QStringLiteral("読み込み確認"));
    setDesignSize(5400, 4560);
    setBorderStyle(vbFixedDialog);
    setStartUpPosition(vbStartUpOwner);
    lvwCustomer.Move(120, 120, 5160, 3360);
    chkAllDel.setCaption(QStringLiteral("全て削除"));
    chkAllDel.Move(120, 3600, 1800, 300);
    cmdOK.setCaption(QStringLiteral("O　K"));
    cmdOK.Move(2520, 3960, 1300, 420);
    cmdOK.setDefault(true);
    cmdCancel.setCaption(QStringLiteral("キャンセル"));
    cmdCancel.Move(3960, 3960, 1300, 420);
    cmdCancel.setCancel(true);
}

void frmSelDelete::Form_Load()
{
    m_status = false;
    lvwCustomer.setCheckboxes(true);
    const int width = lvwCustomer.Width();
    lvwCustomer.addColumn(QStringLiteral("読み込み後に削除"), int(0.4 * width));
    lvwCustomer.addColumn(QStringLiteral("お客さま番号"), int(0.5 * width));
    lvwCustomer.Clear();

    // Every flag is cleared: nothing is deleted unless the user checks a row.
    std::vector<QString> numbers;
    const int count = m_customer ? m_customer->count() : 0;
    for (int i = 0; i < count; ++i) {
        m_customer->setIdx(i);
        m_customer->setIsDel(false);
        numbers.push_back(m_customer->customer());
    }
    // Rows sorted by the customer number, ascending (the list view's text
    // order); equal numbers keep the list's order.
    std::stable_sort(numbers.begin(), numbers.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    for (const QString &number : numbers) {
        ListItem &row = lvwCustomer.Add(QStringLiteral("しない"));
        row.setChecked(false);
        row.setSubItems(1, number);
        setRowForeColor(lvwCustomer, row.Index(), kBlack);
        deselectRow(lvwCustomer, row.Index());
    }
}

void frmSelDelete::lvwCustomer_ItemCheck(ListItem *Item)
{
    if (!Item)
        return;
    if (Item->Checked()) {
        Item->setText(QStringLiteral("する"));
        setRowForeColor(lvwCustomer, Item->Index(), kMagenta);
    } else {
        Item->setText(QStringLiteral("しない"));
        setRowForeColor(lvwCustomer, Item->Index(), kBlack);
    }
}

void frmSelDelete::lvwCustomer_ItemClick(ListItem *Item)
{
    // Only the check box carries meaning.
    if (Item)
        deselectRow(lvwCustomer, Item->Index());
}

void frmSelDelete::chkAllDel_Click()
{
    const bool checked = chkAllDel.Value() == vbChecked;
    for (int i = 1; i <= lvwCustomer.Count(); ++i) {
        ListItem &row = lvwCustomer.ListItems(i);
        row.setChecked(checked);
        lvwCustomer_ItemCheck(&row);
    }
}

void frmSelDelete::cmdOK_Click()
{
    if (m_customer) {
        for (int i = 1; i <= lvwCustomer.Count(); ++i) {
            ListItem &row = lvwCustomer.ListItems(i);
            const QString number = row.SubItems(1);
            // The first entry with the row's number takes the row's mark.
            for (int j = 0; j < m_customer->count(); ++j) {
                m_customer->setIdx(j);
                if (m_customer->customer() == number) {
                    m_customer->setIsDel(row.Checked());
                    break;
                }
            }
        }
    }
    m_status = true;
    Unload();
}

void frmSelDelete::cmdCancel_Click()
{
    Unload();
}

quint32 frmSelDelete::rowForeColor(int index)
{
    QTreeWidgetItem *item = rowItem(lvwCustomer, index);
    if (!item)
        return kBlack;
    const QColor color = item->foreground(0).color();
    return quint32(color.red()) | (quint32(color.green()) << 8) | (quint32(color.blue()) << 16);
}

} // namespace talvik
