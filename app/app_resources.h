// The application's resources: the menu bar, the About string, the About box template and the
// application icon, registered with the framework under their numbers.
#pragma once

#include "framework/resources.h"

MenuTemplate MainMenuTemplate();
DialogTemplate AboutBoxTemplate();
// Registers everything once; later calls do nothing.
void RegisterApplicationResources();
