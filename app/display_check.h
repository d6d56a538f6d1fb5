// Whether the window system the program is about to start on answers at all. Qt aborts the process
// when it cannot connect to the display it was told to use; asking first lets start-up say so plainly.
#pragma once

#include <string>

// True when the platform Qt will choose needs no display server (offscreen, minimal, ...) or when the
// server named by DISPLAY or WAYLAND_DISPLAY accepts a connection within a short time. Otherwise false,
// and `why` names the display that did not answer.
bool DisplayAnswers(std::string* why);
