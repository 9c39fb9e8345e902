#pragma once

#include <QIcon>

// The application icon (window, About box), in the sizes a window shows
// (16 to 64 pixels).
QIcon QZMAppIcon();

// Makes the icon files available as ":/icons/<size>/qzm.png" and so on.
void InitIconResources();
