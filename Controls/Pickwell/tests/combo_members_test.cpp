// ICombo's members: defaults, range checks and refusals (0x800A017C with
// its text, nothing changed), run-time-only and read-only members, the
// selection without a window, the sub-object puts and the window wrappers.
#include "ComboTestSupport.h"
#include "PickwellTestSupport.h"

#include "platform/com/picture.h"

using namespace pickwell;
using namespace pickwell::testing;
using namespace zobase7;

namespace {
const QString kInvalid = QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。");
}

TEST_F(ComboTest, FreshControlHasTheDocumentedDefaults)
{
    setSite(true);
    initNew();
    Bstr value, text, prompt;
    m_combo->get_Value(value.put());
    m_combo->get_Text(text.put());
    m_combo->get_PromptChar(prompt.put());
    EXPECT_EQ(value.toQString(), QStringLiteral("zoComboCustom"));
    EXPECT_TRUE(text.isNull());
    EXPECT_EQ(prompt.toQString(), QStringLiteral("_"));
    int32_t v = 0;
    m_combo->get_SelectedIndex(&v);
    EXPECT_EQ(v, -1);
    m_combo->get_SortOrder(&v);
    EXPECT_EQ(v, 2);
    m_combo->get_ListBoxStyle(&v);
    EXPECT_EQ(v, 2);
    m_combo->get_Style(&v);
    EXPECT_EQ(v, 1);
    m_combo->get_MaxDropDownItems(&v);
    EXPECT_EQ(v, 8);
    m_combo->get_ImageWidth(&v);
    EXPECT_EQ(v, 16);
    m_combo->get_ItemHeight(&v);
    EXPECT_EQ(v, -1);
    m_combo->get_BorderStyle(&v);
    EXPECT_EQ(v, 1);
    m_combo->get_Appearance(&v);
    EXPECT_EQ(v, 1);
    OLE_COLOR c = 0;
    m_combo->get_BackColor(&c);
    EXPECT_EQ(c, 0x80000005u);
    ComPtr<IDropDown> dd;
    m_combo->get_DropDown(dd.put());
    dd->get_Visible(&v);
    EXPECT_EQ(v, zoShowAlways);
    // The five hooks.
    EXPECT_EQ(control().hookCount(), 5);
    for (int32_t id : {1000, -512, 1001, 1002, 1})
        EXPECT_TRUE(control().isHooked(id)) << id;
    // A font from the default description.
    ComPtr<IDispatch> font;
    ASSERT_EQ(m_combo->get_Font(font.put()), S_OK);
    EXPECT_TRUE(font);
}

TEST_F(ComboTest, OutOfRangeValuesAreRefusedWithTheirTextAndChangeNothing)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    struct Case {
        const char *name;
        std::function<HRESULT()> put;
        std::function<int32_t()> get;
    };
    auto getter = [this](HRESULT (ICombo::*g)(int32_t *)) {
        return [this, g] {
            int32_t v = -12345;
            (m_combo.get()->*g)(&v);
            return v;
        };
    };
    const Case cases[] = {
        {"DescriptionWidth 65541", [&] { return m_combo->put_DescriptionWidth(65541); }, getter(&ICombo::get_DescriptionWidth)},
        {"DescriptionWidth -1", [&] { return m_combo->put_DescriptionWidth(-1); }, getter(&ICombo::get_DescriptionWidth)},
        {"ImageWidth 32768", [&] { return m_combo->put_ImageWidth(32768); }, getter(&ICombo::get_ImageWidth)},
        {"ItemHeight -1", [&] { return m_combo->put_ItemHeight(-1); }, getter(&ICombo::get_ItemHeight)},
        {"DropDownWidth 40000", [&] { return m_combo->put_DropDownWidth(40000); }, getter(&ICombo::get_DropDownWidth)},
        {"ListBoxStyle 6", [&] { return m_combo->put_ListBoxStyle(6); }, getter(&ICombo::get_ListBoxStyle)},
        {"ImageAlign 4", [&] { return m_combo->put_ImageAlign(4); }, getter(&ICombo::get_ImageAlign)},
        {"Style 65537", [&] { return m_combo->put_Style(65537); }, getter(&ICombo::get_Style)},
        {"ScrollBarMode 2", [&] { return m_combo->put_ScrollBarMode(2); }, getter(&ICombo::get_ScrollBarMode)},
        {"SortBy 3", [&] { return m_combo->put_SortBy(3); }, getter(&ICombo::get_SortBy)},
        {"SortOrder -1", [&] { return m_combo->put_SortOrder(-1); }, getter(&ICombo::get_SortOrder)},
        {"TextBoxStyle 3", [&] { return m_combo->put_TextBoxStyle(3); }, getter(&ICombo::get_TextBoxStyle)},
        {"AlignHorizontal 3", [&] { return m_combo->put_AlignHorizontal(3); }, getter(&ICombo::get_AlignHorizontal)},
        {"AlignVertical 65536", [&] { return m_combo->put_AlignVertical(65536); }, getter(&ICombo::get_AlignVertical)},
        {"ClipMode 2", [&] { return m_combo->put_ClipMode(2); }, getter(&ICombo::get_ClipMode)},
        {"EditMode 4", [&] { return m_combo->put_EditMode(4); }, getter(&ICombo::get_EditMode)},
        {"IMEMode 9", [&] { return m_combo->put_IMEMode(9); }, getter(&ICombo::get_IMEMode)},
        {"MousePointer 16", [&] { return m_combo->put_MousePointer(16); }, getter(&ICombo::get_MousePointer)},
        {"MousePointer 98", [&] { return m_combo->put_MousePointer(98); }, getter(&ICombo::get_MousePointer)},
        {"MoveOnLRKey 4", [&] { return m_combo->put_MoveOnLRKey(4); }, getter(&ICombo::get_MoveOnLRKey)},
        {"OLEDragMode 2", [&] { return m_combo->put_OLEDragMode(2); }, getter(&ICombo::get_OLEDragMode)},
        {"OLEDragMode -1", [&] { return m_combo->put_OLEDragMode(-1); }, getter(&ICombo::get_OLEDragMode)},
        {"OLEDropMode 3", [&] { return m_combo->put_OLEDropMode(3); }, getter(&ICombo::get_OLEDropMode)},
        {"ShowLiterals 3", [&] { return m_combo->put_ShowLiterals(3); }, getter(&ICombo::get_ShowLiterals)},
        {"Appearance 3", [&] { return m_combo->put_Appearance(3); }, getter(&ICombo::get_Appearance)},
        {"BorderStyle 2", [&] { return m_combo->put_BorderStyle(2); }, getter(&ICombo::get_BorderStyle)},
        {"DataProperty 2", [&] { return m_combo->put_DataProperty(2); }, getter(&ICombo::get_DataProperty)},
        {"HighlightText 3", [&] { return m_combo->put_HighlightText(3); }, getter(&ICombo::get_HighlightText)},
        {"IMEStatus 2", [&] { return m_combo->put_IMEStatus(2); }, getter(&ICombo::get_IMEStatus)},
        {"LookupMode 3", [&] { return m_combo->put_LookupMode(3); }, getter(&ICombo::get_LookupMode)},
        {"TabAction 2", [&] { return m_combo->put_TabAction(2); }, getter(&ICombo::get_TabAction)},
        {"BtnPositioning 2", [&] { return m_combo->put_BtnPositioning(2); }, getter(&ICombo::get_BtnPositioning)},
        {"SelLength 65536", [&] { return m_combo->put_SelLength(65536); }, [] { return 0; }},
        {"SelStart -1", [&] { return m_combo->put_SelStart(-1); }, [] { return 0; }},
    };
    for (const Case &c : cases) {
        const int32_t before = c.get();
        ryx().log.clear();
        EXPECT_EQ(c.put(), CTL_E_INVALIDPROPERTYVALUE) << c.name;
        EXPECT_TRUE(ryx().log.empty()) << c.name; // nothing reached the window
        EXPECT_EQ(errorText(), kInvalid) << c.name;
        EXPECT_EQ(c.get(), before) << c.name;
    }
    EXPECT_EQ(m_combo->put_MaxDropDownItems(0), E_INVALIDARG);
    EXPECT_EQ(m_combo->put_DescriptionWidth(32767), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETDESCRIPTIONWIDTH), 32767);
}

TEST_F(ComboTest, ColoursTakeRgbOrTheSystemColoursUpTo24)
{
    initNew();
    EXPECT_EQ(m_combo->put_BackColor(0x80000018), S_OK);
    EXPECT_EQ(m_combo->put_BackColor(0x80000019), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(m_combo->put_ForeColor(0x01000000), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(m_combo->put_ForeColor(0x00FFFFFF), S_OK);
    OLE_COLOR back = 0, fore = 0;
    m_combo->get_BackColor(&back);
    m_combo->get_ForeColor(&fore);
    EXPECT_EQ(back, 0x80000018u);
    EXPECT_EQ(fore, 0x00FFFFFFu);
}

TEST_F(ComboTest, MarginsReplaceTheirHalfOfTheWindowPair)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    ryx().marginsH = win::MAKELONG(7, 9);
    ryx().marginsV = win::MAKELONG(2, 3);
    EXPECT_EQ(m_combo->put_MarginRight(5), S_OK);
    EXPECT_EQ(ryx().marginsH, win::MAKELONG(7, 5));
    EXPECT_EQ(m_combo->put_MarginTop(4), S_OK);
    EXPECT_EQ(ryx().marginsV, win::MAKELONG(4, 3));
    EXPECT_EQ(m_combo->put_MarginLeft(-1), CTL_E_INVALIDPROPERTYVALUE);
    ryx().log.clear();
    EXPECT_EQ(m_combo->put_MarginTop(4), S_OK); // unchanged: nothing sent
    EXPECT_TRUE(ryx().log.empty());
}

TEST_F(ComboTest, PromptCharNeedsOneSingleByteCharacter)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    Bstr empty(QStringLiteral(""));
    EXPECT_EQ(m_combo->put_PromptChar(empty.get()), S_OK);
    Bstr got;
    m_combo->get_PromptChar(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral(" "));
    EXPECT_EQ(ryx().last(ZOM_SETPROMPTCHAR), ' ');
    Bstr two(QStringLiteral("ab"));
    EXPECT_EQ(m_combo->put_PromptChar(two.get()), CTL_E_INVALIDPROPERTYVALUE);
    Bstr wide(QStringLiteral("あ")); // a double-byte character
    EXPECT_EQ(m_combo->put_PromptChar(wide.get()), CTL_E_INVALIDPROPERTYVALUE);
    Bstr kana(QStringLiteral("ｱ")); // a single-byte katakana
    EXPECT_EQ(m_combo->put_PromptChar(kana.get()), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETPROMPTCHAR), 0xB1);
    m_combo->get_PromptChar(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral("ｱ"));
}

TEST_F(ComboTest, StringsTravelAsAnsiAndARefusalKeepsTheStoredValue)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    Bstr value(QStringLiteral("東京"));
    ASSERT_EQ(m_combo->put_Value(value.get()), S_OK);
    ASSERT_FALSE(ryx().log.empty());
    EXPECT_EQ(ryx().log.back().text, ansi("東京"));

    ryx().answers[ZOM_SETFORMAT] = 1; // refused
    Bstr format(QStringLiteral("999"));
    EXPECT_EQ(m_combo->put_Format(format.get()), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(errorText(), kInvalid);
    Bstr got;
    m_combo->get_Format(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral(""));
    Bstr tooLong(QString(257, u'9'));
    ryx().answers.erase(ZOM_SETFORMAT);
    ryx().log.clear();
    EXPECT_EQ(m_combo->put_Format(tooLong.get()), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_TRUE(ryx().log.empty());
    // A character the ANSI code page cannot hold is refused, not mangled.
    Bstr foreign(QStringLiteral("\U0001F600"));
    EXPECT_EQ(m_combo->put_LookupTable(foreign.get()), CTL_E_INVALIDPROPERTYVALUE);

    ryx().answers[ZOM_SETCURSORPOSITION] = 1;
    EXPECT_EQ(m_combo->put_CursorPosition(3), CTL_E_INVALIDPROPERTYVALUE);
    int16_t pos = 0;
    m_combo->get_CursorPosition(&pos);
    EXPECT_EQ(pos, -1);
}

TEST_F(ComboTest, TextOnADropDownListIsRefusedButStillRead)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    ASSERT_EQ(m_combo->put_Style(zoDropDownList), S_OK);
    ryx().log.clear();
    Bstr text(QStringLiteral("x"));
    EXPECT_EQ(m_combo->put_Text(text.get()), S_FALSE);
    EXPECT_TRUE(ryx().log.empty());
    ryx().text = ansi("窓の文字");
    Bstr got;
    m_combo->get_Text(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral("窓の文字"));
    // The read text is kept as Text.
    win::DestroyWindow(win::HWND([&] { int32_t h = 0; m_combo->get_hWnd(&h); return h; }()));
    m_combo->get_Text(got.put());
    EXPECT_EQ(got.toQString(), QStringLiteral("窓の文字"));
}

TEST_F(ComboTest, SelectedIndexAndItemWithoutAWindow)
{
    initNew();
    addItem(QStringLiteral("a"));
    addItem(QStringLiteral("b"));
    auto c = addItem(QStringLiteral("c"));
    int32_t index = 0;
    m_combo->put_SelectedIndex(5);
    m_combo->get_SelectedIndex(&index);
    EXPECT_EQ(index, -1);
    m_combo->put_SelectedIndex(-7);
    m_combo->get_SelectedIndex(&index);
    EXPECT_EQ(index, -1);
    m_combo->put_SelectedIndex(2);
    ComPtr<IComboItem> item;
    ASSERT_EQ(m_combo->get_SelectedItem(item.put()), S_OK);
    EXPECT_EQ(item.get(), c.get());

    // Nothing, or an item of another collection, is refused.
    EXPECT_EQ(m_combo->put_SelectedItem(nullptr), S_FALSE);
    ComPtr<IComboItem> foreign;
    CoCreateInstance(CLSID_ComboItem, nullptr, IID_IComboItem, foreign.putVoid());
    EXPECT_EQ(m_combo->put_SelectedItem(foreign.get()), S_FALSE);
    m_combo->get_SelectedIndex(&index);
    EXPECT_EQ(index, 2);

    // With a window the index sent is checked the same way.
    ASSERT_NE(createWindow(), 0u);
    m_combo->put_SelectedIndex(3);
    EXPECT_EQ(ryx().last(ZOM_SETSELECTEDINDEX), -1);
}

TEST_F(ComboTest, PreferredHeightFromItemHeightOrTheMeasuredHeight)
{
    initNew();
    int32_t h = 0;
    ASSERT_EQ(m_combo->put_ItemHeight(12), S_OK);
    m_combo->get_PreferredHeight(&h);
    EXPECT_EQ(h, 19);
    // A fresh control (ItemHeight -1) answers from the measured text height.
    ComPtr<ICombo> fresh;
    ASSERT_EQ(createCombo(IID_ICombo, fresh.putVoid()), S_OK);
    ComPtr<IPersistStreamInit> p;
    fresh->QueryInterface(IID_IPersistStreamInit, p.putVoid());
    p->InitNew();
    fresh->get_PreferredHeight(&h);
    EXPECT_GT(h, 7 + 5);
}

TEST_F(ComboTest, RunTimeOnlyAndReadOnlyMembers)
{
    setSite(false); // design time
    initNew();
    int32_t v = 0;
    EXPECT_EQ(m_combo->get_SelLength(&v), CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    EXPECT_EQ(m_combo->get_SelStart(&v), CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    Bstr s;
    EXPECT_EQ(m_combo->get_SelText(s.put()), CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    EXPECT_EQ(m_combo->get_DataBind(s.put()), CTL_E_GETNOTSUPPORTEDATDESIGNTIME);
    EXPECT_FALSE(errorText().isEmpty());
    Bstr version(QStringLiteral("9.9"));
    EXPECT_EQ(m_combo->put_Version(version.get()), CTL_E_SETNOTSUPPORTED);
    m_combo->get_Version(s.put());
    EXPECT_EQ(s.toQString(), QStringLiteral("7.0.0.1"));
}

TEST_F(ComboTest, SelTextIsSizedFromTheSelection)
{
    setSite(true);
    initNew();
    ASSERT_NE(createWindow(), 0u);
    ryx().text = QByteArray(600, 'x'); // longer than 256 bytes
    Bstr s;
    ASSERT_EQ(m_combo->get_SelText(s.put()), S_OK);
    EXPECT_EQ(s.length(), 600u);
}

TEST_F(ComboTest, ImeStatusComparesWithTheWindowOrTheStoredValue)
{
    initNew();
    // No window: compared with the stored value, stored.
    EXPECT_EQ(m_combo->put_IMEStatus(1), S_OK);
    int32_t v = 0;
    m_combo->get_IMEStatus(&v);
    EXPECT_EQ(v, 1);
    ASSERT_NE(createWindow(), 0u);
    ryx().answers[ZOM_GETIMESTATUS] = 0;
    ryx().log.clear();
    EXPECT_EQ(m_combo->put_IMEStatus(0), S_OK); // the window says 0: nothing to do
    EXPECT_EQ(ryx().count(ZOM_SETIMESTATUS), 0);
    EXPECT_EQ(m_combo->put_IMEStatus(1), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETIMESTATUS), 1);
}

TEST_F(ComboTest, DataBindFollowsDataPropertyAndReportsFailuresAsEvents)
{
    setSite(true);
    initNew();
    connectSink();
    ASSERT_NE(createWindow(), 0u);
    Bstr v(QStringLiteral("12"));
    ryx().log.clear();
    EXPECT_EQ(m_combo->put_DataBind(v.get()), S_OK);
    EXPECT_EQ(ryx().count(ZOM_SETVALUE), 1);
    EXPECT_EQ(ryx().last(ZOM_SETDATABIND), 2);
    m_combo->put_DataProperty(zoTextProperty);
    m_combo->put_Style(zoDropDownList);
    m_sink.calls.clear();
    EXPECT_EQ(m_combo->put_DataBind(v.get()), S_OK); // always S_OK
    EXPECT_EQ(m_sink.ids(), std::vector<DISPID>{DISPID_EV_DBERROR});
}

TEST_F(ComboTest, EditModeSendsToggleInsertToggle)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    ryx().log.clear();
    ASSERT_EQ(m_combo->put_EditMode(3), S_OK); // overwrite, fixed
    const std::vector<Sent> expected = {{ZOM_SETEDITMODETOGGLE, 1, {}}, {ZOM_SETINSERTMODE, 0, {}},
                                        {ZOM_SETEDITMODETOGGLE, 0, {}}};
    EXPECT_EQ(std::vector<Sent>(ryx().log.begin(), ryx().log.begin() + 3), expected);
    ryx().answers[ZOM_GETEDITMODESTATUS] = 1;
    int32_t status = -1;
    m_combo->get_EditModeStatus(&status);
    EXPECT_EQ(status, 0);
}

TEST_F(ComboTest, MousePointerCustomSendsTheIconAtRunTimeOnly)
{
    setSite(true);
    initNew();
    ASSERT_NE(createWindow(), 0u);
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ComPtr<IPicture> icon = createPicture(PICTYPE_ICON, image);
    ASSERT_EQ(m_combo->putref_MouseIcon(icon.get()), S_OK);
    ryx().log.clear();
    ASSERT_EQ(m_combo->put_MousePointer(zoCustom), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETMOUSEPOINTER), 99);
    EXPECT_EQ(ryx().count(ZOM_SETMOUSEICON), 1);
    // A bitmap is no icon: refused with the text, the pointer sent again.
    ComPtr<IPicture> bitmap = createPicture(PICTYPE_BITMAP, image);
    ryx().log.clear();
    EXPECT_EQ(m_combo->putref_MouseIcon(bitmap.get()), CTL_E_INVALIDPROPERTYVALUE);
    EXPECT_EQ(errorText(), kInvalid);
    EXPECT_EQ(ryx().count(ZOM_SETMOUSEPOINTER), 1);
}

TEST_F(ComboTest, MousePointerAtDesignTimeSendsZero)
{
    setSite(false);
    initNew();
    ASSERT_NE(createWindow(), 0u);
    ryx().log.clear();
    ASSERT_EQ(m_combo->put_MousePointer(zoCustom), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETMOUSEPOINTER), 0);
    EXPECT_EQ(ryx().count(ZOM_SETMOUSEICON), 0);
}

TEST_F(ComboTest, BackgroundImagePutsAndNothing)
{
    initNew();
    ASSERT_NE(createWindow(), 0u);
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    ComPtr<IPicture> pic = createPicture(PICTYPE_BITMAP, image);
    ASSERT_EQ(m_combo->putref_BackgroundImage(pic.get()), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETBACKGROUNDIMAGE), static_cast<long long>(reinterpret_cast<win::LPARAM>(pic.get())));
    ComPtr<IPicture> got;
    m_combo->get_BackgroundImage(got.put());
    EXPECT_EQ(got.get(), pic.get());
    // An empty picture clears it; Nothing (by value or by reference) too.
    ComPtr<IPicture> none = createPicture(PICTYPE_NONE);
    EXPECT_EQ(m_combo->put_BackgroundImage(none.get()), S_OK);
    EXPECT_EQ(ryx().last(ZOM_SETBACKGROUNDIMAGE), 0);
    m_combo->get_BackgroundImage(got.put());
    EXPECT_FALSE(got);
    EXPECT_EQ(m_combo->put_BackgroundImage(nullptr), S_FALSE);
    EXPECT_EQ(m_combo->putref_BackgroundImage(nullptr), S_FALSE);
}

// A caption whose copy cannot be made: it refuses to save.
class BrokenCaption final : public ICaptionDisp, public IPersistStream {
public:
    uint32_t refs = 1;
    HRESULT QueryInterface(const IID &iid, void **o) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_ICaptionDisp)
            *o = static_cast<ICaptionDisp *>(this);
        else if (iid == IID_IPersistStream || iid == IID_IPersist)
            *o = static_cast<IPersistStream *>(this);
        else {
            *o = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    uint32_t AddRef() override { return ++refs; }
    uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(uint32_t *) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID &, const OLECHAR *const *, uint32_t, LCID, DISPID *) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, const IID &, LCID, uint16_t, DISPPARAMS *, VARIANT *, EXCEPINFO *, uint32_t *) override { return E_NOTIMPL; }
    HRESULT get_Text(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_Text(BSTR) override { return E_NOTIMPL; }
    HRESULT get_Position(int32_t *) override { return E_NOTIMPL; }
    HRESULT put_Position(int32_t) override { return E_NOTIMPL; }
    HRESULT get_Size(int32_t *) override { return E_NOTIMPL; }
    HRESULT put_Size(int32_t) override { return E_NOTIMPL; }
    HRESULT get_Alignment(int32_t *) override { return E_NOTIMPL; }
    HRESULT put_Alignment(int32_t) override { return E_NOTIMPL; }
    HRESULT GetClassID(CLSID *c) override { *c = CLSID_Caption; return S_OK; }
    HRESULT IsDirty() override { return S_OK; }
    HRESULT Load(IStream *) override { return E_FAIL; }
    HRESULT Save(IStream *, bool) override { return STG_E_MEDIUMFULL; }
    HRESULT GetSizeMax(uint64_t *) override { return E_NOTIMPL; }
};

TEST_F(ComboTest, SubObjectPutsCopyAndAFailedCopyKeepsTheOldObject)
{
    initNew();
    ComPtr<ICaptionDisp> before;
    m_combo->get_Caption(before.put());
    BrokenCaption broken;
    EXPECT_EQ(m_combo->putref_Caption(&broken), STG_E_MEDIUMFULL);
    ComPtr<ICaptionDisp> after;
    m_combo->get_Caption(after.put());
    EXPECT_EQ(after.get(), before.get());
    EXPECT_TRUE(control().isHooked(1000));
    // Nothing changes nothing.
    EXPECT_EQ(m_combo->putref_Caption(nullptr), S_OK);

    // A good object: the control keeps a copy, hooked again.
    ComPtr<ISpin> mine;
    ASSERT_EQ(CoCreateInstance(CLSID_Spin, nullptr, IID_ISpin, mine.putVoid()), S_OK);
    mine->put_Visible(zoShowAlways);
    mine->put_Delay(333);
    ASSERT_EQ(m_combo->putref_Spin(mine.get()), S_OK);
    ComPtr<ISpin> held;
    m_combo->get_Spin(held.put());
    EXPECT_NE(held.get(), mine.get());
    int32_t delay = 0;
    held->get_Delay(&delay);
    EXPECT_EQ(delay, 333);
    EXPECT_TRUE(control().isHooked(1001));

    // Keys are copied into the control's own key object.
    ComPtr<IKey> key, own;
    ASSERT_EQ(CoCreateInstance(CLSID_Key, nullptr, IID_IKey, key.putVoid()), S_OK);
    key->Add(KeyActionNext, win::VK_DOWN, 0);
    m_combo->get_Key(own.put());
    ASSERT_EQ(m_combo->putref_Key(key.get()), S_OK);
    ComPtr<IKey> still;
    m_combo->get_Key(still.put());
    EXPECT_EQ(still.get(), own.get());
    int32_t n = 0;
    own->get_Count(&n);
    EXPECT_EQ(n, 1);
}

TEST_F(ComboTest, PropertyChangesReachTheControlsOwnSinks)
{
    initNew();
    RecordingSink sink;
    ComPtr<IConnectionPointContainer> cpc;
    m_combo->QueryInterface(IID_IConnectionPointContainer, cpc.putVoid());
    ComPtr<IConnectionPoint> cp;
    ASSERT_EQ(cpc->FindConnectionPoint(IID_IPropertyNotifySink, cp.put()), S_OK);
    uint32_t cookie = 0;
    ASSERT_EQ(cp->Advise(&sink, &cookie), S_OK);
    m_combo->put_Appearance(0);
    ComPtr<ISpin> spin;
    m_combo->get_Spin(spin.put());
    spin->put_Wrap(VARIANT_TRUE); // through hook 1001
    EXPECT_EQ(sink.calls, (QStringList{QStringLiteral("c-520"), QStringLiteral("c1001")}));
    cp->Unadvise(cookie);
}

TEST_F(ComboTest, SafetyAndErrorInfoAnswers)
{
    ComPtr<win::IObjectSafety> safety;
    ASSERT_EQ(m_combo->QueryInterface(win::IID_IObjectSafety, safety.putVoid()), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, 3, 2), S_OK);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistPropertyBag, 3, 3), E_FAIL);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IDispatch, 1, 3), S_OK);
    win::DWORD supported = 0, enabled = 0;
    safety->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled);
    EXPECT_EQ(enabled, 1u);
    EXPECT_EQ(safety->SetInterfaceSafetyOptions(IID_IPersistStream, 1, 1), E_NOINTERFACE);
    ComPtr<ISupportErrorInfo> sei;
    ASSERT_EQ(m_combo->QueryInterface(IID_ISupportErrorInfo, sei.putVoid()), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_ICombo), S_OK);
    EXPECT_EQ(sei->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST_F(ComboTest, MembersByNameThroughIDispatch)
{
    initNew();
    Variant r;
    ASSERT_EQ(invokeByName(m_combo.get(), QStringLiteral("AutoSelect"), DISPATCH_PROPERTYPUT, {Variant::boolean(true)}, nullptr), S_OK);
    ASSERT_EQ(invokeByName(m_combo.get(), QStringLiteral("autoselect"), DISPATCH_PROPERTYGET, {}, &r), S_OK);
    EXPECT_EQ(r.vt, VT_BOOL);
    EXPECT_EQ(r.boolVal, VARIANT_TRUE);
    Variant items;
    ASSERT_EQ(invokeByName(m_combo.get(), QStringLiteral("Items"), DISPATCH_PROPERTYGET, {}, &items), S_OK);
    ASSERT_EQ(items.vt, VT_DISPATCH);
    // A refused put reports its text through the exception information.
    EXCEPINFO excep;
    EXPECT_EQ(invokeByName(m_combo.get(), QStringLiteral("Style"), DISPATCH_PROPERTYPUT, {Variant::i4(7)}, nullptr, &excep),
              DISP_E_EXCEPTION);
    EXPECT_EQ(bstrToQString(excep.bstrDescription), kInvalid);
    EXPECT_EQ(excep.scode, CTL_E_INVALIDPROPERTYVALUE);
    clearExcepInfo(&excep);
}
