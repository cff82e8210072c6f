#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvane::platform {

enum class LogOpenResult {
    Opened,
    Failed,                // the system refused the open; see the reason
    NotARegularFile,       // a link, a FIFO, a device or a folder has the log's name
    PlantedInSharedFolder, // another user's file in a sticky folder that anyone may write
};

// A text log that runs in one folder append to at once. Each append is one write at the end of
// the file, so the lines of parallel runs neither tear nor overwrite one another.
class LogFile {
public:
    LogFile() = default;
    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens the file for appending, creating it when it is missing. A final link is never
    // followed and a FIFO never waited for: only a regular file is taken, and in a shared
    // folder only one of our own or of the folder's owner. `systemReason` gets the system's
    // text when the result is Failed.
    LogOpenResult open(const std::string& path, std::string& systemReason);
    bool isOpen() const { return handle_ != -1; }
    void close();

    // Appends the text in one write, line ends as the system's text files have them. False
    // when it did not go out whole.
    bool append(std::string_view text);

private:
    std::intptr_t handle_ = -1; // a file descriptor, or a Windows handle
};

} // namespace corvane::platform
