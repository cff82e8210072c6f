#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace corvane::test {

// Dialogs answered from a script. Every dialog is recorded; one without a scripted answer, or a
// scripted answer that no dialog took, is a failure the test must see (see failures()).
class ScriptedDialogs : public Dialogs {
public:
    struct Shown {
        std::string kind; // "message", "open", "save", "about", "details", "help"
        std::string caption;
        std::string text; // message text, or the help file's path
        MessageBoxType type = MessageBoxType::Exclamation;
        MessageBoxButtons buttons = MessageBoxButtons::Ok;
        FileDialogRequest request;
    };

    void answerMessage(MessageBoxAnswer answer) { messageAnswers_.push_back(answer); }
    // An empty list cancels the open dialog.
    void answerOpen(std::vector<std::string> paths) { openAnswers_.push_back(std::move(paths)); }
    // None cancels the save dialog.
    void answerSave(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
    void expectAbout() { ++aboutExpected_; }
    void expectHelp() { ++helpExpected_; }

    const std::vector<Shown>& shown() const { return shown_; }
    void clearShown() { shown_.clear(); }

    // Unexpected dialogs so far, plus scripted answers left over.
    std::vector<std::string> failures() const {
        std::vector<std::string> all = unexpected_;
        if (!messageAnswers_.empty())
            all.push_back("unused message box answers: " + std::to_string(messageAnswers_.size()));
        if (!openAnswers_.empty())
            all.push_back("unused open dialog answers: " + std::to_string(openAnswers_.size()));
        if (!saveAnswers_.empty())
            all.push_back("unused save dialog answers: " + std::to_string(saveAnswers_.size()));
        if (aboutExpected_ > 0)
            all.push_back("About box expected but not shown");
        if (helpExpected_ > 0)
            all.push_back("help expected but not shown");
        return all;
    }

    MessageBoxAnswer messageBox(const std::string& text, const std::string& caption,
                                MessageBoxType type, MessageBoxButtons buttons) override {
        shown_.push_back({"message", caption, text, type, buttons, {}});
        if (messageAnswers_.empty()) {
            unexpected_.push_back("unexpected message box: " + caption + ": " + text);
            return buttons == MessageBoxButtons::Ok ? MessageBoxAnswer::Ok
                                                    : MessageBoxAnswer::Cancel;
        }
        const MessageBoxAnswer answer = messageAnswers_.front();
        messageAnswers_.pop_front();
        return answer;
    }

    std::vector<std::string> chooseFileToOpen(const FileDialogRequest& request) override {
        shown_.push_back({"open", request.title, {}, {}, {}, request});
        if (openAnswers_.empty()) {
            unexpected_.push_back("unexpected open dialog: " + request.title);
            return {};
        }
        std::vector<std::string> answer = openAnswers_.front();
        openAnswers_.pop_front();
        return answer;
    }

    std::optional<std::string> chooseFileToSave(const FileDialogRequest& request) override {
        shown_.push_back({"save", request.title, {}, {}, {}, request});
        if (saveAnswers_.empty()) {
            unexpected_.push_back("unexpected save dialog: " + request.title);
            return std::nullopt;
        }
        std::optional<std::string> answer = saveAnswers_.front();
        saveAnswers_.pop_front();
        return answer;
    }

    void showAbout() override {
        shown_.push_back({"about", {}, {}, {}, {}, {}});
        if (aboutExpected_ == 0)
            unexpected_.push_back("unexpected About box");
        else
            --aboutExpected_;
    }

    void showDetails(const std::string& caption, const std::string& text) override {
        shown_.push_back({"details", caption, text, {}, {}, {}});
    }

    void showHelp(const std::string& helpFilePath) override {
        shown_.push_back({"help", {}, helpFilePath, {}, {}, {}});
        if (helpExpected_ == 0)
            unexpected_.push_back("unexpected help window");
        else
            --helpExpected_;
    }

private:
    std::vector<Shown> shown_;
    std::vector<std::string> unexpected_;
    std::deque<MessageBoxAnswer> messageAnswers_;
    std::deque<std::vector<std::string>> openAnswers_;
    std::deque<std::optional<std::string>> saveAnswers_;
    int aboutExpected_ = 0;
    int helpExpected_ = 0;
};

} // namespace corvane::test
