// The design harness: the real control libraries registered into a
// temporary registry, a control hosted in design mode, its design saved
// durably, loaded back and saved again.
#include "tools/designer/BagJson.h"
#include "tools/designer/DesignerSession.h"

#include "platform/com/objectbase.h"
#include "platform/fileio/durable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using designer::DesignerSession;
namespace com = platform::com;
namespace fileio = platform::fileio;

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QJsonObject entryOf(const QJsonArray &bag, const QString &name)
{
    for (const QJsonValue &v : bag)
        if (v.toObject().value("name").toString() == name)
            return v.toObject();
    return {};
}

class DesignerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        QString error;
        ASSERT_TRUE(DesignerSession::registerLibraries(QStringLiteral(LIBRARY_FOLDER), &error))
            << error.toStdString();
        m_form = std::make_unique<QWidget>();
        m_form->resize(400, 300);
        m_form->show();
    }
    void TearDown() override
    {
        m_form.reset();
        qunsetenv("TALVIK_REGISTRY");
    }
    QString path(const char *name) const { return m_dir.path() + QLatin1Char('/') + QLatin1String(name); }

    static com::Variant get(DesignerSession &s, const char *name)
    {
        com::ComPtr<com::IDispatch> d;
        EXPECT_EQ(s.host()->queryControl(com::IID_IDispatch, d.putVoid()), com::S_OK);
        com::Variant result;
        EXPECT_EQ(com::invokeByName(d.get(), QString::fromLatin1(name), com::DISPATCH_PROPERTYGET, {}, &result),
                  com::S_OK);
        return result;
    }
    static void put(DesignerSession &s, const char *name, com::Variant value)
    {
        com::ComPtr<com::IDispatch> d;
        ASSERT_EQ(s.host()->queryControl(com::IID_IDispatch, d.putVoid()), com::S_OK);
        std::vector<com::Variant> args;
        args.push_back(std::move(value));
        ASSERT_EQ(com::invokeByName(d.get(), QString::fromLatin1(name), com::DISPATCH_PROPERTYPUT, std::move(args),
                                    nullptr),
                  com::S_OK);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QWidget> m_form;
};

TEST_F(DesignerTest, AContainerDesignIsSavedLoadedAndSavedAgainUnchanged)
{
    DesignerSession first(m_form.get());
    ASSERT_EQ(first.create(designer::kContainerProgId, nullptr, QSize(150, 90)), com::S_OK);
    EXPECT_FALSE(first.host()->userMode()) << "hosted in design mode";
    put(first, "ApplyEffect", com::Variant::i2(2));
    QString error;
    ASSERT_TRUE(first.save(path("a.json"), &error)) << error.toStdString();

    const QJsonObject root = QJsonDocument::fromJson(readAll(path("a.json"))).object();
    EXPECT_EQ(root.value("control").toString(), QLatin1String(designer::kContainerProgId));
    const QJsonObject applyEffect = entryOf(root.value("bag").toArray(), "ApplyEffect");
    EXPECT_EQ(applyEffect.value("value").toInt(), 2);

    DesignerSession second(m_form.get());
    ASSERT_TRUE(second.load(path("a.json"), &error)) << error.toStdString();
    EXPECT_EQ(second.progId(), QLatin1String(designer::kContainerProgId));
    EXPECT_EQ(second.host()->size(), first.host()->size()) << "the saved extent sizes the control";
    com::Variant loaded = get(second, "ApplyEffect");
    com::Variant asInt;
    ASSERT_EQ(com::VariantChangeType(&asInt, &loaded, 0, com::VT_I4), com::S_OK);
    EXPECT_EQ(asInt.lVal, 2);
    ASSERT_TRUE(second.save(path("b.json"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(path("a.json")), readAll(path("b.json")));
}

TEST_F(DesignerTest, AComboDesignKeepsItsNestedObjectsThroughTheFile)
{
    DesignerSession first(m_form.get());
    ASSERT_EQ(first.create(designer::kComboProgId), com::S_OK);
    QString error;
    ASSERT_TRUE(first.save(path("combo.json"), &error)) << error.toStdString();
    const QJsonArray bag = QJsonDocument::fromJson(readAll(path("combo.json"))).object().value("bag").toArray();
    int objects = 0;
    for (const QJsonValue &v : bag)
        if (v.toObject().contains("clsid"))
            ++objects;
    EXPECT_GE(objects, 1) << "the combo's sub-objects are nested";

    DesignerSession second(m_form.get());
    ASSERT_TRUE(second.load(path("combo.json"), &error)) << error.toStdString();
    ASSERT_TRUE(second.save(path("combo2.json"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(path("combo.json")), readAll(path("combo2.json")));
}

TEST_F(DesignerTest, AFailedWriteLeavesTheOldFileAndSaysWhy)
{
    DesignerSession s(m_form.get());
    ASSERT_EQ(s.create(designer::kContainerProgId), com::S_OK);
    QString error;
    ASSERT_TRUE(s.save(path("keep.json"), &error));
    const QByteArray before = readAll(path("keep.json"));
    put(s, "ApplyEffect", com::Variant::i2(1));
    {
        fileio::faults::ScopedFaultHook hook([](fileio::faults::Step step, const QString &, qint64) {
            return step == fileio::faults::Step::Rename ? 28 /* ENOSPC */ : 0;
        });
        EXPECT_FALSE(s.save(path("keep.json"), &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readAll(path("keep.json")), before);
}

TEST_F(DesignerTest, AFileThatIsNoDesignChangesNothing)
{
    DesignerSession s(m_form.get());
    ASSERT_EQ(s.create(designer::kContainerProgId), com::S_OK);
    auto *host = s.host();
    QString error;
    fileio::writeFile(path("bad.json"), "{\"control\": \"Ryx.Container3D7\", \"bag\": [{\"name\": \"X\", \"vt\": 3, \"value\": \"no\"}]}");
    EXPECT_FALSE(s.load(path("bad.json"), &error));
    EXPECT_FALSE(error.isEmpty());
    fileio::writeFile(path("junk.json"), "not json");
    EXPECT_FALSE(s.load(path("junk.json"), &error));
    EXPECT_FALSE(s.load(path("missing.json"), &error));
    EXPECT_EQ(s.host(), host) << "the control stays";
}

TEST(BagJson, ValuesAndNestedBagsRoundTripInOrder)
{
    com::ComPtr<com::PropertyBag> bag(new com::PropertyBag);
    bag->setValue("b", com::Variant::boolean(true));
    bag->setValue("a", com::Variant::i2(-7));
    bag->setValue("s", com::Variant::str(QStringLiteral("テキスト")));
    bag->setValue("n", com::Variant::nullStr());
    bag->setValue("d", com::Variant::r8(1.25));
    const QJsonArray json = designer::bagToJson(*bag);
    com::ComPtr<com::PropertyBag> back(new com::PropertyBag);
    QString error;
    ASSERT_TRUE(designer::jsonToBag(json, back.get(), &error)) << error.toStdString();
    EXPECT_EQ(back->names(), (QStringList{"b", "a", "s", "n", "d"}));
    EXPECT_EQ(back->find("a")->value.vt, com::VT_I2);
    EXPECT_EQ(back->find("a")->value.iVal, -7);
    EXPECT_EQ(com::bstrToQString(back->find("s")->value.bstrVal), QStringLiteral("テキスト"));
    EXPECT_EQ(back->find("n")->value.bstrVal, nullptr) << "a null string stays null";
    EXPECT_EQ(designer::bagToJson(*back), json);
}

} // namespace
