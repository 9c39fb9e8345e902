#pragma once

// The form template and the ranges its fields accept.
namespace FormLimits {
// Form template 101, in dialog units.
constexpr int kFormWidth = 200;
constexpr int kFormHeight = 335;
constexpr int kFontPoints = 8;
// The main window's first width, which the form is made to fit.
constexpr int kFitWidth = 312;

constexpr int kAddressMin = 1;
constexpr int kAddressMax = 247;
constexpr int kNumberMin = 0;
constexpr int kNumberMax = 9999;
constexpr int kTimeoutMin = 50;
constexpr int kTimeoutMax = 1000;
constexpr int kTimeoutStep = 10;
} // namespace FormLimits
