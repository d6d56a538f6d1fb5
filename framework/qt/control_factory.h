// The control factory: builds one control of a dialog template on the dialog's client area and adds
// its record to the dialog's children, in template order.
#pragma once

#include "framework/qt/window_record.h"

namespace afx {

// index: the control's position in the template. The dialog's record holds its client area, font
// metrics and window (which watches the control's keys).
void CreateControl(HWND__* dialog, const ControlTemplate& tmpl, int index);

}  // namespace afx
