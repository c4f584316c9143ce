// Thin wrappers over the toolkit's widgets, named for their role in the panel.
//
// Every wrapper may be empty: a layout need not hold every control. The one rule for an
// absent control lives here: reading it gives state 0, row 0, index 0 and no text, and
// writing to it does nothing. Wrappers are cheap handles; the widgets belong to the view.
#pragma once

#include "platform/formatter.h"
#include "platform/image.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QAbstractButton;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QTabWidget;

namespace platform {

// What every wrapper shares: the widget it stands for, if any.
class Control {
public:
    Control() = default;
    explicit Control(QWidget* widget) : widget_(widget) {}

    bool isPresent() const { return !widget_.isNull(); }
    explicit operator bool() const { return isPresent(); }
    QWidget* widget() const { return widget_.data(); }

    void setEnabled(bool enabled);
    // Whether the control itself is enabled (its groups aside); false when absent.
    bool isEnabled() const;

protected:
    template <typename T>
    T* as() const
    {
        return qobject_cast<T*>(widget_.data());
    }

private:
    QPointer<QWidget> widget_;
};

// A control with one title: a button's text, a box's caption; empty when absent.
template <typename Widget>
class TitledControl : public Control {
public:
    using Control::Control;

    std::string title() const;
    void setTitle(const std::string& title);
};

// A push button, check box, lock toggle or radio cell.
class Button : public TitledControl<QAbstractButton> {
public:
    using TitledControl::TitledControl;

    int state() const;
    void setState(int state);
    // The image shown in state 0, and the one shown in state 1.
    void setImage(const Image& image);
    void setAlternateImage(const Image& image);
    std::string imageName() const;
    std::string alternateImageName() const;
};

// A one-column group of radio cells; rows are the cells' "row" properties.
class Matrix : public Control {
public:
    using Control::Control;

    // The selected row; -1 when no cell is selected; 0 when the matrix is absent.
    int selectedRow() const;
    void selectCellAtRow(int row);
    int numberOfRows() const;
    // The cell of a row, empty when there is none.
    Button cellAtRow(int row) const;
};

// One item of a batch added to a pop-up: its title and its image.
struct PopUpItem {
    std::string_view title;
    const Image* image;
};

// What a pop-up's menu and a tab view's tabs share: items at indexes, each with a title; the
// rule for an absent control holds for both here.
template <typename Widget>
class TitledItems : public Control {
public:
    using Control::Control;

    // How many items there are; 0 when the control is absent.
    int numberOfItems() const;
    // The title of an item; empty when the control is absent.
    std::string itemTitle(int index) const;
    // Gives an existing item a new title; an index out of range changes nothing.
    void setItemTitle(int index, const std::string& title);
};

// A pop-up button and its menu.
class PopUp : public TitledItems<QComboBox> {
public:
    using TitledItems::TitledItems;

    void setItemImage(int index, const Image& image);
    // The name of the image an item shows, or nothing.
    std::optional<std::string> itemImageName(int index) const;
    bool isSeparator(int index) const;
    void removeItemAtIndex(int index);
    void addItem(const std::string& title, const Image& image);
    // Removes the items from index on, all at once.
    void removeItemsFrom(int index);
    // Appends the items in one insertion.
    void addItems(const std::vector<PopUpItem>& items);
    void addSeparator();
    // An item that carries an object of the caller's, handed back by representedObject.
    void addItem(const std::string& title, std::shared_ptr<void> representedObject);
    std::shared_ptr<void> representedObject(int index) const;
    void removeAllItems();
    // The selected index; -1 when none is selected; 0 when the pop-up is absent.
    int indexOfSelectedItem() const;
    void selectItemAtIndex(int index);
};

enum class TextColor { Black, Gray };

// A label (tag 0) or an edit field (nonzero tag).
class TextField : public Control {
public:
    using Control::Control;

    // The text; nothing when the field is absent.
    std::optional<std::string> stringValue() const;
    void setStringValue(const std::string& text);
    int tag() const;
    bool isEditField() const;

    void setEditable(bool editable);
    bool isEditable() const;
    void setSelectable(bool selectable);
    bool isSelectable() const;
    void setTextColor(TextColor color);
    TextColor textColor() const;

    // Makes this field the keyboard focus of its window.
    void becomeFirstResponder();
    // Takes the keyboard focus from every control of the field's window.
    void resignWindowFirstResponder();

    // Installs the formatter that checks every edit; the field keeps it alive.
    void setFormatter(std::shared_ptr<Formatter> formatter);
    Formatter* formatter() const;
};

// A group box.
class Box : public TitledControl<QGroupBox> {
public:
    using TitledControl::TitledControl;
};

// The tab view.
class TabView : public TitledItems<QTabWidget> {
public:
    using TitledItems::TitledItems;

    // The tab items' count and labels, named as the toolkit names them for a tab view.
    int numberOfTabViewItems() const { return numberOfItems(); }
    std::string label(int index) const { return itemTitle(index); }
    void setLabel(int index, const std::string& label) { setItemTitle(index, label); }
    void selectFirstTabViewItem();
    int selectedIndex() const;
};

// The spinning progress indicator.
class Progress : public Control {
public:
    using Control::Control;

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const;
    void setHidden(bool hidden);
    bool isHidden() const;
};

// The outlet a window's keyboard focus lies on, by object name; nothing when no control has it.
std::optional<std::string> firstResponderName(QWidget* view);

}  // namespace platform
