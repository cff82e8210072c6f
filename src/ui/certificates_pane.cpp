// The certificates pane: the CA list, the client certificate row and their commands.
#include "ui/main_window.h"

namespace corvane {

void MainWindow::setUpCertificateLists() {
    const auto caColumns = caListColumns();
    for (std::size_t i = 0; i < caColumns.size(); ++i)
        controls().setListColumnWidth(ControlId::CaList, int(i), caColumns[i].width);
    controls().setListColumnWidth(ControlId::ClientList, 0, clientListColumns()[0].width);
    controls().setEnabled(ControlId::RemoveCa, false);
}

// Hook of the certificates pane: the CA list's rows. Remove waits for a selection.
void MainWindow::refillCaList() {
    controls().deleteAllListRows(ControlId::CaList);
    controls().setEnabled(ControlId::RemoveCa, false);
}

// Hooks of the certificates pane's commands.
void MainWindow::addCaCertificates() {}
void MainWindow::removeSelectedCaCertificate() {}
void MainWindow::setClientCertificateFromFile() {}
void MainWindow::clearClientCertificate() {}
void MainWindow::importDroppedFiles(const std::vector<std::string>&, CertificateKind) {}

} // namespace corvane
