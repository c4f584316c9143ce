// Texts that the printer's filter and the owner's desktop share about a job that cupsd holds.
#pragma once

namespace korvane::messages {

// How the filter's message opens when it stops a job for a job control value that is missing or
// unusable (a PIN of the wrong form, a custom option without its value, a queue that holds
// every job and a job that carries nothing the printer could check). The owner's desktop finds
// such jobs by it, asks the owner for the settings and restarts the job with them.
inline constexpr const char* kNeedsSettings = "The job needs its job control settings: ";

}  // namespace korvane::messages
