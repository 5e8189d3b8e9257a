#pragma once
// The data window's navigation tree: root "お客さま", the customer and year
// folders of the working store, and on demand the months of a year and the
// days of a month from the year's table.
#include <QPointer>
#include <QString>
#include <QStringList>

namespace platform::forms {
class Form;
class Node;
class TreeView;
} // namespace platform::forms

namespace talvik {

class clsTreeNode {
public:
    // Removes every node of tree and builds root, customer and year nodes.
    // Raises when "dDB.tran" cannot be created or read; the wait dialog is
    // unloaded in every case.
    void mkNodeInit(platform::forms::TreeView &tree, platform::forms::Form *owner);
    // Adds the months under a year node or the days under a month node of
    // the member tree; silent on every error.
    void mkNodeDetail(platform::forms::Node *node);

private:
    void addCustomerNodes(const QString &folder);
    QStringList readMonthList(const QString &folder);
    QStringList readDayList(const QString &folder, const QString &mm);
    QStringList readList(const QString &folder, const QString &sql);

    QPointer<platform::forms::TreeView> m_tree;
};

} // namespace talvik
