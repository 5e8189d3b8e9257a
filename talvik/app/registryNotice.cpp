#include "talvik/app/registryNotice.h"

#include "platform/forms/msgbox.h"

namespace talvik {

QString registryProblemText(const platform::system::RegistryReadProblem &problem)
{
    if (problem.isEmpty())
        return QString();
    if (problem.readWhole)
        return QStringLiteral("レジストリファイルに書き込めません: %1\n"
                              "このファイルの設定で動作しますが、設定は保存されません（%2）")
            .arg(problem.file, problem.cause);
    if (!problem.damaged)
        return QStringLiteral("レジストリファイルを読み込めませんでした: %1\n"
                              "今回は既定の設定で動作し、設定は保存されません（%2）")
            .arg(problem.file, problem.cause);
    QString text = QStringLiteral("レジストリファイルが壊れているため読み込めませんでした: %1\n").arg(problem.file);
    if (!problem.heldInMemory())
        text += QStringLiteral("壊れたファイルは %1 として残しました。\n").arg(problem.keptAs);
    text += QStringLiteral("このファイルに保存されていた設定は既定値に戻りました。");
    if (problem.heldInMemory())
        text += QStringLiteral("\nファイルを別の名前で残せないため、設定は保存されません（%1）").arg(problem.cause);
    return text;
}

void showRegistryProblem(const platform::system::RegistryReadProblem &problem)
{
    if (!problem.isEmpty())
        platform::forms::MsgBox(registryProblemText(problem), platform::forms::vbExclamation);
}

} // namespace talvik
