#include "profile/profile.h"

#include "app/resources.h"

namespace corvane {

StatusCode Profile::reset(bool clearFilePath) {
    if (clearFilePath)
        filePath.clear();
    targetCode = kDefaultTargetCode;
    profileName.clear();
    authProtocol = EapTls;
    innerAuthProtocol = Pap;
    username.clear();
    password.clear();
    privateKeyPassword.clear();
    initialIdentity.clear();
    caCertificates.clear();
    clientCertificate.reset();
    clientKeyBlock.clear();
    keptHeader.headerValid = false;
    modified = false;
    return StatusCode::Success;
}

StatusCode Profile::removeCertificate(long long index, CertificateKind kind) {
    if (kind == CertificateKind::CaCertificate) {
        if (index < 0 || static_cast<unsigned long long>(index) >= caCertificates.count())
            return StatusCode::Failure;
        caCertificates.remove(static_cast<std::size_t>(index));
        modified = true;
        return StatusCode::Success;
    }
    clientCertificate.reset();
    clientKeyBlock.clear();
    modified = true;
    return StatusCode::Success;
}

void Profile::updateFieldMask() {
    std::uint8_t mask = 0;
    switch (authProtocol) {
    case Leap:
        mask = UsesPassword;
        break;
    case EapTls:
        mask = UsesCaCertificates | AllowsClientCertificate | RequiresClientCertificate;
        break;
    case EapTtls:
    case EapPeap:
        mask = UsesInnerProtocol | UsesPassword | UsesInitialIdentity | UsesCaCertificates |
               AllowsClientCertificate;
        break;
    default:
        break;
    }
    if ((mask & AllowsClientCertificate) && clientCertificate)
        mask |= UsesPrivateKeyPassword;
    fieldMask = mask;
}

bool Profile::hasCaCertificate(const CertificateEntry& entry) const {
    for (const auto& existing : caCertificates)
        if (existing->bytes.equals(entry.bytes))
            return true;
    return false;
}

StatusCode validateProfileName(std::string_view text) {
    if (text.empty())
        return StatusCode::NameEmpty;
    if (text.size() > 26)
        return StatusCode::TextTooLong;
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7E)
            return StatusCode::NameNotAscii;
    return StatusCode::Success;
}

StatusCode validateTextField(std::string_view text) {
    return text.size() > 64 ? StatusCode::TextTooLong : StatusCode::Success;
}

StatusCode validateProtocols(std::uint8_t outer, std::uint8_t inner) {
    switch (outer) {
    case Leap:
    case EapTls:
        return StatusCode::Success;
    case EapTtls:
        switch (inner) {
        case Chap:
        case Mschap:
        case MschapV2:
        case Pap:
        case EapMd5Challenge:
        case EapGtc:
        case EapMschapV2:
            return StatusCode::Success;
        default:
            return StatusCode::BadInnerProtocol;
        }
    case EapPeap:
        switch (inner) {
        case EapMd5Challenge:
        case EapGtc:
        case EapMschapV2:
            return StatusCode::Success;
        default:
            return StatusCode::BadInnerProtocol;
        }
    default:
        return StatusCode::BadAuthProtocol;
    }
}

StatusCode checkCertificateRequirements(std::uint8_t outer, std::uint32_t caCount,
                                        bool clientPresent) {
    if (outer == EapTls) {
        if (caCount == 0)
            return StatusCode::CaCertificateRequired;
        if (!clientPresent)
            return StatusCode::ClientCertificateRequired;
        return StatusCode::Success;
    }
    if ((outer == EapTtls || outer == EapPeap) && caCount == 0)
        return StatusCode::CaCertificateRequired;
    return StatusCode::Success;
}

namespace {
ReportPresenter* gPresenter = nullptr;
}

ReportPresenter* setReportPresenter(ReportPresenter* presenter) {
    ReportPresenter* previous = gPresenter;
    gPresenter = presenter;
    return previous;
}

void reportStatus(OwnerWindow owner, StatusCode status, unsigned captionId) {
    showReport(owner, loadString(statusTextId(status)), loadString(captionId),
               MessageBoxType::Exclamation);
}

void showReport(OwnerWindow owner, const std::string& text, const std::string& caption,
                MessageBoxType type) {
    if (gPresenter)
        gPresenter->showMessage(owner, text, caption, type);
}

} // namespace corvane
