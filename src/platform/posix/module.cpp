#include "platform/module.h"

#include <dlfcn.h>

namespace corvane::platform {

const char* const kModuleSuffix = ".so";

namespace {

// The one export of a resource module: the text of an id, or null when it has none.
using ResourceStringFunction = const char* (*)(unsigned);
constexpr const char* kResourceExport = "corvane_resource_string";

void* openByPath(const std::string& fullPath) {
    // dlopen searches the library path only for a bare name; ours always carries a folder.
    if (fullPath.find('/') == std::string::npos)
        return nullptr;
    return dlopen(fullPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}

} // namespace

void Module::Closer::operator()(void* handle) const {
    if (handle)
        dlclose(handle);
}

Module::Module(const std::string& fullPath) : handle_(openByPath(fullPath)) {}

void* Module::symbol(const char* name) const {
    return handle_ ? dlsym(handle_.get(), name) : nullptr;
}

void ResourceModule::Closer::operator()(void* handle) const {
    if (handle)
        dlclose(handle);
}

bool ResourceModule::load(const std::string& fullPath) {
    release();
    std::unique_ptr<void, Closer> handle(openByPath(fullPath));
    void* lookup = handle ? dlsym(handle.get(), kResourceExport) : nullptr;
    if (!lookup)
        return false; // not one of ours: passed over
    handle_ = std::move(handle);
    lookup_ = lookup;
    return true;
}

void ResourceModule::release() {
    lookup_ = nullptr;
    handle_.reset();
}

std::optional<std::string> ResourceModule::text(unsigned id) const {
    if (!lookup_)
        return std::nullopt;
    const char* text = reinterpret_cast<ResourceStringFunction>(lookup_)(id);
    if (!text)
        return std::nullopt;
    return std::string(text);
}

} // namespace corvane::platform
