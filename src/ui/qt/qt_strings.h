#pragma once

#include <QString>

#include <string>

#include "app/resources.h"

namespace corvane {

// The window logic's texts are UTF-8; profile texts reach it already read in the device's code
// page.
inline QString toQString(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

inline std::string fromQString(const QString& text) {
    return text.toUtf8().toStdString();
}

// A string-table text, so a resource module translates the window too.
inline QString tableText(unsigned id) {
    return toQString(loadString(id));
}

} // namespace corvane
