#include "talvik/store/clsTreeNode.h"

#include "platform/forms/treeview.h"
#include "platform/shell/shell.h"
#include "platform/textdb/textdb.h"
#include "talvik/core/basComFunction.h"
#include "talvik/store/customerName.h"
#include "talvik/store/dataWindow.h"
#include "talvik/store/demandTable.h"


namespace talvik {

using platform::forms::Node;
using platform::forms::tvwChild;

namespace {

// Sub-folders of a folder whose names keep tree keys intact, in the file
// system's listing order.
QStringList subFolders(const QString &folder)
{
    QStringList out;
    if (!platform::shell::FolderExists(folder))
        return out;
    for (const platform::shell::FolderEntry &e : platform::shell::SubFolders(folder))
        if (isTreeKeySafeName(e.Name))
            out << e.Name;
    return out;
}

} // namespace

void clsTreeNode::mkNodeInit(platform::forms::TreeView &tree, platform::forms::Form *owner)
{
    IStoreWaitDialog *wait = storeServices().waitForm;
    if (wait) {
        wait->clear();
        wait->setWaitMsg(QStringLiteral("データ階層の構築中です。　しばらくお待ちください・・・・"));
        if (!wait->Visible())
            wait->show(owner);
    }
    try {
        m_tree = &tree;
        tree.Clear();
        const QString programFolder = platform::shell::programFolder();
        const QString path = programFolder + u'\\' + tranFolderName;
        const QString key = u'\\' + tranFolderName;
        Node *root = tree.Add(QString(), platform::forms::tvwLast, key, QStringLiteral("お客さま"), 1, 1);
        root->setSorted(true);
        if (!platform::shell::FolderExists(path))
            platform::shell::CreateFolder(path);
        addCustomerNodes(path);
        root->setExpanded(true);
    } catch (...) {
        if (wait)
            wait->unload();
        throw;
    }
    if (wait)
        wait->unload();
}

void clsTreeNode::addCustomerNodes(const QString &folder)
{
    if (IStoreWaitDialog *wait = storeServices().waitForm)
        wait->setLoadInfo1(platform::shell::toNativePath(folder));
    const QString key = u'\\' + tranFolderName;
    for (const QString &customer : subFolders(folder)) {
        const QString customerKey = key + u'\\' + customer;
        Node *c = m_tree->Add(key, tvwChild, customerKey, customer, 1, 1);
        c->setSorted(true);
        for (const QString &year : subFolders(folder + u'\\' + customer)) {
            Node *y = m_tree->Add(customerKey, tvwChild, customerKey + u'\\' + year, year, 1, 1);
            y->setSorted(true);
        }
    }
}

void clsTreeNode::mkNodeDetail(Node *node)
{
    if (!m_tree || !node)
        return;
    try {
        const QString key = node->Key();
        const QString programFolder = platform::shell::programFolder();
        const qsizetype sep = key.indexOf(QStringLiteral("::"));
        const QString folder = programFolder + (sep >= 0 ? key.left(sep) : key);
        switch (getTreeKeyLevel(key)) {
        case 2: {
            const QString yearName = key.mid(key.lastIndexOf(u'\\') + 1);
            const QString prefix = key + QStringLiteral("::") + yearName.mid(2, 2);
            for (const QString &m : readMonthList(folder)) {
                Node *n = m_tree->Add(key, tvwChild, prefix + m, m + QStringLiteral("月"), 1, 1);
                n->setSorted(true);
            }
            break;
        }
        case 3: {
            const QString mm = key.right(2);
            for (const QString &d : readDayList(folder, mm)) {
                Node *n = m_tree->Add(key, tvwChild, key + d, d + QStringLiteral("日"), 3, 3);
                n->setSorted(true);
            }
            break;
        }
        default:
            break;
        }
    } catch (...) {
        // Silent: the children already there (a second click) or a table
        // that cannot be read leave the nodes as they are.
    }
}

QStringList clsTreeNode::readMonthList(const QString &folder)
{
    return readList(folder, QStringLiteral("Select  distinct Mid(getdt,3,2) from ") + tableFileName
                                + QStringLiteral(" order by Mid(getdt,3,2)"));
}

QStringList clsTreeNode::readDayList(const QString &folder, const QString &mm)
{
    return readList(folder, QStringLiteral("Select  distinct Mid(getdt,5,2) from ") + tableFileName
                                + QStringLiteral(" Where Mid(getdt,3,2) = '") + mm + QStringLiteral("' ")
                                + QStringLiteral(" order by Mid(getdt,5,2)"));
}

QStringList clsTreeNode::readList(const QString &folder, const QString &sql)
{
    QStringList list;
    try {
        platform::textdb::Connection cn;
        platform::textdb::Recordset rs;
        openTable(cn, rs, folder, sql);
        while (!rs.Eof()) {
            list << rs.Fields(0).Value().toString();
            rs.MoveNext();
        }
        rs.Close();
        cn.Close();
    } catch (...) {
        // The list read so far.
    }
    return list;
}

} // namespace talvik
