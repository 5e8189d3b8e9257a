// The combo's property pages from the real shared library: their
// registration rows and creation by class id, as a property frame makes them.
#include "PickwellTestSupport.h"

#include "Controls/Pickwell/ComboPageIds.h"
#include "platform/win/ole/proppage.h"

#include <QTemporaryDir>

using namespace pickwell;
using namespace pickwell::testing;

namespace {

struct PageRow {
    const CLSID *clsid;
    const char *key;
    const char *caption;
    const char *title;
};

const PageRow kPages[] = {
    {&CLSID_ComboGeneralPage, "{13C47DFB-45AF-486C-90D7-29DD22E959E5}", "Ryx Mask Property Page 6.0 (General)", "全般"},
    {&CLSID_ComboAppearancePage, "{3B9FB580-9848-476B-8160-AF4FD66258B5}", "Ryx Mask Property Page 6.0 (Appearance)",
     "表示"},
    {&CLSID_ComboFormatPage, "{73F50FD7-AD47-4574-8165-B91C6AAE0720}", "Ryx Mask Property Page 6.0 (Format)", "ﾌｫｰﾏｯﾄ"},
    {&CLSID_ComboLookupPage, "{6C9FCFAB-A6A3-413D-BDC0-9AAD7385DA6C}", "Ryx Mask Property Page 6.0 (Lookup)",
     "参照ﾃｰﾌﾞﾙ"},
    {&CLSID_ComboButtonPage, "{3D88EEAD-F147-4C7E-BEC6-A86A28F88C7D}", "Ryx Number Property Page 6.0 (Button)",
     "ﾎﾞﾀﾝ定義"},
    {&CLSID_ComboItemEditorPage, "{246A5F8E-19B7-4BA8-932C-AD6AE51E5972}", "Ryx Combo Property Page 6.0 (ItemEditor)",
     "リスト"},
};

class ComboPageLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        module().detach();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("TALVIK_REGISTRY", (m_dir.path() + QStringLiteral("/registry.json")).toLocal8Bit());
        ASSERT_EQ(registerServerLibrary(QString::fromUtf8(PICKWELL_LIBRARY)), S_OK);
    }
    void TearDown() override { qunsetenv("TALVIK_REGISTRY"); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(ComboPageLibraryTest, EachPageIsRegisteredAndCreatableByItsClassId)
{
    for (const PageRow &row : kPages) {
        SCOPED_TRACE(row.caption);
        const QString key = QStringLiteral("CLSID\\") + QString::fromLatin1(row.key);
        EXPECT_EQ(regText(key), QString::fromUtf8(row.caption));
        EXPECT_EQ(regText(key + QStringLiteral("\\InprocServer32"), QStringLiteral("ThreadingModel")),
                  QStringLiteral("Apartment"));
        EXPECT_EQ(regText(key + QStringLiteral("\\ProgID")), QStringLiteral("<no key>"));

        ComPtr<platform::win::IPropertyPage> page;
        ASSERT_EQ(CoCreateInstance(*row.clsid, nullptr, platform::win::IID_IPropertyPage, page.putVoid()), S_OK);
        platform::win::PROPPAGEINFO info;
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        EXPECT_EQ(QString::fromUtf16(info.pszTitle), QString::fromUtf8(row.title));
        EXPECT_GT(info.size.cx, 100);
        EXPECT_GT(info.size.cy, 20);
        CoTaskMemFree(info.pszTitle);
    }
}
