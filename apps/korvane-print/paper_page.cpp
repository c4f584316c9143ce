#include "paper_page.h"

#include "job_choices.h"
#include "paper_sizes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <QRegularExpression>

#include <algorithm>

#include <strings.h>

namespace {

// A row label as a screen reader says it: without its mnemonic mark and its colon.
QString accessibleNameOf(const QString& label)
{
    return QString(label).remove('&').remove(QRegularExpression(":$"));
}

// The letters the dialog's head, tabs and buttons use; a page's options take others.
const QString kReservedMnemonics = "PILGTVSDZWRJ";

// The text of the custom choice's item.
const char* kCustomItem = "Custom";

// The sides a queue prints, as the user reads them.
QString sidesText(const std::string& sides)
{
    if (sides == "one-sided")
        return QObject::tr("Off");
    if (sides == "two-sided-long-edge")
        return QObject::tr("Long edge (standard)");
    if (sides == "two-sided-short-edge")
        return QObject::tr("Short edge (flip)");
    return QString::fromStdString(sides);
}

}  // namespace

// Lays out the page as a scrolled column of boxes: the paper, then one per PPD group.
PaperPage::PaperPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("paperPage");
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    body_ = new QWidget(scroll);
    content_ = new QVBoxLayout(body_);
    scroll->setWidget(body_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
}

// Removes every control of the previous printer.
void PaperPage::clear()
{
    controls_.clear();
    ippSides_ = nullptr;
    ippMedia_ = nullptr;
    usedMnemonics_.clear();
    for (QChar c : kReservedMnemonics)
        usedMnemonics_.insert(c);
    while (QLayoutItem* item = content_->takeAt(0)) {
        // Gone at once: none of them is sending a signal now (a printer change rebuilds the
        // page), and a search for a control must not find the previous printer's.
        delete item->widget();
        delete item;
    }
}

// The text with a mnemonic on its first letter no other control of the window uses.
QString PaperPage::mnemonicLabel(const QString& text)
{
    QString plain = text;
    plain.replace('&', "&&");
    for (int i = 0; i < plain.size(); ++i) {
        const QChar letter = plain.at(i).toUpper();
        if (!letter.isLetterOrNumber() || usedMnemonics_.count(letter))
            continue;
        usedMnemonics_.insert(letter);
        return plain.left(i) + '&' + plain.mid(i) + ':';
    }
    return plain + ':';
}

// Builds the controls of the printer's options and shows the choices now marked.
void PaperPage::attach(JobChoices* choices, const std::set<std::string>& hiddenKeys, const PrinterStatus& queue)
{
    clear();
    choices_ = choices;
    setEnabled(choices_ != nullptr);
    if (!choices_)
        return;
    auto* paperBox = new QGroupBox(tr("Paper"), body_);
    auto* paperForm = new QFormLayout(paperBox);
    addPaperAndSides(paperForm, queue);
    content_->addWidget(paperBox);
    for (const PPDOptionGroup& group : otherPPDOptions(choices_->ppd(), hiddenKeys)) {
        auto* box = new QGroupBox(QString::fromStdString(group.text), body_);
        box->setObjectName(QString::fromStdString("group" + group.name));
        auto* form = new QFormLayout(box);
        for (const PPDOptionEntry& option : group.options)
            addOptionRow(form, option, mnemonicLabel(QString::fromStdString(option.text)));
        content_->addWidget(box);
    }
    content_->addStretch(1);
    showMarkedChoices();
}

// Paper size and two-sided: the PPD's PageSize and Duplex, else what cupsd offers.
void PaperPage::addPaperAndSides(QFormLayout* form, const PrinterStatus& queue)
{
    const std::vector<std::string>& sidesSupported = queue.sidesSupported;
    const PPDOptionEntry pageSize = describePPDOption(choices_->ppd(), "PageSize");
    if (!pageSize.keyword.empty())
        addOptionRow(form, pageSize, tr("Paper si&ze:"));
    else
        addMediaRow(form, queue);
    PPDOptionEntry duplex = describePPDOption(choices_->ppd(), "Duplex");
    if (duplex.keyword.empty())
        duplex = describePPDOption(choices_->ppd(), "cupsSides");
    if (!duplex.keyword.empty()) {
        addOptionRow(form, duplex, tr("T&wo-sided:"));
        return;
    }
    if (sidesSupported.size() < 2)
        return;
    std::vector<std::pair<QString, std::string>> sides;
    for (const std::string& value : sidesSupported)
        sides.emplace_back(sidesText(value), value);
    ippSides_ = addIppChoiceRow(form, {"sidesPopup", tr("T&wo-sided:"), "sides", "one-sided"}, sides);
    connect(ippSides_, &QComboBox::currentIndexChanged, this, &PaperPage::sidesChosen);
}

// The paper sizes cupsd lists for a queue without a PPD, showing the job's paper or else the
// queue's default. A paper the job names that cupsd does not list (a kept default, -o media)
// is offered too, so that the pop-up shows what the job gets; with no size at all the pop-up
// says that the printer decides, and offers no choice.
void PaperPage::addMediaRow(QFormLayout* form, const PrinterStatus& queue)
{
    std::vector<std::pair<QString, std::string>> sizes;
    for (const MediaSize& size : queue.media)
        sizes.emplace_back(QString::fromStdString(size.text), size.name);
    const std::optional<std::string> chosen = choices_->option("media");
    const auto listed = [&](const std::string& name) {
        return std::any_of(sizes.begin(), sizes.end(), [&](const auto& size) { return size.second == name; });
    };
    if (chosen && !listed(*chosen))
        sizes.emplace_back(QString::fromStdString(paperSizeText(*chosen)), *chosen);
    if (sizes.empty())
        sizes.emplace_back(tr("As the printer sets it"), std::string());
    const std::string fallback = listed(queue.defaultMedia) ? queue.defaultMedia : sizes.front().second;
    ippMedia_ = addIppChoiceRow(form, {"mediaPopup", tr("Paper si&ze:"), "media", fallback}, sizes);
    ippMedia_->setEnabled(ippMedia_->count() > 1);
    connect(ippMedia_, &QComboBox::currentIndexChanged, this, &PaperPage::mediaChosen);
}

// A pop-up of an IPP job option's values (text, value) as cupsd offers them, showing the
// job's value or else the default, in a row of the form.
QComboBox* PaperPage::addIppChoiceRow(QFormLayout* form, const IppChoice& choice,
                                      const std::vector<std::pair<QString, std::string>>& values)
{
    auto* popUp = new QComboBox(this);
    popUp->setObjectName(choice.objectName);
    popUp->setAccessibleName(accessibleNameOf(choice.label));
    for (const auto& [text, value] : values)
        popUp->addItem(text, QString::fromStdString(value));
    const std::string current = choices_->option(choice.option).value_or(choice.fallback);
    popUp->setCurrentIndex(std::max(popUp->findData(QString::fromStdString(current)), 0));
    auto* label = new QLabel(choice.label, this);
    label->setBuddy(popUp);
    form->addRow(label, popUp);
    return popUp;
}

// One PPD option: a pop-up (PickOne, PickMany) or a check box (Boolean), with the custom
// choice's parameters as fields.
QWidget* PaperPage::addOptionRow(QFormLayout* form, const PPDOptionEntry& option, const QString& label)
{
    OptionControl control;
    control.option = option;
    const QString name = QString::fromStdString(option.keyword);
    const QString accessible = accessibleNameOf(label);
    QWidget* widget = nullptr;
    const bool asCheckBox =
        option.kind == PPDOptionEntry::Kind::Boolean && option.choices.size() == 2 && option.customParameters.empty();
    if (asCheckBox) {
        control.checkBox = new QCheckBox(QString(label).remove(QRegularExpression(":$")), this);
        control.checkBox->setObjectName("ppd" + name);
        control.checkBox->setAccessibleName(accessible);
        widget = control.checkBox;
        form->addRow(QString(), control.checkBox);
        connect(control.checkBox, &QCheckBox::toggled, this, [this, keyword = option.keyword](bool on) {
            const auto& entry = controls_.at(keyword).option;
            // A Boolean option's choices are True and False, in either order.
            for (const PPDChoiceEntry& choice : entry.choices)
                if ((strcasecmp(choice.keyword.c_str(), "True") == 0) == on) {
                    choose(keyword, choice.keyword);
                    return;
                }
        });
    } else {
        control.popUp = new QComboBox(this);
        control.popUp->setObjectName("ppd" + name);
        control.popUp->setAccessibleName(accessible);
        for (const PPDChoiceEntry& choice : option.choices)
            control.popUp->addItem(QString::fromStdString(choice.text), QString::fromStdString(choice.keyword));
        if (!option.customParameters.empty())
            control.popUp->addItem(tr("Custom"), kCustomItem);
        auto* caption = new QLabel(label, this);
        caption->setBuddy(control.popUp);
        auto* row = new QVBoxLayout;
        row->addWidget(control.popUp);
        for (const PPDCustomParameter& parameter : option.customParameters) {
            auto* field = new QLineEdit(this);
            field->setObjectName("ppd" + name + "." + QString::fromStdString(parameter.name));
            field->setPlaceholderText(QString::fromStdString(parameter.text));
            field->setAccessibleName(accessible + " " + QString::fromStdString(parameter.text));
            field->setEnabled(false);
            row->addWidget(field);
            control.customFields.push_back(field);
            connect(field, &QLineEdit::editingFinished, this,
                    [this, keyword = option.keyword] { customEdited(keyword); });
        }
        widget = control.popUp;
        form->addRow(caption, row);
        connect(control.popUp, &QComboBox::currentIndexChanged, this,
                [this, keyword = option.keyword] { popUpChosen(keyword); });
    }
    controls_[option.keyword] = std::move(control);
    return widget;
}

// A choice of the user: through the constraints, and every control shows the outcome.
void PaperPage::choose(const std::string& keyword, const std::string& choice)
{
    const ConstraintVerdict verdict = choices_->choosePPDOption(keyword, choice);
    if (!verdict.accepted) {
        QApplication::beep();
        emit noteChanged(tr("Not changed: %1.").arg(QString::fromStdString(verdict.reason)));
    } else if (!verdict.note.empty()) {
        emit noteChanged(QString::fromStdString(verdict.note));
    }
    showMarkedChoices();
    emit choicesChanged();
}

// A pop-up's choice; the custom item waits for its values in the fields below it.
void PaperPage::popUpChosen(const std::string& keyword)
{
    OptionControl& control = controls_.at(keyword);
    const std::string choice = control.popUp->currentData().toString().toStdString();
    const bool custom = choice == kCustomItem;
    for (QLineEdit* field : control.customFields)
        field->setEnabled(custom);
    if (custom) {
        control.customFields.front()->setFocus();
        return;  // chosen once its values are typed
    }
    choose(keyword, choice);
}

// The custom choice's values, once each parameter has one.
void PaperPage::customEdited(const std::string& keyword)
{
    OptionControl& control = controls_.at(keyword);
    std::vector<std::string> values;
    for (std::size_t i = 0; i < control.customFields.size(); ++i) {
        const std::string value = control.customFields[i]->text().trimmed().toStdString();
        if (value.empty())
            return;
        std::string problem;
        if (!customValueFits(control.option.customParameters.at(i), value, &problem)) {
            QApplication::beep();
            emit noteChanged(tr("Not changed: %1.").arg(QString::fromStdString(problem)));
            return;
        }
        values.push_back(value);
    }
    choose(keyword, customChoiceValue(control.option, values));
}

// Two-sided as cupsd offers it, for a PPD without a Duplex option.
void PaperPage::sidesChosen()
{
    choices_->setOption("sides", ippSides_->currentData().toString().toStdString());
    emit choicesChanged();
}

// The paper size as an IPP media name, for a printer without a PPD.
void PaperPage::mediaChosen()
{
    choices_->setOption("media", ippMedia_->currentData().toString().toStdString());
    emit choicesChanged();
}

// Every PPD control shows the PPD's marked choice.
void PaperPage::showMarkedChoices()
{
    for (auto& [keyword, control] : controls_) {
        const QString choice = QString::fromStdString(choices_->markedChoice(keyword).value_or(control.option.current));
        if (control.checkBox) {
            const QSignalBlocker blocker(control.checkBox);
            control.checkBox->setChecked(choice.compare("True", Qt::CaseInsensitive) == 0);
        } else if (control.popUp) {
            const QSignalBlocker blocker(control.popUp);
            const int index = control.popUp->findData(choice == "Custom" ? QString(kCustomItem) : choice);
            if (index >= 0)
                control.popUp->setCurrentIndex(index);
        }
    }
}
