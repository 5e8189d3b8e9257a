#pragma once
// The App object: program folder, title, version, previous instance, help
// file and command line.
#include <QString>

namespace platform::forms {

class App {
public:
    // The program folder (platform::shell::programFolder): TALVIK_HOME when
    // set, else the executable's folder. No trailing separator.
    static QString Path();
    static QString Title();
    static void setTitle(const QString &title);
    static int Major();
    static int Minor();
    static int Revision();
    // True when another process holds the instance lock of the program folder.
    // The lock is taken on the first call and held for the process's life; a
    // different program folder (TALVIK_HOME changed) is checked anew.
    static bool PrevInstance();
    // Gives up the instance locks this process holds (end of the program).
    static void releaseInstanceLock();
    static QString HelpFile();
    static void setHelpFile(const QString &path);
    // The command-line text after the program name, as the system shows it:
    // arguments joined by one blank, an argument that is empty or holds a
    // blank in double quotes (so `talvik ""` gives "\"\"", not ""); "" only
    // without arguments.
    static QString Command();
    // Replaces the command-line text (start-up code under test).
    static void setCommand(const QString &command);
    // Back to the process's own arguments after setCommand.
    static void clearCommand();
    // Name of the instance lock file in the program folder.
    static QString lockFileName();
};

} // namespace platform::forms
