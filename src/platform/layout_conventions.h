// The conventions the layouts and the control wrappers share: the dynamic properties a
// layout's widgets carry (what a control sends, a matrix cell's row, a text field's tag), the
// ones the wrappers keep on a widget, and what makes a plain container a matrix.
#pragma once

#include <QList>

class QAbstractButton;
class QWidget;

namespace platform::layout {

// Set in the layouts.
inline constexpr const char* kActionProperty = "action";  // the action a control sends
inline constexpr const char* kRowProperty = "row";        // a matrix cell's row
inline constexpr const char* kTagProperty = "tag";        // a text field's tag

// Kept by the wrappers on the widgets they wrap.
inline constexpr const char* kImageProperty = "korvaneImage";
inline constexpr const char* kAlternateImageProperty = "korvaneAlternateImage";
inline constexpr const char* kImageNameProperty = "korvaneImageName";
inline constexpr const char* kAlternateImageNameProperty = "korvaneAlternateImageName";
inline constexpr const char* kTextColorProperty = "korvaneTextColor";
inline constexpr const char* kAnimatingProperty = "korvaneAnimating";
inline constexpr const char* kActionsRunningProperty = "korvaneActionsRunning";  // on a loaded view

// A matrix's cells: the buttons directly inside it that carry a row. None for a null widget.
QList<QAbstractButton*> matrixCells(const QWidget* matrix);

// Whether widget is a matrix: a plain container with at least one cell.
bool isMatrix(const QWidget* widget);

}  // namespace platform::layout
