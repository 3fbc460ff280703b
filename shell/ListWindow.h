#pragma once

class QTableView;
class QWidget;
class QSize;

// Sizes a window around the table it shows: every column whole and as many rows as the
// smallest service laptop's screen holds (1366 x 700 of content); a longer list scrolls down,
// never sideways. The window never gets smaller than `least` nor than it is once shown (the
// bus scan calls this again for each device it finds). Tab leaves the table instead of
// walking its cells: the rows are read, not edited.
void fitWindowToTable(QWidget &window, QTableView &table, const QSize &least);
