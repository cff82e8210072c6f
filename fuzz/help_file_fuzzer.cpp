// Feeds arbitrary bytes to the help reader as a help file: its checks, then libmspack (built
// from source with the sanitizers in this build) reading the directory and decoding every
// object, as the help window does on F1.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/qt/chm_file.h"

namespace {

// The reader opens files by name; a memory file keeps the disk out of every run.
const std::string& scratchPath() {
    static const std::string path = [] {
        const int fd = memfd_create("corvane-help-fuzz", 0);
        if (fd < 0)
            std::abort();
        return "/proc/self/fd/" + std::to_string(fd);
    }();
    return path;
}

int scratchFd() {
    return std::stoi(scratchPath().substr(scratchPath().rfind('/') + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = scratchFd();
    if (ftruncate(fd, 0) != 0 ||
        (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
        std::abort();
    auto help = corvane::ChmFile::open(scratchPath());
    if (!help)
        return 0;
    // Opening decoded every object; reading looks them up.
    help->read(help->defaultTopic());
    return 0;
}
