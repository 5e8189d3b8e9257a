#include "platform/forms/treeview.h"

#include "platform/forms/collectionerrors.h"
#include "platform/forms/view_accessible.h"
#include "platform/runtime/runtime_error.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTreeWidget>
#include <algorithm>

namespace platform::forms {

namespace {

bool textLess(const Node *a, const Node *b)
{
    return a->Text().compare(b->Text(), Qt::CaseInsensitive) < 0;
}

} // namespace

// The tree's widget: raises the control's mouse-down before Qt handles the
// press, and the node click where the control raises it (a right press on a
// node, a keyboard move of the selection).
class TreeWidget : public detail::AccessibleTreeWidget {
public:
    TreeWidget(TreeView *tree, QWidget *parent) : AccessibleTreeWidget(parent), m_tree(tree) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QPointer<TreeView> tree(m_tree);
        int button = 0;
        switch (event->button()) {
        case Qt::LeftButton: button = 1; break;
        case Qt::RightButton: button = 2; break;
        case Qt::MiddleButton: button = 4; break;
        default: break;
        }
        const Qt::KeyboardModifiers mods = event->modifiers();
        const int shift = (mods & Qt::ShiftModifier ? 1 : 0) | (mods & Qt::ControlModifier ? 2 : 0) |
                          (mods & Qt::AltModifier ? 4 : 0);
        const QPoint at = event->position().toPoint();
        emit m_tree->MouseDown(button, shift, at.x(), at.y());
        if (!tree)
            return;
        QTreeWidget::mousePressEvent(event);
        if (!tree || event->button() != Qt::RightButton)
            return;
        if (Node *node = m_tree->nodeOf(itemAt(at)))
            m_tree->clickNode(node);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        QPointer<TreeView> tree(m_tree);
        QTreeWidgetItem *before = currentItem();
        QTreeWidget::keyPressEvent(event);
        if (!tree)
            return;
        QTreeWidgetItem *after = currentItem();
        if (after && after != before)
            if (Node *node = m_tree->nodeOf(after))
                m_tree->clickNode(node);
    }

private:
    TreeView *m_tree;
};

// ---- Node ----

void Node::setText(const QString &text)
{
    m_text = text;
    if (m_item)
        m_item->setText(0, text);
    m_tree->resort(m_parent);
}

void Node::setImage(int image)
{
    m_image = image;
    m_tree->applyIcon(this);
}

void Node::setSelectedImage(int image)
{
    m_selectedImage = image;
    m_tree->applyIcon(this);
}

void Node::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    if (m_item) {
        m_tree->m_syncing = true;
        m_item->setExpanded(expanded);
        m_tree->m_syncing = false;
    }
    if (expanded)
        emit m_tree->Expand(this);
    else
        emit m_tree->Collapse(this);
}

bool Node::Selected() const
{
    return m_tree->m_selected == this;
}

void Node::setSelected(bool selected)
{
    if (selected)
        m_tree->setSelectedItem(this);
    else if (Selected())
        m_tree->setSelectedItem(nullptr);
}

void Node::setSorted(bool sorted)
{
    m_sorted = sorted;
    if (sorted)
        m_tree->resort(this);
}

Node *Node::Next() const
{
    const auto &sib = m_parent ? m_parent->m_children : m_tree->m_roots;
    auto it = std::find(sib.begin(), sib.end(), this);
    return (it != sib.end() && it + 1 != sib.end()) ? *(it + 1) : nullptr;
}

Node *Node::Previous() const
{
    const auto &sib = m_parent ? m_parent->m_children : m_tree->m_roots;
    auto it = std::find(sib.begin(), sib.end(), this);
    return (it != sib.end() && it != sib.begin()) ? *(it - 1) : nullptr;
}

Node *Node::Root() const
{
    const Node *n = this;
    while (n->m_parent)
        n = n->m_parent;
    return const_cast<Node *>(n);
}

QString Node::FullPath() const
{
    return m_parent ? m_parent->FullPath() + m_tree->m_pathSeparator + m_text : m_text;
}

// ---- TreeView ----

TreeView::TreeView(QWidget *parent, const QString &name) : m_name(name)
{
    m_widget = new TreeWidget(this, parent);
    m_widget->setHeaderHidden(true);
    m_widget->setColumnCount(1);
    m_widget->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_widget, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item, int) {
        if (Node *n = nodeOf(item))
            clickNode(n);
    });
    connect(m_widget, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem *item) {
        Node *n = nodeOf(item);
        if (!m_syncing && n && !n->m_expanded) {
            n->m_expanded = true;
            emit Expand(n);
        }
    });
    connect(m_widget, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem *item) {
        Node *n = nodeOf(item);
        if (!m_syncing && n && n->m_expanded) {
            n->m_expanded = false;
            emit Collapse(n);
        }
    });
}

TreeView::~TreeView()
{
    if (m_widget && !m_widget->parent())
        delete m_widget;
}

QTreeWidget *TreeView::widget() const
{
    return m_widget;
}

Node *TreeView::Item(const QString &key) const
{
    Node *n = m_byKey.value(key, nullptr);
    if (!n)
        raiseCollectionError(errElementNotFound, key);
    return n;
}

Node *TreeView::Add(const QString &relative, int relationship, const QString &key, const QString &text,
                    int image, int selectedImage)
{
    if (!key.isEmpty() && m_byKey.contains(key))
        raiseCollectionError(errKeyNotUnique, key);
    Node *rel = nullptr;
    if (!relative.isEmpty()) {
        rel = m_byKey.value(relative, nullptr);
        if (!rel)
            raiseCollectionError(errElementNotFound, relative);
    }
    if (relationship < tvwFirst || relationship > tvwChild)
        throw RuntimeError(errInvalidRelationship, QStringLiteral("関係の指定が正しくありません。"));

    Node *parent = nullptr;
    int position = -1; // -1: at the end
    if (rel) {
        switch (relationship) {
        case tvwChild:
            parent = rel;
            break;
        case tvwFirst:
        case tvwLast:
            parent = rel->m_parent;
            position = relationship == tvwFirst ? 0 : -1;
            break;
        case tvwNext:
        case tvwPrevious: {
            parent = rel->m_parent;
            auto &sib = siblingsOf(parent);
            const int at = int(std::find(sib.begin(), sib.end(), rel) - sib.begin());
            position = relationship == tvwNext ? at + 1 : at;
            break;
        }
        }
    } else if (relationship == tvwFirst) {
        position = 0;
    }

    auto owned = std::make_unique<Node>();
    Node *n = owned.get();
    n->m_tree = this;
    n->m_parent = parent;
    n->m_key = key;
    n->m_text = text;
    n->m_image = image;
    n->m_selectedImage = selectedImage;
    m_storage.push_back(std::move(owned));
    if (!key.isEmpty())
        m_byKey.insert(key, n);

    auto &sib = siblingsOf(parent);
    const bool sorted = parent ? parent->m_sorted : m_sorted;
    if (sorted)
        position = int(std::upper_bound(sib.begin(), sib.end(), n, textLess) - sib.begin());
    if (position < 0 || position > int(sib.size()))
        position = int(sib.size());
    sib.insert(sib.begin() + position, n);
    placeItem(n, position);
    return n;
}

void TreeView::placeItem(Node *node, int position)
{
    auto *item = new QTreeWidgetItem(QStringList{node->m_text});
    node->m_item = item;
    m_byItem.insert(item, node);
    if (node->m_parent && node->m_parent->m_item)
        node->m_parent->m_item->insertChild(position, item);
    else
        m_widget->insertTopLevelItem(position, item);
    applyIcon(node);
}

void TreeView::resort(Node *parent)
{
    const bool sorted = parent ? parent->m_sorted : m_sorted;
    if (!sorted)
        return;
    auto &sib = siblingsOf(parent);
    if (std::is_sorted(sib.begin(), sib.end(), textLess))
        return;
    std::stable_sort(sib.begin(), sib.end(), textLess);
    m_syncing = true;
    for (int i = 0; i < int(sib.size()); ++i) {
        QTreeWidgetItem *item = sib[i]->m_item;
        QTreeWidgetItem *p = item->parent();
        const bool expanded = item->isExpanded();
        if (p) {
            p->removeChild(item);
            p->insertChild(i, item);
        } else {
            m_widget->takeTopLevelItem(m_widget->indexOfTopLevelItem(item));
            m_widget->insertTopLevelItem(i, item);
        }
        item->setExpanded(expanded);
    }
    m_syncing = false;
}

void TreeView::applyIcon(Node *node)
{
    if (!node->m_item)
        return;
    const int index = node->Selected() && node->m_selectedImage ? node->m_selectedImage : node->m_image;
    node->m_item->setIcon(0, m_images.value(index));
}

void TreeView::setImage(int index, const QIcon &icon)
{
    m_images.insert(index, icon);
    for (const auto &n : m_storage)
        applyIcon(n.get());
}

void TreeView::removeSubtree(Node *node)
{
    for (Node *c : std::vector<Node *>(node->m_children))
        removeSubtree(c);
    if (m_selected == node)
        m_selected = nullptr;
    m_byKey.remove(node->m_key);
    m_byItem.remove(node->m_item);
    auto it = std::find_if(m_storage.begin(), m_storage.end(), [node](const auto &p) { return p.get() == node; });
    if (it != m_storage.end())
        m_storage.erase(it);
}

void TreeView::Remove(const QString &key)
{
    Node *n = Item(key);
    auto &sib = siblingsOf(n->m_parent);
    sib.erase(std::find(sib.begin(), sib.end(), n));
    QTreeWidgetItem *item = n->m_item;
    removeSubtree(n);
    delete item; // deletes the child items too
}

void TreeView::Clear()
{
    m_selected = nullptr;
    m_byKey.clear();
    m_byItem.clear();
    m_roots.clear();
    m_storage.clear();
    m_syncing = true;
    m_widget->clear();
    m_syncing = false;
}

void TreeView::setSelectedItem(Node *node)
{
    Node *old = m_selected;
    m_selected = node;
    if (old)
        applyIcon(old);
    if (node) {
        applyIcon(node);
        m_widget->setCurrentItem(node->m_item);
    } else {
        m_widget->clearSelection();
    }
}

void TreeView::setSorted(bool sorted)
{
    m_sorted = sorted;
    resort(nullptr);
}

void TreeView::clickNode(Node *node)
{
    if (!node)
        return;
    if (m_selected != node)
        setSelectedItem(node);
    emit NodeClick(node);
}

} // namespace platform::forms
