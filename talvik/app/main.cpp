#include "talvik/app/basMain.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    return talvik::runProgram();
}
