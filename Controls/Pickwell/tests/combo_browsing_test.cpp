// What the combo tells a property browser: display strings, predefined
// strings and values of every enumerated property, categories and the
// property pages it lists.
#include "ComboTestSupport.h"

#include "Controls/Pickwell/ComboBrowsing.h"
#include "Controls/Pickwell/ComboPageIds.h"

using namespace pickwell;
using namespace pickwell::testing;

namespace {

struct Enumerated {
    DISPID id;
    const char *name;
    int count;
};

// Every enumerated property the browser shows, with its number of choices.
const Enumerated kEnumerated[] = {
    {DISPID_ALIGNHORIZONTAL, "AlignHorizontal", 3}, {DISPID_ALIGNVERTICAL, "AlignVertical", 3},
    {DISPID_CLIPMODE, "ClipMode", 2},               {DISPID_EDITMODE, "EditMode", 4},
    {DISPID_IMEMODE, "IMEMode", 9},                 {DISPID_MOVEONLRKEY, "MoveOnLRKey", 4},
    {DISPID_OLEDRAGMODE, "OLEDragMode", 2},         {DISPID_OLEDROPMODE, "OLEDropMode", 3},
    {DISPID_SHOWLITERALS, "ShowLiterals", 3},       {DISPID_DATAPROPERTY, "DataProperty", 2},
    {DISPID_HIGHLIGHTTEXT, "HighlightText", 3},     {DISPID_IMESTATUS, "IMEStatus", 2},
    {DISPID_LOOKUPMODE, "LookupMode", 3},           {DISPID_TABACTION, "TabAction", 2},
    {DISPID_LISTBOXSTYLE, "ListBoxStyle", 6},       {DISPID_IMAGEALIGN, "ImageAlign", 4},
    {DISPID_STYLE, "Style", 3},                     {DISPID_SCROLLBARMODE, "ScrollBarMode", 2},
    {DISPID_SORTBY, "SortBy", 3},                   {DISPID_SORTORDER, "SortOrder", 3},
    {DISPID_TEXTBOXSTYLE, "TextBoxStyle", 3},       {DISPID_BTNPOSITIONING, "BtnPositioning", 2},
    {DISPID_STD_MOUSEPOINTER, "MousePointer", 17},  {DISPID_STD_APPEARANCE, "Appearance", 3},
    {DISPID_STD_BORDERSTYLE, "BorderStyle", 2},
};

struct Offered {
    QStringList texts;
    QList<uint32_t> cookies;
};

class ComboBrowsingTest : public ComboTest {
protected:
    void SetUp() override
    {
        ComboTest::SetUp();
        initNew();
        ASSERT_EQ(m_combo->QueryInterface(win::IID_IPerPropertyBrowsing, m_browse.putVoid()), S_OK);
    }

    Offered offered(DISPID id, HRESULT *hr = nullptr)
    {
        win::CALPOLESTR s;
        win::CADWORD c;
        const HRESULT r = m_browse->GetPredefinedStrings(id, &s, &c);
        if (hr)
            *hr = r;
        Offered out;
        if (r != S_OK)
            return out;
        EXPECT_EQ(s.cElems, c.cElems);
        for (win::ULONG i = 0; i < s.cElems; ++i) {
            out.texts << QString::fromUtf16(s.pElems[i]);
            out.cookies << c.pElems[i];
            CoTaskMemFree(s.pElems[i]);
        }
        CoTaskMemFree(s.pElems);
        CoTaskMemFree(c.pElems);
        return out;
    }

    QString display(DISPID id, HRESULT *hr = nullptr)
    {
        BSTR text = nullptr;
        const HRESULT r = m_browse->GetDisplayString(id, &text);
        if (hr)
            *hr = r;
        const QString out = bstrToQString(text);
        SysFreeString(text);
        return out;
    }

    ComPtr<win::IPerPropertyBrowsing> m_browse;
};

} // namespace

TEST_F(ComboBrowsingTest, EveryEnumeratedValueShowsItsOwnEntryAndMapsBackToItsCookie)
{
    for (const Enumerated &p : kEnumerated) {
        SCOPED_TRACE(p.name);
        const Offered o = offered(p.id);
        ASSERT_EQ(o.texts.size(), p.count);
        for (int i = 0; i < o.texts.size(); ++i) {
            // The cookie is the number the entry starts with.
            EXPECT_TRUE(o.texts[i].startsWith(QString::number(o.cookies[i]) + QStringLiteral(" - "))) << o.texts[i].toStdString();
            ASSERT_EQ(invokeByName(m_combo.get(), QString::fromLatin1(p.name), DISPATCH_PROPERTYPUT,
                                   {Variant::i4(int32_t(o.cookies[i]))}, nullptr),
                      S_OK);
            EXPECT_EQ(display(p.id), o.texts[i]);
            Variant v;
            ASSERT_EQ(m_browse->GetPredefinedValue(p.id, o.cookies[i], &v), S_OK);
            EXPECT_EQ(v.vt, VT_I4);
            EXPECT_EQ(uint32_t(v.lVal), o.cookies[i]);
        }
    }
}

TEST_F(ComboBrowsingTest, BorderStyleAndMousePointerTexts)
{
    ASSERT_EQ(m_combo->put_BorderStyle(1), S_OK);
    EXPECT_EQ(display(DISPID_STD_BORDERSTYLE), QStringLiteral("1 - 実線"));
    const Offered border = offered(DISPID_STD_BORDERSTYLE);
    EXPECT_EQ(border.texts, (QStringList{QStringLiteral("0 - なし"), QStringLiteral("1 - 実線")}));
    EXPECT_EQ(border.cookies, (QList<uint32_t>{0, 1}));

    ASSERT_EQ(m_combo->put_MousePointer(99), S_OK);
    EXPECT_EQ(display(DISPID_STD_MOUSEPOINTER), QStringLiteral("99 - ﾕｰｻﾞｰ定義"));
    const Offered pointer = offered(DISPID_STD_MOUSEPOINTER);
    EXPECT_EQ(pointer.cookies.last(), 99u);
    EXPECT_EQ(pointer.texts[6], QStringLiteral("6 - ｻｲｽﾞ (右上-左下)"));
    EXPECT_EQ(display(DISPID_STD_MOUSEPOINTER).size(), QStringLiteral("99 - ﾕｰｻﾞｰ定義").size());
}

TEST_F(ComboBrowsingTest, FormatOffersTheTemplatesAsTexts)
{
    const Offered f = offered(DISPID_FORMAT);
    ASSERT_EQ(f.texts.size(), 33);
    for (int i = 0; i < 33; ++i)
        EXPECT_EQ(f.cookies[i], uint32_t(i));
    EXPECT_EQ(f.texts[0], QStringLiteral("&&&&&&&&&&"));
    EXPECT_EQ(f.texts[16], QStringLiteral("℡ 99(9999)9999;;{}"));
    EXPECT_EQ(f.texts[17], QStringLiteral("９９９－９９"));
    EXPECT_EQ(f.texts[32], QStringLiteral("℡ ９９（９９９９）９９９９;;{}"));
    // Picking the third puts its text into Format.
    Variant v;
    ASSERT_EQ(m_browse->GetPredefinedValue(DISPID_FORMAT, 2, &v), S_OK);
    ASSERT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(bstrToQString(v.bstrVal), QStringLiteral("999-9999"));
    Variant none;
    EXPECT_EQ(m_browse->GetPredefinedValue(DISPID_FORMAT, 33, &none), E_INVALIDARG);
    // Format has no display string from the control, whatever it holds.
    Bstr mask(QStringLiteral("999-9999"));
    m_combo->put_Format(mask.get());
    HRESULT hr = S_OK;
    display(DISPID_FORMAT, &hr);
    EXPECT_EQ(hr, E_NOTIMPL);
}

TEST_F(ComboBrowsingTest, PropertiesOutsideTheTableAreLeftToTheBrowser)
{
    for (DISPID id : {DISPID(DISPID_TEXT), DISPID(DISPID_MARGINLEFT), DISPID(DISPID_STD_FONT), DISPID(12345)}) {
        HRESULT hr = S_OK;
        display(id, &hr);
        EXPECT_EQ(hr, E_NOTIMPL) << id;
        offered(id, &hr);
        EXPECT_EQ(hr, E_NOTIMPL) << id;
        Variant v;
        EXPECT_EQ(m_browse->GetPredefinedValue(id, 0, &v), E_NOTIMPL) << id;
        CLSID page;
        EXPECT_EQ(m_browse->MapPropertyToPage(id, &page), E_NOTIMPL);
    }
    CLSID page;
    EXPECT_EQ(m_browse->MapPropertyToPage(DISPID_STD_BORDERSTYLE, &page), E_NOTIMPL);
}

TEST_F(ComboBrowsingTest, AValueThatIsNeitherCookieNorPositionHasNoDisplayString)
{
    // The control's own range checks never produce such a value; a stored
    // state is forced here to check that the browser is not handed a text
    // read past the list.
    auto &stored = const_cast<ComboSettings &>(control().settings());
    stored.mousePointer = 16; // not a cookie, but the 17th entry
    EXPECT_EQ(display(DISPID_STD_MOUSEPOINTER), QStringLiteral("99 - ﾕｰｻﾞｰ定義"));
    for (int32_t bad : {17, 50, 98, 100, -2}) {
        stored.mousePointer = bad;
        HRESULT hr = S_OK;
        display(DISPID_STD_MOUSEPOINTER, &hr);
        EXPECT_EQ(hr, E_NOTIMPL) << bad;
    }
    stored.borderStyle = 2;
    HRESULT hr = S_OK;
    display(DISPID_STD_BORDERSTYLE, &hr);
    EXPECT_EQ(hr, E_NOTIMPL);
    stored.borderStyle = -1;
    display(DISPID_STD_BORDERSTYLE, &hr);
    EXPECT_EQ(hr, E_NOTIMPL);
}

TEST_F(ComboBrowsingTest, CategoriesOfTheTable)
{
    ComPtr<ICategorizeProperties> cat;
    ASSERT_EQ(m_combo->QueryInterface(IID_ICategorizeProperties, cat.putVoid()), S_OK);
    const std::pair<DISPID, PROPCAT> expected[] = {
        {DISPID_ALLOWSPACE, 1},  {DISPID_FORMAT, 1},      {DISPID_LOOKUPMODE, 1}, {DISPID_LOOKUPTABLE, 1},
        {DISPID_TEXT, 2},        {DISPID_COMBO_VALUE, 2}, {DISPID_ALIGNHORIZONTAL, PROPCAT_Appearance},
        {DISPID_ALIGNVERTICAL, PROPCAT_Appearance},       {DISPID_STD_APPEARANCE, PROPCAT_Appearance},
        {DISPID_STD_BACKCOLOR, PROPCAT_Appearance},       {DISPID_STD_BORDERSTYLE, PROPCAT_Appearance},
        {DISPID_BTNPOSITIONING, PROPCAT_Appearance},      {DISPID_STD_FORECOLOR, PROPCAT_Appearance},
        {DISPID_MARGINLEFT, PROPCAT_Appearance},          {DISPID_MARGINBOTTOM, PROPCAT_Appearance},
        {DISPID_MARGINTOP, PROPCAT_Appearance},           {DISPID_MARGINRIGHT, PROPCAT_Appearance},
        {DISPID_ERRORBEEP, PROPCAT_Behavior},             {DISPID_OLEDRAGMODE, PROPCAT_Behavior},
        {DISPID_OLEDROPMODE, PROPCAT_Behavior},           {DISPID_READONLY, PROPCAT_Behavior},
        {DISPID_DATAPROPERTY, PROPCAT_Data},              {DISPID_STD_FONT, PROPCAT_Font},
    };
    for (const auto &[id, category] : expected) {
        PROPCAT got = 0;
        ASSERT_EQ(cat->MapPropertyToCategory(id, &got), S_OK) << id;
        EXPECT_EQ(got, category) << id;
    }
    for (DISPID other : {DISPID(DISPID_STYLE), DISPID(DISPID_SORTORDER), DISPID(DISPID_STD_MOUSEPOINTER), DISPID(DISPID_SELSTART)}) {
        PROPCAT got = 0;
        EXPECT_EQ(cat->MapPropertyToCategory(other, &got), E_NOTIMPL) << other;
    }
    BSTR name = nullptr;
    ASSERT_EQ(cat->GetCategoryName(1, 0x411, &name), S_OK);
    EXPECT_EQ(bstrToQString(name), QStringLiteral("ﾌｫｰﾏｯﾄ"));
    SysFreeString(name);
    ASSERT_EQ(cat->GetCategoryName(2, 0x411, &name), S_OK);
    EXPECT_EQ(bstrToQString(name), QStringLiteral("ﾃﾞｰﾀ値"));
    SysFreeString(name);
    for (PROPCAT other : {0, 3, PROPCAT_Appearance, PROPCAT_Font}) {
        name = nullptr;
        EXPECT_EQ(cat->GetCategoryName(other, 0x411, &name), E_NOTIMPL) << other;
        EXPECT_EQ(name, nullptr);
    }
}

TEST_F(ComboBrowsingTest, ListsItsSixPagesAndKeepsOneIdentity)
{
    ComPtr<win::ISpecifyPropertyPages> spec;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_ISpecifyPropertyPages, spec.putVoid()), S_OK);
    win::CAUUID pages;
    ASSERT_EQ(spec->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 6u);
    const CLSID expected[] = {CLSID_ComboGeneralPage, CLSID_ComboAppearancePage, CLSID_ComboFormatPage,
                              CLSID_ComboLookupPage,  CLSID_ComboButtonPage,     CLSID_ComboItemEditorPage};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pages.pElems[i], expected[i]) << i;
    CoTaskMemFree(pages.pElems);

    // Every interface answers with the control's identity.
    ComPtr<IUnknown> a, b;
    m_combo->QueryInterface(IID_IUnknown, a.putVoid());
    spec->QueryInterface(IID_IUnknown, b.putVoid());
    EXPECT_EQ(a.get(), b.get());
    ComPtr<ICombo> back;
    ASSERT_EQ(m_browse->QueryInterface(IID_ICombo, back.putVoid()), S_OK);
    EXPECT_EQ(back.get(), m_combo.get());
}
