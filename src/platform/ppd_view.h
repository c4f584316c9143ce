// A read-only view of a PPD that the host owns: the few records the panel reads from it. The
// panel names libcups' records only through the opaque types below and never calls libcups.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// libcups' own record types, left incomplete outside the platform layer.
struct ppd_file_s;
struct ppd_option_s;
struct ppd_choice_s;

namespace platform {

using PPDRecord = ::ppd_file_s;
using PPDOptionRecord = ::ppd_option_s;
using PPDChoiceRecord = ::ppd_choice_s;

class PPDView {
public:
    PPDView() = default;
    // The host hands its PPD over as libcups gives it; a null record is no PPD.
    PPDView(PPDRecord* ppd) : ppd_(ppd) {}  // NOLINT: implicit on purpose

    explicit operator bool() const { return ppd_ != nullptr; }
    friend bool operator==(const PPDView& view, std::nullptr_t) { return view.ppd_ == nullptr; }
    PPDRecord* record() const { return ppd_; }

    // The value of the first attribute of that name ("" when it has none); nothing when the
    // PPD has no such attribute or there is no PPD.
    std::optional<std::string> attribute(const char* name) const;
    // The *ModelName bytes as the file holds them; nothing when there is none.
    std::optional<std::string> modelName() const;
    // The *LanguageEncoding name: the encoding of the file's strings (libcups' own record of
    // the encoding says UTF-8 for every PPD).
    std::optional<std::string> languageEncoding() const;
    // The choice marked for the option keyword, or nullptr.
    PPDChoiceRecord* markedChoice(const char* keyword) const;

private:
    PPDRecord* ppd_ = nullptr;
};

// The option's default choice, or nullptr.
PPDChoiceRecord* defaultChoice(PPDOptionRecord* option);
// The position of choice among the option's choices.
int choiceIndex(const PPDOptionRecord* option, const PPDChoiceRecord* choice);
// The option's choices in PPD order; none for a null option.
std::vector<PPDChoiceRecord*> choicesOf(PPDOptionRecord* option);
// A choice's keyword and human-readable text, as the file's bytes.
std::string_view choiceKeyword(const PPDChoiceRecord& choice);
std::string_view choiceText(const PPDChoiceRecord& choice);

}  // namespace platform
