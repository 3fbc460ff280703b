#pragma once

// Picture lists: the LCD symbols of the wall modules and the bar-graph choices, drawn by
// resources/tools/make_symbols.cpp into the resources at 1x, 1.5x and 2x, so that a screen
// at 150 % or 200 % shows pixels drawn for it rather than enlarged ones.
//
//   fillPictureCombo(combo, PictureList::Symbols);   // 59 items, item i shows picture i
//   combo->addItem(pictureIcon(list, n), QString());  // a list of some pictures
//
// A picture number from a device indexes nothing unchecked: picture() and pictureIcon()
// clamp it.

#include <QIcon>
#include <QPixmap>

class QComboBox;

enum class PictureList { Symbols, BarGraphs };

constexpr int kSymbolCount = 59;
constexpr int kBarGraphCount = 4;
// The size of every picture in logical pixels, and the scales it is drawn at.
constexpr int kPictureWidth = 30;
constexpr int kPictureHeight = 20;
constexpr qreal kPictureScales[] = {1.0, 1.5, 2.0};

int pictureCount(PictureList list);
// Picture `index` of the list (the index brought into 0 .. count - 1) drawn for a screen of
// `devicePixelRatio`: the smallest drawn scale that reaches it, else the largest. 0 takes
// the highest ratio of the application's screens, as Qt does for its own images.
QPixmap picture(PictureList list, int index, qreal devicePixelRatio = 0);
// The picture at every drawn scale: Qt takes the one for the screen it is painted on.
QIcon pictureIcon(PictureList list, int index);
// A combo box with images: one item per picture, without text unless texts are given
// (one per picture).
void fillPictureCombo(QComboBox *combo, PictureList list, const QStringList &texts = {});
// Prepares a combo box for pictures of 30 x 20 (its items added by the caller).
void preparePictureCombo(QComboBox *combo);
