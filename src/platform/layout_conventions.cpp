#include "platform/layout_conventions.h"

#include <QAbstractButton>
#include <QWidget>

namespace platform::layout {

QList<QAbstractButton*> matrixCells(const QWidget* matrix)
{
    QList<QAbstractButton*> cells;
    if (!matrix)
        return cells;
    for (QAbstractButton* cell : matrix->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly))
        if (cell->property(kRowProperty).isValid())
            cells.append(cell);
    return cells;
}

bool isMatrix(const QWidget* widget)
{
    return !matrixCells(widget).isEmpty();
}

}  // namespace platform::layout
