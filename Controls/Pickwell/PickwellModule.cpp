#include "Controls/Pickwell/PickwellModule.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"
#include "Controls/Pickwell/ComboControl.h"

namespace pickwell {

controls::ComModule &module()
{
    // The string table and the version record (7.0.0.1).
    static const com::ModuleResources resources{
        {
            {IDS_TITLE, QStringLiteral("Combo")},
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
             QString(), QString(), QString(), QStringLiteral("both"), &controls::createObject<ComboItemCollection>},
            {CLSID_ComboItem, QStringLiteral("ComboItem"), QStringLiteral("ComboItem Class"),
             QStringLiteral("Combo.ComboItem.1"), QStringLiteral("Combo.ComboItem"), QStringLiteral("BealObj Class"),
             QStringLiteral("both"), &controls::createObject<ComboItem>},
        },
        &resources);
    return m;
}

} // namespace pickwell
