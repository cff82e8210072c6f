#pragma once

#include <QTextBrowser>

#include <memory>
#include <string>

namespace corvane {

class ChmFile;

// Corvane's own help viewer: the pages of "Corvane.chm", read with libmspack, in a text
// browser that follows the file's links and reads nothing from outside the file. It is a window
// of its own, not owned by the main window.
class HelpWindow : public QTextBrowser {
public:
    // Null when the file is missing or unreadable.
    static std::unique_ptr<HelpWindow> open(const std::string& path);
    ~HelpWindow() override;

    const std::string& filePath() const { return path_; }
    void showDefaultTopic();

    QVariant loadResource(int type, const QUrl& name) override;

private:
    HelpWindow(std::string path, std::unique_ptr<ChmFile> file);
    void followLink(const QUrl& url);

    std::string path_;
    std::unique_ptr<ChmFile> file_;
};

} // namespace corvane
