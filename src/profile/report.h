#pragma once

#include <string>

#include "profile/status.h"

namespace corvane {

// A window that owns a report; none in script mode.
using OwnerWindow = void*;

enum class MessageBoxType { Exclamation, Error, Question };

// Who shows a report is the front end's choice: start-up installs one that writes the log, the
// main window replaces it with its message boxes while it exists.
class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;
    virtual void showMessage(OwnerWindow owner, const std::string& text, const std::string& caption,
                             MessageBoxType type) = 0;
};

// Installs the presenter of every later report (none: reports are dropped) and returns the one
// it replaces.
ReportPresenter* setReportPresenter(ReportPresenter* presenter);

void reportStatus(OwnerWindow owner, StatusCode status, unsigned captionId);
void showReport(OwnerWindow owner, const std::string& text, const std::string& caption,
                MessageBoxType type);

} // namespace corvane
