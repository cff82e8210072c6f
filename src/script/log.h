#pragma once

#include <string>
#include <string_view>

#include "profile/report.h"

namespace corvane {

// Appends the text verbatim to "wizard.log" in the current directory and echoes it to
// standard output. The log is opened on the first write and kept open; when it cannot be
// opened the text still reaches standard output and the next write tries again.
void writeLogLine(std::string_view text);

// Writes a format (by string id) filled with the line number and a message (by string id).
void logLineMessage(unsigned formatId, int line, unsigned messageId);
// Writes a format (by string id) filled with a message (by string id) and a name.
void logNamedMessage(unsigned formatId, unsigned messageId, const std::string& name);

// Writes each report as one "ERROR" line: what start-up installs while no window exists.
ReportPresenter& logReportPresenter();

// Closes the log so the next write opens it again (tests that change directory use it).
void closeLog();

} // namespace corvane
