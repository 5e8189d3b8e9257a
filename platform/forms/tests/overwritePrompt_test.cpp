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

TEST(CommonDialogCreate, NewFileAsksAndNoCancels)
{
    QTemporaryDir dir;
    const QString existing = dir.path() + QStringLiteral("/set.cfg");
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString fresh = dir.path() + QStringLiteral("/new.cfg");
    DialogScript script;
    CommonDialog dialog;
    // The flags of the settings window's save dialog.
    dialog.setFlags(cdlOFNExplorer | cdlOFNCreatePrompt | cdlOFNPathMustExist | cdlOFNHideReadOnly |
                    cdlOFNOverwritePrompt);
    dialog.setDialogTitle(QStringLiteral("名前を付けて保存"));

    // No: nothing chosen, the file name stays as it was.
    dialog.setFileName(QStringLiteral("before"));
    script.chooseFile(fresh);
    script.answerNext(vbNo);
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), QStringLiteral("before"));
    ASSERT_EQ(script.shown().size(), 2);
    EXPECT_EQ(script.shown()[1].prompt, QStringLiteral("new.cfg は存在しません。\nファイルを作成しますか？"));
    EXPECT_EQ(script.shown()[1].style, vbYesNo | vbExclamation);
    EXPECT_EQ(script.shown()[1].title, QStringLiteral("名前を付けて保存"));
    // No with CancelError: the cancel error.
    dialog.setCancelError(true);
    script.chooseFile(fresh);
    script.answerNext(vbNo);
    try {
        dialog.ShowSave();
        ADD_FAILURE() << "No must cancel";
    } catch (const platform::RuntimeError &e) {
        EXPECT_EQ(e.Number(), platform::err::CancelError);
    }
    // Yes: the new name is taken.
    script.chooseFile(fresh);
    script.answerNext(vbYes);
    dialog.ShowSave();
    EXPECT_EQ(dialog.FileName(), fresh);
    EXPECT_EQ(dialog.FileTitle(), QStringLiteral("new.cfg"));
    EXPECT_EQ(script.shown().size(), 6);

    // An existing file gets the overwrite question only; a file that must
    // exist, or no create flag, asks nothing about creating.
    script.chooseFile(existing);
    script.answerNext(vbYes);
    dialog.ShowSave();
    EXPECT_EQ(script.shown().last().prompt, QStringLiteral("set.cfg は既に存在します。\n上書きしますか？"));
    dialog.setFlags(cdlOFNCreatePrompt | cdlOFNFileMustExist);
    script.chooseFile(fresh);
    dialog.ShowOpen();
    dialog.setFlags(cdlOFNOverwritePrompt);
    script.chooseFile(fresh);
    dialog.ShowSave();
    EXPECT_EQ(script.shown().size(), 10);
    EXPECT_EQ(dialog.FileName(), fresh);
    EXPECT_TRUE(script.verify());
}
