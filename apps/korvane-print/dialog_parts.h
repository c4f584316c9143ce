// What the print dialog, the window of a waiting job and the batch mode share: the panel's tab
// title, the summary page's look, the panel's alert and the operations of the command line.
#pragma once

#include "options.h"

#include "platform/pde.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// The parts of a dialog window that show the panels: the label under the tabs that keeps the
// panels' last note in sight (hidden while empty), the tabs, the scroll area that holds a
// panel's view as a tab, and the summary page of two columns.
QLabel* makeNoteLabel(QWidget* parent);
QTabWidget* makePageTabs(QWidget* parent);
QScrollArea* makePanelScroll(QWidget* parent);
QTreeWidget* makeSummaryTree(QWidget* parent);

// The panel's name as its tab's title, with a mnemonic on its first letter that none of the
// window's own mnemonics (taken, upper case) uses.
QString panelTabTitle(const std::string& name, const QString& taken);

// Adds one line under a group of the summary page.
void addSummaryLine(QTreeWidgetItem* group, const QString& title, const QString& value);

// Adds the panel's summary lines under a group of its name.
void addPanelSummary(QTreeWidget* tree, platform::PDEPanel& panel);

// Gives a filled summary page its look: the groups bold across both columns, every line shown.
void finishSummary(QTreeWidget* tree);

// The panel's informational alert in a window: a message box with the one button the panel
// names.
void presentPanelAlert(QWidget* parent, const QString& title, const std::string& message,
                       const std::string& buttonTitle);

// Runs one --set or --paste on the panel's view; false, with the refusal in error, when the
// control refused it.
bool applyOperation(QWidget* view, const ControlOperation& operation, std::string* error);

// Runs every --set and --paste of the command line in a window: a refusal is reported on
// standard error and shown, and the next operation runs.
void applyOperationsInWindow(QWidget* view, const std::vector<ControlOperation>& operations,
                             const std::function<void(const QString&)>& show);
