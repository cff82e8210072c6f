#include "ui/dialogs.h"

#include "app/resources.h"
#include "app/string_ids.h"
#include "profile/profile.h"

namespace corvane {

void showErrorMessage(const std::string& text) {
    showReport(nullptr, text, loadString(ids::ProgramTitle), MessageBoxType::Error);
}

namespace {

FileDialogRequest profileDatabaseRequest(unsigned titleId) {
    FileDialogRequest request;
    request.title = loadString(titleId);
    request.filters.push_back({loadString(ids::ProfileDatabasesFilter), {"*.odb"}});
    request.defaultSuffix = "odb";
    return request;
}

} // namespace

FileDialogRequest openProfileDatabaseRequest() {
    FileDialogRequest request = profileDatabaseRequest(ids::OpenProfileDatabaseTitle);
    // A provider's configuration opens as a new, untitled profile.
    request.filters.push_back({loadString(ids::ProviderConfigurationsFilter), {"*.eap-config"}});
    request.mustExist = true;
    request.hideReadOnly = true;
    return request;
}

FileDialogRequest saveProfileDatabaseRequest(const std::string& proposedName) {
    FileDialogRequest request = profileDatabaseRequest(ids::SaveProfileDatabaseTitle);
    request.proposedName = proposedName;
    request.overwritePrompt = true;
    return request;
}

std::string caseInsensitivePattern(std::string_view pattern) {
    std::string result;
    for (char c : pattern) {
        const bool lower = c >= 'a' && c <= 'z';
        const bool upper = c >= 'A' && c <= 'Z';
        if (!lower && !upper) {
            result += c;
            continue;
        }
        const char other = lower ? char(c - 'a' + 'A') : char(c - 'A' + 'a');
        result += '[';
        result += lower ? c : other;
        result += lower ? other : c;
        result += ']';
    }
    return result;
}

std::string helpFilePath(const std::string& programFolder) {
    return programFolder + "Corvane.chm";
}

} // namespace corvane
