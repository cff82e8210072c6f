#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct chmFile;

namespace corvane {

// A compiled help file (.chm) opened for reading: the page it opens at and the objects it
// holds, looked up by their path inside the file ("/index.html"). Plain C++ over chmlib, so the
// help window can show the file on any desktop. Not for use from several threads at once.
class ChmFile {
    struct Key {};

public:
    // Null when the file is missing, unreadable or not a compiled help file.
    static std::unique_ptr<ChmFile> open(const std::string& path);

    // The page the file opens at, as a path inside it ("/index.html"); empty when it names none.
    std::string defaultTopic() const { return defaultTopic_; }

    // The bytes of the object at a path inside the file; a path without its leading "/" is taken
    // from the root. Nothing for a folder, a missing object or one that cannot be read whole.
    std::optional<std::string> read(std::string_view pathInside) const;

    struct Closer {
        void operator()(chmFile* file) const;
    };
    ChmFile(Key, std::unique_ptr<chmFile, Closer> file);

private:
    std::unique_ptr<chmFile, Closer> file_;
    std::string defaultTopic_;
};

} // namespace corvane
