#pragma once

#include <sys/types.h>

#include <string>

namespace corvane::platform {

// The kernel's rule for sticky folders that anyone may write (fs.protected_symlinks and
// fs.protected_regular), for the opens it does not cover: a file there is used only when it
// belongs to the current user or to the folder's owner. Anyone else's file there may have been
// planted to make us write into it, or through it. False when the folder cannot be examined.
bool mayUseInSharedFolder(const std::string& folderPath, uid_t fileOwner);

} // namespace corvane::platform
