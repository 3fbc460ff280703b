#include "shell/ListWindow.h"

#include <QAbstractScrollArea>
#include <QHeaderView>
#include <QLayout>
#include <QStyle>
#include <QTableView>
#include <QWidget>
#include <algorithm>
#include <vector>

namespace {

const QSize kMost(1366, 700);

// The widest width every column may keep so that together they take no more than `budget`:
// narrow columns stay whole, the widest ones share what is left.
int shareOf(std::vector<int> widths, int budget)
{
    std::sort(widths.begin(), widths.end());
    int left = budget;
    for (size_t i = 0; i < widths.size(); ++i) {
        const int fair = left / int(widths.size() - i);
        if (widths[i] > fair)
            return fair;
        left -= widths[i];
    }
    return budget;
}

} // namespace

void fitWindowToTable(QWidget &window, QTableView &table, const QSize &least)
{
    table.setTabKeyNavigation(false);
    table.setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    // Sized to their contents, the last column then stretches over what is left.
    QHeaderView *header = table.horizontalHeader();
    const bool stretch = header->stretchLastSection();
    header->setStretchLastSection(false);
    table.resizeColumnsToContents();
    table.updateGeometry();
    if (QLayout *layout = window.layout())
        layout->activate();
    QSize want = window.sizeHint();
    // Rows beyond the screen scroll: their scroll bar takes its width from the columns.
    const int bar = table.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &table);
    if (want.height() > kMost.height())
        want.rwidth() += bar;
    if (want.width() > kMost.width()) {
        // Too wide for the screen: the widest columns wrap their texts onto more lines.
        std::vector<int> widths;
        int columns = 0;
        for (int c = 0; c < header->count(); ++c)
            if (!header->isSectionHidden(c)) {
                widths.push_back(header->sectionSize(c));
                columns += widths.back();
            }
        const int cap = shareOf(widths, columns - (want.width() - kMost.width()) - bar);
        for (int c = 0; c < header->count(); ++c)
            if (!header->isSectionHidden(c) && header->sectionSize(c) > cap)
                header->resizeSection(c, cap);
        table.setWordWrap(true);
        table.resizeRowsToContents();
        table.updateGeometry();
        if (QLayout *layout = window.layout())
            layout->activate();
        want = window.sizeHint();
        want.rwidth() += want.height() > kMost.height() ? bar : 0;
    }
    header->setStretchLastSection(stretch);
    want = want.expandedTo(least);
    if (window.isVisible())
        want = want.expandedTo(window.size());
    window.resize(want.boundedTo(kMost));
}
