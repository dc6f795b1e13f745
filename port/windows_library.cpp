#include "port/dynamic_library.h"

#ifdef _WIN32

#include <windows.h>

#include "persist/platform/wide_text.h"

namespace kavtra {
namespace {

class WindowsLibrary final : public DynamicLibrary {
public:
    explicit WindowsLibrary(HMODULE module) : module_(module) {}
    ~WindowsLibrary() override { FreeLibrary(module_); }
    WindowsLibrary(const WindowsLibrary&) = delete;
    WindowsLibrary& operator=(const WindowsLibrary&) = delete;

    LibraryFunction find(const char* name) override {
        return reinterpret_cast<LibraryFunction>(GetProcAddress(module_, name));
    }

private:
    HMODULE module_;
};

class WindowsLibraryLoader final : public LibraryLoader {
public:
    std::unique_ptr<DynamicLibrary> load(const std::string& fileName, LibraryLoadError& error) override {
        // The program's folder and the system folders, never the current
        // directory, where anyone could plant a library of that name.
        const HMODULE module = LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
        if (module) return std::make_unique<WindowsLibrary>(module);
        const DWORD code = GetLastError();
        const auto kind = code == ERROR_BAD_EXE_FORMAT  ? LibraryLoadError::Kind::WrongArchitecture
                          : code == ERROR_MOD_NOT_FOUND ? LibraryLoadError::Kind::NotFound
                                                        : LibraryLoadError::Kind::Other;
        error = {kind, systemMessage(code)};
        return nullptr;
    }
};

}  // namespace

LibraryLoader& systemLibraryLoader() {
    static WindowsLibraryLoader loader;
    return loader;
}

}  // namespace kavtra

#endif
