// A base for the platform's objects that own a resource tied to their address (a timer, a
// message handler, a shared state a waiting call holds): they are neither copied nor moved.
#pragma once

namespace platform {

class NonCopyable {
public:
    NonCopyable(const NonCopyable&) = delete;
    NonCopyable& operator=(const NonCopyable&) = delete;

protected:
    NonCopyable() = default;
    ~NonCopyable() = default;
};

}  // namespace platform
