#include "pages/framework/Pictures.h"

#include <QComboBox>
#include <QGuiApplication>
#include <algorithm>
#include <iterator>

// The resources live in a static library: register them before the first use.
static void initPictureResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

constexpr int kScaleCount = int(std::size(kPictureScales));

QString pictureFile(PictureList list, int index, int scale)
{
    const QString stem = list == PictureList::Symbols
                             ? QStringLiteral(":/lcd/symbol%1").arg(index, 2, 10, QLatin1Char('0'))
                             : QStringLiteral(":/lcd/bargraph%1").arg(index);
    const qreal s = kPictureScales[scale];
    return s == 1 ? stem + QStringLiteral(".png")
                  : stem + QLatin1Char('@') + QString::number(s) + QStringLiteral("x.png");
}

// Every picture at every scale, loaded once, its pixel ratio set so that it covers 30 x 20.
const QPixmap &loaded(PictureList list, int index, int scale)
{
    static QPixmap symbols[kSymbolCount][kScaleCount];
    static QPixmap bars[kBarGraphCount][kScaleCount];
    QPixmap &p = list == PictureList::Symbols ? symbols[index][scale] : bars[index][scale];
    if (p.isNull()) {
        initPictureResources();
        p = QPixmap(pictureFile(list, index, scale));
        p.setDevicePixelRatio(kPictureScales[scale]);
    }
    return p;
}

int clampIndex(PictureList list, int index)
{
    return std::clamp(index, 0, pictureCount(list) - 1);
}

} // namespace

int pictureCount(PictureList list)
{
    return list == PictureList::Symbols ? kSymbolCount : kBarGraphCount;
}

QPixmap picture(PictureList list, int index, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 0)
        devicePixelRatio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    int scale = kScaleCount - 1;
    for (int s = 0; s < kScaleCount; ++s)
        if (kPictureScales[s] >= devicePixelRatio - 0.01) {
            scale = s;
            break;
        }
    return loaded(list, clampIndex(list, index), scale);
}

QIcon pictureIcon(PictureList list, int index)
{
    const int i = clampIndex(list, index);
    static QIcon symbols[kSymbolCount];
    static QIcon bars[kBarGraphCount];
    QIcon &icon = list == PictureList::Symbols ? symbols[i] : bars[i];
    if (icon.isNull())
        for (int s = 0; s < kScaleCount; ++s)
            icon.addPixmap(loaded(list, i, s));
    return icon;
}

void preparePictureCombo(QComboBox *combo)
{
    combo->setIconSize(QSize(kPictureWidth, kPictureHeight));
    combo->setMinimumWidth(combo->count() > 0 ? combo->minimumWidth() : 70);
}

void fillPictureCombo(QComboBox *combo, PictureList list, const QStringList &texts)
{
    combo->clear();
    preparePictureCombo(combo);
    for (int i = 0; i < pictureCount(list); ++i)
        combo->addItem(pictureIcon(list, i), i < texts.size() ? texts[i] : QString());
}
