#include "ui/display_text.h"

#include <algorithm>

#include "profile/device_text.h"

namespace corvane {

std::string displaySystemText(std::string_view bytes) {
    return isValidUtf8(bytes) ? std::string(bytes) : decodeDeviceText(bytes);
}

FieldEdit fitFieldEdit(std::string_view accepted, std::string_view proposed, std::size_t limit) {
    const std::u32string before = utf8ToCodePoints(accepted);
    const std::u32string after = utf8ToCodePoints(proposed);
    // What the edit put in lies between the parts it kept of the accepted text.
    const std::size_t shorter = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < shorter && after[head] == before[head])
        ++head;
    std::size_t tail = 0;
    while (tail < shorter - head &&
           after[after.size() - 1 - tail] == before[before.size() - 1 - tail])
        ++tail;
    const std::u32string_view added(after.data() + head, after.size() - head - tail);

    FieldEdit edit;
    const std::size_t ceiling = std::max(limit, before.size());
    std::size_t room = ceiling > head + tail ? ceiling - head - tail : 0;
    std::u32string taken;
    for (char32_t c : added) {
        if (!deviceByte(c)) {
            if (!edit.refused)
                edit.refused = c;
        } else if (room == 0) {
            edit.overLimit = true;
        } else {
            taken += c;
            --room;
        }
    }
    // Nothing of what was typed or pasted could be taken: the field keeps its text.
    if (taken.empty() && !added.empty()) {
        edit.text = std::string(accepted);
        edit.caret = codePointsToUtf8(before.substr(0, head)).size();
        return edit;
    }
    const std::u32string prefix = after.substr(0, head) + taken;
    edit.caret = codePointsToUtf8(prefix).size();
    edit.text = codePointsToUtf8(prefix + after.substr(after.size() - tail));
    return edit;
}

} // namespace corvane
