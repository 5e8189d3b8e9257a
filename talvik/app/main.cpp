#include "platform/forms/application.h"
#include "platform/forms/uisetup.h"
#include "talvik/app/basMain.h"


int main(int argc, char *argv[])
{
    // Errors that leave an event handler are shown and the program goes on.
    platform::forms::Application app(argc, argv);
    platform::forms::setUpJapaneseUi();
    return talvik::runProgram();
}
