// The certificates pane: the CA list, the client certificate row and their commands.

#include <ctime>
#include <new>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/advisories.h"
#include "certs/certificate_details.h"
#include "certs/certificate_summary.h"
#include "platform/files.h"
#include "profile/device_text.h"
#include "ui/display_text.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

// Column 3 narrows once five certificates make the list scroll.
constexpr int kValidUntilWidth = 80;
constexpr int kValidUntilWidthScrolling = 64;
constexpr std::uint32_t kScrollingCount = 5;

// "All files" is every file here, with or without a dot in its name.
FileDialogRequest addCaCertificatesRequest() {
    FileDialogRequest request;
    request.title = loadString(ids::AddCaCertificateTitle);
    request.filters = {
        {loadString(ids::CertificateFilesFilter), {"*.DER", "*.CER", "*.CRT", "*.PEM"}},
        {loadString(ids::AllFilesFilter), {"*"}}};
    request.mustExist = true;
    request.multiSelect = true;
    request.hideReadOnly = true;
    return request;
}

FileDialogRequest setClientCertificateRequest() {
    FileDialogRequest request;
    request.title = loadString(ids::SetClientCertificateTitle);
    request.filters = {{loadString(ids::ClientCertificateFilesFilter), {"*.PFX", "*.P12", "*.PEM"}},
                       {loadString(ids::AllFilesFilter), {"*"}}};
    request.mustExist = true;
    request.hideReadOnly = true;
    return request;
}

bool isDirectory(const std::string& path) {
    return platform::fileKind(path) == platform::FileKind::Directory;
}

// The name a file chosen in the window keeps in the profile: its name in the device's code page,
// with "_" for a character that the code page cannot hold.
std::string deviceFileName(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    const std::string_view name =
        separator == std::string_view::npos ? path : path.substr(separator + 1);
    return encodeDeviceText(name, '_');
}

std::string toolTipText(const std::optional<CertificateSummary>& summary) {
    if (!summary)
        return loadString(ids::ToolTipUnreadable);
    const std::pair<unsigned, std::vector<std::string>> lines[] = {
        {ids::ToolTipSubject, {summary->subject}},
        {ids::ToolTipIssuer, {summary->issuer}},
        {ids::ToolTipValidFrom, {summary->validFrom}},
        {ids::ToolTipValidUntil, {summary->validUntil}},
        {ids::ToolTipSerialNumber, {summary->serialNumber}},
        {ids::ToolTipFingerprint, {summary->sha256Fingerprint}},
        {ids::ToolTipSignatureAlgorithm, {summary->signatureAlgorithm}},
        {ids::ToolTipPublicKey, {summary->keyType, std::to_string(summary->keyBits)}},
    };
    std::string text;
    for (const auto& [formatId, args] : lines) {
        if (!text.empty())
            text += '\n';
        text += fillFormat(loadString(formatId), args);
    }
    return text;
}

// Advisory texts are sentences: a tip as wide as a whole one would cover the window, so they
// are broken at spaces, continuation lines indented.
void appendWrapped(std::string& text, const std::string& line) {
    constexpr std::size_t kWidth = 72;
    std::size_t start = 0;
    bool first = true;
    while (start < line.size()) {
        std::size_t end = line.size();
        if (end - start > kWidth) {
            const std::size_t space = line.rfind(' ', start + kWidth);
            end = space != std::string::npos && space > start ? space : start + kWidth;
        }
        text += '\n';
        text += first ? "" : "    ";
        text.append(line, start, end - start);
        start = end < line.size() && line[end] == ' ' ? end + 1 : end;
        first = false;
    }
}

// The advisories of an entry's certificates, in the role the profile gives them; the profile's
// CA certificates are the issuers a CA certificate may rely on.
std::string advisoryLines(const Profile& profile, const CertificateEntry& entry,
                          const std::vector<ossl::X509Ptr>& certificates) {
    const bool ca = entry.kind == CertificateKind::CaCertificate;
    static const TrustStore kNone;
    AdvisoryChecker checker(ca ? systemTrustStore() : kNone, std::time(nullptr));
    if (ca)
        for (const auto& other : profile.caCertificates)
            for (const ossl::X509Ptr& certificate : readEntryCertificates(*other, {}))
                checker.addProfileCa(certificate.get());
    std::vector<Advisory> advisories;
    for (const ossl::X509Ptr& certificate : certificates)
        checker.check(certificate.get(), entry.kind, {}, advisories);
    std::string text;
    if (!advisories.empty()) {
        text += "\n\n" + loadString(ids::AdvisoriesHeading);
        for (const Advisory& advisory : advisories)
            appendWrapped(text,
                          std::string(advisoryCodeName(advisory.code)) + ": " + advisory.text);
    }
    if (checker.missedTrustStore()) {
        text += "\n";
        appendWrapped(text, noTrustStoreText(systemTrustStore()));
    }
    return text;
}

} // namespace

StatusCode MainWindow::addCertificateFromWindow(const std::string& path, CertificateKind kind) {
    const std::uint32_t caCount = profile_.caCertificates.count();
    const CertificateEntry* client = profile_.clientCertificate.get();
    const StatusCode status = profile_.addCertificate(path, kind);
    // The file is read by its real name; the profile keeps the name as the device can show it.
    CertificateEntry* added = nullptr;
    if (kind == CertificateKind::CaCertificate && profile_.caCertificates.count() > caCount)
        added = profile_.caCertificates.itemAt(caCount);
    else if (kind == CertificateKind::ClientCertificate &&
             profile_.clientCertificate.get() != client)
        added = profile_.clientCertificate.get();
    if (added)
        added->fileName.assign(deviceFileName(path));
    return status;
}

void MainWindow::setUpCertificateLists() {
    const auto caColumns = caListColumns();
    for (std::size_t i = 0; i < caColumns.size(); ++i)
        controls().setListColumnWidth(ControlId::CaList, int(i), caColumns[i].width);
    controls().setListColumnWidth(ControlId::ClientList, 0, clientListColumns()[0].width);
    controls().setEnabled(ControlId::RemoveCa, false);
}

void MainWindow::refillCaList() {
    Controls& c = controls();
    ++caListGeneration_;
    c.deleteAllListRows(ControlId::CaList);
    // A list the protocol does not use shows nothing; the profile keeps its certificates.
    if (c.isEnabled(ControlId::CaList)) {
        const std::uint32_t count = profile_.caCertificates.count();
        c.setListColumnWidth(ControlId::CaList, 3,
                             count < kScrollingCount ? kValidUntilWidth
                                                     : kValidUntilWidthScrolling);
        int row = 0;
        for (const auto& entry : profile_.caCertificates) {
            c.insertListRow(ControlId::CaList, row, decodeDeviceText(entry->fileName.view()));
            c.setListCellText(ControlId::CaList, row, 1, decodeDeviceText(entry->subject.view()));
            c.setListCellText(ControlId::CaList, row, 2, decodeDeviceText(entry->issuer.view()));
            c.setListCellText(ControlId::CaList, row, 3, formatCertificateDate(entry->notAfter));
            ++row;
        }
        c.setTabStop(ControlId::CaList, count > 0);
        // The keyboard starts at the first row, which stays unselected.
        if (count > 0 && c.focusedListRow(ControlId::CaList) < 0)
            c.setFocusedListRow(ControlId::CaList, 0);
    }
    c.setEnabled(ControlId::RemoveCa, false);
}

void MainWindow::addCaCertificates() {
    FileDialogRequest request = addCaCertificatesRequest();
    request.initialFolder = dialogFolder(documentFolder());
    const std::vector<std::string> paths = dialogs_->chooseFileToOpen(request);
    if (paths.empty())
        return;
    rememberFolder(paths.front());
    const std::uint32_t before = profile_.caCertificates.count();
    for (const std::string& path : paths) {
        const StatusCode status = addCertificateFromWindow(path, CertificateKind::CaCertificate);
        if (status == StatusCode::Success)
            continue;
        reportStatus(nullptr, status, ids::CaValidationCaption);
        // Those added before a fatal failure stay; the rest are not tried.
        if (isFatalStatus(status))
            break;
    }
    // A list nothing was added to stays as it was, its selection included.
    if (profile_.caCertificates.count() != before)
        refillCaList();
    updateTitle();
}

void MainWindow::removeSelectedCaCertificate() {
    const int row = controls().selectedListRow(ControlId::CaList);
    if (row < 0)
        return;
    const MessageBoxAnswer answer = dialogs_->messageBox(
        loadString(ids::RemoveCertificateText), loadString(ids::RemoveCertificateCaption),
        MessageBoxType::Question, MessageBoxButtons::OkCancel);
    if (answer != MessageBoxAnswer::Ok)
        return;
    profile_.removeCertificate(row, CertificateKind::CaCertificate);
    refillCaList();
    updateTitle();
}

void MainWindow::setClientCertificateFromFile() {
    FileDialogRequest request = setClientCertificateRequest();
    request.initialFolder = dialogFolder(documentFolder());
    const std::vector<std::string> paths = dialogs_->chooseFileToOpen(request);
    if (paths.empty())
        return;
    rememberFolder(paths.front());
    const StatusCode status =
        addCertificateFromWindow(paths.front(), CertificateKind::ClientCertificate);
    if (status != StatusCode::Success) {
        reportStatus(nullptr, status, ids::AddCertificateFailedCaption);
        // The previous client certificate, if any, stays.
        if (isFatalStatus(status))
            return;
    }
    clientCertificateWanted_ = true;
    refreshClientCertificateArea();
    updateTitle();
}

void MainWindow::clearClientCertificate() {
    const MessageBoxAnswer answer =
        dialogs_->messageBox(loadString(ids::ClearClientText), loadString(ids::ClearClientCaption),
                             MessageBoxType::Question, MessageBoxButtons::OkCancel);
    if (answer != MessageBoxAnswer::Ok)
        return;
    profile_.removeCertificate(0, CertificateKind::ClientCertificate);
    profile_.privateKeyPassword.clear();
    refreshClientCertificateArea();
    updateTitle();
}

bool MainWindow::importDroppedFiles(const std::vector<std::string>& paths, CertificateKind kind) {
    const std::uint32_t caCount = profile_.caCertificates.count();
    const CertificateEntry* client = profile_.clientCertificate.get();
    for (const std::string& path : paths) {
        if (isDirectory(path))
            continue;
        const StatusCode status = addCertificateFromWindow(path, kind);
        if (status != StatusCode::Success) {
            reportStatus(nullptr, status, ids::AddCertificateFailedCaption);
            if (isFatalStatus(status))
                break;
        }
        // Of several files dropped on the client list only the first is used.
        if (kind == CertificateKind::ClientCertificate)
            break;
    }
    return profile_.caCertificates.count() != caCount || profile_.clientCertificate.get() != client;
}

void MainWindow::onListDetailsRequested(ControlId id) {
    if (!controls_)
        return;
    const int row = id == ControlId::CaList ? controls().selectedListRow(id) : 0;
    const std::string details = listRowToolTip(id, row);
    if (!details.empty())
        dialogs_->showDetails(controls().listCellText(id, row, 0), details);
}

std::string MainWindow::listRowToolTip(ControlId id, int row) {
    if (!controls_ || row < 0 || row >= controls().listRowCount(id))
        return {};
    const CertificateEntry* entry = nullptr;
    if (id == ControlId::CaList)
        entry = profile_.caCertificates.itemAt(std::size_t(row));
    else if (id == ControlId::ClientList)
        entry = profile_.clientCertificate.get();
    if (!entry)
        return {};
    // A bundle is opened with the password, which derives keys: hovering again must not. A CA
    // certificate's advisories also depend on the other CA certificates.
    std::string key = profile_.privateKeyPassword.str();
    key += '\0';
    key.append(entry->bytes.view());
    key += '\0';
    key += std::to_string(int(id)) + ':' + std::to_string(caListGeneration_);
    if (key != toolTipKey_) {
        try {
            const std::vector<ossl::X509Ptr> certificates =
                readEntryCertificates(*entry, profile_.privateKeyPassword.str());
            std::optional<CertificateSummary> summary;
            if (!certificates.empty())
                summary = summarizeX509(certificates.front().get());
            toolTipText_ =
                displaySystemText(toolTipText(summary) + advisoryLines(profile_, *entry, certificates));
        } catch (const std::bad_alloc&) {
            // A tip is not worth stopping the window for.
            return {};
        }
        toolTipKey_ = std::move(key);
    }
    return toolTipText_;
}

} // namespace corvane
