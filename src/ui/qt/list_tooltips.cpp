#include "ui/qt/list_tooltips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QTreeWidget>

#include "ui/main_window.h"
#include "ui/qt/qt_strings.h"

namespace corvane {

ListToolTips::ListToolTips(MainWindow& logic, QObject* parent) : QObject(parent), logic_(logic) {}

void ListToolTips::watch(ControlId id, QTreeWidget* list) {
    if (!list)
        return;
    // Tooltip events go to the viewport, where the rows are drawn.
    lists_[list->viewport()] = {id, list};
    list->viewport()->installEventFilter(this);
}

bool ListToolTips::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, event);
    const auto found = lists_.find(watched);
    if (found == lists_.end())
        return QObject::eventFilter(watched, event);
    const auto [id, list] = found->second;
    auto* help = static_cast<QHelpEvent*>(event);
    QTreeWidgetItem* item = list->itemAt(help->pos());
    const int row = item ? list->indexOfTopLevelItem(item) : -1;
    // The details come from a certificate file: a tooltip would take markup in them for rich
    // text and fetch what an image tag names, so they go in escaped.
    const std::string details = row >= 0 ? logic_.listRowToolTip(id, row) : std::string();
    const QString text = details.empty()
                             ? QString()
                             : QStringLiteral("<p style='white-space:pre'>") +
                                   toQString(details).toHtmlEscaped() + QStringLiteral("</p>");
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        // The tooltip goes when the mouse leaves the row it describes.
        QToolTip::showText(help->globalPos(), text, list->viewport(), list->visualItemRect(item));
    }
    return true;
}

} // namespace corvane
