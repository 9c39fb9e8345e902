#pragma once

#include <QIcon>

// The application icon (window, About box) and the document icon, in every
// size the program carries.
QIcon QZMAppIcon();
QIcon QZMDocumentIcon();
