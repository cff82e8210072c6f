#include "script/log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/resources.h"
#include "platform/files.h"

namespace corvane {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};

std::unique_ptr<std::FILE, FileCloser>& logFile() {
    static std::unique_ptr<std::FILE, FileCloser> file;
    return file;
}

bool gOpenFailureShown = false;

} // namespace

void writeLogLine(std::string_view text) {
    auto& file = logFile();
    if (!file) {
        file.reset(platform::openFile("wizard.log", "a"));
        if (!file && !gOpenFailureShown) {
            // Said once: the report still reaches standard output below.
            std::fprintf(stderr, "corvane: cannot open wizard.log: %s\n", std::strerror(errno));
            gOpenFailureShown = true;
        }
    }
    if (file) {
        std::fwrite(text.data(), 1, text.size(), file.get());
        std::fflush(file.get());
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void logLineMessage(unsigned formatId, int line, unsigned messageId) {
    writeLogLine(fillFormat(loadString(formatId), {std::to_string(line), loadString(messageId)}));
}

void logNamedMessage(unsigned formatId, unsigned messageId, const std::string& name) {
    writeLogLine(fillFormat(loadString(formatId), {loadString(messageId), name}));
}

namespace {

class LogReportPresenter : public ReportPresenter {
public:
    void showMessage(OwnerWindow, const std::string& text, const std::string& caption,
                     MessageBoxType) override {
        // Every report is labelled an error, the warnings included.
        writeLogLine("ERROR: " + caption + " - " + text + "\n");
    }
};

} // namespace

ReportPresenter& logReportPresenter() {
    static LogReportPresenter presenter;
    return presenter;
}

void closeLog() {
    logFile().reset();
}

} // namespace corvane
