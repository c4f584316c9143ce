#include "platform/controls.h"

#include "platform/layout_conventions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDropEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QValidator>

#include <algorithm>
#include <memory>
#include <optional>

Q_DECLARE_METATYPE(std::shared_ptr<void>)

namespace platform {

namespace {

// Item data roles of the pop-up's items.
constexpr int kImageNameRole = Qt::UserRole + 1;

using namespace platform::layout;

QString qstr(const std::string& text)
{
    return QString::fromStdString(text);
}

// The icon of a two-state button: the image in state 0, the alternate image in state 1.
void rebuildButtonIcon(QAbstractButton* button)
{
    const QIcon off = button->property(kImageProperty).value<QIcon>();
    const QIcon on = button->property(kAlternateImageProperty).value<QIcon>();
    QIcon icon;
    const QSize size = button->iconSize();
    if (!off.isNull())
        icon.addPixmap(off.pixmap(size), QIcon::Normal, QIcon::Off);
    if (!on.isNull())
        icon.addPixmap(on.pixmap(size), QIcon::Normal, QIcon::On);
    button->setIcon(icon);
}

// A selection as a field holds it: the range, and whether the caret stands at its start (a
// selection made leftwards) or at its end.
struct FieldSelection {
    TextRange range;
    bool caretAtStart = false;

    bool operator==(const FieldSelection& other) const
    {
        return range.location == other.range.location && range.length == other.range.length &&
               caretAtStart == other.caretAtStart;
    }
};

// Holds a formatter on a line edit and applies its answers to every edit of the field.
//
// Qt asks a validator after each edit with the proposed text and caret, and itself takes back
// a refused edit when it was typed, pasted, cut, deleted or committed by an input method. The
// adapter adds what that contract lacks:
// - the text and selection before the edit, tracked from the field's signals while no edit is
//   under way (an edit changes the text before it announces its caret, so a signal that comes
//   with a changed text is not taken as the selection before the edit);
// - a refusal with a replacement, shown as the replaced text with the formatter's selection;
// - refusals that Qt keeps (undo and redo), taken back here;
// - drops: the hover of a drag moves the caret, so a refused drop, or a drag that leaves,
//   gets back the selection the field had before the drag came in.
class FormatterValidator : public QValidator {
public:
    FormatterValidator(std::shared_ptr<Formatter> formatter, QLineEdit* field)
        : QValidator(field), formatter_(std::move(formatter)), field_(field)
    {
        settledText_ = field->text();
        settledSelection_ = currentSelection();
        connect(field, &QLineEdit::selectionChanged, this, [this] { rememberSelection(); });
        connect(field, &QLineEdit::cursorPositionChanged, this, [this] { rememberSelection(); });
        connect(field, &QLineEdit::textChanged, this, [this] { settle(); });
        field->installEventFilter(this);
    }

    // The formatter the field keeps.
    Formatter* formatter() const { return formatter_.get(); }

    // Lets the next text through unchecked: the program, not the user, is setting it.
    void acceptNextText(bool accept) { bypass_ = accept; }

    // Asks the formatter about an edit Qt has just made: Invalid for a refusal, which Qt takes
    // back (or settle() does); a replacement comes back through text and position.
    State validate(QString& text, int& position) const override
    {
        if (bypass_)
            return Acceptable;
        // Qt installs a replacement as a new text and asks about it once more.
        if (outcome_ == Outcome::Replaced && text == outcomeText_)
            return Acceptable;
        // Asked about the text as it stands (whether it is acceptable input): nothing to check.
        if (!isEditUnderWay(text))
            return Acceptable;
        std::u16string proposed = text.toStdU16String();
        TextRange selection{static_cast<std::size_t>(std::max(position, 0)), 0};
        const std::u16string asProposed = proposed;
        const TextRange asProposedSelection = selection;
        if (formatter_->isPartialStringValid(proposed, selection, settledText_.toStdU16String(),
                                             settledSelection_.range)) {
            setOutcome(Outcome::Accepted, text);
            return Acceptable;
        }
        if (proposed == asProposed && selection.location == asProposedSelection.location &&
            selection.length == asProposedSelection.length) {
            setOutcome(Outcome::Refused, text);
            return Invalid;
        }
        text = QString::fromStdU16String(proposed);
        replacementSelection_ = {clampedRange(selection, text.size()), false};
        position = static_cast<int>(replacementSelection_.range.location + replacementSelection_.range.length);
        setOutcome(Outcome::Replaced, text);
        return Acceptable;
    }

protected:
    // Watches drags over the field: notes the selection a drag's hover is about to move, gives
    // it back when the drag leaves, and checks drops.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != field_ || field_->isReadOnly())
            return false;
        switch (event->type()) {
        case QEvent::DragEnter:
            selectionBeforeDrag_ = settledSelection_;
            return false;
        case QEvent::DragLeave:
            if (selectionBeforeDrag_) {
                const FieldSelection before = *selectionBeforeDrag_;
                selectionBeforeDrag_.reset();
                applySelection(before);
            }
            return false;
        case QEvent::Drop:
            return drop(static_cast<QDropEvent*>(event));
        default:
            return false;
        }
    }

private:
    enum class Outcome { None, Accepted, Refused, Replaced };

    // Notes the formatter's answer and the text it concerns.
    void setOutcome(Outcome outcome, const QString& text) const
    {
        outcome_ = outcome;
        outcomeText_ = text;
        lastOutcome_ = outcome;
    }

    // The part of a range that lies within a text of the given size.
    static TextRange clampedRange(TextRange range, qsizetype size)
    {
        const auto limit = static_cast<std::size_t>(size);
        range.location = std::min(range.location, limit);
        range.length = std::min(range.length, limit - range.location);
        return range;
    }

    // The field's selection, or its caret as an empty one.
    FieldSelection currentSelection() const
    {
        if (!field_->hasSelectedText())
            return {{static_cast<std::size_t>(field_->cursorPosition()), 0}, false};
        const auto start = static_cast<std::size_t>(field_->selectionStart());
        const auto length = static_cast<std::size_t>(field_->selectedText().size());
        return {{start, length}, static_cast<std::size_t>(field_->cursorPosition()) == start};
    }

    // An edit is under way when the text or the selection differs from the settled ones; a
    // replaced selection is gone even when the text came out the same.
    bool isEditUnderWay(const QString& text) const
    {
        return text != settledText_ || !(currentSelection() == settledSelection_);
    }

    // Takes a moved selection as the one before the next edit, unless an edit is under way.
    void rememberSelection()
    {
        if (field_->text() == settledText_)
            settledSelection_ = currentSelection();
    }

    // After every change of the text: applies a replacement's selection, takes back a refusal
    // that Qt kept, and takes the new state as the one before the next edit.
    void settle()
    {
        const QString text = field_->text();
        const Outcome outcome = outcome_;
        const bool isOutcomeText = text == outcomeText_;
        outcome_ = Outcome::None;
        if (outcome == Outcome::Refused && isOutcomeText) {
            restore(settledText_, settledSelection_);
            return;
        }
        settledText_ = text;
        if (outcome == Outcome::Replaced && isOutcomeText)
            applySelection(replacementSelection_);
        settledSelection_ = currentSelection();
    }

    // Puts a text and selection back without asking the formatter.
    void restore(QString text, FieldSelection selection)
    {
        bypass_ = true;
        field_->setText(text);
        bypass_ = false;
        applySelection(selection);
    }

    // Selects a range (or puts the caret) as given, within the field's text.
    void applySelection(FieldSelection selection)
    {
        const TextRange range = clampedRange(selection.range, field_->text().size());
        const int start = static_cast<int>(range.location);
        const int length = static_cast<int>(range.length);
        if (length == 0)
            field_->setCursorPosition(start);
        else if (selection.caretAtStart)
            field_->setSelection(start + length, -length);
        else
            field_->setSelection(start, length);
        settledSelection_ = currentSelection();
    }

    // Lets the field take the drop as it would, checked like any other insertion; a refusal
    // gives back the selection from before the drag and tells the source nothing was dropped.
    bool drop(QDropEvent* event)
    {
        const FieldSelection before = selectionBeforeDrag_.value_or(settledSelection_);
        selectionBeforeDrag_.reset();
        lastOutcome_ = Outcome::None;
        // The field's own handler, past this filter.
        static_cast<QObject*>(field_)->event(event);
        if (lastOutcome_ == Outcome::Refused) {
            applySelection(before);
            event->setDropAction(Qt::IgnoreAction);
            event->ignore();
        } else if (lastOutcome_ == Outcome::Replaced && field_->text() == outcomeText_) {
            // The field selects what it believes it inserted; the replacement's selection holds.
            applySelection(replacementSelection_);
        }
        return true;
    }

    std::shared_ptr<Formatter> formatter_;
    QLineEdit* field_;
    QString settledText_;
    FieldSelection settledSelection_;
    bool bypass_ = false;
    std::optional<FieldSelection> selectionBeforeDrag_;
    // What the formatter said about the edit in progress, and about the last edit at all.
    mutable Outcome outcome_ = Outcome::None;
    mutable Outcome lastOutcome_ = Outcome::None;
    mutable QString outcomeText_;
    mutable FieldSelection replacementSelection_;
};

FormatterValidator* formatterValidatorOf(QLineEdit* field)
{
    if (!field)
        return nullptr;
    return dynamic_cast<FormatterValidator*>(const_cast<QValidator*>(field->validator()));
}

}  // namespace

// --- Control ---

void Control::setEnabled(bool enabled)
{
    if (widget_)
        widget_->setEnabled(enabled);
}

bool Control::isEnabled() const
{
    return widget_ && !widget_->testAttribute(Qt::WA_Disabled);
}

// --- TitledControl, TitledItems ---

namespace {

// How each kind reads and writes its title.
QString titleOf(const QAbstractButton& button)
{
    return button.text();
}
QString titleOf(const QGroupBox& box)
{
    return box.title();
}
void setTitleOf(QAbstractButton& button, const QString& title)
{
    button.setText(title);
}
void setTitleOf(QGroupBox& box, const QString& title)
{
    box.setTitle(title);
}

// How each kind reads and writes the title of one of its items.
QString titleOfItem(const QComboBox& popUp, int index)
{
    return popUp.itemText(index);
}
QString titleOfItem(const QTabWidget& tabs, int index)
{
    return tabs.tabText(index);
}
void setTitleOfItem(QComboBox& popUp, int index, const QString& title)
{
    popUp.setItemText(index, title);
}
void setTitleOfItem(QTabWidget& tabs, int index, const QString& title)
{
    tabs.setTabText(index, title);
}

}  // namespace

template <typename Widget>
std::string TitledControl<Widget>::title() const
{
    auto* widget = as<Widget>();
    return widget ? titleOf(*widget).toStdString() : std::string();
}

template <typename Widget>
void TitledControl<Widget>::setTitle(const std::string& title)
{
    if (auto* widget = as<Widget>())
        setTitleOf(*widget, qstr(title));
}

template class TitledControl<QAbstractButton>;
template class TitledControl<QGroupBox>;

template <typename Widget>
int TitledItems<Widget>::numberOfItems() const
{
    auto* widget = as<Widget>();
    return widget ? widget->count() : 0;
}

template <typename Widget>
std::string TitledItems<Widget>::itemTitle(int index) const
{
    auto* widget = as<Widget>();
    return widget ? titleOfItem(*widget, index).toStdString() : std::string();
}

// The same title again is left alone: setting it would have the widget handle a change.
template <typename Widget>
void TitledItems<Widget>::setItemTitle(int index, const std::string& title)
{
    auto* widget = as<Widget>();
    if (widget && index >= 0 && index < widget->count() && titleOfItem(*widget, index) != qstr(title))
        setTitleOfItem(*widget, index, qstr(title));
}

template class TitledItems<QComboBox>;
template class TitledItems<QTabWidget>;

// --- Button ---

int Button::state() const
{
    auto* button = as<QAbstractButton>();
    return button && button->isChecked() ? 1 : 0;
}

void Button::setState(int state)
{
    if (auto* button = as<QAbstractButton>())
        button->setChecked(state != 0);
}

void Button::setImage(const Image& image)
{
    if (auto* button = as<QAbstractButton>()) {
        button->setProperty(kImageProperty, QVariant::fromValue(image.icon()));
        button->setProperty(kImageNameProperty, qstr(image.name()));
        rebuildButtonIcon(button);
    }
}

void Button::setAlternateImage(const Image& image)
{
    if (auto* button = as<QAbstractButton>()) {
        button->setProperty(kAlternateImageProperty, QVariant::fromValue(image.icon()));
        button->setProperty(kAlternateImageNameProperty, qstr(image.name()));
        rebuildButtonIcon(button);
    }
}

std::string Button::imageName() const
{
    auto* button = as<QAbstractButton>();
    return button ? button->property(kImageNameProperty).toString().toStdString() : std::string();
}

std::string Button::alternateImageName() const
{
    auto* button = as<QAbstractButton>();
    return button ? button->property(kAlternateImageNameProperty).toString().toStdString() : std::string();
}

// --- Matrix ---

namespace {

QList<QAbstractButton*> cellsOf(QWidget* matrix)
{
    return matrixCells(matrix);
}

}  // namespace

int Matrix::selectedRow() const
{
    if (!isPresent())
        return 0;
    for (QAbstractButton* cell : cellsOf(widget()))
        if (cell->isChecked())
            return cell->property(kRowProperty).toInt();
    return -1;
}

void Matrix::selectCellAtRow(int row)
{
    for (QAbstractButton* cell : cellsOf(widget()))
        if (cell->property(kRowProperty).toInt() == row)
            cell->setChecked(true);
}

int Matrix::numberOfRows() const
{
    return static_cast<int>(cellsOf(widget()).size());
}

Button Matrix::cellAtRow(int row) const
{
    for (QAbstractButton* cell : cellsOf(widget()))
        if (cell->property(kRowProperty).toInt() == row)
            return Button(cell);
    return Button();
}

// --- PopUp ---

void PopUp::setItemImage(int index, const Image& image)
{
    if (auto* popUp = as<QComboBox>(); popUp && index >= 0 && index < popUp->count()) {
        // An image is known by the name it was made from: showing the same one again changes
        // nothing, and would make the pop-up handle two changes.
        if (!image.name().empty() && popUp->itemData(index, kImageNameRole).toString() == qstr(image.name()))
            return;
        popUp->setItemIcon(index, image.icon());
        popUp->setItemData(index, qstr(image.name()), kImageNameRole);
    }
}

std::optional<std::string> PopUp::itemImageName(int index) const
{
    auto* popUp = as<QComboBox>();
    if (!popUp)
        return std::nullopt;
    const QVariant name = popUp->itemData(index, kImageNameRole);
    if (!name.isValid() || name.toString().isEmpty())
        return std::nullopt;
    return name.toString().toStdString();
}

bool PopUp::isSeparator(int index) const
{
    auto* popUp = as<QComboBox>();
    return popUp && popUp->itemData(index, Qt::AccessibleDescriptionRole).toString() == "separator";
}

void PopUp::removeItemAtIndex(int index)
{
    if (auto* popUp = as<QComboBox>())
        popUp->removeItem(index);
}

void PopUp::addItem(const std::string& title, const Image& image)
{
    auto* popUp = as<QComboBox>();
    if (!popUp)
        return;
    // One whole item in one insertion: setting its image name afterwards would make the pop-up
    // handle a second change per item, a good part of rebuilding a long folder list.
    if (auto* model = qobject_cast<QStandardItemModel*>(popUp->model())) {
        auto item = std::make_unique<QStandardItem>(image.icon(), qstr(title));
        item->setData(qstr(image.name()), kImageNameRole);
        model->appendRow(item.release());  // the model owns it from here
        return;
    }
    popUp->addItem(image.icon(), qstr(title));
    popUp->setItemData(popUp->count() - 1, qstr(image.name()), kImageNameRole);
}

void PopUp::removeItemsFrom(int index)
{
    auto* popUp = as<QComboBox>();
    if (!popUp || index < 0 || index >= popUp->count())
        return;
    popUp->model()->removeRows(index, popUp->count() - index);
}

void PopUp::addItems(const std::vector<PopUpItem>& items)
{
    auto* popUp = as<QComboBox>();
    if (!popUp || items.empty())
        return;
    auto* model = qobject_cast<QStandardItemModel*>(popUp->model());
    if (!model) {
        for (const PopUpItem& item : items)
            addItem(std::string(item.title), *item.image);
        return;
    }
    // One insertion for the whole batch: the pop-up and its list then handle one change, not
    // one per item. The lists of folders repeat two images, so each image's name is converted
    // once.
    QList<QStandardItem*> rows;
    rows.reserve(static_cast<qsizetype>(items.size()));
    const Image* lastImage = nullptr;
    QString lastName;
    for (const PopUpItem& item : items) {
        if (item.image != lastImage) {
            lastImage = item.image;
            lastName = qstr(item.image->name());
        }
        auto row = std::make_unique<QStandardItem>(
            item.image->icon(), QString::fromUtf8(item.title.data(), static_cast<qsizetype>(item.title.size())));
        row->setData(lastName, kImageNameRole);
        rows.append(row.release());  // owned by the list until the model takes them below
    }
    model->invisibleRootItem()->appendRows(rows);
}

void PopUp::addSeparator()
{
    if (auto* popUp = as<QComboBox>())
        popUp->insertSeparator(popUp->count());
}

void PopUp::addItem(const std::string& title, std::shared_ptr<void> representedObject)
{
    if (auto* popUp = as<QComboBox>())
        popUp->addItem(qstr(title), QVariant::fromValue(std::move(representedObject)));
}

std::shared_ptr<void> PopUp::representedObject(int index) const
{
    auto* popUp = as<QComboBox>();
    if (!popUp || index < 0 || index >= popUp->count())
        return nullptr;
    return popUp->itemData(index).value<std::shared_ptr<void>>();
}

void PopUp::removeAllItems()
{
    if (auto* popUp = as<QComboBox>())
        popUp->clear();
}

int PopUp::indexOfSelectedItem() const
{
    auto* popUp = as<QComboBox>();
    return popUp ? popUp->currentIndex() : 0;
}

void PopUp::selectItemAtIndex(int index)
{
    if (auto* popUp = as<QComboBox>())
        popUp->setCurrentIndex(index);
}

// --- TextField ---

std::optional<std::string> TextField::stringValue() const
{
    if (auto* edit = as<QLineEdit>())
        return edit->text().toStdString();
    if (auto* label = as<QLabel>())
        return label->text().toStdString();
    return std::nullopt;
}

void TextField::setStringValue(const std::string& text)
{
    if (auto* edit = as<QLineEdit>()) {
        FormatterValidator* validator = formatterValidatorOf(edit);
        if (validator)
            validator->acceptNextText(true);
        edit->setText(qstr(text));
        if (validator)
            validator->acceptNextText(false);
    } else if (auto* label = as<QLabel>()) {
        label->setText(qstr(text));
    }
}

int TextField::tag() const
{
    return isPresent() ? widget()->property(kTagProperty).toInt() : 0;
}

bool TextField::isEditField() const
{
    return as<QLineEdit>() != nullptr;
}

void TextField::setEditable(bool editable)
{
    if (auto* edit = as<QLineEdit>())
        edit->setReadOnly(!editable);
}

bool TextField::isEditable() const
{
    auto* edit = as<QLineEdit>();
    return edit && !edit->isReadOnly();
}

void TextField::setSelectable(bool selectable)
{
    // A field that can be neither selected nor focused is a disabled one in this toolkit.
    if (auto* edit = as<QLineEdit>())
        edit->setEnabled(selectable);
}

bool TextField::isSelectable() const
{
    if (as<QLabel>())
        return as<QLabel>()->textInteractionFlags().testFlag(Qt::TextSelectableByMouse);
    return as<QLineEdit>() && isEnabled();
}

void TextField::setTextColor(TextColor color)
{
    QWidget* field = widget();
    if (!field)
        return;
    const bool gray = color == TextColor::Gray;
    const char* name = gray ? "gray" : "black";
    // A field already in this colour keeps its palette: making one anew is most of what a
    // restore of the fields would cost.
    if (field->property(kTextColorProperty).toString() == QLatin1String(name))
        return;
    field->setProperty(kTextColorProperty, name);
    const QPalette standard = QApplication::palette(field);
    const QColor text = gray ? standard.color(QPalette::Disabled, QPalette::WindowText)
                             : standard.color(QPalette::Active, QPalette::WindowText);
    QPalette palette = field->palette();
    // A new field's palette writes in black already; a palette of its own would only cost
    // its making and stop the field from following a change of the desktop's colours.
    const bool alreadyInColour = palette.color(QPalette::Active, QPalette::WindowText) == text &&
                                 palette.color(QPalette::Inactive, QPalette::WindowText) == text &&
                                 palette.color(QPalette::Active, QPalette::Text) == text &&
                                 palette.color(QPalette::Inactive, QPalette::Text) == text;
    if (alreadyInColour)
        return;
    palette.setColor(QPalette::Active, QPalette::WindowText, text);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
    palette.setColor(QPalette::Active, QPalette::Text, text);
    palette.setColor(QPalette::Inactive, QPalette::Text, text);
    field->setPalette(palette);
}

TextColor TextField::textColor() const
{
    if (!isPresent())
        return TextColor::Black;
    return widget()->property(kTextColorProperty).toString() == "gray" ? TextColor::Gray : TextColor::Black;
}

void TextField::becomeFirstResponder()
{
    if (QWidget* field = widget())
        field->setFocus(Qt::OtherFocusReason);
}

void TextField::resignWindowFirstResponder()
{
    if (!isPresent())
        return;
    if (QWidget* focused = widget()->window()->focusWidget())
        focused->clearFocus();
}

void TextField::setFormatter(std::shared_ptr<Formatter> formatter)
{
    auto* edit = as<QLineEdit>();
    if (!edit)
        return;
    if (FormatterValidator* old = formatterValidatorOf(edit)) {
        edit->setValidator(nullptr);
        delete old;
    }
    if (formatter)
        edit->setValidator(new FormatterValidator(std::move(formatter), edit));
}

Formatter* TextField::formatter() const
{
    FormatterValidator* validator = formatterValidatorOf(as<QLineEdit>());
    return validator ? validator->formatter() : nullptr;
}

// --- TabView ---

void TabView::selectFirstTabViewItem()
{
    if (auto* tabs = as<QTabWidget>(); tabs && tabs->count() > 0)
        tabs->setCurrentIndex(0);
}

int TabView::selectedIndex() const
{
    auto* tabs = as<QTabWidget>();
    return tabs ? tabs->currentIndex() : 0;
}

// --- Progress ---

void Progress::startAnimation()
{
    if (auto* progress = as<QProgressBar>()) {
        progress->setRange(0, 0);
        progress->setProperty(kAnimatingProperty, true);
    }
}

void Progress::stopAnimation()
{
    if (auto* progress = as<QProgressBar>()) {
        progress->setRange(0, 1);
        progress->setProperty(kAnimatingProperty, false);
    }
}

bool Progress::isAnimating() const
{
    return isPresent() && widget()->property(kAnimatingProperty).toBool();
}

void Progress::setHidden(bool hidden)
{
    if (QWidget* progress = widget())
        progress->setHidden(hidden);
}

bool Progress::isHidden() const
{
    return isPresent() && widget()->isHidden();
}

std::optional<std::string> firstResponderName(QWidget* view)
{
    if (!view)
        return std::nullopt;
    QWidget* focused = view->window()->focusWidget();
    if (!focused || focused->objectName().isEmpty())
        return std::nullopt;
    return focused->objectName().toStdString();
}

}  // namespace platform
