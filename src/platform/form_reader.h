// Reads the layouts' Qt Designer files into widgets: the standard widget classes, box and grid
// layouts, spacers, properties (the classes' own and dynamic ones), tab pages, pop-up items,
// buddies and the tab order. The designer's own loaders would bring its large library, or
// every designer plug-in installed on the system, into the host for a few standard widgets.
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QIODevice;
class QLabel;
class QLayout;
class QSpacerItem;
class QTabWidget;

namespace platform {

struct FormParts;
struct FormProperty;
struct FormTape;
class FormCursor;

class FormReader {
public:
    // Reads the form on the device.
    explicit FormReader(QIODevice& device);
    // Reads the form file at path, parsed once per process and again only when the file
    // changed; nullptr when the file cannot be read.
    static std::unique_ptr<FormReader> forFile(const QString& path);
    ~FormReader();
    FormReader(const FormReader&) = delete;
    FormReader& operator=(const FormReader&) = delete;

    // The form's top widget, or nullptr when the file is no form of the layouts' kind, and
    // error (when given) then says why.
    std::unique_ptr<QWidget> read(std::string* error = nullptr);

private:
    explicit FormReader(std::shared_ptr<const FormTape> tape);
    std::unique_ptr<QWidget> readForm();
    std::nullptr_t fail(const QString& why);
    // Reads a widget into parent, or, for a page, into pageOf as its next tab.
    std::unique_ptr<QWidget> readWidget(QWidget* parent, QTabWidget* pageOf = nullptr);
    void readChildWidget(QWidget& parent);
    void readComboItem(QWidget& widget);
    void applyWidgetProperty(QWidget& widget, const FormProperty& property);
    FormProperty readProperty();
    FormParts readParts();
    void readLayout(QWidget& owner, QLayout* parentLayout);
    void applyLayoutProperty(QLayout& layout, const FormProperty& property);
    void readLayoutItem(QWidget& owner, QLayout& layout);
    std::unique_ptr<QSpacerItem> readSpacer();
    void readTabStops();

    std::unique_ptr<FormCursor> xml_;
    QString error_;  // the first fault met, which ends the reading
    std::vector<std::pair<QLabel*, QString>> buddies_;
    QStringList tabStops_;
    QHash<QString, QWidget*> widgetsBelowTop_;  // by name, as the buddies and tab stops name them
    QLayout* pendingLayout_ = nullptr;          // a nested layout read, not yet in its parent
    QWidget* pageBeingRead_ = nullptr;          // the tab page last added, whose layout is a window's
};

}  // namespace platform
