#include "Controls/Container/LumafoldModule.h"

#include "Controls/Container/Child.h"
#include "Controls/Container/Childs.h"
#include "Controls/Container/Container3D.h"
#include "Controls/Container/ContainerPageChilds.h"
#include "Controls/Container/ContainerPageEffects.h"
#include "Controls/Container/ContainerPageGeneral.h"
#include "Controls/Container/Effect.h"
#include "Controls/Container/Effects.h"

namespace lumafold {

const com::GUID CLSID_Effect = {0xC281721D, 0x3F5E, 0x43E0, {0xB0, 0x6E, 0x12, 0xA3, 0x11, 0x4D, 0x4C, 0xB4}};
const com::GUID CLSID_Effects = {0x81804F6B, 0xDB6D, 0x4EEB, {0x85, 0x4E, 0xAD, 0x40, 0x91, 0xAF, 0x74, 0xD1}};
const com::GUID CLSID_Child = {0x24EC532F, 0xBB1B, 0x4687, {0x9A, 0x7A, 0xA9, 0x5C, 0x2C, 0xAF, 0x68, 0xD3}};
const com::GUID CLSID_Childs = {0x2E2CD4CD, 0x7317, 0x47B2, {0x8F, 0x8E, 0x3D, 0x3B, 0x44, 0x28, 0xE6, 0x74}};
const com::GUID IID_IEffect = {0x7FA1CB73, 0xD0DB, 0x472B, {0x82, 0x73, 0x32, 0x43, 0x7D, 0xE5, 0x01, 0xC6}};
const com::GUID IID_IChild = {0x0420E3B6, 0xCDA0, 0x44E1, {0x9C, 0x11, 0xCC, 0xFD, 0x65, 0x09, 0x47, 0x6E}};
const com::GUID IID_IEffects = {0x294DC283, 0x8E48, 0x4E13, {0x90, 0xEE, 0xF0, 0x9E, 0x7C, 0x9D, 0xD4, 0x62}};
const com::GUID IID_IChildren = {0xA93F0049, 0x03B9, 0x43F6, {0x80, 0x41, 0x3E, 0x77, 0xF3, 0x47, 0xFA, 0xEF}};
const com::GUID CLSID_ContainerEffectsPage = {0xB0BB19E9, 0xEC31, 0x48DC, {0x97, 0x55, 0x23, 0xC1, 0x38, 0xE1, 0x6D, 0x27}};
const com::GUID CLSID_ContainerChildsPage = {0x36460BC7, 0x7650, 0x4F88, {0xAF, 0xFB, 0xE5, 0x8E, 0x93, 0x78, 0x7B, 0x47}};
const com::GUID CLSID_ContainerGeneralPage = {0x4D8EB2DF, 0xBBCC, 0x4075, {0xA4, 0x46, 0x16, 0x0A, 0x0B, 0x57, 0x2E, 0xEC}};
// Private to the library: the pages' link to the control.
const com::GUID IID_IContainerPageLink = {0x6C1E52A4, 0x93D7, 0x4B0E, {0x8F, 0x21, 0x5A, 0x3C, 0x77, 0x0D, 0x41, 0x9B}};

namespace {

// The control's rows below its CLSID key beside the standard ones: control
// keys, misc status, toolbox bitmap, type library, the properties verb and
// the categories.
std::vector<controls::RegistryRow> containerRows()
{
    std::vector<controls::RegistryRow> rows = {
        {QStringLiteral("Control"), QString(), QString()},
        {QStringLiteral("Programmable"), QString(), QString()},
        {QStringLiteral("ToolboxBitmap32"), QString(), QStringLiteral("%MODULE%, 1")},
        {QStringLiteral("MiscStatus"), QString(), QStringLiteral("0")},
        {QStringLiteral("MiscStatus\\1"), QString(), QStringLiteral("205201")},
        {QStringLiteral("TypeLib"), QString(), QStringLiteral("{5FB9825C-00A7-4366-B62F-8923BA683BFB}")},
        {QStringLiteral("Version"), QString(), QStringLiteral("7.0")},
        {QStringLiteral("verb\\0"), QString(), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ(&R), 0, 2")},
    };
    static const char *const categories[] = {
        "{0DE86A52-2BAA-11CF-A229-00AA003D7352}", "{0DE86A53-2BAA-11CF-A229-00AA003D7352}",
        "{0DE86A57-2BAA-11CF-A229-00AA003D7352}", "{40FC6ED4-2438-11CF-A3DB-080036F12502}",
        "{40FC6ED5-2438-11CF-A3DB-080036F12502}", "{7DD95801-9882-11CF-9FA9-00AA006C42C4}",
        "{7DD95802-9882-11CF-9FA9-00AA006C42C4}", "{73D81210-DDBD-4FEF-9913-804E8A7E706D}",
    };
    for (const char *c : categories)
        rows.push_back({QStringLiteral("Implemented Categories\\") + QLatin1String(c), QString(), QString()});
    return rows;
}

} // namespace

controls::ComModule &module()
{
    // The string table and the version record (7.0.0.1).
    static const com::ModuleResources resources{
        {
            {IDS_TITLE, QStringLiteral("3Dコンテナ")},
            // The About box's web page: the project's README installed beside the library.
            {8000, QStringLiteral("README.md")},
            {101, QStringLiteral("0 - なし,1 - 実線")},
            {102, QStringLiteral("OK")},
            {103, QStringLiteral("ｷｬﾝｾﾙ")},
            {104, QStringLiteral("挿入")},
            {105, QStringLiteral("削除")},
            {120, QStringLiteral("0 - 3D効果なし,1 - 共通3D,2 - 指定3D")},
            {121, QStringLiteral("0 - 自動調整なし,1 - 自動調整あり")},
            {122, QStringLiteral("0 - 既定値,1 - 矢印,2 - 十字,3 - Iﾋﾞｰﾑ,4 - ｱｲｺﾝ,5 - ｻｲｽﾞ,"
                                 "6 - ｻｲｽﾞ (右上/左下),7 - ｻｲｽﾞ (上下),8 - ｻｲｽﾞ (左上/右下),"
                                 "9 - ｻｲｽﾞ (左右),10 - 上矢印,11 - 砂時計,12 - ﾄﾞﾛｯﾌﾟ不可,"
                                 "13 - 矢印と砂時計,14 - 矢印と疑問符,15 - ｻｲｽﾞ (全方向),99 - ﾕｰｻﾞｰ定義")},
            {151, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。")},
            {130, QStringLiteral("3Dｽﾀｲﾙ")},
            {131, QStringLiteral("ﾁｬｲﾙﾄﾞｽﾀｲﾙ")},
            {132, QStringLiteral("全般")},
            {IDS_NONE, QStringLiteral("(なし)")},
            {202, QStringLiteral("色")},
            {IDS_KEY_EXISTS, QStringLiteral("このｷｰは既にこのｺﾚｸｼｮﾝの要素に割り当てられています。")},
            {IDS_INDEX_RANGE, QStringLiteral("ｲﾝﾃﾞｯｸｽが有効範囲にありません。")},
            {IDS_ELEMENT_NOT_FOUND, QStringLiteral("指定した要素が見つかりません。")},
            {IDS_KEY_INVALID, QStringLiteral("ｷｰは無効または空白の状態です。")},
            {IDS_KEY_DIFFERS, QStringLiteral("指定したｷｰは存在していますが、ｶﾚﾝﾄ要素のｷｰと違っています。")},
            {IDS_NOT_IN_COLLECTION, QStringLiteral("指定したｵﾌﾞｼﾞｪｸﾄはｺﾚｸｼｮﾝ内に存在しません。")},
            {520, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。")},
            {IDS_PROPERTY_ERROR, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ")},
            {IDS_INVALID_VALUE, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。")},
        },
        true,
        {7, 0, 0, 1},
    };
    static controls::ComModule m(
        {
            {CLSID_Container3D, QStringLiteral("zoContainer3D"), QStringLiteral("Brenwold Container3D Control 7.0"),
             QStringLiteral("Ryx.Container3D7.7"), QStringLiteral("Ryx.Container3D7"), QString(),
             QStringLiteral("Apartment"), &controls::createObject<Container3D>, containerRows()},
            {CLSID_Effect, QStringLiteral("Effect"), QStringLiteral("Brenwold Container3D Effect Object 7.0"),
             QStringLiteral("Ryx.Cont_Effect7.7"), QStringLiteral("Ryx.Cont_Effect7"), QString(),
             QStringLiteral("Apartment"), &controls::createObject<Effect>, {}},
            {CLSID_Effects, QStringLiteral("Effects"), QStringLiteral("Brenwold Container3D Effects Collection Object 7.0"),
             QStringLiteral("Ryx.Cont_Effects7.7"), QStringLiteral("Ryx.Cont_Effects7"), QString(),
             QStringLiteral("Apartment"), &controls::createObject<Effects>, {}},
            {CLSID_Child, QStringLiteral("Child"), QStringLiteral("Brenwold Container3D Child Object 7.0"),
             QStringLiteral("Ryx.Cont_Child7.7"), QStringLiteral("Ryx.Cont_Child7"), QString(),
             QStringLiteral("Apartment"), &controls::createObject<Child>, {}},
            {CLSID_Childs, QStringLiteral("Childs"), QStringLiteral("Brenwold Container3D Childs Collection Object 7.0"),
             QStringLiteral("Ryx.Cont_Childs7.7"), QStringLiteral("Ryx.Cont_Childs7"), QString(),
             QStringLiteral("Apartment"), &controls::createObject<Childs>, {}},
            {CLSID_ContainerEffectsPage, QStringLiteral("ContainerEffectsPage"),
             QStringLiteral("Brenwold Container3D Property Page 7.0 (Effects)"), QString(), QString(), QString(),
             QStringLiteral("Apartment"), &controls::createObject<ContainerEffectsPage>, {}},
            {CLSID_ContainerChildsPage, QStringLiteral("ContainerChildsPage"),
             QStringLiteral("Brenwold Container3D Property Page 7.0 (Childs)"), QString(), QString(), QString(),
             QStringLiteral("Apartment"), &controls::createObject<ContainerChildsPage>, {}},
            {CLSID_ContainerGeneralPage, QStringLiteral("ContainerGeneralPage"),
             QStringLiteral("Brenwold Container3D Property Page 7.0 (General)"), QString(), QString(), QString(),
             QStringLiteral("Apartment"), &controls::createObject<ContainerGeneralPage>, {}},
        },
        &resources);
    return m;
}

com::HRESULT raiseError(com::HRESULT hr, const com::CLSID &clsid, const com::IID &iid)
{
    if (hr == com::CTL_E_ILLEGALFUNCTIONCALL) {
        com::SetErrorInfo(0, nullptr); // this error carries no text
        return hr;
    }
    const uint32_t id = hr == com::CTL_E_INVALIDPROPERTYVALUE ? uint32_t(IDS_INVALID_VALUE) : uint32_t(hr & 0xFFFF);
    return module().raise(hr, id, clsid, iid);
}

} // namespace lumafold
