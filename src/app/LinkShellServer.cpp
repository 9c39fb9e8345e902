// Linked into a program that carries the shell server itself (tests).
#include "app/ShellServerModule.h"
#include "framework/LazyModule.h"

extern const CShellServerModuleApi kShellServerModuleApi;

namespace {
const bool registered = RegisterLinkedModule(kShellServerModule, &kShellServerModuleApi);
}
