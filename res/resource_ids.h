// Resource identifiers shared by quillet.rc and the code that loads the resources.
#pragma once

// The application icon (group icon): the executable's own icon and the window class icon.
#define QUILLET_APP_ICON 1
// The same icon as the bytes of its .ico file, handed to the tray icon, which takes icon file data.
#define QUILLET_APP_ICON_FILE 2
