#include "pages/framework/Pictures.h"

#include <QComboBox>
#include <QIcon>
#include <algorithm>

// The resources live in a static library: register them before the first use.
static void initPictureResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

int pictureCount(PictureList list)
{
    return list == PictureList::Symbols ? kSymbolCount : kBarGraphCount;
}

QPixmap picture(PictureList list, int index)
{
    const int i = std::clamp(index, 0, pictureCount(list) - 1);
    static QPixmap symbols[kSymbolCount];
    static QPixmap bars[kBarGraphCount];
    QPixmap &p = list == PictureList::Symbols ? symbols[i] : bars[i];
    if (p.isNull()) {
        initPictureResources();
        p = QPixmap(list == PictureList::Symbols
                        ? QStringLiteral(":/lcd/symbol%1.png").arg(i, 2, 10, QLatin1Char('0'))
                        : QStringLiteral(":/lcd/bargraph%1.png").arg(i));
    }
    return p;
}

void preparePictureCombo(QComboBox *combo)
{
    combo->setIconSize(QSize(30, 20));
    combo->setMinimumWidth(combo->count() > 0 ? combo->minimumWidth() : 70);
}

void fillPictureCombo(QComboBox *combo, PictureList list, const QStringList &texts)
{
    combo->clear();
    preparePictureCombo(combo);
    for (int i = 0; i < pictureCount(list); ++i)
        combo->addItem(QIcon(picture(list, i)), i < texts.size() ? texts[i] : QString());
}
