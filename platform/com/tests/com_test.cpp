#include "platform/com/com.h"
#include "platform/runtime/runtime_error.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::com;

TEST(Guid, ParsesPrintsAndRefusesMalformedText)
{
    bool ok = false;
    const GUID g = GUID::fromString(QStringLiteral("{68418af3-6359-408e-aaca-233e247d7d0f}"), &ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(g.Data1, 0x68418AF3u);
    EXPECT_EQ(g.Data2, 0x6359);
    EXPECT_EQ(g.Data4[0], 0xAA);
    EXPECT_EQ(g.Data4[7], 0x0F);
    EXPECT_EQ(g.toString(), QStringLiteral("{68418AF3-6359-408E-AACA-233E247D7D0F}"));
    EXPECT_EQ(GUID::fromString(g.toString()), g);
    EXPECT_EQ(GUID::fromString(QStringLiteral("68418AF3-6359-408E-AACA-233E247D7D0F")), g);
    for (const char *bad : {"", "{68418AF3-6359-408E-AACA-233E247D7D0}", "{68418AF3-6359-408E-AACA233E-247D7D0F}",
                            "{G8418AF3-6359-408E-AACA-233E247D7D0F}"}) {
        GUID r = GUID::fromString(QString::fromLatin1(bad), &ok);
        EXPECT_FALSE(ok) << bad;
        EXPECT_TRUE(r.isNull()) << bad;
    }
    EXPECT_NE(IID_IUnknown, IID_IClassFactory);
}

namespace {
// Counts its own destruction.
class Probe : public DispatchObject {
public:
    explicit Probe(int *destroyed) : DispatchObject(QStringLiteral("Probe")), m_destroyed(destroyed) {}
    ~Probe() override { ++*m_destroyed; }

private:
    int *m_destroyed;
};
} // namespace

TEST(DispatchObject, MembersByNameAndReferenceCounting)
{
    int destroyed = 0;
    int value = 7;
    int calls = 0;
    {
        ComPtr<DispatchObject> obj(new Probe(&destroyed));
        obj->addProperty(QStringLiteral("Value"), [&] { return QVariant(value); },
                         [&](const QVariant &v) { value = v.toInt(); });
        obj->addProperty(QStringLiteral("ReadOnly"), [] { return QVariant(1); });
        obj->addMethod(QStringLiteral("Add"), [&](const QVariantList &a) {
            ++calls;
            return QVariant(a.value(0).toInt() + a.value(1).toInt());
        });
        obj->addMethod(QStringLiteral("Fail"), [](const QVariantList &) -> QVariant {
            platform::raise(5, QStringLiteral("bad call"));
        });

        EXPECT_EQ(CallByName(obj.get(), QStringLiteral("value"), DispatchKind::PropertyGet).toInt(), 7);
        CallByName(obj.get(), QStringLiteral("VALUE"), DispatchKind::PropertyPut, {12});
        EXPECT_EQ(value, 12);
        EXPECT_EQ(CallByName(obj.get(), QStringLiteral("add"), DispatchKind::Method, {2, 3}).toInt(), 5);
        EXPECT_EQ(calls, 1);
        QString type;
        ASSERT_EQ(obj->GetTypeName(&type), S_OK);
        EXPECT_EQ(type, QStringLiteral("Probe"));

        try {
            CallByName(obj.get(), QStringLiteral("Missing"), DispatchKind::Method);
            FAIL();
        } catch (const platform::RuntimeError &e) {
            EXPECT_EQ(e.Number(), 438);
        }
        try {
            CallByName(obj.get(), QStringLiteral("Fail"), DispatchKind::Method);
            FAIL();
        } catch (const platform::RuntimeError &e) {
            EXPECT_EQ(e.Number(), 440);
            EXPECT_EQ(e.Description(), QStringLiteral("bad call"));
        }
        EXPECT_EQ(obj->Invoke(QStringLiteral("ReadOnly"), DispatchKind::PropertyPut, {1}, nullptr),
                  DISP_E_MEMBERNOTFOUND);
        EXPECT_THROW(CallByName(nullptr, QStringLiteral("Value"), DispatchKind::PropertyGet), platform::RuntimeError);

        ComPtr<IDispatchByName> asDispatch;
        ASSERT_EQ(obj->QueryInterface(IID_IDispatchByName, asDispatch.putVoid()), S_OK);
        void *none = reinterpret_cast<void *>(1);
        EXPECT_EQ(obj->QueryInterface(IID_IClassFactory, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);

        // Objects travel in variants.
        const QVariant v = objectVariant(asDispatch.get());
        EXPECT_EQ(variantObject(v), asDispatch.get());
        EXPECT_EQ(variantObject(QVariant(3)), nullptr);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

namespace {
// Fails its member "Broken" with a bare HRESULT, as an outside object can.
class Refusing : public DispatchObject {
public:
    Refusing() : DispatchObject(QStringLiteral("Refusing")) {}
    HRESULT Invoke(const QString &member, DispatchKind kind, const QVariantList &args, QVariant *result) override
    {
        if (member == QStringLiteral("Broken"))
            return E_FAIL;
        return DispatchObject::Invoke(member, kind, args, result);
    }
};
} // namespace

// What the caller of a late-bound call reads: the standard errors' numbers
// with the runtime's own texts, the same the program raises for them.
TEST(DispatchObject, CallByNameRaisesTheStandardErrorsWithTheirTexts)
{
    auto failureOf = [](IDispatchByName *object, const QString &member) {
        try {
            CallByName(object, member, DispatchKind::Method);
        } catch (const platform::RuntimeError &e) {
            return std::make_pair(e.Number(), e.Description());
        }
        return std::make_pair(0, QString());
    };
    EXPECT_EQ(failureOf(nullptr, QStringLiteral("Value")),
              std::make_pair(91, QStringLiteral("オブジェクト変数または With ブロック変数が設定されていません。")));
    ComPtr<DispatchObject> obj(new Refusing);
    EXPECT_EQ(failureOf(obj.get(), QStringLiteral("Missing")),
              std::make_pair(438, QStringLiteral("オブジェクトは、このプロパティまたはメソッドをサポートしていません。")));
    EXPECT_EQ(failureOf(obj.get(), QStringLiteral("Broken")),
              std::make_pair(440, QStringLiteral("オートメーション エラーです。(0x80004005)")))
        << "a failure without a text of its own";
}

TEST(Creation, UnregisteredClassesAndProgIdsAreRefused)
{
    QTemporaryDir dir;
    qputenv("TALVIK_REGISTRY", (dir.path() + QStringLiteral("/r.json")).toLocal8Bit());
    const GUID clsid = GUID::fromString(QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
    void *obj = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &obj), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(obj, nullptr);
    CLSID found;
    EXPECT_EQ(CLSIDFromProgID(QStringLiteral("Nothing.Here"), &found), CO_E_CLASSSTRING);

    // Registered to a library that does not exist.
    ASSERT_EQ(registerInprocServer(clsid, QStringLiteral("Test.Missing"), QStringLiteral("Test"),
                                   dir.path() + QStringLiteral("/libmissing.so"), QStringLiteral("Apartment")),
              S_OK);
    ASSERT_EQ(CLSIDFromProgID(QStringLiteral("test.missing"), &found), S_OK);
    EXPECT_EQ(found, clsid);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, IID_IUnknown, &obj), CO_E_DLLNOTFOUND);
    ASSERT_EQ(unregisterInprocServer(clsid, QStringLiteral("Test.Missing")), S_OK);
    EXPECT_EQ(CLSIDFromProgID(QStringLiteral("Test.Missing"), &found), CO_E_CLASSSTRING);
    EXPECT_EQ(unregisterInprocServer(clsid, QStringLiteral("Test.Missing")), S_OK);
    qunsetenv("TALVIK_REGISTRY");
}
