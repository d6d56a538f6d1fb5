// The main dialog's template: caption, frame, font, menu and its 22 controls in tab order.
#pragma once

#include "doc/cipher_buttons.h"
#include "framework/resources.h"

// The control ids of the cipher buttons, in the order of kCipherButtons (the radio group's order).
extern const int kCipherButtonControls[kCipherButtonCount];

DialogTemplate MainDialogTemplate();
// Registers the template under IDD_MAIN_DIALOG; later calls do nothing.
void RegisterMainDialogTemplate();
