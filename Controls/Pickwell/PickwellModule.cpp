#include "Controls/Pickwell/PickwellModule.h"

#include "Controls/Pickwell/ComboItem.h"
#include "Controls/Pickwell/ComboItemCollection.h"

namespace pickwell {

const com::CLSID CLSID_ComboItem = {0xCB8724BB, 0xE11C, 0x45D8, {0xAF, 0x0C, 0x49, 0xC0, 0x4B, 0x13, 0x87, 0xDB}};
const com::CLSID CLSID_ComboItemCollection = {0x6B4E533A, 0x1F9E, 0x439E, {0x9E, 0x72, 0x69, 0xDE, 0xA4, 0x5F, 0xC1, 0xC6}};
const com::IID IID_IComboItem = {0xEB4B2E72, 0x9B70, 0x4D01, {0x81, 0xA3, 0xE5, 0x46, 0x02, 0x06, 0xF0, 0x05}};
const com::IID IID_IComboItemCollection = {0xAA1A3CC8, 0x27FB, 0x4D4F, {0x8B, 0xB1, 0xEB, 0xEF, 0x36, 0x5E, 0xE6, 0xAC}};

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
            {IDS_INVALID_VALUE, QStringLiteral("ﾌﾟﾛﾊﾟﾃｨの値が不正です。")},
        },
        true,
        {7, 0, 0, 1},
    };
    static controls::ComModule m(
        {
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
