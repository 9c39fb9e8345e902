#pragma once

#include <QIcon>

// The application icon (window, About box) and the document icon, in every
// size the program carries.
QIcon QZMAppIcon();
QIcon QZMDocumentIcon();

// Makes the icon files available as ":/icons/<size>/qzm.png" and so on.
void InitIconResources();
