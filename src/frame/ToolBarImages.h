#pragma once

#include <QIcon>

// Image n (0..5) of the toolbar strip: New, Open, Save, Create text file,
// Send All, About.
QIcon ToolBarImage(int index);
