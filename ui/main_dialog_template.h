// The main dialog's template: caption, frame, font, menu and its 22 controls in tab order.
#pragma once

#include "framework/resources.h"

DialogTemplate MainDialogTemplate();
// Registers the template under IDD_MAIN_DIALOG; later calls do nothing.
void RegisterMainDialogTemplate();
