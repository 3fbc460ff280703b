#include "shell/AboutBox.h"

#include "shell/MainForm.h"

#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TAboutBox::TAboutBox(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(298, 299);

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    // The logo's own grey, so the picture blends in.
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, QColor(200, 200, 200));
    panel->setPalette(palette);

    auto *maker = new QLabel(QStringLiteral("Torvak - měřící a regulační technika"), panel);
    QFont bold = maker->font();
    bold.setBold(true);
    maker->setFont(bold);
    maker->setAlignment(Qt::AlignCenter);

    auto *logo = new QLabel(panel);
    logo->setObjectName(QStringLiteral("ProgramIcon"));
    logo->setFixedSize(182, 93);
    logo->setScaledContents(true);
    logo->setPixmap(TmForm::logoPixmap());

    auto *models = new QLabel(QStringLiteral("Pro komponenty: \n"
                                             "KQx, KQLx, CWR1, E-7PZ, E-UV6, E-HN2, E-HB2, \n"
                                             "E-HB5/HN9, GWR1, T4yJ, T4yR, T4yG, T6yR, ZK,\n"
                                             "ZSL, ZG, VTx, VTLx"),
                              panel);
    models->setObjectName(QStringLiteral("Comments"));
    models->setAlignment(Qt::AlignCenter);
    // The model lines are long for a 298-pixel box: a size smaller keeps them whole.
    QFont small = models->font();
    small.setPixelSize(qMax(9, QFontInfo(small).pixelSize() - 2));
    models->setFont(small);

    auto *version = new QLabel(QStringLiteral("Verze 1.0.15"), panel);
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);

    auto *inner = new QVBoxLayout(panel);
    inner->setContentsMargins(8, 10, 8, 10);
    inner->addWidget(maker);
    inner->addSpacing(4);
    inner->addWidget(logo, 0, Qt::AlignHCenter);
    inner->addSpacing(4);
    inner->addWidget(models);
    inner->addStretch(1);
    inner->addWidget(version);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setDefault(true);
    OKButton->setMinimumWidth(75);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(panel, 1);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}
