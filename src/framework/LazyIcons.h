#pragma once

#include <QIcon>

#include <functional>

// An icon made by make() the first time it is drawn or measured. Creating
// it costs nothing.
QIcon LazyIcon(std::function<QIcon()> make);

// Makes the style hand out its toolbar-extension icons (which the menu bar
// and every toolbar create with themselves, hidden until the window is too
// narrow) as lazy icons: reading them loads every image format plugin, and
// the first frame shows neither. Call before the first window is created.
void InstallLazyStandardIcons();

// Reads the images the style draws the first frame with (Fusion's group box
// frame) as PNG by name into the pixmap cache, where the style finds them:
// the style itself reads them with format detection, which loads every image
// format plugin (and their libraries) first.
void PreloadStylePixmaps();
