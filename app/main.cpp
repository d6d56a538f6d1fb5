// The program's entry: the framework builds the application on the window system and runs the
// global application object's start-up. The command line is not read.
#include "app/display_check.h"
#include "crypto/kx.h"
#include "framework/afxwin.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    KX_guard_process();
    if (!AfxHaveDisplay()) {
        std::fputs("quillon: no display to show the window on; quillon-cli does the same job without one.\n", stderr);
        return 1;
    }
    std::string why;
    if (!DisplayAnswers(&why)) {
        std::fprintf(stderr, "quillon: the display does not answer (%s); quillon-cli does the same job without one.\n",
                     why.c_str());
        return 1;
    }
    return AfxWinMain(argc, argv);
}
