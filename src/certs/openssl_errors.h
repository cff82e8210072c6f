#pragma once

#include <vector>

namespace corvane::ossl {

// The library's error queue as it stood right after a failing call. OpenSSL 3 queues several
// errors for one failure and their order differs between releases, so a failure is classified
// by asking whether a particular (library, reason) pair is anywhere in the queue.
class ErrorQueue {
public:
    // Drains the calling thread's queue.
    static ErrorQueue take();

    bool contains(int library, int reason) const;
    bool empty() const { return errors_.empty(); }

private:
    struct Error {
        int library;
        int reason;
    };
    std::vector<Error> errors_;
};

} // namespace corvane::ossl
