#include "platform/SharedLibrary.h"

#include <dlfcn.h>

namespace platform {

namespace {

// dlerror's words, which name the library or the symbol; the loader keeps no number.
SystemError LoaderError(const std::string& whenSilent)
{
    const char* reason = dlerror();
    return {kLoaderFailed, reason != nullptr ? reason : whenSilent};
}

} // namespace

SystemError SharedLibrary::Open(const std::string& path)
{
    Close();
    m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return m_handle == nullptr ? LoaderError(path + ": unknown reason") : SystemError{};
}

SystemError SharedLibrary::Find(const char* name, void*& address) const
{
    address = nullptr;
    if (m_handle == nullptr) return {kLoaderFailed, std::string(name) + ": no library is loaded"};
    // Clears an earlier failure, so that what dlerror says next is about this symbol.
    dlerror();
    address = dlsym(m_handle, name);
    return address == nullptr ? LoaderError(std::string(name) + ": the symbol's value is null")
                              : SystemError{};
}

void SharedLibrary::Close()
{
    if (m_handle == nullptr) return;
    dlclose(m_handle);
    m_handle = nullptr;
}

std::string SharedLibraryFileName(std::string_view name)
{
#ifdef __APPLE__
    return "lib" + std::string(name) + ".dylib";
#else
    return "lib" + std::string(name) + ".so";
#endif
}

} // namespace platform
