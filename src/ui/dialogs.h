#pragma once

#include <string>

namespace corvane {

// A window that owns a report; none in script mode.
using OwnerWindow = void*;

enum class MessageBoxType { Exclamation, Error, Question };

// The window front end installs one of these while its main window exists; without it reports
// go to the log.
class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;
    virtual void showMessage(OwnerWindow owner, const std::string& text, const std::string& caption,
                             MessageBoxType type) = 0;
};

} // namespace corvane
