#include "script/log.h"

#include "app/resources.h"
#include "app/string_ids.h"
#include "platform/console.h"
#include "platform/log_file.h"

namespace corvane {
namespace {

platform::LogFile& logFile() {
    static platform::LogFile file;
    return file;
}

bool gOpenFailureShown = false;

std::string openFailureReason(platform::LogOpenResult result, const std::string& systemReason) {
    switch (result) {
    case platform::LogOpenResult::NotARegularFile:
        return loadString(ids::LogNotARegularFile);
    case platform::LogOpenResult::PlantedInSharedFolder:
        return loadString(ids::LogOfAnotherUser);
    default:
        return systemReason;
    }
}

} // namespace

void writeLogLine(std::string_view text) {
    platform::LogFile& file = logFile();
    if (!file.isOpen()) {
        std::string systemReason;
        const platform::LogOpenResult result = file.open("wizard.log", systemReason);
        if (result != platform::LogOpenResult::Opened && !gOpenFailureShown) {
            // Said once: the report still reaches standard output below.
            platform::writeConsole(platform::ConsoleStream::Error,
                                   fillFormat(loadString(ids::LogOpenFailed),
                                              {openFailureReason(result, systemReason)}));
            gOpenFailureShown = true;
        }
    }
    file.append(text);
    platform::writeConsole(platform::ConsoleStream::Output, text);
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
    logFile().close();
}

} // namespace corvane
