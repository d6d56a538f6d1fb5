// Icons as Qt sees them: the window decorations' QIcon of a registered icon.
#pragma once

#include <QIcon>

#include "framework/afx_types.h"

namespace afx {

QIcon QtIcon(HICON icon);  // null for a null handle

}  // namespace afx
