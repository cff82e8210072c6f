#include "ui/qt/about_box.h"

#include <QBitmap>
#include <QCloseEvent>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include <algorithm>

#include "app/string_ids.h"
#include "ui/controls.h"
#include "ui/geometry.h"
#include "ui/qt/qt_main_window.h"
#include "ui/qt/qt_strings.h"

namespace corvane {

QPixmap aboutBitmap() {
    const QImage image(QStringLiteral(":/corvane/about.bmp"));
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(
        QBitmap::fromImage(image.createMaskFromColor(QColor(0, 255, 0).rgb(), Qt::MaskInColor)));
    return pixmap;
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(tableText(ids::AboutCaption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    const DialogBaseUnits units = dialogBaseUnits(*this);
    for (const TemplateControl& row : aboutBoxTemplate()) {
        PixelRect rect = dialogRectToPixels(row.rect, units);
        QWidget* widget = nullptr;
        if (row.kind == ControlKind::DefaultPushButton) {
            auto* ok = new QPushButton(tableText(row.captionId), this);
            ok->setDefault(true);
            ok->setAutoDefault(true);
            connect(ok, &QPushButton::clicked, this, [this] { done(1); });
            widget = ok;
        } else {
            auto* label = new QLabel(this);
            label->setTextFormat(Qt::PlainText);
            label->setText(tableText(row.captionId));
            widget = label;
            // A font wider than the template's must not cut the version or a legal line.
            rect.width = std::max(rect.width, widget->sizeHint().width());
        }
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    }
    const PixelRect size = dialogRectToPixels(kAboutBoxSize, units);
    setFixedSize(size.width, size.height);
}

int AboutBox::runOver(const QRect& rectangle) {
    if (rectangle.isValid()) {
        const Point corner =
            centreOverRectangle({rectangle.x(), rectangle.y(), rectangle.x() + rectangle.width(),
                                 rectangle.y() + rectangle.height()},
                                width(), height());
        move(corner.x, corner.y);
    }
    return exec();
}

void AboutBox::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.drawPixmap(kAboutBitmapX, kAboutBitmapY, aboutBitmap());
}

void AboutBox::closeEvent(QCloseEvent* event) {
    done(2);
    event->accept();
}

void AboutBox::reject() {
    // Esc does not close the box; OK, Enter and the close box do.
}

} // namespace corvane
