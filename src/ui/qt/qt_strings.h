#pragma once

#include <QString>

#include <string>

#include "app/resources.h"

namespace corvane {

// Texts are stored as the locale's bytes (UTF-8 here), the same as script mode keeps them.
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
