#pragma once

#include <QObject>

#include <map>

#include "ui/controls.h"

class QTreeWidget;

namespace corvane {

class MainWindow;

// Shows the details of the certificate under the mouse as the tooltip of a certificate list's
// row. The texts come from the window logic, which owns the certificates.
class ListToolTips : public QObject {
public:
    ListToolTips(MainWindow& logic, QObject* parent);
    // Watches one list; the list must outlive this object or be destroyed with it.
    void watch(ControlId id, QTreeWidget* list);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindow& logic_;
    std::map<QObject*, std::pair<ControlId, QTreeWidget*>> lists_; // keyed by viewport
};

} // namespace corvane
