// The design harness: the real control libraries registered into a
// temporary registry, a control hosted in design mode, its design saved
// durably, loaded back and saved again.
#include "tools/designer/BagJson.h"
#include "tools/designer/DesignerSession.h"
#include "tools/designer/DesignerWindow.h"
#include "testfiles.h"

#include "Controls/Pickwell/ComboInterfaces.h"
#include "zobase7/include/zobase7_interfaces.h"
#include "platform/com/errorinfo.h"
#include "platform/com/objectbase.h"
#include "platform/fileio/durable.h"
#include "platform/forms/dialogscript.h"
#include "platform/forms/msgbox.h"
#include "platform/forms/uisetup.h"
#include "platform/win/ole/propframe.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using designer::DesignerSession;
namespace com = platform::com;
namespace fileio = platform::fileio;

constexpr auto &readAll = talviktest::readFile;

QJsonObject entryOf(const QJsonArray &bag, const QString &name)
{
    for (const QJsonValue &v : bag)
        if (v.toObject().value("name").toString() == name)
            return v.toObject();
    return {};
}

// Keeps a picture of a window among the test artifacts (for review).
void keepArtifact(QWidget *w, const char *name)
{
    const QString dir = qEnvironmentVariable("TALVIK_TEST_ARTIFACTS");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    w->grab().toImage().save(&buffer, "PNG");
    fileio::writeFile(dir + QLatin1Char('/') + QLatin1String(name), bytes);
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


// ---- refused designs, the round trip, saving at quit, the window

QJsonArray withEntry(QJsonArray bag, const QString &name, const QJsonObject &entry)
{
    for (int i = 0; i < bag.size(); ++i)
        if (bag[i].toObject().value("name").toString() == name) {
            bag[i] = entry;
            return bag;
        }
    bag.append(entry);
    return bag;
}

QByteArray withValue(const QByteArray &design, const QString &name, int vt, const QJsonValue &value)
{
    QJsonObject root = QJsonDocument::fromJson(design).object();
    root["bag"] = withEntry(root.value("bag").toArray(), name, QJsonObject{{"name", name}, {"vt", vt}, {"value", value}});
    return QJsonDocument(root).toJson();
}

// The design with the stream bytes of a collection entry's "Blob" changed.
QByteArray withBlob(const QByteArray &design, const QString &collection,
                    const std::function<void(QByteArray &)> &change)
{
    QJsonObject root = QJsonDocument::fromJson(design).object();
    QJsonObject entry = entryOf(root.value("bag").toArray(), collection);
    QJsonObject blob = entryOf(entry.value("bag").toArray(), "Blob");
    QByteArray bytes = QByteArray::fromBase64(blob.value("stream").toString().toLatin1());
    change(bytes);
    blob["stream"] = QString::fromLatin1(bytes.toBase64());
    entry["bag"] = withEntry(entry.value("bag").toArray(), "Blob", blob);
    root["bag"] = withEntry(root.value("bag").toArray(), collection, entry);
    return QJsonDocument(root).toJson();
}

// The design with a value of a nested object's bag changed.
QByteArray withNestedValue(const QByteArray &design, const QString &object, const QString &name, int value)
{
    QJsonObject root = QJsonDocument::fromJson(design).object();
    QJsonObject entry = entryOf(root.value("bag").toArray(), object);
    entry["bag"] = withEntry(entry.value("bag").toArray(), name, QJsonObject{{"name", name}, {"vt", 3}, {"value", value}});
    root["bag"] = withEntry(root.value("bag").toArray(), object, entry);
    return QJsonDocument(root).toJson();
}

QByteArray withNestedText(const QByteArray &design, const QString &object, const QString &name, const QString &text)
{
    QJsonObject root = QJsonDocument::fromJson(design).object();
    QJsonObject entry = entryOf(root.value("bag").toArray(), object);
    entry["bag"] = withEntry(entry.value("bag").toArray(), name, QJsonObject{{"name", name}, {"vt", 8}, {"value", text}});
    root["bag"] = withEntry(root.value("bag").toArray(), object, entry);
    return QJsonDocument(root).toJson();
}

void putI16(QByteArray &b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

int32_t intOf(const com::Variant &v)
{
    com::Variant i4;
    return com::VariantChangeType(&i4, &v, 0, com::VT_I4) == com::S_OK ? i4.lVal : -99999;
}

TEST_F(DesignerTest, ADamagedDesignIsRefusedNamingTheFilePropertyAndValueAndChangesNothing)
{
    DesignerSession s(m_form.get());
    ASSERT_EQ(s.create(designer::kContainerProgId), com::S_OK);
    put(s, "ApplyEffect", com::Variant::i2(2));
    QString error;
    ASSERT_TRUE(s.save(path("good.json"), &error)) << error.toStdString();
    const QByteArray good = readAll(path("good.json"));

    DesignerSession combo(m_form.get());
    ASSERT_EQ(combo.create(designer::kComboProgId), com::S_OK);
    com::ComPtr<pickwell::ICombo> c;
    ASSERT_EQ(combo.host()->queryControl(pickwell::IID_ICombo, c.putVoid()), com::S_OK);
    com::ComPtr<pickwell::IComboItemCollection> items;
    c->get_Items(items.put());
    for (int indent : {0, 0x1234}) {
        com::ComPtr<pickwell::IComboItem> item;
        ASSERT_EQ(com::CoCreateInstance(pickwell::CLSID_ComboItem, nullptr, pickwell::IID_IComboItem, item.putVoid()),
                  com::S_OK);
        item->put_Indent(int16_t(indent));
        items->Add(item.get());
    }
    ASSERT_TRUE(combo.save(path("combo.json"), &error)) << error.toStdString();
    const QByteArray comboGood = readAll(path("combo.json"));
    ASSERT_TRUE(comboGood.contains("Items"));

    const QString file = QDir::toNativeSeparators(path("bad.json"));
    const struct {
        const char *what;
        bool container;
        QByteArray design;
        QString refusal;
    } cases[] = {
        {"ApplyEffect as a text", true, withValue(good, "ApplyEffect", 8, "abc"),
         "プロパティ ApplyEffect の値 \"abc\" は読み込めません。"},
        {"BevelOuter 500", true,
         withBlob(good, "Effects", [](QByteArray &b) { putI16(b, 4 + 2 + 4 + 4 + 14, 500); }),
         "プロパティ Effects.Item(1).BevelOuter の値 500 は読み込めません。"},
        {"Effects Count -1", true, withBlob(good, "Effects", [](QByteArray &b) { b.replace(0, 4, QByteArray(4, char(0xFF))); }),
         "プロパティ Effects.Count の値 -1 は読み込めません。"},
        {"an item with Indent -3", false,
         withBlob(comboGood, "Items", [](QByteArray &b) { b.replace(QByteArray("\x34\x12", 2), QByteArray("\xFD\xFF", 2)); }),
         "プロパティ Items.Item(2).Indent の値 -3 は読み込めません。"},
        {"Spin.Visible 9", false, withNestedValue(comboGood, "Spin", "Visible", 9),
         "プロパティ Spin.Visible の値 9 は読み込めません。"},
        {"Caption.Position as a text", false, withNestedText(comboGood, "Caption", "Position", "left"),
         "プロパティ Caption.Position の値 \"left\" は読み込めません。"},
        {"PromptChar 漢", false, withValue(comboGood, "PromptChar", 8, QStringLiteral("漢")),
         "プロパティ PromptChar の値 \"漢\" は読み込めません。"},
    };
    for (const auto &k : cases) {
        SCOPED_TRACE(k.what);
        DesignerSession &target = k.container ? s : combo;
        fileio::writeFile(path("bad.json"), k.design);
        auto *host = target.host();
        EXPECT_FALSE(target.load(path("bad.json"), &error));
        const QString progId = k.container ? designer::kContainerProgId : designer::kComboProgId;
        EXPECT_EQ(error, QStringLiteral("%1: %2 を作成できません。%3").arg(file, progId, k.refusal));
        EXPECT_EQ(readAll(path("bad.json")), k.design) << "the file is not touched";
        EXPECT_EQ(target.host(), host) << "the control stays";
    }
    // The controls kept their designs.
    EXPECT_EQ(intOf(get(s, "ApplyEffect")), 2);
    ASSERT_TRUE(s.save(path("again.json"), &error));
    EXPECT_EQ(readAll(path("again.json")), good);
    ASSERT_TRUE(combo.save(path("combo-again.json"), &error));
    EXPECT_EQ(readAll(path("combo-again.json")), comboGood) << "the two items are still there";
}

// ---- every enumerated property: the load takes what the put takes

// A design entry's VARIANT type, so that a changed value keeps its form.
int vtOf(const QByteArray &design, const QString &name)
{
    return entryOf(QJsonDocument::fromJson(design).object().value("bag").toArray(), name).value("vt").toInt();
}

com::HRESULT tryPut(DesignerSession &s, const QString &name, int32_t value)
{
    com::ComPtr<com::IDispatch> d;
    if (s.host()->queryControl(com::IID_IDispatch, d.putVoid()) != com::S_OK)
        return com::E_FAIL;
    std::vector<com::Variant> args;
    args.push_back(com::Variant::i4(value));
    return com::invokeByName(d.get(), name, com::DISPATCH_PROPERTYPUT, std::move(args), nullptr);
}

// An enumerated property: its name in the design and in the interface, and
// the values of its enumeration (lo..hi, and a custom value where it has one).
struct EnumProperty {
    const char *stored;
    const char *member;
    int32_t lo, hi;
    int32_t custom = -1;
};

// Every enumerated property of the control is loaded with values just inside
// and just outside its enumeration. The load refuses exactly what the put
// refuses, naming the file, the property and the value, and a value it takes
// reads back as loaded.
void checkEnumeratedLoads(DesignerSession &s, const QString &progId, const QByteArray &good,
                          const std::vector<EnumProperty> &properties, const QString &file, const QString &badPath)
{
    for (const EnumProperty &p : properties) {
        const QString stored = QString::fromLatin1(p.stored);
        const int vt = vtOf(good, stored);
        ASSERT_NE(vt, 0) << p.stored << " is in the design";
        std::vector<int32_t> values{p.lo - 1, p.lo, p.hi, p.hi + 1, 4242};
        if (p.custom >= 0) {
            values.push_back(p.custom - 1);
            values.push_back(p.custom);
        }
        for (int32_t v : values) {
            SCOPED_TRACE(QStringLiteral("%1 = %2").arg(stored).arg(v).toStdString());
            const bool inEnum = (v >= p.lo && v <= p.hi) || (p.custom >= 0 && v == p.custom);
            EXPECT_EQ(com::SUCCEEDED(tryPut(s, QString::fromLatin1(p.member), v)), inEnum) << "the put";
            const QByteArray design = withValue(good, stored, vt, v);
            fileio::writeFile(badPath, design);
            QString error;
            const bool loaded = s.load(badPath, &error);
            EXPECT_EQ(loaded, inEnum) << error.toStdString();
            if (!loaded) {
                EXPECT_EQ(error, QStringLiteral("%1: %2 を作成できません。プロパティ %3 の値 %4 は読み込めません。")
                                     .arg(file, progId, stored)
                                     .arg(v));
                continue;
            }
            com::ComPtr<com::IDispatch> d;
            ASSERT_EQ(s.host()->queryControl(com::IID_IDispatch, d.putVoid()), com::S_OK);
            com::Variant result;
            ASSERT_EQ(com::invokeByName(d.get(), QString::fromLatin1(p.member), com::DISPATCH_PROPERTYGET, {}, &result),
                      com::S_OK);
            EXPECT_EQ(intOf(result), v) << "the loaded value";
        }
    }
}

TEST_F(DesignerTest, EveryEnumeratedPropertyLoadsWhatItsPutTakesAndRefusesTheRest)
{
    const QString file = QDir::toNativeSeparators(path("enum.json"));
    QString error;
    {
        DesignerSession combo(m_form.get());
        ASSERT_EQ(combo.create(designer::kComboProgId), com::S_OK);
        ASSERT_TRUE(combo.save(path("combo.json"), &error)) << error.toStdString();
        const std::vector<EnumProperty> comboProperties = {
            {"AlignHorizontal", "AlignHorizontal", 0, 2},  {"AlignVertical", "AlignVertical", 0, 2},
            {"Appearance", "Appearance", 0, 2},            {"BorderStyle", "BorderStyle", 0, 1},
            {"BtnPositioning", "BtnPositioning", 0, 1},    {"ClipMode", "ClipMode", 0, 1},
            {"DataProperty", "DataProperty", 0, 1},        {"EditMode", "EditMode", 0, 3},
            {"HighlightText", "HighlightText", 0, 2},      {"IMEMode", "IMEMode", 0, 8},
            {"IMEStatus", "IMEStatus", 0, 1},              {"LookupMode", "LookupMode", 0, 2},
            {"MousePointer", "MousePointer", 0, 15, 99},   {"MoveOnLRKey", "MoveOnLRKey", 0, 3},
            {"OLEDragMode", "OLEDragMode", 0, 1},          {"OLEDropMode", "OLEDropMode", 0, 2},
            {"ShowLiterals", "ShowLiterals", 0, 2},        {"TabAction", "TabAction", 0, 1},
            {"SortOrder", "SortOrder", 0, 2},              {"SortBy", "SortBy", 0, 2},
            {"TextBoxStyle", "TextBoxStyle", 0, 2},        {"ImageAlign", "ImageAlign", 0, 3},
            {"ScrollBarMode", "ScrollBarMode", 0, 1},      {"DropdownStyle", "Style", 0, 2},
            {"ListStyle", "ListBoxStyle", 0, 5},
        };
        checkEnumeratedLoads(combo, designer::kComboProgId, readAll(path("combo.json")), comboProperties, file,
                             path("enum.json"));
    }
    DesignerSession container(m_form.get());
    ASSERT_EQ(container.create(designer::kContainerProgId), com::S_OK);
    ASSERT_TRUE(container.save(path("container.json"), &error)) << error.toStdString();
    const QByteArray good = readAll(path("container.json"));
    checkEnumeratedLoads(container, designer::kContainerProgId, good,
                         {{"ApplyEffect", "ApplyEffect", 0, 2},
                          {"AutoSize", "AutoSize", 0, 1},
                          {"MousePointer", "MousePointer", 0, 15, 99}},
                         file, path("enum.json"));

    // The effect references are stored by their VARIANT type: only a key (8)
    // names an effect. Any other type (Null 1, an object saved by type alone
    // 9 or 13, or one no put stores) loads as Null and is saved back as Null.
    for (const char *name : {"CtrlEffectType", "ChildsEffectType"}) {
        const QString stored = QString::fromLatin1(name);
        const QString member = stored.chopped(4);
        const int vt = vtOf(good, stored);
        ASSERT_NE(vt, 0) << name << " is in the design";
        for (int type : {0, 1, 2, 3, 9, 13, 99, -1}) {
            SCOPED_TRACE(QStringLiteral("%1 = %2").arg(stored).arg(type).toStdString());
            fileio::writeFile(path("enum.json"), withValue(good, stored, vt, type));
            ASSERT_TRUE(container.load(path("enum.json"), &error)) << error.toStdString();
            EXPECT_EQ(get(container, member.toLatin1().constData()).vt, com::VT_NULL);
            ASSERT_TRUE(container.save(path("again.json"), &error)) << error.toStdString();
            EXPECT_EQ(vtOf(readAll(path("again.json")), stored), vt);
            EXPECT_EQ(entryOf(QJsonDocument::fromJson(readAll(path("again.json"))).object().value("bag").toArray(),
                              stored)
                          .value("value")
                          .toInt(),
                      1)
                << "saved back as Null";
        }
    }
}

TEST_F(DesignerTest, AComboWithTwoItemsColoursAndJapaneseTextRoundTripsByteForByte)
{
    DesignerSession first(m_form.get());
    ASSERT_EQ(first.create(designer::kComboProgId), com::S_OK);
    com::ComPtr<pickwell::ICombo> c;
    ASSERT_EQ(first.host()->queryControl(pickwell::IID_ICombo, c.putVoid()), com::S_OK);
    com::ComPtr<pickwell::IComboItemCollection> items;
    c->get_Items(items.put());
    for (const QString &text : {QStringLiteral("東京本社"), QStringLiteral("大阪支店")}) {
        com::ComPtr<pickwell::IComboItem> item;
        ASSERT_EQ(com::CoCreateInstance(pickwell::CLSID_ComboItem, nullptr, pickwell::IID_IComboItem, item.putVoid()),
                  com::S_OK);
        com::Bstr content(text), description(text + QStringLiteral("の説明"));
        item->put_Content(content.get());
        item->put_Description(description.get());
        item->put_BackColor(0x00C0FFEE);
        item->put_ForeColor(0x80000012);
        ASSERT_EQ(items->Add(item.get()), com::S_OK);
    }
    c->put_BackColor(0x00336699);
    c->put_ForeColor(0x000000FF);
    // The caption is an object of the suite base that only the library can make.
    com::ComPtr<zobase7::ICaptionDisp> caption;
    ASSERT_EQ(c->get_Caption(caption.put()), com::S_OK);
    com::Bstr captionText(QStringLiteral("支店(&S)"));
    ASSERT_EQ(caption->put_Text(captionText.get()), com::S_OK);
    com::Bstr value(QStringLiteral("東京本社")), format(QStringLiteral("ＡＡＡＡ"));
    ASSERT_EQ(c->put_Value(value.get()), com::S_OK);
    ASSERT_EQ(c->put_Format(format.get()), com::S_OK);
    QString error;
    ASSERT_TRUE(first.save(path("a.json"), &error)) << error.toStdString();
    const QByteArray saved = readAll(path("a.json"));
    EXPECT_TRUE(saved.contains(QStringLiteral("東京本社").toUtf8()));

    DesignerSession second(m_form.get());
    ASSERT_TRUE(second.load(path("a.json"), &error)) << error.toStdString();
    ASSERT_TRUE(second.save(path("b.json"), &error)) << error.toStdString();
    EXPECT_EQ(readAll(path("b.json")), saved);
    com::ComPtr<pickwell::ICombo> loaded;
    ASSERT_EQ(second.host()->queryControl(pickwell::IID_ICombo, loaded.putVoid()), com::S_OK);
    com::ComPtr<pickwell::IComboItemCollection> loadedItems;
    loaded->get_Items(loadedItems.put());
    int32_t count = 0;
    loadedItems->get_Count(&count);
    EXPECT_EQ(count, 2);
    com::ComPtr<zobase7::ICaptionDisp> loadedCaption;
    ASSERT_EQ(loaded->get_Caption(loadedCaption.put()), com::S_OK);
    com::Bstr loadedText;
    loadedCaption->get_Text(loadedText.put());
    EXPECT_EQ(loadedText.toQString(), QStringLiteral("支店(&S)"));
}

TEST_F(DesignerTest, SaveWritesTheDesignFileAndQuittingSavesTheEditsMadeSince)
{
    platform::forms::DialogScript script;
    designer::DesignerWindow w;
    ASSERT_EQ(w.session().create(designer::kContainerProgId), com::S_OK);
    w.setDesignFile(path("quit.json"), true);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // ファイル → 保存 by its shortcut.
    put(w.session(), "ApplyEffect", com::Variant::i2(1));
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    const QJsonArray first = QJsonDocument::fromJson(readAll(path("quit.json"))).object().value("bag").toArray();
    EXPECT_EQ(entryOf(first, "ApplyEffect").value("value").toInt(), 1);
    // An edit after that is written when the window closes.
    put(w.session(), "ApplyEffect", com::Variant::i2(2));
    EXPECT_TRUE(w.close());
    const QJsonArray last = QJsonDocument::fromJson(readAll(path("quit.json"))).object().value("bag").toArray();
    EXPECT_EQ(entryOf(last, "ApplyEffect").value("value").toInt(), 2);
    EXPECT_TRUE(script.verify());
}

TEST_F(DesignerTest, AFailedSaveAtQuitAsksAndKeepsTheWindowUnlessTheUserLetsGo)
{
    platform::forms::DialogScript script;
    designer::DesignerWindow w;
    ASSERT_EQ(w.session().create(designer::kContainerProgId), com::S_OK);
    QString error;
    ASSERT_TRUE(w.session().save(path("keep.json"), &error));
    const QByteArray before = readAll(path("keep.json"));
    w.setDesignFile(path("keep.json"), true);
    w.show();
    put(w.session(), "ApplyEffect", com::Variant::i2(2));
    fileio::faults::ScopedFaultHook hook([](fileio::faults::Step step, const QString &, qint64) {
        return step == fileio::faults::Step::Rename ? 28 /* ENOSPC */ : 0;
    });
    script.answerNext(platform::forms::vbNo);
    EXPECT_FALSE(w.close()) << "No keeps the window and the edits";
    EXPECT_TRUE(w.isVisible());
    script.answerNext(platform::forms::vbYes);
    EXPECT_TRUE(w.close());
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_TRUE(script.shown()[0].prompt.startsWith(QDir::toNativeSeparators(path("keep.json")) + QStringLiteral(" に保存できません: ")))
        << script.shown()[0].prompt.toStdString();
    EXPECT_TRUE(script.shown()[0].prompt.endsWith(QStringLiteral("保存せずに終了しますか?")));
    EXPECT_EQ(readAll(path("keep.json")), before);
    EXPECT_TRUE(script.verify());
}

TEST_F(DesignerTest, TheFileDialogIsJapaneseAndThePropertyFrameIsCentredOnTheWindow)
{
    platform::forms::DialogScript script;
    designer::DesignerWindow w;
    ASSERT_EQ(w.session().create(designer::kContainerProgId), com::S_OK);
    w.resize(480, 320);
    w.move(300, 200);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // The shortcut reaches the window once the window manager has made it
    // active, as a person's key press does.
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // ファイル → 保存 with no design file asks for one: Qt's own dialog, in Japanese.
    script.showAndCancelNextFileDialog();
    QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(script.shown().size(), 1);
    const QStringList buttons = script.shown()[0].buttons;
    EXPECT_TRUE(buttons.contains(QStringLiteral("キャンセル"))) << buttons.join(',').toStdString();
    EXPECT_FALSE(buttons.contains(QStringLiteral("Cancel"))) << buttons.join(',').toStdString();
    EXPECT_EQ(script.shown()[0].ownerTitle, w.windowTitle());

    // The toolbar's プロパティ opens the frame, centred on the designer's window.
    QPoint frameCentre, windowCentre;
    platform::win::SetPropertyFrameShownHook([&](QDialog *frame) {
        frameCentre = frame->frameGeometry().center();
        windowCentre = w.frameGeometry().center();
        keepArtifact(frame, "designer_property_frame.png");
        frame->reject();
    });
    auto *bar = w.findChild<QToolBar *>();
    ASSERT_NE(bar, nullptr);
    QWidget *propertiesButton = bar->widgetForAction(bar->actions().value(0));
    ASSERT_NE(propertiesButton, nullptr);
    QTest::mouseClick(propertiesButton, Qt::LeftButton);
    platform::win::SetPropertyFrameShownHook({});
    ASSERT_FALSE(frameCentre.isNull()) << "the frame was shown";
    EXPECT_LE((frameCentre - windowCentre).manhattanLength(), 4);
    EXPECT_TRUE(script.verify());
}

TEST_F(DesignerTest, WithSaveAndNoWindowOptionTheProgramSavesAndEnds)
{
    DesignerSession s(m_form.get());
    ASSERT_EQ(s.create(designer::kContainerProgId, nullptr, QSize(150, 90)), com::S_OK);
    put(s, "ApplyEffect", com::Variant::i2(2));
    QString error;
    ASSERT_TRUE(s.save(path("in.json"), &error));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    auto run = [&](const QStringList &args, QString *errors) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(DESIGNER_PROGRAM), args);
        EXPECT_TRUE(p.waitForFinished(30000));
        *errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QString errors;
    EXPECT_EQ(run({"--load", path("in.json"), "--save", path("out.json")}, &errors), 0) << errors.toStdString();
    EXPECT_EQ(readAll(path("out.json")), readAll(path("in.json")));
    // A refused design: exit status 1, the reason on stderr, nothing written.
    fileio::writeFile(path("bad.json"), withValue(readAll(path("in.json")), "ApplyEffect", 2, 9));
    EXPECT_EQ(run({"--load", path("bad.json"), "--save", path("out2.json")}, &errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("プロパティ ApplyEffect の値 9 は読み込めません。"))) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(path("out2.json")));
}

} // namespace
