#pragma once
// The wait dialog: one progress window with a message, two progress lines and
// an optional cancel button whose flag the running operation polls. While
// loaded it keeps its parent window disabled and shows the hourglass.
#include "platform/forms/controls.h"
#include "platform/forms/form.h"
#include "platform/forms/timer.h"

#include <QPointer>

namespace talvik {

class frmWait : public platform::forms::Form {
    Q_OBJECT
public:
    explicit frmWait(QObject *parent = nullptr);
    // Released while loaded: the parent gets its hold back all the same.
    ~frmWait() override;

    // lblLoadInfo1, lblLoadInfo2 and lblWaitMsg := "" (loads the dialog).
    void clear();
    // The window that owns the operation; does not load the dialog.
    using QObject::setParent;
    void setParent(platform::forms::Form *window);
    platform::forms::Form *parentWindow() const { return m_parent; }
    // The cancel request; does not load the dialog.
    bool isCancel() const { return m_cancel; }
    // cmdCancel enabled and visible := value.
    void setEnableCancel(bool enable);
    QString waitMsg();
    void setWaitMsg(const QString &text);
    QString loadInfo1();
    void setLoadInfo1(const QString &text);
    QString loadInfo2();
    void setLoadInfo2(const QString &text);

    platform::forms::Label lblWaitMsg{this, QStringLiteral("lblWaitMsg")};
    platform::forms::Label lblLoadInfo1{this, QStringLiteral("lblLoadInfo1")};
    platform::forms::Label lblLoadInfo2{this, QStringLiteral("lblLoadInfo2")};
    platform::forms::CommandButton cmdCancel{this, QStringLiteral("cmdCancel")};
    platform::forms::Timer tmrWait{this, QStringLiteral("tmrWait")};

    // Name of the disable hold the dialog puts on its parent.
    static QString holdName() { return QStringLiteral("frmWait"); }

protected:
    void designForm() override;
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_Unload(int &cancel) override;

private:
    void cmdCancel_Click();
    void nameByMessage();

    QPointer<platform::forms::Form> m_parent;
    // The window this load disabled: the one enabled again at unload, even
    // when parent was changed meanwhile.
    QPointer<platform::forms::Form> m_disabled;
    bool m_cancel = false;
};

} // namespace talvik
