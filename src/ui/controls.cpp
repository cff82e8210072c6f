#include "ui/controls.h"

#include "app/string_ids.h"

namespace corvane {
namespace {

using enum ControlKind;
using Id = ControlId;

// Edit limits: the name's record field holds 26 bytes, the other texts 63.
constexpr int kNameLimit = 26;
constexpr int kTextLimit = 63;

constexpr TemplateControl kMainWindow[] = {
    {Id::ProfileName, Edit, 0, {172, 19, 112, 14}, TabStop, kNameLimit, ids::ProfileNameLabel},
    {Id::AuthProtocol, DropDownList, 0, {172, 38, 112, 65}, TabStop, 0, ids::AuthProtocolLabel},
    {Id::InnerAuthProtocol,
     DropDownList,
     0,
     {172, 56, 112, 115},
     TabStop,
     0,
     ids::InnerAuthProtocolLabel},
    {Id::Username, Edit, 0, {172, 74, 112, 14}, TabStop, kTextLimit, ids::UsernameLabel},
    {Id::Password, PasswordEdit, 0, {172, 93, 112, 14}, TabStop, kTextLimit, ids::PasswordLabel},
    {Id::InitialIdentity,
     Edit,
     0,
     {172, 112, 112, 14},
     TabStop,
     kTextLimit,
     ids::InitialIdentityLabel},
    {Id::AddCa, DefaultPushButton, ids::AddButton, {172, 155, 50, 14}, TabStop, 0, 0},
    {Id::RemoveCa, DefaultPushButton, ids::RemoveButton, {234, 155, 50, 14}, TabStop, 0, 0},
    {Id::CaList,
     ListView,
     0,
     {22, 177, 262, 50},
     TabStop | AcceptsDroppedFiles,
     0,
     ids::CaCertificatesLabel},
    {Id::ClientCheckBox, CheckBox, ids::ClientCertificateLabel, {24, 243, 112, 10}, TabStop, 0, 0},
    {Id::SetClient, PushButton, ids::SetButton, {172, 241, 50, 14}, TabStop, 0, 0},
    {Id::ClearClient, PushButton, ids::ClearButton, {234, 241, 50, 14}, TabStop, 0, 0},
    {Id::PrivateKeyPassword,
     PasswordEdit,
     0,
     {172, 285, 112, 14},
     TabStop,
     kTextLimit,
     ids::PrivateKeyPasswordLabel},
    {Id::New, PushButton, ids::NewButton, {10, 318, 50, 14}, TabStop, 0, 0},
    {Id::Open, PushButton, ids::OpenButton, {69, 318, 50, 14}, TabStop, 0, 0},
    {Id::Save, PushButton, ids::SaveButton, {128, 318, 50, 14}, TabStop, 0, 0},
    {Id::SaveAs, PushButton, ids::SaveAsButton, {187, 318, 50, 14}, TabStop, 0, 0},
    {Id::Exit, PushButton, ids::ExitButton, {249, 318, 50, 14}, TabStop, 0, 0},
    {Id::ClientLabel, StaticText, ids::ClientCertificateLabel, {24, 244, 97, 8}, 0, 0, 0},
    {Id::ClientList,
     ListView,
     0,
     {21, 264, 262, 13},
     NoColumnHeader | NoScrolling | AcceptsDroppedFiles,
     0,
     ids::ClientCertificateLabel},
    {Id::None, StaticText, ids::ProfileNameLabel, {26, 22, 128, 8}, 0, 0, 0},
    {Id::None, StaticText, ids::AuthProtocolLabel, {26, 41, 133, 8}, 0, 0, 0},
    {Id::InnerAuthProtocolLabel,
     StaticText,
     ids::InnerAuthProtocolLabel,
     {26, 59, 136, 8},
     0,
     0,
     0},
    {Id::CaListLabel, StaticText, ids::CaCertificatesLabel, {22, 159, 145, 8}, 0, 0, 0},
    {Id::InitialIdentityLabel, StaticText, ids::InitialIdentityLabel, {26, 115, 117, 8}, 0, 0, 0},
    {Id::None, GroupBox, ids::ProfileSettingsGroup, {10, 3, 289, 133}, 0, 0, 0},
    {Id::PrivateKeyPasswordLabel,
     StaticText,
     ids::PrivateKeyPasswordLabel,
     {26, 288, 133, 8},
     0,
     0,
     0},
    {Id::PasswordLabel, StaticText, ids::PasswordLabel, {26, 96, 130, 8}, 0, 0, 0},
    {Id::UsernameLabel, StaticText, ids::UsernameLabel, {26, 77, 134, 8}, 0, 0, 0},
    {Id::CertificatesGroup, GroupBox, ids::CertificatesGroup, {10, 143, 289, 166}, 0, 0, 0},
};

constexpr TemplateControl kAboutBox[] = {
    {Id::Ok, DefaultPushButton, ids::OkButton, {80, 84, 50, 14}, TabStop, 0, 0},
    {Id::None, StaticText, ids::AboutProductName, {80, 20, 86, 8}, 0, 0, 0},
    {Id::None, StaticText, ids::AboutCopyright, {80, 47, 58, 8}, 0, 0, 0},
    {Id::None, StaticText, ids::AboutLicence, {80, 57, 65, 8}, 0, 0, 0},
    {Id::AboutVersion, StaticText, ids::AboutVersion, {80, 30, 36, 8}, 0, 0, 0},
};

constexpr ListColumn kCaColumns[] = {
    {ids::FilenameHeading, 109},
    {ids::SubjectHeading, 100},
    {ids::IssuerHeading, 100},
    {ids::ValidUntilHeading, 80},
};

constexpr ListColumn kClientColumns[] = {{0, 370}};

} // namespace

std::span<const TemplateControl> mainWindowTemplate() {
    return kMainWindow;
}

std::span<const TemplateControl> aboutBoxTemplate() {
    return kAboutBox;
}

const TemplateControl* findControl(std::span<const TemplateControl> table, ControlId id) {
    if (id == ControlId::None)
        return nullptr;
    for (const TemplateControl& row : table)
        if (row.id == id)
            return &row;
    return nullptr;
}

std::span<const ListColumn> caListColumns() {
    return kCaColumns;
}

std::span<const ListColumn> clientListColumns() {
    return kClientColumns;
}

} // namespace corvane
