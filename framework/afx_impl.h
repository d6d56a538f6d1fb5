// What the framework's window-system half asks of its Qt-free half: drop handles to hand to a
// dialog, and the checks of the data exchange. Not for the program's own code.
#pragma once

#include <vector>

#include "framework/afxwin.h"

namespace afx {

// A drop handle holding these paths, live until DragFinish releases it.
HDROP NewDrop(std::vector<CString> paths);

// A whole decimal number in int range: optional blanks, an optional sign, digits, optional blanks.
bool ParseInt(const CString& text, int* out);

}  // namespace afx
