#include "module_instance.h"

HINSTANCE ModuleInstance = nullptr;

HINSTANCE ResourceModule() { return ModuleInstance ? ModuleInstance : GetModuleHandleA(nullptr); }
