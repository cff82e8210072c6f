#include "profile/status.h"

#include "app/string_ids.h"

namespace corvane {

bool isFatalStatus(StatusCode status) {
    switch (status) {
    case StatusCode::NotYetValid:
    case StatusCode::Expired:
    case StatusCode::AlreadyInList:
        return false;
    default:
        return true;
    }
}

unsigned statusTextId(StatusCode status) {
    switch (status) {
    case StatusCode::FileNotFound:
        return ids::FileDoesNotExist;
    case StatusCode::WrongPassword:
        return ids::WrongPasswordText;
    case StatusCode::NotYetValid:
        return ids::NotYetValidText;
    case StatusCode::Expired:
        return ids::ExpiredText;
    case StatusCode::NoCertificate:
        return ids::NoCertificateText;
    case StatusCode::NoPrivateKey:
        return ids::NoPrivateKeyText;
    case StatusCode::AddFailed:
    case StatusCode::ReadFailed:
        return ids::AddFailedText;
    case StatusCode::UnknownFormat:
        return ids::UnknownFormatText;
    case StatusCode::CaFormatNotSupported:
        return ids::CaFormatText;
    case StatusCode::ClientFormatNotSupported:
        return ids::ClientFormatText;
    case StatusCode::AlreadyInList:
        return ids::AlreadyInListText;
    default:
        return ids::ValidateFailedText;
    }
}

} // namespace corvane
