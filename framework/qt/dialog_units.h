// Dialog units: a template's positions and sizes are in quarters of the average character width and
// eighths of the character height of the dialog's font, which comes from the template's face and size.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

#include "framework/afx_core.h"

namespace afx {

// The dialog's font for a template face and size, substituting faces that are not installed.
QFont ResolveDialogFont(const CString& face, int pointSize);
// Average character width and character height of the font, in pixels.
QSize BaseUnits(const QFont& font);
QRect MapDialogRect(QSize baseUnits, int x, int y, int cx, int cy);

}  // namespace afx
