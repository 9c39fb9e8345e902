// Linked into a program that carries printing itself (tests).
#include "framework/LazyModule.h"
#include "framework/PrintModule.h"

extern const CPrintModuleApi kPrintModuleApi;

namespace {
const bool registered = RegisterLinkedModule(kPrintingModule, &kPrintModuleApi);
}
