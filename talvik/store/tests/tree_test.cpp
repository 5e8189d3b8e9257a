#include "storeFixture.h"

#include "talvik/store/clsTreeNode.h"

#include <QDir>

using namespace storetest;
using platform::forms::Node;

namespace {

class CustomerTree : public StoreTest {
protected:
    void mkdir(const QString &relative) { ASSERT_TRUE(QDir().mkpath(home() + u'/' + relative)); }
    QStringList childTexts(Node *n)
    {
        QStringList out;
        for (Node *c : n->childNodes())
            out << c->Text();
        return out;
    }
};

} // namespace

TEST_F(CustomerTree, FolderLevelsKeysCaptionsAndImages)
{
    mkdir(QStringLiteral("dDB.tran/Kita/2013年"));
    mkdir(QStringLiteral("dDB.tran/Kita/2014年"));
    mkdir(QStringLiteral("dDB.tran/beta"));
    mkdir(QStringLiteral("dDB.tran/Alpha/misc"));
    mkdir(QStringLiteral("dDB.tran/bad:name"));
    mkdir(QStringLiteral("dDB.tran/back\\slash"));
    mkdir(QStringLiteral("dDB.tran/Kita/x:y"));
    writeFile(QStringLiteral("dDB.tran\\download.log"), "log\r\n");
    auto &tree = window.view;
    window.tree.mkNodeInit(tree, nullptr);

    Node *root = tree.Item(QStringLiteral("\\dDB.tran"));
    EXPECT_EQ(root->Text(), QStringLiteral("お客さま"));
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(root->Image(), 1);
    EXPECT_EQ(childTexts(root), QStringList({"Alpha", "beta", "Kita"}));
    Node *kita = tree.Item(QStringLiteral("\\dDB.tran\\Kita"));
    EXPECT_EQ(childTexts(kita), QStringList({"2013年", "2014年"}));
    EXPECT_EQ(tree.Item(QStringLiteral("\\dDB.tran\\Alpha\\misc"))->Text(), QStringLiteral("misc"));
    EXPECT_EQ(tree.Count(), 1 + 3 + 3);
    EXPECT_EQ(wait.shows, 1);
    EXPECT_EQ(wait.unloads, 1);
    EXPECT_EQ(wait.infos1.value(0), home() + QStringLiteral("/dDB.tran"));

}

TEST_F(CustomerTree, MonthsAndDaysLoadOnClickOnce)
{
    writeFile(QStringLiteral("dDB.tran\\Kita\\2013年\\schema.ini"), expectedSchema4());
    writeFile(QStringLiteral("dDB.tran\\Kita\\2013年\\demand.csv"),
              "13072510000123201307251035\r\n"
              "13110200000123201311020030\r\n"
              "13070110000123201307011035\r\n");
    mkdir(QStringLiteral("dDB.tran/Kita/2014年")); // no table
    auto &tree = window.view;
    window.tree.mkNodeInit(tree, nullptr);
    Node *year = tree.Item(QStringLiteral("\\dDB.tran\\Kita\\2013年"));
    window.tree.mkNodeDetail(year);
    window.tree.mkNodeDetail(year);
    EXPECT_EQ(childTexts(year), QStringList({"07月", "11月"}));
    Node *july = tree.Item(QStringLiteral("\\dDB.tran\\Kita\\2013年::1307"));
    EXPECT_EQ(july->Image(), 1);
    window.tree.mkNodeDetail(july);
    EXPECT_EQ(childTexts(july), QStringList({"01日", "25日"}));
    Node *day = tree.Item(QStringLiteral("\\dDB.tran\\Kita\\2013年::130725"));
    EXPECT_EQ(day->Image(), 3);
    EXPECT_EQ(day->SelectedImage(), 3);
    window.tree.mkNodeDetail(day); // nothing under a day
    EXPECT_EQ(day->Children(), 0);
    Node *empty = tree.Item(QStringLiteral("\\dDB.tran\\Kita\\2014年"));
    window.tree.mkNodeDetail(empty);
    EXPECT_EQ(empty->Children(), 0);
    // A rebuild drops months and days.
    window.tree.mkNodeInit(tree, nullptr);
    EXPECT_FALSE(tree.Exists(QStringLiteral("\\dDB.tran\\Kita\\2013年::1307")));
}

TEST_F(CustomerTree, MissingStoreIsCreatedAndAFailureStillUnloadsTheWaitDialog)
{
    auto &tree = window.view;
    window.tree.mkNodeInit(tree, nullptr);
    EXPECT_TRUE(exists(QStringLiteral("dDB.tran")));
    EXPECT_EQ(tree.Count(), 1);

    ASSERT_TRUE(QDir(home()).rmdir(QStringLiteral("dDB.tran")));
    writeFile(QStringLiteral("dDB.tran"), "not a folder"); // the folder cannot be made
    wait.visible = true;                                    // shown by a transfer before
    EXPECT_ANY_THROW(window.tree.mkNodeInit(tree, nullptr));
    EXPECT_FALSE(wait.visible);
    EXPECT_EQ(wait.unloads, 2);
}
