#include "engine/links/VendorLibrary.h"

#include "engine/DebugOutput.h"

#include <cstdlib>
#include <dlfcn.h>

namespace vorex::links {

bool VendorLibrary::Load(const std::string& displayName) {
    if (handle_ != nullptr)
        return true;
    std::string path = fileName_;
    if (const char* dir = std::getenv("VOREX_VENDOR_LIBS"))
        path = std::string(dir) + "/" + fileName_;
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr)
        DebugOutput("Fehler: Kann " + displayName + " nicht laden\n");
    return handle_ != nullptr;
}

void* VendorLibrary::Bind(const char* name) const {
    void* entry = handle_ ? dlsym(handle_, name) : nullptr;
    if (entry == nullptr)
        DebugOutput(std::string("Fehler: Kann ") + name + " nicht initialisieren\n");
    return entry;
}

void VendorLibrary::Unload() {
    if (handle_ != nullptr)
        dlclose(handle_);
    handle_ = nullptr;
}

} // namespace vorex::links
