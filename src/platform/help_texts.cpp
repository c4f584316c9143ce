#include "platform/help_texts.h"

#include "platform/bundle.h"

#include <QWidget>

namespace platform {

namespace {

// The translation of a text, or the text itself when it is empty or untranslated.
QString translated(const Bundle& bundle, const QString& text)
{
    if (text.isEmpty())
        return text;
    return QString::fromStdString(bundle.localizedString(text.toStdString()));
}

}  // namespace

void localizeHelpTexts(QWidget* view, const Bundle& bundle)
{
    if (!view)
        return;
    QList<QWidget*> widgets = view->findChildren<QWidget*>();
    widgets.prepend(view);
    for (QWidget* widget : widgets) {
        if (!widget->toolTip().isEmpty())
            widget->setToolTip(translated(bundle, widget->toolTip()));
        if (!widget->accessibleName().isEmpty())
            widget->setAccessibleName(translated(bundle, widget->accessibleName()));
    }
}

}  // namespace platform
