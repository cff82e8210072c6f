// The profile settings pane: which control carries which field, and the checks before a save.
#include "app/resources.h"
#include "app/string_ids.h"
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

void assignFromControl(CountedString& field, const Controls& controls, ControlId id) {
    field.assign(controls.text(id));
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
    controls().setText(ControlId::ProfileName, profile_.profileName.str());
    controls().setText(ControlId::Username, profile_.username.str());
    controls().setText(ControlId::Password, profile_.password.str());
    controls().setText(ControlId::PrivateKeyPassword, profile_.privateKeyPassword.str());
    controls().setText(ControlId::InitialIdentity, profile_.initialIdentity.str());
    controls().selectComboIndex(
        ControlId::AuthProtocol,
        findComboIndexByValue(ControlId::AuthProtocol, profile_.authProtocol));
    applyProtocolRules();
}

void MainWindow::readControlsIntoProfile() {
    const Controls& c = controls();
    assignFromControl(profile_.profileName, c, ControlId::ProfileName);
    assignFromControl(profile_.username, c, ControlId::Username);
    // A field that does not apply to the protocol keeps the profile's value.
    if (c.isEnabled(ControlId::Password))
        assignFromControl(profile_.password, c, ControlId::Password);
    if (c.isEnabled(ControlId::PrivateKeyPassword))
        assignFromControl(profile_.privateKeyPassword, c, ControlId::PrivateKeyPassword);
    if (c.isEnabled(ControlId::InitialIdentity))
        assignFromControl(profile_.initialIdentity, c, ControlId::InitialIdentity);
    profile_.authProtocol = static_cast<std::uint8_t>(selectedComboValue(ControlId::AuthProtocol));
    profile_.innerAuthProtocol =
        static_cast<std::uint8_t>(selectedComboValue(ControlId::InnerAuthProtocol));
}

// Hook of the settings pane: refilling the tunneled list and enabling, showing and blanking the
// controls by protocol. Until it is written every control stays as created.
void MainWindow::applyProtocolRules() {
    profile_.updateFieldMask();
}

// Hook of the settings pane: the optional client certificate check box.
void MainWindow::applyClientCertificateChoice() {
    refreshClientCertificateArea();
}

// Hook of the settings pane: the client certificate row, Clear and the private key password.
void MainWindow::refreshClientCertificateArea() {}

bool MainWindow::validateBeforeSave() {
    const StatusCode status = validateProfileName(controls().text(ControlId::ProfileName));
    if (status == StatusCode::TextTooLong)
        return false;
    if (status != StatusCode::Success) {
        const unsigned textId =
            status == StatusCode::NameEmpty ? ids::NameTooShort : ids::NameNotAsciiText;
        dialogs_->messageBox(loadString(textId), loadString(ids::InvalidFieldCaption),
                             MessageBoxType::Exclamation, MessageBoxButtons::Ok);
        return false;
    }
    // The checks of the certificates and the private key password follow here.
    return true;
}

} // namespace corvane
