// The data window's tree pane: node clicks, expand and collapse, the tree
// popup, the menu states per node level, and the customer management (rename
// in the tree's label edit, delete of a customer or a year).
#include "talvik/dataview/frmData.h"

#include "platform/forms/doevents.h"
#include "platform/forms/msgbox.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell.h"
#include "talvik/core/basComFunction.h"
#include "talvik/store/clsDataD.h"
#include "talvik/store/clsTreeNode.h"
#include "talvik/store/customerName.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QTreeWidget>

#include <exception>
#include <functional>

namespace talvik {

using namespace platform::forms;

namespace {

const QString kSeparator = QStringLiteral("-");

// The message of a refused customer name.
QString refusedNameMessage()
{
    return QStringLiteral("お客さま名として、\\　/　,　;　:　*　?　") + QChar(u'"') +
           QStringLiteral("　<　>　| は使用できません。");
}

void ignoreErrors(const std::function<void()> &body)
{
    try {
        body();
    } catch (const std::exception &) {
    }
}

// The item of a menu array with this caption, or nullptr.
Menu *itemByCaption(ControlArray<Menu> &menu, const QString &caption)
{
    for (int i : menu.indexes())
        if (menu(i).Caption() == caption)
            return &menu(i);
    return nullptr;
}

} // namespace

// ---- Tree events ----------------------------------------------------------

void frmData::treData_NodeClick(Node *Node)
{
    if (!Node)
        return;
    if (Node->Key() != currentKey)
        showNodeData(Node);
    setMenusByLevel();
    if (lastMouseButton == 2)
        PopupMenu(mnuPopRoot);
}

void frmData::showNodeData(Node *node)
{
    QTreeWidget *tree = m_treData.widget();
    tree->setCursor(Qt::WaitCursor);
    DoEvents();
    currentKey = node->Key();
    TreeNode().mkNodeDetail(node);
    try {
        if (demandData)
            demandData->setDispData(m_mfgData, currentNodePath(), threshold());
    } catch (const std::exception &) {
    }
    redrawGraph();
    tree->unsetCursor();
}

void frmData::selectNode(const QString &key)
{
    if (key.isEmpty() || !m_treData.Exists(key)) {
        // Nothing to select: no node, and a view that shows no node's rows.
        afterTreeRebuilt();
        ignoreErrors([this] {
            if (demandData)
                demandData->setDispData(m_mfgData, currentNodePath(), threshold());
        });
        redrawGraph();
        return;
    }
    Node *node = m_treData.Item(key);
    for (Node *p = node->Parent(); p; p = p->Parent())
        p->setExpanded(true);
    node->setSelected(true);
    showNodeData(node);
    setMenusByLevel();
}

void frmData::newCustomerCommand()
{
    const unsigned rebuilds = m_treeRebuilds;
    dialogs().newCustom(this);
    // Only a created customer rebuilt the tree; a cancelled dialog leaves the
    // node, its table and its menus as they were.
    if (m_treeRebuilds != rebuilds)
        afterTreeRebuilt();
}

void frmData::treData_MouseDown(int Button, int Shift, double x, double y)
{
    (void)Shift;
    (void)x;
    (void)y;
    lastMouseButton = Button;
}

void frmData::treData_Expand(Node *Node)
{
    if (!Node || getTreeKeyCaption(Node->Key()).isEmpty())
        return;
    if (getTreeKeyLevel(Node->Key()) <= 3) {
        Node->setImage(2);
        Node->setSelectedImage(2);
    }
}

void frmData::treData_Collapse(Node *Node)
{
    if (!Node || getTreeKeyCaption(Node->Key()).isEmpty())
        return;
    if (getTreeKeyLevel(Node->Key()) <= 3) {
        Node->setImage(1);
        Node->setSelectedImage(1);
    }
}

// ---- Menu states ----------------------------------------------------------

void frmData::syncToolbarButton(bool visible, Menu &menu)
{
    const QString key = menu.Name() + u'|' + QString::number(menu.Index());
    for (int i = 1; i <= tlbData.Count(); ++i) {
        if (tlbData.Buttons(i).Key() == key) {
            tlbData.Buttons(i).setVisible(visible);
            return;
        }
    }
}

void frmData::setMenusByLevel()
{
    ignoreErrors([this] { tlbData.setEnabled(false); });
    try {
        switch (getTreeKeyLevel(currentKey)) {
        case 0:
            setRootMenus();
            break;
        case 1:
            setCustomerMenus();
            break;
        case 2:
            setYearMenus();
            break;
        case 3:
            setMonthMenus();
            break;
        case 4:
            setDayMenus();
            break;
        default:
            break;
        }
    } catch (const std::exception &) {
    }
    ignoreErrors([this] { tlbData.setEnabled(true); });
}

void frmData::clearMenus()
{
    for (ControlArray<Menu> *menu : {&mnuFile, &mnuEdit, &mnuTerm, &mnuSet, &mnuPop}) {
        for (int i : menu->indexes())
            ignoreErrors([&] {
                if ((*menu)(i).Caption() != kSeparator)
                    (*menu)(i).setEnabled(false);
            });
    }
    for (ControlArray<Menu> *menu : {&mnuFile, &mnuEdit, &mnuTerm, &mnuSet})
        for (int i : menu->indexes())
            ignoreErrors([&] { syncToolbarButton(false, (*menu)(i)); });
    for (Menu *root : {&mnuPopRoot, &mnuPopGraphRoot, &mnuPopScaleRoot, &mnuEditRoot, &mnuTermRoot, &mnuSetRoot})
        ignoreErrors([root] { root->setVisible(false); });
    ignoreErrors([this] { cmdPreBack.setVisible(false); });
}

void frmData::setInitialMenus()
{
    clearMenus();
    auto enable = [this](ControlArray<Menu> &menu, const QString &caption, bool withButton) {
        ignoreErrors([&] {
            Menu *item = itemByCaption(menu, caption);
            if (!item)
                return;
            item->setEnabled(true);
            if (withButton)
                syncToolbarButton(true, *item);
        });
    };
    enable(mnuFile, QStringLiteral("開く"), true);
    enable(mnuFile, QStringLiteral("保存"), true);
    enable(mnuFile, QStringLiteral("ﾌｧｲﾙ読込"), true);
    enable(mnuFile, QStringLiteral("閉じる"), true);
    enable(mnuEdit, QStringLiteral("お客さま名の新規作成"), true);
    enable(mnuTerm, QStringLiteral("情報ﾃﾞｰﾀの読み出し"), true);
    enable(mnuSet, QStringLiteral("時刻設定"), true);
    enable(mnuSet, QStringLiteral("ｼﾘｱﾙ通信設定"), true);
    enable(mnuSet, QStringLiteral("ｸﾞﾗﾌ設定"), true);
    enable(mnuPop, QStringLiteral("お客さま名の新規作成"), false);
    enable(mnuPop, QStringLiteral("情報ﾃﾞｰﾀの読み出し"), false);
    for (Menu *root : {&mnuEditRoot, &mnuTermRoot, &mnuSetRoot})
        ignoreErrors([root] { root->setVisible(true); });
    ignoreErrors([this] {
        optDispStyle(0).setVisible(true);
        optDispStyle(1).setVisible(true);
    });
    ignoreErrors([this] { zonumDemand.setEnabled(true); });
}

// The level states stop at their first error (setMenusByLevel goes on).
namespace {
void enableStrict(frmData &w, ControlArray<Menu> &menu, const QString &caption, bool withButton)
{
    Menu *item = itemByCaption(menu, caption);
    if (!item)
        platform::raise(platform::err::ControlArrayElementMissing, QStringLiteral("メニュー項目 '%1' がありません。").arg(caption));
    item->setEnabled(true);
    if (withButton)
        w.syncToolbarButton(true, *item);
}
} // namespace

void frmData::setCustomerMenus()
{
    setRootMenus();
    enableStrict(*this, mnuEdit, QStringLiteral("お客さま名の変更"), true);
    enableStrict(*this, mnuEdit, QStringLiteral("削除"), true);
    enableStrict(*this, mnuPop, QStringLiteral("お客さま名の変更"), false);
    enableStrict(*this, mnuPop, QStringLiteral("削除"), false);
}

void frmData::setDayMenus()
{
    setRootMenus();
    enableStrict(*this, mnuFile, QStringLiteral("印刷"), true);
    enableStrict(*this, mnuFile, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ"), true);
    enableStrict(*this, mnuFile, QStringLiteral("ﾌｧｲﾙ出力"), true);
    enableStrict(*this, mnuPop, QStringLiteral("ﾌｧｲﾙ出力"), false);
}

void frmData::setMonthMenus()
{
    setDayMenus();
}

void frmData::setYearMenus()
{
    setMonthMenus();
    enableStrict(*this, mnuEdit, QStringLiteral("削除"), true);
    enableStrict(*this, mnuPop, QStringLiteral("削除"), false);
}

void frmData::setPreviewMenus()
{
    clearMenus();
    ignoreErrors([this] {
        if (Menu *item = itemByCaption(mnuFile, QStringLiteral("印刷ﾌﾟﾚﾋﾞｭｰ")))
            item->setEnabled(true);
    });
    ignoreErrors([this] { mnuFileRoot.setVisible(true); });
    ignoreErrors([this] {
        optDispStyle(0).setVisible(false);
        optDispStyle(1).setVisible(false);
    });
    ignoreErrors([this] { zonumDemand.setEnabled(false); });
    ignoreErrors([this] { cmdPreBack.setVisible(true); });
}

// ---- Rename ---------------------------------------------------------------

void frmData::StartLabelEdit()
{
    // Only a customer node can be renamed: the edit acts on that node.
    platform::forms::Node *node = m_treData.SelectedItem();
    if (!node && !currentKey.isEmpty() && m_treData.Exists(currentKey))
        node = m_treData.Item(currentKey);
    if (!node || getTreeKeyLevel(node->Key()) != 1 || !node->item())
        return;
    m_labelEditKey = node->Key();
    m_labelEditOldText = node->Text();
    QTreeWidgetItem *item = node->item();
    // The flag change itself is reported as a change of the item: set it
    // before the edit counts as started.
    m_labelEditing = false;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_labelEditing = true;
    QTreeWidget *tree = m_treData.widget();
    // An edit closed without a change still ends the edit; Escape abandons it.
    QObject::disconnect(tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, nullptr);
    connect(tree->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget *, QAbstractItemDelegate::EndEditHint hint) {
                if (!m_labelEditing)
                    return;
                if (hint == QAbstractItemDelegate::RevertModelCache) {
                    m_labelEditing = false;
                    m_labelEditKey.clear();
                    return;
                }
                labelEdited(m_labelEditOldText);
            });
    // The editor opens on a shown tree; code may also set the text.
    if (tree->isVisible())
        tree->editItem(item, 0);
}

void frmData::labelEdited(const QString &newText)
{
    const QString key = m_labelEditKey;
    const QString oldText = m_labelEditOldText;
    m_labelEditing = false;
    if (m_treData.Exists(key)) {
        if (QTreeWidgetItem *item = m_treData.Item(key)->item())
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    }
    // The editor of the name has the focus; it goes with the tree rebuilt
    // after the rename, and Qt hands its focus on to the next control.
    QTreeWidget *tree = m_treData.widget();
    QWidget *focus = QApplication::focusWidget();
    const bool editorHadFocus = focus && focus != tree && tree->isAncestorOf(focus);
    int cancel = 0;
    treData_AfterLabelEdit(cancel, newText);
    m_labelEditKey.clear();
    // A cancelled edit restores the label of the node, if it is still there.
    if (cancel && m_treData.Exists(key))
        m_treData.Item(key)->setText(oldText);
    // The rename is over: the tree keeps the focus, as after any edit of a
    // node's label.
    if (editorHadFocus && tree->isVisible() && tree->isEnabled() && tree->window()->focusWidget() != tree)
        tree->setFocus(Qt::OtherFocusReason);
}

void frmData::refuseCustomerName(const QString &name, const QString &reason)
{
    // The one text for every refused name; the reason is not shown.
    (void)name;
    (void)reason;
    MsgBox(refusedNameMessage(), vbOKOnly, appTitle);
}

void frmData::treData_AfterLabelEdit(int &Cancel, const QString &newString)
{
    // The node being edited; only customer nodes are renamed.
    const QString key = m_labelEditKey.isEmpty() ? currentKey : m_labelEditKey;
    // The edit is over: later changes of the tree are no label edits.
    m_labelEditing = false;
    m_labelEditKey.clear();
    if (getTreeKeyLevel(key) != 1) {
        Cancel = 1;
        return;
    }
    const QString caption = getTreeKeyCaption(key);
    const QString program = platform::shell::programFolder();
    QString reason = validateCustomerName(newString);
    if (reason.isEmpty() && newString == caption)
        reason = QStringLiteral("お客さま名が変更されていません。");
    const QString target = program + QStringLiteral("\\dDB.tran\\") + newString;
    if (reason.isEmpty() && platform::shell::FolderExists(target))
        reason = QStringLiteral("お客さま名「%1」は既にあります。").arg(newString);
    if (!reason.isEmpty()) {
        refuseCustomerName(newString, reason);
        Cancel = 1;
        // Like every failed rename: the tree shows the store as it is.
        ignoreErrors([this] { TreeNode().mkNodeInit(m_treData, this); });
        afterTreeRebuilt();
        return;
    }
    try {
        platform::shell::MoveFolder(program + key, target);
        addLog(QStringLiteral("お客さま名の変更　　　　「") + caption + QStringLiteral("」　-->　「") + newString +
               QStringLiteral("」"));
        TreeNode().mkNodeInit(m_treData, this);
        afterTreeRebuilt();
        tlbData.Refresh();
        m_dataChanged = true;
    } catch (const platform::RuntimeError &e) {
        refuseCustomerName(newString, e.Description());
        Cancel = 1;
        // What was done stays done; the tree shows the store as it is now.
        ignoreErrors([this] { TreeNode().mkNodeInit(m_treData, this); });
        afterTreeRebuilt();
    }
}

// ---- Delete ---------------------------------------------------------------

void frmData::deleteNodeData()
{
    m_dataChanged = true;
    QString logText;
    try {
        const int level = getTreeKeyLevel(currentKey);
        if (level != 1 && level != 2)
            return;
        const QString caption = getTreeKeyCaption(currentKey);
        QString question;
        if (level == 1) {
            question = QStringLiteral("「") + caption + QStringLiteral("」") + QStringLiteral("を削除します。よろしいですか？");
            logText = QStringLiteral("お客さまの削除　　　　　「") + caption + QStringLiteral("」");
        } else {
            question = QStringLiteral("「") + caption + QStringLiteral("」") +
                       QStringLiteral("のデータ削除します。よろしいですか？");
            logText = QStringLiteral("年間データの削除　　　「") + caption + QStringLiteral("」");
        }
        if (MsgBox(question, vbOKCancel + vbExclamation, appTitle) != vbOK)
            return;
        platform::shell::DeleteFolder(currentNodePath(), false);
        TreeNode().mkNodeInit(m_treData, this);
        afterTreeRebuilt();
        if (demandData)
            demandData->setDispData(m_mfgData, currentNodePath(), threshold());
        redrawGraph();
        addLog(logText);
    } catch (const platform::RuntimeError &e) {
        MsgBox(e.Description(), vbOKOnly, appTitle);
        // A partly done delete: the tree shows what is left.
        ignoreErrors([this] { TreeNode().mkNodeInit(m_treData, this); });
        afterTreeRebuilt();
    }
}

} // namespace talvik
