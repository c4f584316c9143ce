// How the platform layer and the host fail (docs/architecture.md): the result says whether, and
// a last argument std::string* error receives the one sentence that says why.
#pragma once

#include <string>
#include <utility>

namespace platform {

// Fails with the sentence: false, and the sentence in error when the caller wants one.
inline bool fail(std::string* error, std::string sentence)
{
    if (error)
        *error = std::move(sentence);
    return false;
}

}  // namespace platform
