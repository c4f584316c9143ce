#include "general_page.h"

#include "job_choices.h"
#include "page_ranges.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// A label for a control, reached with its mnemonic.
QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

// Lays out the page: the pages (all, or ranges with their problem under them), pages per
// sheet and orientation, each reached with its mnemonic.
GeneralPage::GeneralPage(QWidget* parent) : QWidget(parent)
{
    setObjectName("generalPage");
    allPages_ = new QRadioButton(tr("&All pages"), this);
    allPages_->setObjectName("allPagesRadio");
    somePages_ = new QRadioButton(tr("Pag&es:"), this);
    somePages_->setObjectName("pageRangeRadio");
    auto* group = new QButtonGroup(this);
    group->addButton(allPages_);
    group->addButton(somePages_);
    allPages_->setChecked(true);
    pagesEdit_ = new QLineEdit(this);
    pagesEdit_->setObjectName("pageRangesEdit");
    pagesEdit_->setPlaceholderText(tr("for example 1-3,7"));
    pagesEdit_->setAccessibleName(tr("Page ranges"));
    pagesEdit_->setEnabled(false);
    pagesProblem_ = new QLabel(this);
    pagesProblem_->setObjectName("pageRangesProblem");
    pagesProblem_->setStyleSheet("QLabel { color: #b00020; }");
    pagesProblem_->setWordWrap(true);
    pagesProblem_->hide();

    numberUp_ = new QComboBox(this);
    numberUp_->setObjectName("numberUpPopup");
    numberUp_->setAccessibleName(tr("Pages per sheet"));
    for (int count : {1, 2, 4, 6, 9, 16})
        numberUp_->addItem(QString::number(count), count);
    orientation_ = new QComboBox(this);
    orientation_->setObjectName("orientationPopup");
    orientation_->setAccessibleName(tr("Orientation"));
    orientation_->addItem(tr("Portrait"), 3);
    orientation_->addItem(tr("Landscape"), 4);
    orientation_->addItem(tr("Reverse landscape"), 5);
    orientation_->addItem(tr("Reverse portrait"), 6);

    auto* pagesRow = new QHBoxLayout;
    pagesRow->addWidget(somePages_);
    pagesRow->addWidget(pagesEdit_, 1);
    auto* form = new QFormLayout;
    form->addRow(tr("Pages:"), allPages_);
    form->addRow(QString(), pagesRow);
    form->addRow(QString(), pagesProblem_);
    form->addRow(buddyLabel(tr("Pages per s&heet:"), numberUp_, this), numberUp_);
    form->addRow(buddyLabel(tr("&Orientation:"), orientation_, this), orientation_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);

    connect(somePages_, &QRadioButton::toggled, this, [this](bool on) {
        pagesEdit_->setEnabled(on);
        if (on)
            pagesEdit_->setFocus();
        pagesEdited();
    });
    connect(pagesEdit_, &QLineEdit::textEdited, this, &GeneralPage::pagesEdited);
    connect(numberUp_, &QComboBox::currentIndexChanged, this, &GeneralPage::layoutChosen);
    connect(orientation_, &QComboBox::currentIndexChanged, this, &GeneralPage::layoutChosen);
}

// Shows the job's choices (those it holds, such as kept defaults, win) and edits them from
// now on; without a job the page is dimmed.
void GeneralPage::attach(JobChoices* choices)
{
    choices_ = choices;
    setEnabled(choices_ != nullptr);
    showChoices();
    // What the page shows is what the job gets, also on a printer chosen after the pages.
    if (choices_) {
        pagesEdited();
        layoutChosen();
    }
}

// Shows what the job's choices say (the user's kept defaults, -o of the command line).
void GeneralPage::showChoices()
{
    if (!choices_)
        return;
    const QSignalBlocker blockUp(numberUp_);
    const QSignalBlocker blockOrientation(orientation_);
    const int up = numberUp_->findData(QString::fromStdString(choices_->option("number-up").value_or("1")).toInt());
    numberUp_->setCurrentIndex(std::max(up, 0));
    const int turn =
        orientation_->findData(QString::fromStdString(choices_->option("orientation-requested").value_or("3")).toInt());
    orientation_->setCurrentIndex(std::max(turn, 0));
    if (auto ranges = choices_->option("page-ranges")) {
        const QSignalBlocker blockRadio(somePages_);
        somePages_->setChecked(true);
        pagesEdit_->setEnabled(true);
        pagesEdit_->setText(QString::fromStdString(*ranges));
    }
}

// Whether Print may send the pages as they stand.
bool GeneralPage::pagesAreValid() const
{
    return !somePages_->isChecked() || pagesProblem_->isHidden();
}

// Checks the ranges as they are typed; only ranges CUPS takes reach the job.
void GeneralPage::pagesEdited()
{
    std::string error;
    const std::string text = pagesEdit_->text().toStdString();
    const auto ranges = somePages_->isChecked() ? parsePageRanges(text, &error) : std::vector<PageRange>{};
    // The message as a sentence of its own under the field.
    QString sentence = QString::fromStdString(error);
    if (!sentence.isEmpty())
        sentence = sentence.front().toUpper() + sentence.mid(1) + '.';
    pagesProblem_->setText(sentence);
    pagesProblem_->setVisible(!ranges);
    if (choices_) {
        if (ranges && !ranges->empty())
            choices_->setOption("page-ranges", formatPageRanges(*ranges));
        else
            choices_->removeOption("page-ranges");
    }
    emit choicesChanged();
}

// Pages per sheet and orientation go to the job; CUPS' defaults (1, portrait) are not sent.
void GeneralPage::layoutChosen()
{
    if (!choices_)
        return;
    const int up = numberUp_->currentData().toInt();
    if (up == 1)
        choices_->removeOption("number-up");
    else
        choices_->setOption("number-up", std::to_string(up));
    const int turn = orientation_->currentData().toInt();
    if (turn == 3)
        choices_->removeOption("orientation-requested");
    else
        choices_->setOption("orientation-requested", std::to_string(turn));
    emit choicesChanged();
}
