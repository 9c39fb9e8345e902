#pragma once

class QWidget;

// A plain QWidget made a window of its own reaches screen readers as a
// "filler"; once marked (before it is first shown), it is a window.
void MarkAsAccessibleWindow(QWidget* window);
