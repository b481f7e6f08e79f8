// Loading of the reference implementation (Wine's d3dx9_43.dll).
#include "tests/d3dx/reference_d3dx.h"

ReferenceD3dx::ReferenceD3dx() : module_(LoadLibraryA("d3dx9_43.dll")) {}

ReferenceD3dx::~ReferenceD3dx() {
    if (module_)
        FreeLibrary(module_);
}
