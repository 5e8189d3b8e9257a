#pragma once
// Tree-view control: nodes by key with a relationship to a relative node,
// text, image indexes of the control's image list, Expanded, Selected and
// Sorted (children kept in text order), shown in a QTreeWidget.
//
// Errors follow the control: an unknown key raises 35601, a duplicate key
// 35602, an invalid relationship or relative 35603 (platform::RuntimeError).
#include <QHash>
#include <QIcon>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace platform::forms {

enum TreeRelationshipConstants { tvwFirst = 0, tvwLast = 1, tvwNext = 2, tvwPrevious = 3, tvwChild = 4 };

constexpr int errElementNotFound = 35601;
constexpr int errKeyNotUnique = 35602;
constexpr int errInvalidRelationship = 35603;

class TreeView;

class Node {
public:
    const QString &Key() const { return m_key; }
    QString Text() const { return m_text; }
    void setText(const QString &text);
    int Image() const { return m_image; }
    void setImage(int image);
    int SelectedImage() const { return m_selectedImage; }
    void setSelectedImage(int image);
    bool Expanded() const { return m_expanded; }
    // Expanding raises the tree's Expand event, collapsing its Collapse event.
    void setExpanded(bool expanded);
    bool Selected() const;
    void setSelected(bool selected);
    bool Sorted() const { return m_sorted; }
    // True: the children are put in text order now and kept in it.
    void setSorted(bool sorted);

    Node *Parent() const { return m_parent; }
    const std::vector<Node *> &childNodes() const { return m_children; }
    int Children() const { return int(m_children.size()); }
    Node *Child() const { return m_children.empty() ? nullptr : m_children.front(); }
    Node *Next() const;
    Node *Previous() const;
    Node *Root() const;
    // Texts from the root, joined by the tree's PathSeparator.
    QString FullPath() const;
    TreeView *tree() const { return m_tree; }
    QTreeWidgetItem *item() const { return m_item; }

private:
    friend class TreeView;
    TreeView *m_tree = nullptr;
    Node *m_parent = nullptr;
    std::vector<Node *> m_children;
    QTreeWidgetItem *m_item = nullptr;
    QString m_key;
    QString m_text;
    int m_image = 0;
    int m_selectedImage = 0;
    bool m_expanded = false;
    bool m_sorted = false;
};

class TreeView : public QObject {
    Q_OBJECT
public:
    explicit TreeView(QWidget *parent = nullptr, const QString &name = QStringLiteral("TreeView"));
    ~TreeView() override;

    QString Name() const { return m_name; }
    QTreeWidget *widget() const;

    // Nodes collection.
    Node *Add(const QString &relative, int relationship, const QString &key, const QString &text,
              int image = 0, int selectedImage = 0);
    Node *Add(const QString &key, const QString &text, int image = 0, int selectedImage = 0)
    {
        return Add(QString(), tvwLast, key, text, image, selectedImage);
    }
    void Remove(const QString &key);
    void Clear();
    Node *Item(const QString &key) const; // raises 35601
    bool Exists(const QString &key) const { return m_byKey.contains(key); }
    int Count() const { return int(m_byKey.size()); }
    const std::vector<Node *> &roots() const { return m_roots; }

    Node *SelectedItem() const { return m_selected; }
    void setSelectedItem(Node *node);
    bool Sorted() const { return m_sorted; }
    void setSorted(bool sorted);
    QString PathSeparator() const { return m_pathSeparator; }
    void setPathSeparator(const QString &sep) { m_pathSeparator = sep; }

    // The image list: index (from 1) to picture.
    void setImage(int index, const QIcon &icon);

    // What a click of the user does: selects the node (a node other than the
    // current one only) and raises NodeClick. The widget raises it for a left
    // click, for a right press on a node (after MouseDown, so that the window
    // can open its popup) and for a selection changed with the keyboard.
    void clickNode(Node *node);

signals:
    // A mouse button pressed anywhere on the tree, before the node click:
    // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x, y in
    // pixels of the tree's item area.
    void MouseDown(int button, int shift, double x, double y);
    void NodeClick(platform::forms::Node *node);
    void Expand(platform::forms::Node *node);
    void Collapse(platform::forms::Node *node);

private:
    friend class Node;
    friend class TreeWidget;
    void placeItem(Node *node, int position);
    void resort(Node *parent);
    std::vector<Node *> &siblingsOf(Node *parent) { return parent ? parent->m_children : m_roots; }
    void removeSubtree(Node *node);
    void applyIcon(Node *node);
    Node *nodeOf(QTreeWidgetItem *item) const { return m_byItem.value(item, nullptr); }

    QString m_name;
    QPointer<QTreeWidget> m_widget;
    std::vector<std::unique_ptr<Node>> m_storage;
    QHash<QString, Node *> m_byKey;
    QHash<QTreeWidgetItem *, Node *> m_byItem;
    std::vector<Node *> m_roots;
    Node *m_selected = nullptr;
    bool m_sorted = false;
    bool m_syncing = false;
    QString m_pathSeparator = QStringLiteral("\\");
    QMap<int, QIcon> m_images;
};

} // namespace platform::forms
