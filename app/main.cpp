// The program's entry: the framework builds the application on the window system and runs the
// global application object's start-up. The command line is not read.
#include "framework/afxwin.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (!AfxHaveDisplay()) {
        std::fputs("quillon: no display to show the window on; quillon-cli does the same job without one.\n", stderr);
        return 1;
    }
    return AfxWinMain(argc, argv);
}
