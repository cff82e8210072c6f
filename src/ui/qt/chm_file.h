#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane {

// A compiled help file (.chm), read whole when it is opened: the page it opens at and the
// objects it holds, looked up by their path inside the file ("/index.html"). Plain C++ over
// libmspack, so the help window can show the file on any desktop.
class ChmFile {
public:
    // Null when the file is missing, unreadable, not a compiled help file, or any of its objects
    // cannot be decompressed whole.
    static std::unique_ptr<ChmFile> open(const std::string& path);

    // The page the file opens at, as a path inside it ("/index.html"); empty when it names none.
    std::string defaultTopic() const { return defaultTopic_; }

    // The bytes of the object at a path inside the file, whatever its case, as the format's own
    // viewer looks them up; a path without its leading "/" is taken from the root. Nothing for a
    // folder or a missing object.
    std::optional<std::string> read(std::string_view pathInside) const;

private:
    ChmFile() = default;

    std::string defaultTopic_;
    std::map<std::string, std::string> objects_; // by path in lower case
};

} // namespace corvane
