#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

namespace corvane::platform {

std::string programFolder() {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.is_absolute())
        return {};
    return self.parent_path().string() + "/";
}

} // namespace corvane::platform
