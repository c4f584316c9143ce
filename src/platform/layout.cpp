#include "platform/layout.h"

#include "platform/bundle.h"
#include "platform/form_reader.h"
#include "platform/layout_conventions.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTabWidget>

namespace platform {

namespace {

using layout::kActionsRunningProperty;

// Counts one running action on the view for as long as it lives; the view may go meanwhile.
class RunningAction {
public:
    explicit RunningAction(QWidget* view) : view_(view) { adjust(+1); }
    ~RunningAction() { adjust(-1); }
    RunningAction(const RunningAction&) = delete;
    RunningAction& operator=(const RunningAction&) = delete;

private:
    void adjust(int step)
    {
        if (view_)
            view_->setProperty(kActionsRunningProperty, view_->property(kActionsRunningProperty).toInt() + step);
    }
    QPointer<QWidget> view_;
};

}  // namespace

std::unique_ptr<LoadedView> LoadedView::load(const Bundle& bundle, const std::string& name)
{
    auto path = bundle.pathForResource(name, "ui");
    if (!path)
        return nullptr;
    // The project's own reader rather than the designer's loaders (see form_reader.h). Nor does
    // it translate: the panel localizes captions from its own strings table.
    const auto reader = FormReader::forFile(QString::fromStdString(*path));
    if (!reader)
        return nullptr;
    std::unique_ptr<QWidget> root = reader->read();
    if (!root)
        return nullptr;
    return std::unique_ptr<LoadedView>(new LoadedView(root.release()));  // the view owns it
}

LoadedView::LoadedView(QWidget* root) : root_(root)
{
    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        const QString name = widget->objectName();
        if (name.isEmpty())
            continue;
        if (byName_.contains(name))
            sharedNames_.insert(name);
        else
            byName_.insert(name, widget);
    }
}

LoadedView::~LoadedView()
{
    delete root_.data();
}

Button LoadedView::button(const char* name) const
{
    return Button(named<QAbstractButton>(name));
}

Matrix LoadedView::matrix(const char* name) const
{
    QWidget* widget = named<QWidget>(name);
    return Matrix(widget && layout::isMatrix(widget) ? widget : nullptr);
}

PopUp LoadedView::popUp(const char* name) const
{
    return PopUp(named<QComboBox>(name));
}

TextField LoadedView::textField(const char* name) const
{
    if (QLineEdit* edit = named<QLineEdit>(name))
        return TextField(edit);
    return TextField(named<QLabel>(name));
}

Box LoadedView::box(const char* name) const
{
    return Box(named<QGroupBox>(name));
}

TabView LoadedView::tabView(const char* name) const
{
    return TabView(named<QTabWidget>(name));
}

Progress LoadedView::progress(const char* name) const
{
    return Progress(named<QProgressBar>(name));
}

void LoadedView::connectActions(ActionSender send)
{
    if (!root_)
        return;
    auto shared = std::make_shared<ActionSender>(std::move(send));
    QList<QWidget*> widgets = root_->findChildren<QWidget*>();
    widgets.prepend(root_.data());
    for (QWidget* widget : widgets) {
        const QString action = widget->property(layout::kActionProperty).toString();
        if (action.isEmpty())
            continue;
        const std::string name = action.toStdString();
        QPointer<QWidget> root = root_;
        auto fire = [shared, name, root] {
            const RunningAction running(root);
            (*shared)(name);
        };
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            QObject::connect(button, &QAbstractButton::clicked, root_, fire);
        } else if (auto* popUp = qobject_cast<QComboBox*>(widget)) {
            QObject::connect(popUp, &QComboBox::activated, root_, fire);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            QObject::connect(edit, &QLineEdit::editingFinished, root_, fire);
        } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            QObject::connect(tabs, &QTabWidget::tabBarClicked, root_, fire);
        } else if (layout::isMatrix(widget)) {
            for (QAbstractButton* cell : layout::matrixCells(widget))
                QObject::connect(cell, &QAbstractButton::clicked, root_, fire);
        }
    }
}

bool isRunningAnAction(const QWidget* view)
{
    return view && view->property(kActionsRunningProperty).toInt() > 0;
}

}  // namespace platform
