#include "platform/posix/shared_folder.h"

#include <sys/stat.h>
#include <unistd.h>

namespace corvane::platform {

bool mayUseInSharedFolder(const std::string& folderPath, uid_t fileOwner) {
    if (fileOwner == ::geteuid())
        return true;
    struct stat folder {};
    if (::stat(folderPath.c_str(), &folder) != 0)
        return false;
    constexpr mode_t kShared = S_ISVTX | S_IWOTH;
    return (folder.st_mode & kShared) != kShared || folder.st_uid == fileOwner;
}

} // namespace corvane::platform
