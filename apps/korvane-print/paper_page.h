// The dialog's "Paper and output" page: paper size, two-sided printing and every other option
// of the printer's PPD that no panel claims, grouped as the PPD groups them. Each choice goes
// through the printer's constraints; what a resolution changed, or why a choice was refused,
// is told in a note.
#pragma once

#include "ppd_option_list.h"
#include "printer_status.h"

#include <QWidget>

#include <map>
#include <set>
#include <string>
#include <vector>

class JobChoices;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLineEdit;
class QVBoxLayout;

class PaperPage : public QWidget {
    Q_OBJECT
public:
    explicit PaperPage(QWidget* parent = nullptr);

    // Builds the page for a job's printer: its PPD through choices (nullptr: no printer), the
    // panels' option keys that stay hidden, what cupsd says of the queue (the sides it prints
    // and, for a printer without a PPD, its paper sizes).
    void attach(JobChoices* choices, const std::set<std::string>& hiddenKeys, const PrinterStatus& queue);

signals:
    void choicesChanged();
    // A note for the user: what a constraint changed, or why a choice was refused.
    void noteChanged(const QString& note);

private:
    struct OptionControl {
        PPDOptionEntry option;
        QComboBox* popUp = nullptr;
        QCheckBox* checkBox = nullptr;
        std::vector<QLineEdit*> customFields;
    };

    void clear();
    void addPaperAndSides(QFormLayout* form, const PrinterStatus& queue);
    void addMediaRow(QFormLayout* form, const PrinterStatus& queue);
    struct IppChoice {
        QString objectName;
        QString label;         // with its mnemonic and colon
        std::string option;    // the job option it sets
        std::string fallback;  // shown when the job has none
    };
    QComboBox* addIppChoiceRow(QFormLayout* form, const IppChoice& choice,
                               const std::vector<std::pair<QString, std::string>>& values);
    QWidget* addOptionRow(QFormLayout* form, const PPDOptionEntry& option, const QString& label);
    void choose(const std::string& keyword, const std::string& choice);
    void popUpChosen(const std::string& keyword);
    void customEdited(const std::string& keyword);
    void sidesChosen();
    void mediaChosen();
    void showMarkedChoices();
    QString mnemonicLabel(const QString& text);

    JobChoices* choices_ = nullptr;
    QVBoxLayout* content_ = nullptr;
    QWidget* body_ = nullptr;
    QComboBox* ippSides_ = nullptr;  // two-sided from cupsd, for a PPD without Duplex
    QComboBox* ippMedia_ = nullptr;  // paper size without a PPD
    std::map<std::string, OptionControl> controls_;
    std::set<QChar> usedMnemonics_;
};
