#include "talvik/settings/frmImportCustom.h"

#include "platform/forms/msgbox.h"
#include "platform/shell/shell.h"
#include "talvik/store/customerName.h"

namespace talvik {

using namespace platform::forms;

frmImportCustom::frmImportCustom(QObject *parent) : Form(parent)
{
    connect(&cmdOK, &CommandButton::Click, this, &frmImportCustom::cmdOK_Click);
    connect(&cmdCancel, &CommandButton::Click, this, &frmImportCustom::cmdCancel_Click);
}

void frmImportCustom::designForm()
{
    setCaption(QStringLiteral("お客さま名の選択"));
    setDesignSize(5640, 3000);
    setBorderStyle(vbFixedSingle);
    setStartUpPosition(vbStartUpOwner);
    fraCustom.setCaption(QStringLiteral("お客さまの選択"));
    fraCustom.Move(120, 120, 5400, 900);
    zoComboCustom.Move(240, 400, 4920, 330);
    const QString warnings[] = {QStringLiteral("データを読み込む対象のお客さま名を選択して下さい。"),
                                QStringLiteral("選択肢に存在しない場合は、[キャンセル]をクリック後、"),
                                QStringLiteral("お客さま名の新規作成を行って下さい。")};
    for (int i = 0; i < 3; ++i) {
        lblWarn1(i).setCaption(warnings[i]);
        lblWarn1(i).Move(240, 1140 + i * 300, 5280, 280);
    }
    cmdOK.setCaption(QStringLiteral("O　K"));
    cmdOK.Move(1560, 2340, 1300, 420);
    cmdOK.setDefault(true);
    cmdCancel.setCaption(QStringLiteral("キャンセル"));
    cmdCancel.Move(3000, 2340, 1300, 420);
    cmdCancel.setCancel(true);
}

void frmImportCustom::Form_Load()
{
    m_status = false;
    if (!m_addCustom.isEmpty()) {
        ComboItem item = ComboItem::create();
        item.setContent(m_addCustom);
        zoComboCustom.Items().Add(item);
        zoComboCustom.setSelectedItem(item);
    }
    // The working store exists while a data window is open; without it the
    // list offers only the extra name.
    const QString store = platform::shell::programFolder() + QStringLiteral("\\dDB.tran");
    if (platform::shell::FolderExists(store)) {
        for (const platform::shell::FolderEntry &folder : platform::shell::SubFolders(store)) {
            // Folders the customer tree cannot show are not offered either.
            if (folder.Name == m_addCustom || !isTreeKeySafeName(folder.Name))
                continue;
            ComboItem item = ComboItem::create();
            item.setContent(folder.Name);
            zoComboCustom.Items().Add(item);
            if (item.Content() == m_custom)
                zoComboCustom.setSelectedItem(item);
        }
    }
    zoComboCustom.setAutoSelect(true);
}

void frmImportCustom::cmdOK_Click()
{
    if (zoComboCustom.SelectedIndex() == -1) {
        MsgBox(QStringLiteral("お客さま名を選択してください。"), vbExclamation);
        return;
    }
    const QString name = zoComboCustom.SelectedItem().Content();
    const QString question = QStringLiteral("[") + name + QStringLiteral("]") + QStringLiteral("にデータを読み込みます。") +
                             QStringLiteral("\r\n\r\n") + QStringLiteral("お客さま名を確認してください。　よろしいですか？");
    if (MsgBox(question, vbOKCancel + vbExclamation) != vbOK)
        return;
    m_custom = name;
    m_addCustom.clear();
    m_status = true;
    Unload();
}

void frmImportCustom::cmdCancel_Click()
{
    m_custom.clear();
    Unload();
}

} // namespace talvik
