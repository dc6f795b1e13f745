#pragma once

#include <memory>
#include <string>

namespace kavtra {

// Any function found in a library; cast to its real type before calling.
// A cast from this type to another function type is the one compilers
// accept without a warning.
using LibraryFunction = void (*)();

class DynamicLibrary {
public:
    virtual ~DynamicLibrary() = default;
    // nullptr when the library has no such entry point.
    virtual LibraryFunction find(const char* name) = 0;
};

struct LibraryLoadError {
    enum class Kind { NotFound, WrongArchitecture, Other };
    Kind kind;
    std::string systemText;
};

// Loads a library by file name, from the program's folder or the system's
// search path; a seam so that tests can stand in for the library.
class LibraryLoader {
public:
    virtual ~LibraryLoader() = default;
    // Empty when it cannot be loaded; error then says why.
    virtual std::unique_ptr<DynamicLibrary> load(const std::string& fileName, LibraryLoadError& error) = 0;
};

#ifdef _WIN32
LibraryLoader& systemLibraryLoader();
#endif

}  // namespace kavtra
