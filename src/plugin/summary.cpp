// The lines this panel gives the print dialog's settings summary.
#include "plugin/KorvanePrintPdeRk880JC.h"

#include "platform/trace.h"

namespace {

// A caption with ":" trimmed from both ends (only there).
std::string trimColons(const std::string& caption)
{
    const std::size_t first = caption.find_first_not_of(':');
    if (first == std::string::npos)
        return {};
    const std::size_t last = caption.find_last_not_of(':');
    return caption.substr(first, last - first + 1);
}

// Adds a line unless its title or value is missing: the dictionary holds no absent entries.
void addLine(std::map<std::string, std::string>& summary, const std::optional<std::string>& title,
             const std::optional<std::string>& value)
{
    if (title && !title->empty() && value)
        summary[*title] = *value;
}

}  // namespace

std::map<std::string, std::string> KorvanePrintPdeRk880JC::summaryInfo()
{
    _PDEProlog(this, "summaryInfo:");
    std::map<std::string, std::string> summary;
    if (!hasInited) {
        _PDEEpilog(this, "summaryInfo:");
        return summary;
    }
    if (retentionCheckBox) {
        if (retentionCheckBox.state() != 0) {
            addLine(summary, retentionCheckBox.title(), pdeBundle.localizedString("On"));
            if (folderSelectionPopup) {
                const int index = folderSelectionPopup.indexOfSelectedItem();
                std::optional<std::string> folder;
                if (index >= 0)
                    folder = folderSelectionPopup.itemTitle(index);
                std::optional<std::string> caption = folderSelectionStaticText.stringValue();
                addLine(summary, caption ? std::optional(trimColons(*caption)) : std::nullopt, folder);
            }
            if (suspendMatrix) {
                const int row = suspendMatrix.selectedRow();
                std::optional<std::string> mode;
                if (platform::Button cell = suspendMatrix.cellAtRow(row))
                    mode = cell.title();
                addLine(summary, suspendBox ? std::optional(suspendBox.title()) : std::nullopt, mode);
            }
        } else {
            addLine(summary, retentionCheckBox.title(), pdeBundle.localizedString("Off"));
        }
    }
    if (userNameStaticText && userNameEditText)
        addLine(summary, trimColons(userNameStaticText.stringValue().value_or("")), userNameEditText.stringValue());
    if (jobNameStaticText && jobNameEditText)
        addLine(summary, trimColons(jobNameStaticText.stringValue().value_or("")), jobNameEditText.stringValue());
    _PDEEpilog(this, "summaryInfo:");
    return summary;
}
