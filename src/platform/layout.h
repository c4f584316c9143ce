// Layouts loaded at run time from the bundle's Qt Designer files, with the panel as owner:
// outlets are found by object name, and each control's action is named in the layout by its
// "action" property.
#pragma once

#include "platform/controls.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace platform {

class Bundle;

class LoadedView {
public:
    // Loads "name.ui" from the bundle's resources; nothing when it is missing or unreadable.
    static std::unique_ptr<LoadedView> load(const Bundle& bundle, const std::string& name);

    // The view goes with its loader, unless a host has deleted it first.
    ~LoadedView();
    LoadedView(const LoadedView&) = delete;
    LoadedView& operator=(const LoadedView&) = delete;

    QWidget* root() const { return root_.data(); }

    // Outlets: the control of that name and kind, or an empty wrapper.
    Button button(const char* name) const;
    Matrix matrix(const char* name) const;
    PopUp popUp(const char* name) const;
    TextField textField(const char* name) const;
    Box box(const char* name) const;
    TabView tabView(const char* name) const;
    Progress progress(const char* name) const;

    // Connects every control that names an action, so that operating it calls send with the
    // action's name. A radio cell sends the action of its matrix.
    using ActionSender = std::function<void(const std::string& action)>;
    void connectActions(ActionSender send);

private:
    explicit LoadedView(QWidget* root);
    // The widget of that name and kind, or nullptr when absent or of another kind; names that
    // more than one widget carries are left to the toolkit's own search.
    template <typename T>
    T* named(const char* name) const
    {
        QWidget* root = root_.data();
        if (!root)
            return nullptr;
        const QString key = QLatin1String(name);
        if (!sharedNames_.contains(key))
            return qobject_cast<T*>(byName_.value(key).data());
        if (root->objectName() == key)
            return qobject_cast<T*>(root);
        return root->findChild<T*>(key);
    }

    QPointer<QWidget> root_;
    // Every widget of the view by name, made once: the panel looks up some sixty outlets, and
    // each search of the toolkit walks the whole tree.
    QHash<QString, QPointer<QWidget>> byName_;
    QSet<QString> sharedNames_;
};

// Whether one of the view's actions is running now. An action may run the event loop while it
// waits (the folder fetch does), and a host must then neither release the panel nor call it.
bool isRunningAnAction(const QWidget* view);

}  // namespace platform
