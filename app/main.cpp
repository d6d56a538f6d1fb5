// The program's entry: the framework builds the application on the window system and runs the
// global application object's start-up. The command line is not read.
#include "framework/afxwin.h"

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
