#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace corvane {

// A text of this system, not of a profile (a file's path, a library's message), as the window
// shows it: itself when it is UTF-8, else read as Windows-1252. Profile texts are always read in
// the device's code page (decodeDeviceText).
std::string displaySystemText(std::string_view bytes);

// What a text field holds after the user typed, pasted or deleted: of what the edit put in, the
// characters the device's code page can hold, as many as the limit leaves room for. The limit
// counts stored bytes, one a character; a text the program wrote over the limit may shrink but
// never grow.
struct FieldEdit {
    std::string text;       // UTF-8
    std::size_t caret = 0;  // bytes of `text` before the caret: after what was put in
    char32_t refused = 0;   // the first character the code page cannot hold; 0 for none
    bool overLimit = false; // characters that fit the code page but not the limit were left out
};
FieldEdit fitFieldEdit(std::string_view accepted, std::string_view proposed, std::size_t limit);

} // namespace corvane
