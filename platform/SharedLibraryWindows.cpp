#include "platform/SharedLibrary.h"

#include "platform/WindowsText.h"

namespace platform {

namespace {

SystemError LoaderError(const std::string& subject)
{
    const DWORD error = GetLastError();
    return {static_cast<int>(error), subject + ": " + WindowsErrorText(error)};
}

} // namespace

SystemError SharedLibrary::Open(const std::string& path)
{
    Close();
    HMODULE module =
        LoadLibraryExW(WideFromUtf8(path).c_str(), nullptr,
                       LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    if (module == nullptr) return LoaderError(path);
    m_handle = reinterpret_cast<void*>(module);
    return {};
}

SystemError SharedLibrary::Find(const char* name, void*& address) const
{
    address = nullptr;
    if (m_handle == nullptr) return {kLoaderFailed, std::string(name) + ": no library is loaded"};
    address = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
    return address == nullptr ? LoaderError(name) : SystemError{};
}

void SharedLibrary::Close()
{
    if (m_handle == nullptr) return;
    FreeLibrary(static_cast<HMODULE>(m_handle));
    m_handle = nullptr;
}

std::string SharedLibraryFileName(std::string_view name)
{
    return std::string(name) + ".dll";
}

} // namespace platform
