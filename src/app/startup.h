#pragma once

#include "app/desktop_actions.h"

namespace tesvarin {

// The process entry: runs the window until it is closed; returns 0 then, or
// -1 when the window can't be created. Arguments are handed to Qt only.
int StartUp(int argc, char** argv);

// Opens the forum's home page once the window exists, before it is shown.
void OnMainWindowCreated(DesktopActions& desktop);

}  // namespace tesvarin
