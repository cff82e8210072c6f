#pragma once

#include <memory>
#include <optional>
#include <string>

namespace corvane::platform {

// The file name ending of a loadable module on this system.
extern const char* const kModuleSuffix;

// A code module loaded by its full path only: never searched for in the current folder or
// along PATH, so nobody can plant one there. Unloaded when destroyed.
class Module {
public:
    Module() = default;
    explicit Module(const std::string& fullPath);
    explicit operator bool() const { return handle_ != nullptr; }
    // The address of an exported function, or null.
    void* symbol(const char* name) const;

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
};

// A resource module: the translated texts of a language, by string id. Loaded by its full path
// only, and as data: none of its code runs.
class ResourceModule {
public:
    ResourceModule() = default;
    // True when the file is a resource module; otherwise nothing stays loaded.
    bool load(const std::string& fullPath);
    void release();
    bool loaded() const { return static_cast<bool>(handle_); }
    // The system's handle of the loaded module, for its other resources; null when none is.
    void* handle() const { return handle_.get(); }
    // The UTF-8 text of an id, or nothing when the module has none.
    std::optional<std::string> text(unsigned id) const;

private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    void* lookup_ = nullptr;
};

} // namespace corvane::platform
