// Notes to the user about things that went wrong outside the host protocol, such as values
// that could not be kept. They go through one logging category of the project, so a batch run
// shows them on standard error and a window host can show them in its window.
#pragma once

#include <string>

namespace platform {

// The name of the logging category the notes go through.
inline constexpr const char* kNoticeCategory = "korvane.notice";

// Tells the user message through the notice category, as a warning.
void noticeToUser(const std::string& message);

}  // namespace platform
