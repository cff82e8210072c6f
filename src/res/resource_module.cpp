// A resource module: one translation table behind the one export the program looks for.
#include <algorithm>
#include <iterator>

namespace {

struct TranslatedString {
    unsigned id;
    const char* text;
};

constexpr TranslatedString kTable[] = {
#include CORVANE_TRANSLATION_TABLE
};

// Looked up by binary search: a table merged out of order would lose strings silently.
static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const TranslatedString& a, const TranslatedString& b) {
                                 return a.id <= b.id;
                             }));

} // namespace

extern "C" __attribute__((visibility("default"))) const char* corvane_resource_string(unsigned id) {
    auto it = std::lower_bound(std::begin(kTable), std::end(kTable), id,
                               [](const TranslatedString& s, unsigned v) { return s.id < v; });
    return (it != std::end(kTable) && it->id == id) ? it->text : nullptr;
}
