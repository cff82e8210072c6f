#pragma once

#include <QDialog>

namespace corvane {

// The About box: product name, version and legal lines beside the program's picture, whose
// pure green background is drawn transparent. OK or Enter ends it with 1, the close box with 2;
// Esc does nothing.
class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner);

    // Centres the box over the rectangle, as its client size says, and runs it.
    int runOver(const QRect& rectangle);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
};

// The About picture with its transparent colour masked out; loaded afresh on every call.
QPixmap aboutBitmap();

} // namespace corvane
