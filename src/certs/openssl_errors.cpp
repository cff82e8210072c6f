#include "certs/openssl_errors.h"

#include <openssl/err.h>

namespace corvane::ossl {

ErrorQueue ErrorQueue::take() {
    ErrorQueue queue;
    while (unsigned long code = ERR_get_error()) {
        // Without memory the rest of the queue is still drained; the caller then sees fewer
        // errors, which only makes its classification more cautious.
        try {
            queue.errors_.push_back({ERR_GET_LIB(code), ERR_GET_REASON(code)});
        } catch (...) {
        }
    }
    return queue;
}

bool ErrorQueue::contains(int library, int reason) const {
    for (const Error& e : errors_)
        if (e.library == library && e.reason == reason)
            return true;
    return false;
}

} // namespace corvane::ossl
