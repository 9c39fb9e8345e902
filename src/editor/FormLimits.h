#pragma once

#include "framework/FirstFrame.h"

// The form template's measures. The ranges its fields accept are the
// document's (document/QZMFields.h).
namespace FormLimits {
// Form template 101, in dialog units.
constexpr int kFormWidth = 200;
constexpr int kFormHeight = 335;
constexpr int kFontPoints = 8;
// The main window's first width, which the form is made to fit.
constexpr int kFitWidth = kFirstFrameWidth;
} // namespace FormLimits
