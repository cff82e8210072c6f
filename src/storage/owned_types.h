#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace corvane {

// An owned block of bytes with its size. An empty buffer holds no allocation.
class ByteBuffer {
public:
    ByteBuffer() = default;
    virtual ~ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = default;
    ByteBuffer& operator=(const ByteBuffer&) = default;
    ByteBuffer(ByteBuffer&&) noexcept = default;
    ByteBuffer& operator=(ByteBuffer&&) noexcept = default;

    // Drops the old content; 0 on success, 1 (buffer left empty) when memory runs out.
    int resize(std::size_t n);
    int assign(const std::uint8_t* bytes, std::size_t n);
    int assign(std::string_view bytes) {
        return assign(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    int assignFrom(const ByteBuffer& other) { return assign(other.data(), other.size()); }
    bool equals(const ByteBuffer& other) const { return bytes_ == other.bytes_; }
    void clear() { std::vector<std::uint8_t>().swap(bytes_); }

    std::uint32_t size() const { return static_cast<std::uint32_t>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    std::uint8_t* data() { return bytes_.empty() ? nullptr : bytes_.data(); }
    const std::uint8_t* data() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    std::string_view view() const {
        return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// An owned 8-bit string; assigning an empty text leaves it holding no text at all.
class CountedString {
public:
    CountedString() = default;
    CountedString(std::string_view text) { assign(text); }
    virtual ~CountedString() = default;
    CountedString(const CountedString&) = default;
    CountedString& operator=(const CountedString&) = default;
    CountedString(CountedString&&) noexcept = default;
    CountedString& operator=(CountedString&&) noexcept = default;

    // When memory runs out the string is left empty; no status is returned.
    void assign(std::string_view text);
    void assignFrom(const CountedString& other) { assign(other.text_); }
    void clear() { std::string().swap(text_); }

    std::uint32_t length() const { return static_cast<std::uint32_t>(text_.size()); }
    bool empty() const { return text_.empty(); }
    const std::string& str() const { return text_; }
    std::string_view view() const { return text_; }
    bool operator==(std::string_view other) const { return text_ == other; }

private:
    std::string text_;
};

// Base of everything an ObjectList holds.
class ListItem {
public:
    ListItem() = default;
    virtual ~ListItem() = default;
    ListItem(const ListItem&) = default;
    ListItem& operator=(const ListItem&) = default;
};

// An owning, ordered list of items. The list destroys what it still holds.
template <class T> class ObjectList {
    static_assert(std::is_base_of_v<ListItem, T>);

public:
    ObjectList() = default;
    virtual ~ObjectList() { clear(); }
    ObjectList(const ObjectList&) = delete;
    ObjectList& operator=(const ObjectList&) = delete;
    ObjectList(ObjectList&&) noexcept = default;
    ObjectList& operator=(ObjectList&&) noexcept = default;

    // Takes ownership and returns true; when memory runs out the item stays with the caller.
    bool append(std::unique_ptr<T>& item) {
        try {
            items_.push_back(std::move(item));
            return true;
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    bool append(std::unique_ptr<T>&& item) { return append(item); }

    T* itemAt(std::size_t index) const {
        return index < items_.size() ? items_[index].get() : nullptr;
    }
    // Unlinks the item at the index and hands it to the caller; null when there is none.
    std::unique_ptr<T> remove(std::size_t index) {
        if (index >= items_.size())
            return nullptr;
        std::unique_ptr<T> item = std::move(items_[index]);
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
        return item;
    }
    // Destroys the items one by one, last first.
    void clear() {
        while (!items_.empty())
            items_.pop_back();
    }
    std::uint32_t count() const { return static_cast<std::uint32_t>(items_.size()); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<T>> items_;
};

} // namespace corvane
