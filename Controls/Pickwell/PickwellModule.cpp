#include "Controls/Pickwell/PickwellModule.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/Pickwell/ComboControl.h"
#include "Controls/Pickwell/ComboPageIds.h"
#include "Controls/Pickwell/ComboPages.h"

namespace pickwell {

const com::CLSID CLSID_ComboGeneralPage = {0x13C47DFB, 0x45AF, 0x486C, {0x90, 0xD7, 0x29, 0xDD, 0x22, 0xE9, 0x59, 0xE5}};
const com::CLSID CLSID_ComboAppearancePage = {0x3B9FB580, 0x9848, 0x476B, {0x81, 0x60, 0xAF, 0x4F, 0xD6, 0x62, 0x58, 0xB5}};
const com::CLSID CLSID_ComboFormatPage = {0x73F50FD7, 0xAD47, 0x4574, {0x81, 0x65, 0xB9, 0x1C, 0x6A, 0xAE, 0x07, 0x20}};
const com::CLSID CLSID_ComboLookupPage = {0x6C9FCFAB, 0xA6A3, 0x413D, {0xBD, 0xC0, 0x9A, 0xAD, 0x73, 0x85, 0xDA, 0x6C}};
const com::CLSID CLSID_ComboButtonPage = {0x3D88EEAD, 0xF147, 0x4C7E, {0xBE, 0xC6, 0xA8, 0x6A, 0x28, 0xF8, 0x8C, 0x7D}};
const com::CLSID CLSID_ComboItemEditorPage = {0x246A5F8E, 0x19B7, 0x4BA8, {0x93, 0x2C, 0xAD, 0x6A, 0xE5, 0x1E, 0x59, 0x72}};

controls::ComModule &module()
{
    // The string table and the version record (7.0.0.1).
    static const com::ModuleResources resources{
        {
            {IDS_TITLE, QStringLiteral("Combo")},
            // The About box's web page: the project's README installed beside the library.
            {8000, QStringLiteral("README.md")},
            {101, QStringLiteral("0 - ｺﾝﾄﾛｰﾙ,1 - ﾌｨｰﾙﾄﾞ")},
            {102, QStringLiteral("0 - 常に表示,1 - 入力後に表示,2 - 入力前に表示")},
            {103, QStringLiteral("0 - なし,1 - ﾌｨｰﾙﾄﾞ,2 - すべて選択")},
            {104, QStringLiteral("0 - ﾌﾗｯﾄ,1 - 3D,2 - XPTheme")},
            {105, QStringLiteral("0 - なし,1 - 実線")},
            {106, QStringLiteral("0 - 左揃え,1 - 右揃え,2 - 中央揃え")},
            {107, QStringLiteral("0 - 上揃え,1 - 下揃え,2 - 中央揃え")},
            {108, QStringLiteral("0 - ﾘﾃﾗﾙ文字列を含む,1 - ﾘﾃﾗﾙ文字列を除く")},
            {109, QStringLiteral("0 - 画像のみ,1 - 画像と説明,2 - 内容のみ,3 - 内容と説明,4 - 画像と内容,5 - 画像と内容と説明")},
            {110, QStringLiteral("0 - 挿入,1 - 上書き,2 - 挿入(固定),3 - 上書き(固定)")},
            {111, QStringLiteral("0 - 既定値,1 - 矢印,2 - ｸﾛｽ,3 - I ﾋﾞｰﾑ,4 - ｱｲｺﾝ,5 - ｻｲｽﾞ (上下左右),6 - ｻｲｽﾞ (右上-左下),7 - ｻｲｽﾞ (上下),8 - ｻｲｽﾞ (左上-右下),9 - ｻｲｽﾞ (左右),10 - 上矢印,11 - 砂時計,12 - 禁止,13 - 矢印と砂時計,14 - 矢印と疑問符,15 - ｻｲｽﾞ (全方向),99 - ﾕｰｻﾞｰ定義")},
            {112, QStringLiteral("0 - なし,1 - 左端,2 - 右端,3 - 両端")},
            {113, QStringLiteral("0 - ﾘﾃﾗﾙ文字列を除く,1 - ﾘﾃﾗﾙ文字列を含む")},
            {114, QStringLiteral("0 - 既定値,1 - ｵﾝ,2 - ｵﾌ,3 - ｵﾌ 固定,4 - 全角ひらがな,5 - 全角ｶﾀｶﾅ,6 - 半角ｶﾀｶﾅ,7 - 全角英数,8 - 半角英数")},
            {115, QStringLiteral("0 - 通常,1 - 無変換")},
            {116, QStringLiteral("0 - 手動,1 - 自動")},
            {117, QStringLiteral("0 - なし,1 - 手動,2 - 自動")},
            {118, QStringLiteral("0 - なし,1 - 参照ﾃｰﾌﾞﾙの文字,2 - 参照ﾃｰﾌﾞﾙ以外の文字")},
            {119, QStringLiteral("&&&&&&&&&&?999-99?999-9999?〒 999-99?〒 999-9999?〒 999-9999;;{}?99-9999-9999?999-999-9999?9999-99-9999?℡ 99-9999-9999?℡ 99-9999-9999;;{}?99(9999)9999?999(999)9999?9999(99)9999?(999)999-9999?℡ 99(9999)9999?℡ 99(9999)9999;;{}?９９９－９９?９９９－９９９９?〒 ９９９－９９?〒 ９９９－９９９９?〒 ９９９－９９９９;;{}?９９－９９９９－９９９９?９９９－９９９－９９９９?９９９９－９９－９９９９?℡ ９９－９９９９－９９９９?℡ ９９－９９９９－９９９９;;{}?９９（９９９９）９９９９?９９９（９９９）９９９９?９９９９（９９）９９９９?（９９９）９９９－９９９９?℡ ９９（９９９９）９９９９?℡ ９９（９９９９）９９９９;;{}")},
            {120, QStringLiteral("0 - 未設定,1 - 左揃え,2 - 中央揃え,3 - 右揃え")},
            {121, QStringLiteral("0 - 文字列のみ,1 - 画像のみ,2 - 画像と文字列")},
            {122, QStringLiteral("0 - 自動表示,1 - 常に表示")},
            {123, QStringLiteral("0 - 標準コンボ,1 - ドロップダウンコンボ,2 - ドロップダウンリスト")},
            {124, QStringLiteral("0 - 内容でソート,1 - 説明でソート,2 - 値でソート")},
            {125, QStringLiteral("0 - 昇順,1 - 降順,2 - なし")},
            {126, QStringLiteral("画像ﾌｧｲﾙ (*.bmp;*.ico;*.png;*.jpg;*.gif)|*.bmp;*.ico;*.png;*.jpg;*.gif|すべてのﾌｧｲﾙ (*.*)|*.*|")},
            {127, QStringLiteral("ﾋﾟｸﾁｬの参照")},
            {128, QStringLiteral("0 - 左側にｽﾋﾟﾝを表示,1 - 右側にｽﾋﾟﾝを表示")},
            {131, QStringLiteral("ﾌｫｰﾏｯﾄ")},
            {132, QStringLiteral("ﾃﾞｰﾀ値")},
            {250, QStringLiteral("0 - 非表示,1 - 表示,2 - ﾌｫｰｶｽ取得時")},
            {251, QStringLiteral("0 - 内側,1 - 外側")},
            {140, QStringLiteral("全般")},
            {141, QStringLiteral("表示")},
            {142, QStringLiteral("ﾌｫｰﾏｯﾄ")},
            {143, QStringLiteral("参照ﾃｰﾌﾞﾙ")},
            {144, QStringLiteral("リスト")},
            {IDS_INVALID_VALUE_PAGE, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ の値が不正です。")},
            {249, QStringLiteral("ﾎﾞﾀﾝ定義")},
            {IDS_PROPERTY_ERROR, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨｴﾗｰ")},
            {8500, QStringLiteral("ｵﾌﾞｼﾞｪｸﾄの使用が不正です。")},
            {8501, QStringLiteral("指定した書式がﾃﾞｰﾀ形式に合いません。")},
            {8502, QStringLiteral("最低でも 1 つの引数が必要です。")},
            {8503, QStringLiteral("ﾊﾞｲﾄ配列形式のﾃﾞｰﾀ要求とは異なるOLEﾄﾞﾗｯｸﾞｱﾝﾄﾞﾄﾞﾛｯﾌﾟの形式をSetDataで使用しました。"
                                  "GetDataはSetDataで設定されたよりも大きい値を戻す可能性があります。 \n")},
            {IDS_INVALID_VALUE, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。")},
            {IDS_READ_ONLY, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨは読み取り専用です。")},
            {IDS_RUN_TIME_ONLY, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨはﾃﾞｻﾞｲﾝ時には取得できません。")},
        },
        true,
        {7, 0, 0, 1},
    };
    static controls::ComModule m(
        {
            {CLSID_zoCombo, QStringLiteral("zoCombo"), QStringLiteral("Brenwold Combo Control 7.0 Class"),
             QStringLiteral("Brenwold.Combo7.7"), QStringLiteral("Brenwold.Combo7"), QString(),
             QStringLiteral("Apartment"), &createCombo,
             {
                 {QStringLiteral("Programmable"), QString(), QString()},
                 {QStringLiteral("Control"), QString(), QString()},
                 {QStringLiteral("Insertable"), QString(), QString()},
                 {QStringLiteral("ToolboxBitmap32"), QString(), QStringLiteral("%MODULE%, 1")},
                 {QStringLiteral("MiscStatus"), QString(), QStringLiteral("0")},
                 {QStringLiteral("MiscStatus\\1"), QString(), QStringLiteral("131473")},
                 {QStringLiteral("verb\\0"), QString(), QStringLiteral("ﾌﾟﾛﾊﾟﾃｨ(&R), 0, 2")},
                 {QStringLiteral("DataFormats\\GetSet\\0"), QString(), QStringLiteral("1,1,1,3")},
                 {QStringLiteral("TypeLib"), QString(), QStringLiteral("{9FE12C86-E790-4AAE-A65E-E0BE8C0DFD66}")},
                 {QStringLiteral("Version"), QString(), QStringLiteral("7.0")},
             }},
            {CLSID_ComboItemCollection, QStringLiteral("ComboItemCollection"), QStringLiteral("ComboItemCollection Class"),
             QString(), QString(), QString(), QStringLiteral("both"), &controls::createObject<ComboItemCollection>, {}},
            {CLSID_ComboItem, QStringLiteral("ComboItem"), QStringLiteral("ComboItem Class"),
             QStringLiteral("Combo.ComboItem.1"), QStringLiteral("Combo.ComboItem"), QStringLiteral("BealObj Class"),
             QStringLiteral("both"), &controls::createObject<ComboItem>, {}},
            {CLSID_ComboGeneralPage, QStringLiteral("ComboGeneralPage"), QStringLiteral("Ryx Mask Property Page 6.0 (General)"),
             QString(), QString(), QString(), QStringLiteral("Apartment"), &createGeneralPage, {}},
            {CLSID_ComboAppearancePage, QStringLiteral("ComboAppearancePage"),
             QStringLiteral("Ryx Mask Property Page 6.0 (Appearance)"), QString(), QString(), QString(),
             QStringLiteral("Apartment"), &createAppearancePage, {}},
            {CLSID_ComboFormatPage, QStringLiteral("ComboFormatPage"), QStringLiteral("Ryx Mask Property Page 6.0 (Format)"),
             QString(), QString(), QString(), QStringLiteral("Apartment"), &createFormatPage, {}},
            {CLSID_ComboLookupPage, QStringLiteral("ComboLookupPage"), QStringLiteral("Ryx Mask Property Page 6.0 (Lookup)"),
             QString(), QString(), QString(), QStringLiteral("Apartment"), &createLookupPage, {}},
            {CLSID_ComboButtonPage, QStringLiteral("ComboButtonPage"), QStringLiteral("Ryx Number Property Page 6.0 (Button)"),
             QString(), QString(), QString(), QStringLiteral("Apartment"), &createButtonPage, {}},
            {CLSID_ComboItemEditorPage, QStringLiteral("ComboItemEditorPage"),
             QStringLiteral("Ryx Combo Property Page 6.0 (ItemEditor)"), QString(), QString(), QString(),
             QStringLiteral("Apartment"), &createItemEditorPage, {}},
        },
        &resources);
    return m;
}

} // namespace pickwell
