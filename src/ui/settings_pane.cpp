// The profile settings pane: which control carries which field, which controls apply to the
// outer protocol, the optional client certificate, and the checks before a save.
#include <span>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/certificates.h"
#include "profile/device_text.h"
#include "ui/display_text.h"
#include "ui/main_window.h"

namespace corvane {
namespace {

struct ComboItem {
    unsigned textId;
    int value;
};

constexpr ComboItem kAuthProtocols[] = {
    {ids::EapTls, EapTls},
    {ids::EapTtls, EapTtls},
    {ids::EapPeap, EapPeap},
    {ids::Leap, Leap},
};

constexpr ComboItem kTtlsInnerProtocols[] = {
    {ids::Pap, Pap},
    {ids::Chap, Chap},
    {ids::Mschap, Mschap},
    {ids::MschapV2, MschapV2},
    {ids::EapGtc, EapGtc},
    {ids::EapMd5Challenge, EapMd5Challenge},
    {ids::EapMschapV2, EapMschapV2},
};

// Under EAP-PEAP every tunneled method is an EAP method; the names leave out the prefix.
constexpr ComboItem kPeapInnerProtocols[] = {
    {ids::MschapV2, EapMschapV2},
    {ids::Gtc, EapGtc},
    {ids::Md5Challenge, EapMd5Challenge},
};

std::span<const ComboItem> innerProtocolsFor(std::uint8_t outer) {
    switch (outer) {
    case EapTtls:
        return kTtlsInnerProtocols;
    case EapPeap:
        return kPeapInnerProtocols;
    default:
        return {};
    }
}

// Texts are read back up to 255 stored bytes.
constexpr std::size_t kReadBackLimit = 255;

// What the device stores for a field's text. The field only ever takes characters of the
// device's code page, so nothing is lost here.
std::string readBack(const Controls& controls, ControlId id) {
    std::string bytes = encodeDeviceText(controls.text(id), kDropUnstorable);
    if (bytes.size() > kReadBackLimit)
        bytes.resize(kReadBackLimit);
    return bytes;
}

// A field the user did not change goes back byte for byte: only an edited text is taken from
// the control.
void readField(const Controls& controls, ControlId id, CountedString& field) {
    if (controls.text(id) != decodeDeviceText(field.view()))
        field.assign(readBack(controls, id));
}

void enable(Controls& controls, std::initializer_list<ControlId> ids, bool enabled) {
    for (ControlId id : ids)
        controls.setEnabled(id, enabled);
}

} // namespace

void MainWindow::fillAuthProtocolList() {
    SuppressChangeNotifications guard(*this);
    controls().clearComboItems(ControlId::AuthProtocol);
    for (const ComboItem& item : kAuthProtocols)
        controls().addComboItem(ControlId::AuthProtocol, loadString(item.textId), item.value);
}

void MainWindow::loadControlsFromProfile() {
    SuppressChangeNotifications guard(*this);
    controls().setText(ControlId::ProfileName, decodeDeviceText(profile_.profileName.view()));
    controls().setText(ControlId::Username, decodeDeviceText(profile_.username.view()));
    controls().setText(ControlId::Password, decodeDeviceText(profile_.password.view()));
    controls().setText(ControlId::PrivateKeyPassword,
                       decodeDeviceText(profile_.privateKeyPassword.view()));
    controls().setText(ControlId::InitialIdentity,
                       decodeDeviceText(profile_.initialIdentity.view()));
    // A protocol outside the list shows as its first item, EAP-TLS.
    controls().selectComboIndex(
        ControlId::AuthProtocol,
        findComboIndexByValue(ControlId::AuthProtocol, profile_.authProtocol));
    applyProtocolRules();
}

void MainWindow::readControlsIntoProfile() {
    const Controls& c = controls();
    readField(c, ControlId::ProfileName, profile_.profileName);
    readField(c, ControlId::Username, profile_.username);
    // A field that does not apply to the protocol keeps the profile's value.
    for (auto [id, field] : {std::pair{ControlId::Password, &profile_.password},
                             std::pair{ControlId::PrivateKeyPassword, &profile_.privateKeyPassword},
                             std::pair{ControlId::InitialIdentity, &profile_.initialIdentity}})
        if (c.isEnabled(id))
            readField(c, id, *field);
    // Both are single bytes: nothing selected (-1) is stored as 255.
    profile_.authProtocol = static_cast<std::uint8_t>(selectedComboValue(ControlId::AuthProtocol));
    profile_.innerAuthProtocol =
        static_cast<std::uint8_t>(selectedComboValue(ControlId::InnerAuthProtocol));
}

void MainWindow::applyProtocolRules() {
    profile_.updateFieldMask();
    const std::uint8_t mask = profile_.fieldMask;
    SuppressChangeNotifications guard(*this);
    Controls& c = controls();

    c.clearComboItems(ControlId::InnerAuthProtocol);
    for (const ComboItem& item : innerProtocolsFor(profile_.authProtocol))
        c.addComboItem(ControlId::InnerAuthProtocol, loadString(item.textId), item.value);
    enable(c, {ControlId::InnerAuthProtocolLabel, ControlId::InnerAuthProtocol},
           mask & UsesInnerProtocol);

    // A field that does not apply shows nothing, but the profile keeps its value for when the
    // protocol changes back.
    const bool usesPassword = mask & UsesPassword;
    enable(c, {ControlId::PasswordLabel, ControlId::Password}, usesPassword);
    c.setText(ControlId::Password,
              usesPassword ? decodeDeviceText(profile_.password.view()) : std::string());
    const bool usesIdentity = mask & UsesInitialIdentity;
    enable(c, {ControlId::InitialIdentityLabel, ControlId::InitialIdentity}, usesIdentity);
    c.setText(ControlId::InitialIdentity,
              usesIdentity ? decodeDeviceText(profile_.initialIdentity.view()) : std::string());

    enable(c, {ControlId::AddCa, ControlId::RemoveCa, ControlId::CaList, ControlId::CaListLabel},
           mask & UsesCaCertificates);
    refillCaList();

    const bool required = mask & RequiresClientCertificate;
    c.setVisible(ControlId::ClientLabel, required);
    c.setVisible(ControlId::ClientCheckBox, !required);
    c.setEnabled(ControlId::ClientLabel, required);
    c.setEnabled(ControlId::ClientCheckBox, (mask & AllowsClientCertificate) && !required);
    if (required) {
        enable(c, {ControlId::SetClient, ControlId::ClientList}, true);
        refreshClientCertificateArea();
    } else {
        applyClientCertificateChoice();
    }

    // No match selects the first item; the profile takes the shown value at the next read-back.
    c.selectComboIndex(
        ControlId::InnerAuthProtocol,
        findComboIndexByValue(ControlId::InnerAuthProtocol, profile_.innerAuthProtocol));
}

void MainWindow::applyClientCertificateChoice() {
    Controls& c = controls();
    // The choice survives a protocol that disables the box; it only shows while it applies.
    const bool on = clientCertificateWanted_ && c.isEnabled(ControlId::ClientCheckBox);
    c.setChecked(ControlId::ClientCheckBox, on);
    enable(c, {ControlId::SetClient, ControlId::ClientList}, on);
    refreshClientCertificateArea();
}

void MainWindow::refreshClientCertificateArea() {
    Controls& c = controls();
    c.deleteAllListRows(ControlId::ClientList);
    enable(
        c,
        {ControlId::ClearClient, ControlId::PrivateKeyPasswordLabel, ControlId::PrivateKeyPassword},
        false);
    if (profile_.authProtocol == EapTls || c.isEnabled(ControlId::ClientList)) {
        if (profile_.clientCertificate) {
            c.insertListRow(ControlId::ClientList, 0,
                            decodeDeviceText(profile_.clientCertificate->fileName.view()));
            enable(c,
                   {ControlId::ClearClient, ControlId::PrivateKeyPasswordLabel,
                    ControlId::PrivateKeyPassword},
                   true);
        } else {
            c.insertListRow(ControlId::ClientList, 0, loadString(ids::NotSpecified));
        }
    }
    SuppressChangeNotifications guard(*this);
    c.setText(ControlId::PrivateKeyPassword,
              (profile_.fieldMask & AllowsClientCertificate)
                  ? decodeDeviceText(profile_.privateKeyPassword.view())
                  : std::string());
}

FieldEdit MainWindow::onFieldEdit(ControlId id, std::string_view accepted,
                                  std::string_view proposed) {
    const TemplateControl* row = findControl(mainWindowTemplate(), id);
    const std::size_t limit =
        row && row->textLimit > 0 ? std::size_t(row->textLimit) : kReadBackLimit;
    FieldEdit edit = fitFieldEdit(accepted, proposed, limit);
    if (controls_ && (edit.refused || edit.overLimit)) {
        // The first refused character of a field is named once; later ones only beep.
        std::string notice;
        if (edit.refused && refusalNamed_.insert(id).second)
            notice = fillFormat(loadString(ids::CharacterNotStorable),
                                {codePointsToUtf8(std::u32string(1, edit.refused))});
        controls().refuseInput(id, notice);
    }
    return edit;
}

bool MainWindow::validateBeforeSave() {
    auto warn = [this](unsigned textId, unsigned captionId) {
        dialogs_->messageBox(loadString(textId), loadString(captionId), MessageBoxType::Exclamation,
                             MessageBoxButtons::Ok);
        return false;
    };

    // The name as the field shows it, not as the profile last took it.
    switch (validateProfileName(readBack(controls(), ControlId::ProfileName))) {
    case StatusCode::Success:
        break;
    case StatusCode::NameEmpty:
        return warn(ids::NameTooShort, ids::InvalidFieldCaption);
    case StatusCode::NameNotAscii:
        return warn(ids::NameNotAsciiText, ids::InvalidFieldCaption);
    default: // too long: the field cannot take more, so there is nothing to tell
        return false;
    }

    // The protocol the save will write: the one shown, which a loaded profile with a protocol
    // outside the list takes only at the read-back.
    const int outer = selectedComboValue(ControlId::AuthProtocol);
    const bool clientHeld = profile_.clientCertificate != nullptr;
    if ((outer == EapTtls || outer == EapPeap) && clientCertificateWanted_ && !clientHeld)
        return warn(ids::ClientCheckedButMissingText, ids::CertificateRequiredCaption);

    switch (checkCertificateRequirements(static_cast<std::uint8_t>(outer),
                                         profile_.caCertificates.count(), clientHeld)) {
    case StatusCode::CaCertificateRequired:
        return warn(ids::CaRequiredText, ids::CertificateRequiredCaption);
    case StatusCode::ClientCertificateRequired:
        return warn(ids::ClientRequiredText, ids::CertificateRequiredCaption);
    default:
        break;
    }

    if (clientHeld) {
        const StatusCode status =
            checkCertificate(*profile_.clientCertificate, profile_.privateKeyPassword.str());
        if (status != StatusCode::Success) {
            reportStatus(nullptr, status, ids::ClientValidationCaption);
            if (isFatalStatus(status))
                return false;
        }
    }
    return true;
}

} // namespace corvane
