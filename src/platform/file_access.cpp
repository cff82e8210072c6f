// The parts of FileAccess that do not touch the system: buffering, byte order, dispatch.
#include "platform/file_access.h"

#include <array>
#include <new>

namespace corvane {

WriteFaultHook& writeFaultHook() {
    static WriteFaultHook hook;
    return hook;
}

FileAccess::~FileAccess() {
    close();
}

StatusCode FileAccess::open(const std::string& path, bool read, bool write, ReadLocking locking) {
    close();
    if (read == write || path.empty())
        return StatusCode::Failure;
    try {
        return read ? openForReading(path, locking) : openForWriting(path);
    } catch (const std::bad_alloc&) {
        close();
        return StatusCode::Failure;
    }
}

StatusCode FileAccess::readByte(std::uint8_t& value) {
    return readBlock(&value, 1);
}

StatusCode FileAccess::readBe16(std::uint16_t& value) {
    std::array<std::uint8_t, 2> b{};
    if (readBlock(b.data(), b.size()) != StatusCode::Success)
        return StatusCode::Failure;
    value = static_cast<std::uint16_t>((b[0] << 8) | b[1]);
    return StatusCode::Success;
}

StatusCode FileAccess::readBe32(std::uint32_t& value) {
    std::array<std::uint8_t, 4> b{};
    if (readBlock(b.data(), b.size()) != StatusCode::Success)
        return StatusCode::Failure;
    value = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) |
            std::uint32_t(b[3]);
    return StatusCode::Success;
}

StatusCode FileAccess::flushPending() {
    if (pending_.empty())
        return StatusCode::Success;
    StatusCode status = writeAll(pending_.data(), pending_.size());
    pending_.clear();
    return status;
}

StatusCode FileAccess::writeBlock(const std::uint8_t* buffer, std::size_t n) {
    if ((mode_ != Mode::Replacing && mode_ != Mode::InPlace) || failed_)
        return StatusCode::Failure;
    if (n == 0)
        return StatusCode::Success;
    // Small writes gather in a buffer whose capacity was reserved at open, so nothing here
    // allocates; a block too large for it goes out directly.
    if (pending_.size() + n > kWriteBufferSize && flushPending() != StatusCode::Success)
        return StatusCode::Failure;
    if (n >= kWriteBufferSize)
        return writeAll(buffer, n);
    pending_.insert(pending_.end(), buffer, buffer + n);
    return StatusCode::Success;
}

StatusCode FileAccess::writeByte(std::uint8_t value) {
    return writeBlock(&value, 1);
}

StatusCode FileAccess::writeBe16(std::uint16_t value) {
    const std::array<std::uint8_t, 2> b{static_cast<std::uint8_t>(value >> 8),
                                        static_cast<std::uint8_t>(value)};
    return writeBlock(b.data(), b.size());
}

StatusCode FileAccess::writeBe32(std::uint32_t value) {
    const std::array<std::uint8_t, 4> b{
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return writeBlock(b.data(), b.size());
}

StatusCode FileAccess::commit() {
    StatusCode status = StatusCode::Failure;
    if (mode_ == Mode::Replacing)
        status = commitReplacement();
    else if (mode_ == Mode::InPlace)
        status = commitInPlace();
    close();
    return status;
}

} // namespace corvane
