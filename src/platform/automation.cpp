#include "platform/automation.h"

#include "platform/controls.h"
#include "platform/failure.h"
#include "platform/layout_conventions.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QJsonArray>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

#include <optional>

namespace platform {

namespace {

enum class Kind { Unknown, Checkbox, Lock, PushButton, Radio, Matrix, PopUp, Label, Edit, Box, TabView, Progress };

// The role a named widget plays in a layout.
Kind kindOf(const QWidget* widget)
{
    // Buttons that send no action and are no cell belong to other widgets (a tab bar's arrows).
    if (qobject_cast<const QAbstractButton*>(widget) && !widget->property(layout::kActionProperty).isValid() &&
        !widget->property(layout::kRowProperty).isValid())
        return Kind::Unknown;
    if (qobject_cast<const QCheckBox*>(widget))
        return Kind::Checkbox;
    if (qobject_cast<const QRadioButton*>(widget))
        return Kind::Radio;
    if (auto* tool = qobject_cast<const QToolButton*>(widget))
        return tool->isCheckable() ? Kind::Lock : Kind::PushButton;
    if (auto* push = qobject_cast<const QPushButton*>(widget))
        return push->isCheckable() ? Kind::Lock : Kind::PushButton;
    if (qobject_cast<const QComboBox*>(widget))
        return Kind::PopUp;
    if (qobject_cast<const QLineEdit*>(widget))
        return Kind::Edit;
    if (qobject_cast<const QLabel*>(widget))
        return widget->property(layout::kTagProperty).isValid() ? Kind::Label : Kind::Unknown;
    if (qobject_cast<const QGroupBox*>(widget))
        return Kind::Box;
    if (qobject_cast<const QTabWidget*>(widget))
        return Kind::TabView;
    if (qobject_cast<const QProgressBar*>(widget))
        return Kind::Progress;
    if (layout::isMatrix(widget))
        return Kind::Matrix;
    return Kind::Unknown;
}

const char* kindName(Kind kind)
{
    switch (kind) {
    case Kind::Checkbox:
        return "checkbox";
    case Kind::Lock:
        return "lock";
    case Kind::PushButton:
        return "button";
    case Kind::Radio:
        return "radio";
    case Kind::Matrix:
        return "matrix";
    case Kind::PopUp:
        return "popup";
    case Kind::Label:
        return "label";
    case Kind::Edit:
        return "edit";
    case Kind::Box:
        return "box";
    case Kind::TabView:
        return "tabview";
    case Kind::Progress:
        return "progress";
    case Kind::Unknown:
        break;
    }
    return "unknown";
}

// The outlet of that name, or nullptr: only widgets that play a role count.
QWidget* findOutlet(QWidget* view, const std::string& outlet)
{
    if (!view || outlet.empty())
        return nullptr;
    const QString name = QString::fromStdString(outlet);
    QWidget* widget = view->objectName() == name ? view : view->findChild<QWidget*>(name);
    return widget && kindOf(widget) != Kind::Unknown ? widget : nullptr;
}

std::optional<int> parseInteger(const std::string& value)
{
    bool ok = false;
    const int number = QString::fromStdString(value).toInt(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}

bool refuse(std::string* error, const std::string& outlet, const std::string& why)
{
    return fail(error, "cannot operate " + outlet + ": " + why);
}

// Sends one key press and release to a widget, as the keyboard would.
void sendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

// Types text into a line edit one character (one code point) at a time.
void typeText(QLineEdit* edit, const QString& text)
{
    for (int i = 0; i < text.size();) {
        const int length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        sendKey(edit, 0, Qt::NoModifier, text.mid(i, length));
        i += length;
    }
}

bool operateButton(QAbstractButton* button, const std::string& outlet, const std::string& value, Kind kind,
                   std::string* error)
{
    if (kind == Kind::PushButton) {
        button->click();
        return true;
    }
    auto state = parseInteger(value);
    if (!state || (*state != 0 && *state != 1))
        return refuse(error, outlet, "a " + std::string(kindName(kind)) + " takes 0 or 1, not \"" + value + "\"");
    if (button->isChecked() != (*state == 1)) {
        if (kind == Kind::Radio && *state == 0) {
            // A cell of a radio group is turned off by leaving its group with no selection.
            const bool exclusive = button->autoExclusive();
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(exclusive);
            Q_EMIT button->clicked(false);
        } else {
            button->click();
        }
    } else {
        Q_EMIT button->clicked(button->isChecked());
    }
    return true;
}

bool operateMatrix(QWidget* matrix, const std::string& outlet, const std::string& value, std::string* error)
{
    auto row = parseInteger(value);
    if (row)
        for (QAbstractButton* cell : layout::matrixCells(matrix))
            if (cell->property(layout::kRowProperty).toInt() == *row) {
                if (!cell->isEnabled())
                    return refuse(error, outlet, "row " + value + " is disabled");
                cell->click();
                return true;
            }
    return refuse(error, outlet, "it has no row \"" + value + "\"");
}

bool operatePopUp(QComboBox* popUp, const std::string& outlet, const std::string& value, std::string* error)
{
    auto index = parseInteger(value);
    if (!index || *index < 0 || *index >= popUp->count())
        return refuse(error, outlet,
                      "it has no item \"" + value + "\" (it has " + std::to_string(popUp->count()) + ")");
    if (popUp->itemData(*index, Qt::AccessibleDescriptionRole).toString() == "separator")
        return refuse(error, outlet, "item " + value + " is a separator");
    popUp->setCurrentIndex(*index);
    Q_EMIT popUp->activated(*index);
    return true;
}

bool operateTabView(QTabWidget* tabs, const std::string& outlet, const std::string& value, std::string* error)
{
    auto index = parseInteger(value);
    if (!index || *index < 0 || *index >= tabs->count())
        return refuse(error, outlet, "it has no tab \"" + value + "\"");
    tabs->setCurrentIndex(*index);
    Q_EMIT tabs->tabBarClicked(*index);
    return true;
}

bool checkEditable(QLineEdit* edit, const std::string& outlet, std::string* error)
{
    if (!edit->isEnabled() || edit->isReadOnly())
        return refuse(error, outlet, "the field is dimmed");
    return true;
}

bool typeIntoField(QLineEdit* edit, const std::string& outlet, const std::string& value, std::string* error)
{
    if (!checkEditable(edit, outlet, error))
        return false;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    sendKey(edit, Qt::Key_Backspace, Qt::NoModifier);
    typeText(edit, QString::fromStdString(value));
    Q_EMIT edit->editingFinished();
    return true;
}

QJsonObject describeControl(QWidget* widget, Kind kind)
{
    QJsonObject entry;
    entry.insert("kind", kindName(kind));
    switch (kind) {
    case Kind::Checkbox:
    case Kind::Lock:
    case Kind::PushButton:
    case Kind::Radio: {
        auto* button = qobject_cast<QAbstractButton*>(widget);
        entry.insert("state", button->isChecked() ? 1 : 0);
        entry.insert("title", button->text());
        entry.insert("enabled", button->isEnabled());
        if (kind == Kind::Lock)
            entry.insert("image", button->isChecked() ? button->property(layout::kAlternateImageNameProperty).toString()
                                                      : button->property(layout::kImageNameProperty).toString());
        break;
    }
    case Kind::Matrix:
        entry.insert("selectedRow", Matrix(widget).selectedRow());
        entry.insert("enabled", widget->isEnabled());
        break;
    case Kind::PopUp: {
        PopUp popUp(widget);
        entry.insert("selectedIndex", popUp.indexOfSelectedItem());
        entry.insert("enabled", widget->isEnabled());
        QJsonArray items;
        for (int i = 0; i < popUp.numberOfItems(); ++i) {
            QJsonObject item;
            item.insert("title", QString::fromStdString(popUp.itemTitle(i)));
            item.insert("separator", popUp.isSeparator(i));
            auto image = popUp.itemImageName(i);
            item.insert("image", image ? QJsonValue(QString::fromStdString(*image)) : QJsonValue());
            items.append(item);
        }
        entry.insert("items", items);
        break;
    }
    case Kind::Label:
    case Kind::Edit: {
        TextField field(widget);
        entry.insert("text", QString::fromStdString(field.stringValue().value_or("")));
        entry.insert("tag", field.tag());
        entry.insert("dimmed", field.textColor() == TextColor::Gray);
        entry.insert("editable", field.isEditable());
        entry.insert("selectable", field.isSelectable());
        break;
    }
    case Kind::Box:
        entry.insert("title", qobject_cast<QGroupBox*>(widget)->title());
        break;
    case Kind::TabView: {
        auto* tabs = qobject_cast<QTabWidget*>(widget);
        QJsonArray labels;
        for (int i = 0; i < tabs->count(); ++i)
            labels.append(tabs->tabText(i));
        entry.insert("labels", labels);
        entry.insert("selected", tabs->currentIndex());
        break;
    }
    case Kind::Progress: {
        Progress progress(widget);
        entry.insert("hidden", progress.isHidden());
        entry.insert("animating", progress.isAnimating());
        break;
    }
    case Kind::Unknown:
        break;
    }
    return entry;
}

}  // namespace

bool operateControl(QWidget* view, const std::string& outlet, const std::string& value, std::string* error)
{
    QWidget* widget = findOutlet(view, outlet);
    if (!widget)
        return fail(error, "no control named \"" + outlet + "\" in this layout");
    const Kind kind = kindOf(widget);
    if (kind != Kind::Label && !widget->isEnabled())
        return refuse(error, outlet, "it is disabled");
    switch (kind) {
    case Kind::Checkbox:
    case Kind::Lock:
    case Kind::PushButton:
    case Kind::Radio:
        return operateButton(qobject_cast<QAbstractButton*>(widget), outlet, value, kind, error);
    case Kind::Matrix:
        return operateMatrix(widget, outlet, value, error);
    case Kind::PopUp:
        return operatePopUp(qobject_cast<QComboBox*>(widget), outlet, value, error);
    case Kind::TabView:
        return operateTabView(qobject_cast<QTabWidget*>(widget), outlet, value, error);
    case Kind::Edit:
        return typeIntoField(qobject_cast<QLineEdit*>(widget), outlet, value, error);
    case Kind::Label:
    case Kind::Box:
    case Kind::Progress:
    case Kind::Unknown:
        break;
    }
    return refuse(error, outlet, "a " + std::string(kindName(kind)) + " cannot be operated");
}

bool pasteIntoControl(QWidget* view, const std::string& outlet, const std::string& text, std::string* error)
{
    QWidget* widget = findOutlet(view, outlet);
    if (!widget)
        return fail(error, "no control named \"" + outlet + "\" in this layout");
    auto* edit = qobject_cast<QLineEdit*>(widget);
    if (!edit)
        return refuse(error, outlet, "only text fields take a paste");
    if (!checkEditable(edit, outlet, error))
        return false;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    QApplication::clipboard()->setText(QString::fromStdString(text));
    edit->paste();
    Q_EMIT edit->editingFinished();
    return true;
}

QJsonObject describeControls(QWidget* view)
{
    QJsonObject controls;
    if (!view)
        return controls;
    QList<QWidget*> widgets = view->findChildren<QWidget*>();
    widgets.prepend(view);
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        if (name.isEmpty() || name.startsWith("qt_"))
            continue;
        const Kind kind = kindOf(widget);
        if (kind != Kind::Unknown)
            controls.insert(name, describeControl(widget, kind));
    }
    return controls;
}

}  // namespace platform
