// The texts a layout shows besides its captions: tool tips and the names screen readers
// announce for controls without a caption of their own.
#pragma once

class QWidget;

namespace platform {

class Bundle;

// Replaces the tool tip and accessible name of the view and of every control in it by their
// translations from the bundle's strings table; texts without a translation stay as they are.
void localizeHelpTexts(QWidget* view, const Bundle& bundle);

}  // namespace platform
