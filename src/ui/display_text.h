#pragma once

#include <string>
#include <string_view>

namespace corvane {

// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

// The text the device reads in stored bytes: every byte taken as Windows-1252, as UTF-8.
std::string windows1252ToUtf8(std::string_view bytes);

// Stored texts are 8-bit: UTF-8 when the window or a UTF-8 script wrote them, a Western code
// page when the reference or a Latin-1 script did. The text a control shows: the bytes
// themselves when they are UTF-8, else read as Windows-1252.
std::string displayText(std::string_view bytes);

} // namespace corvane
