// The save dialog's overwrite prompt: an existing file is taken only after
// Yes; No counts as a cancel. Without the flag nothing is asked.
#include "platform/forms/commondialog.h"
#include "platform/forms/constants.h"
#include "platform/forms/dialogscript.h"
#include "platform/runtime/runtime_error.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace platform::forms;

TEST(CommonDialogOverwrite, ExistingFileAsksAndNoCancels)
{
    QTemporaryDir dir;
    const QString existing = dir.path() + QStringLiteral("/a.pdf");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    DialogScript script;
    CommonDialog dialog;
    dialog.setCancelError(true);
    dialog.setFlags(cdlOFNOverwritePrompt);
    dialog.setDialogTitle(QStringLiteral("ＰＤＦ出力"));

    script.chooseFile(existing);
    script.answerNext(vbNo);
    try {
        dialog.ShowSave();
        ADD_FAILURE() << "No must cancel";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), platform::err::CancelError);
    }
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown()[1].prompt, QStringLiteral("a.pdf は既に存在します。\n上書きしますか？"));
    EXPECT_EQ(script.shown()[1].title, QStringLiteral("ＰＤＦ出力"));

    script.chooseFile(existing);
    script.answerNext(vbYes);
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), existing);

    // A new name, or no flag: no question.
    script.chooseFile(dir.path() + QStringLiteral("/b.pdf"));
    dialog.ShowSave();
    dialog.setFlags(0);
    script.chooseFile(existing);
    dialog.ShowSave();
    EXPECT_EQ(script.shown().size(), 6);
    EXPECT_TRUE(script.verify());
}
