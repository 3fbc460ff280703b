#pragma once

// Picture lists: the LCD symbols of the wall modules and the bar-graph choices, drawn by
// resources/tools/make_symbols.cpp into the resources.
//
//   fillPictureCombo(combo, PictureList::Symbols);  // 59 items, item i shows picture i
//   combo->setItemIcon(...)                          // a list of some pictures: picture(...)
//
// A picture number from a device indexes nothing unchecked: picture() clamps it.

#include <QPixmap>

class QComboBox;

enum class PictureList { Symbols, BarGraphs };

constexpr int kSymbolCount = 59;
constexpr int kBarGraphCount = 4;

int pictureCount(PictureList list);
// Picture `index` of the list, the index brought into 0 .. count - 1.
QPixmap picture(PictureList list, int index);
// A combo box with images: one item per picture, without text unless texts are given
// (one per picture).
void fillPictureCombo(QComboBox *combo, PictureList list, const QStringList &texts = {});
// Prepares a combo box for pictures of 30 x 20 (its items added by the caller).
void preparePictureCombo(QComboBox *combo);
