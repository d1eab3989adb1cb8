#pragma once
// A vendor library (FTDI D2XX, USBXpress) loaded at run time and bound by name. The
// library is looked up by its file name in the system's library path, or only in the
// folder named by the environment variable VOREX_VENDOR_LIBS when that is set (tests
// point it at stand-in libraries, or at an empty folder for "not installed").
#include <string>

namespace vorex::links {

class VendorLibrary {
public:
    explicit VendorLibrary(std::string fileName) : fileName_(std::move(fileName)) {}
    ~VendorLibrary() { Unload(); }
    VendorLibrary(const VendorLibrary&) = delete;
    VendorLibrary& operator=(const VendorLibrary&) = delete;

    // Loads the library once; true when it is loaded. A failed load writes the debug
    // text "Fehler: Kann <displayName> nicht laden" and is tried again at the next call.
    bool Load(const std::string& displayName);
    bool Loaded() const { return handle_ != nullptr; }
    // The entry point of that name, or null after the debug text "Fehler: Kann <name>
    // nicht initialisieren".
    void* Bind(const char* name) const;
    // Bind into a typed function pointer.
    template <typename F> void BindTo(F*& slot, const char* name) const {
        slot = reinterpret_cast<F*>(Bind(name));
    }
    void Unload();

private:
    std::string fileName_;
    void* handle_ = nullptr;
};

} // namespace vorex::links
