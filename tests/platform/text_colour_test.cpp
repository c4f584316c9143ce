// A field's text colour as it is drawn: gray from the desktop's disabled text, black from its
// active text, and a black field that follows the desktop's colours when they change.
#include "platform/controls.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPalette>

namespace {

QColor drawnText(const QWidget& field)
{
    return field.palette().color(QPalette::Active, QPalette::Text);
}

TEST(TextColour, GrayAndBlackAreTheDesktopsAndABlackFieldFollowsTheDesktop)
{
    const QPalette desktop = QApplication::palette();
    QLineEdit edit;
    platform::TextField field(&edit);

    field.setTextColor(platform::TextColor::Gray);
    EXPECT_EQ(drawnText(edit), desktop.color(QPalette::Disabled, QPalette::WindowText));
    field.setTextColor(platform::TextColor::Black);
    EXPECT_EQ(drawnText(edit), desktop.color(QPalette::Active, QPalette::WindowText));

    // A field that was never gray keeps no colours of its own.
    QLineEdit fresh;
    platform::TextField freshField(&fresh);
    freshField.setTextColor(platform::TextColor::Black);
    EXPECT_EQ(freshField.textColor(), platform::TextColor::Black);
    QPalette changed = desktop;
    changed.setColor(QPalette::Text, Qt::darkBlue);
    changed.setColor(QPalette::WindowText, Qt::darkBlue);
    QApplication::setPalette(changed);
    QCoreApplication::processEvents();
    EXPECT_EQ(drawnText(fresh), QColor(Qt::darkBlue));
    QApplication::setPalette(desktop);
}

}  // namespace
