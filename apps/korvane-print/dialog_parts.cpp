#include "dialog_parts.h"

#include "host_report.h"
#include "platform/automation.h"

#include <QFont>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>

QLabel* makeNoteLabel(QWidget* parent)
{
    auto* note = new QLabel(parent);
    note->setObjectName("noteLabel");
    note->setWordWrap(true);
    note->setStyleSheet("QLabel { color: palette(highlight); }");
    note->hide();
    return note;
}

QTabWidget* makePageTabs(QWidget* parent)
{
    auto* tabs = new QTabWidget(parent);
    tabs->setObjectName("panelTabs");
    tabs->setAccessibleName(QObject::tr("Print dialog pages"));
    return tabs;
}

QScrollArea* makePanelScroll(QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setObjectName("panelScroll");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    return scroll;
}

QTreeWidget* makeSummaryTree(QWidget* parent)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName("summaryTree");
    tree->setAccessibleName(QObject::tr("Summary of the job's settings"));
    tree->setColumnCount(2);
    tree->setHeaderLabels({QObject::tr("Setting"), QObject::tr("Value")});
    tree->setRootIsDecorated(false);
    tree->setSelectionMode(QAbstractItemView::NoSelection);
    return tree;
}

QString panelTabTitle(const std::string& name, const QString& taken)
{
    QString title = QString::fromStdString(name).replace('&', "&&");
    for (int i = 0; i < title.size(); ++i)
        if (title.at(i).isLetter() && !taken.contains(title.at(i).toUpper()))
            return title.insert(i, '&');
    return title;
}

void addSummaryLine(QTreeWidgetItem* group, const QString& title, const QString& value)
{
    new QTreeWidgetItem(group, QStringList{title, value});  // the group owns its lines
}

void addPanelSummary(QTreeWidget* tree, platform::PDEPanel& panel)
{
    auto* group =
        new QTreeWidgetItem(tree, QStringList{QString::fromStdString(panel.panelName())});  // the tree owns it
    for (const auto& [title, value] : panel.summaryInfo())
        addSummaryLine(group, QString::fromStdString(title), QString::fromStdString(value));
}

void finishSummary(QTreeWidget* tree)
{
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* group = tree->topLevelItem(i);
        QFont bold = group->font(0);
        bold.setBold(true);
        group->setFont(0, bold);
        group->setFirstColumnSpanned(true);
    }
    tree->expandAll();
    tree->resizeColumnToContents(0);
}

void presentPanelAlert(QWidget* parent, const QString& title, const std::string& message,
                       const std::string& buttonTitle)
{
    QMessageBox box(QMessageBox::Information, title, QString::fromStdString(message), QMessageBox::NoButton, parent);
    box.addButton(QString::fromStdString(buttonTitle.empty() ? "OK" : buttonTitle), QMessageBox::AcceptRole);
    box.exec();
}

bool applyOperation(QWidget* view, const ControlOperation& operation, std::string* error)
{
    return operation.kind == ControlOperation::Kind::Set
               ? platform::operateControl(view, operation.outlet, operation.value, error)
               : platform::pasteIntoControl(view, operation.outlet, operation.value, error);
}

void applyOperationsInWindow(QWidget* view, const std::vector<ControlOperation>& operations,
                             const std::function<void(const QString&)>& show)
{
    for (const ControlOperation& operation : operations) {
        std::string error;
        if (!applyOperation(view, operation, &error)) {
            report(error);
            show(QString::fromStdString(error));
        }
    }
}
