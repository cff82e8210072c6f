#include "storage/owned_types.h"

#include <cstring>

namespace corvane {

int ByteBuffer::resize(std::size_t n) {
    clear();
    if (n == 0)
        return 0;
    if (n > UINT32_MAX)
        return 1;
    try {
        bytes_.resize(n);
    } catch (const std::bad_alloc&) {
        clear();
        return 1;
    }
    return 0;
}

int ByteBuffer::assign(const std::uint8_t* bytes, std::size_t n) {
    if (bytes == data() && n == bytes_.size())
        return 0;
    std::vector<std::uint8_t> copy;
    try {
        if (n > 0)
            copy.assign(bytes, bytes + n);
    } catch (const std::bad_alloc&) {
        clear();
        return 1;
    }
    bytes_.swap(copy);
    return 0;
}

void CountedString::assign(std::string_view text) {
    if (text.data() == text_.data() && text.size() == text_.size())
        return;
    try {
        std::string copy(text);
        text_.swap(copy);
    } catch (const std::bad_alloc&) {
        clear();
    }
}

} // namespace corvane
