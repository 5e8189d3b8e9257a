#include "platform/forms/uisetup.h"
#include "talvik/app/basMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    platform::forms::setUpJapaneseUi();
    return talvik::runProgram();
}
