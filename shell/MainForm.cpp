#include "shell/MainForm.h"

#include "link/Messages.h"
#include "link/TSerial.h"
#include "platform/Profile.h"
#include "platform/Prompts.h"
#include "platform/TextError.h"
#include "shell/AboutBox.h"
#include "shell/Identification.h"
#include "shell/Mnemonics.h"
#include "shell/BusScan.h"
#include "shell/PageRegistry.h"
#include "shell/ScanDialog.h"
#include "shell/StatusPanels.h"
#include "shell/SystemDialog.h"
#include "shell/TrafficMonitor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

// The resources live in a static library: register them before the first use.
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    Q_UNUSED(done);
}

namespace {

const QString kSection = QStringLiteral("mForm");
const QString kChanged = QStringLiteral("Změněno");
const QString kNoPort = QStringLiteral("Musíte zadat jméno portu");
const QString kWarning = QStringLiteral("Varování");
const QString kError = QStringLiteral("Chyba");
const QString kIntroView = QStringLiteral("Úvodní okno");
const QString kSerialView = QStringLiteral("Nastavení sériového přenosu");
const QString kComponentView = QStringLiteral("Výběr komponenty");
const QString kAddressKey = QStringLiteral("serialAddressComboBox");
const QString kBaudKey = QStringLiteral("serialBaudRateComboBox");
constexpr quint32 kBenchRate = 19200;
constexpr int kServiceAddress = 255;

QString place(const LineTarget &t)
{
    return QStringLiteral("%1 (%2 Bd)").arg(t.address).arg(t.baudRate);
}

constexpr int kClientWidth = 624;
constexpr int kClientHeight = 271;

QAction *menuItem(QMenu *menu, const char *name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void separator(QMenu *menu, const char *name)
{
    menu->addSeparator()->setObjectName(QLatin1String(name));
}

QComboBox *fixedList(QWidget *parent, const char *name, const QStringList &items,
                     const QString &hint)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    combo->setEditable(false);
    combo->setToolTip(hint);
    combo->setMinimumWidth(140);
    return combo;
}

} // namespace

TmForm::TmForm(QWidget *parent) : TmForm(PageRegistry::instance(), parent) {}

TmForm::TmForm(PageRegistry &registry, QWidget *parent) : QMainWindow(parent), m_registry(registry)
{
    setObjectName(QStringLiteral("mForm"));
    setWindowTitle(QStringLiteral("TORVAK Ovrin 1.0.15"));

    buildMenus();
    new MnemonicPriority(*this);

    auto *central = new QWidget(this);
    central->setObjectName(QStringLiteral("mFormClient"));
    setCentralWidget(central);
    buildIntroduction(central);
    buildSerialView(central);
    buildComponentView(central);

    mFormStatusBar = new StatusPanels({150, 60, 50}, this);
    mFormStatusBar->setObjectName(QStringLiteral("mFormStatusBar"));
    mFormStatusBar->setToolTip(QStringLiteral("Stavový řádek"));
    setStatusBar(mFormStatusBar);
    mFormTimer = mFormStatusBar->timer();
    mFormTimer->setObjectName(QStringLiteral("mFormTimer"));
    mFormStatusBar->setPanelText(0, kIntroView);
    mFormStatusBar->fitPanel(0, {kIntroView, kSerialView, kComponentView});
    mFormStatusBar->fitPanel(1, {kChanged});

    const int menuHeight = menuBar()->sizeHint().height();
    const int barHeight = mFormStatusBar->sizeHint().height();
    // The classic window kept its status bar inside the 271-pixel client area.
    resize(kClientWidth, kClientHeight + menuHeight);
    setMinimumSize(kClientWidth, qMax(kClientHeight, 250 + barHeight) + menuHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }

    qApp->installEventFilter(this);
    Shell::install(this);
}

TmForm::~TmForm()
{
    qApp->removeEventFilter(this);
    if (Shell::isInstalled() && &Shell::instance() == this)
        Shell::install(nullptr);
    delete m_page.data();
    closePort();
}

void TmForm::buildMenus()
{
    menuBar()->setObjectName(QStringLiteral("mainMenu"));
    mmFile = menuBar()->addMenu(QStringLiteral("&Soubor"));
    mmFile->setObjectName(QStringLiteral("mmFile"));
    mmLoad = menuItem(mmFile, "mmLoad", QStringLiteral("Načíst konfiguraci"));
    mmLoad->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    mmSave = menuItem(mmFile, "mmSave", QStringLiteral("Uložit konfiguraci"));
    mmSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    separator(mmFile, "mmDashFile");
    mmClose = menuItem(mmFile, "mmClose", QStringLiteral("Zavřít"));
    mmClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));

    mmTools = menuBar()->addMenu(QStringLiteral("N&astavení"));
    mmTools->setObjectName(QStringLiteral("mmTools"));
    // Ctrl+S belongs to mmSave, the first of the two in menu order. Registering it twice
    // would make Qt treat the key as ambiguous and run neither, so mmSerial only shows it.
    mmSerial = menuItem(mmTools, "mmSerial", QStringLiteral("Sériový přenos\tCtrl+S"));
    mmChooseComponent = menuItem(mmTools, "mmChooseComponent", kComponentView);
    mmChooseComponent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    mmChooseComponent->setEnabled(false);
    separator(mmTools, "mmDashTools");
    mmLoadDataAfterStart = menuItem(mmTools, "mmLoadDataAfterStart",
                                    QStringLiteral("Načíst data po spuštění komponenty"));
    separator(mmTools, "N2");
    mmAutoComponent =
        menuItem(mmTools, "mmAutoComponent",
                 QStringLiteral("Automaticky rozpoznat komponentu při startu programu"));
    mmLoadLast =
        menuItem(mmTools, "mmLoadLast", QStringLiteral("Načíst uloženou konfiguraci při spuštění"));
    separator(mmTools, "N1");
    mmShowHint = menuItem(mmTools, "mmShowHint", QStringLiteral("Zobrazovat polovoucí nápovědu"));
    separator(mmTools, "mmDashMonitor");
    mmTrafficMonitor = menuItem(mmTools, "mmTrafficMonitor", QStringLiteral("Monitor komunikace"));
    for (QAction *item : {mmLoadDataAfterStart, mmAutoComponent, mmLoadLast, mmShowHint})
        item->setCheckable(true);
    mmLoadDataAfterStart->setChecked(true);
    mmShowHint->setChecked(true);

    mmHelp = menuBar()->addMenu(QStringLiteral("&Nápověda"));
    mmHelp->setObjectName(QStringLiteral("mmHelp"));
    mmAbout = menuItem(mmHelp, "mmAbout", QStringLiteral("O aplikaci"));

    connect(mmLoad, &QAction::triggered, this, &TmForm::mmLoadClick);
    connect(mmSave, &QAction::triggered, this, &TmForm::mmSaveClick);
    connect(mmClose, &QAction::triggered, this, &TmForm::mmCloseClick);
    connect(mmSerial, &QAction::triggered, this, &TmForm::mmSerialClick);
    connect(mmTrafficMonitor, &QAction::triggered, this, &TmForm::showTrafficMonitor);
    connect(mmChooseComponent, &QAction::triggered, this, &TmForm::mmChooseComponentClick);
    connect(mmAbout, &QAction::triggered, this, &TmForm::mmAboutClick);

    // A click in the menu has toggled the check already; the handlers toggle it themselves.
    connect(mmLoadLast, &QAction::triggered, this, &TmForm::loadLastToggled);
    connect(mmShowHint, &QAction::triggered, this, &TmForm::showHintToggled);
    connect(mmAutoComponent, &QAction::triggered, this,
            [this] { reportCheck(mmAutoComponent, 25, 24); });
    connect(mmLoadDataAfterStart, &QAction::triggered, this,
            [this] { reportCheck(mmLoadDataAfterStart, 31, 30); });
}

void TmForm::buildIntroduction(QWidget *central)
{
    introductionPanel = new QFrame(central);
    introductionPanel->setObjectName(QStringLiteral("introductionPanel"));
    introductionPanel->setFrameShape(QFrame::NoFrame);
    introductionPanel->setAutoFillBackground(true);
    QPalette palette = introductionPanel->palette();
    // The classic scroll-bar system colour.
    palette.setColor(QPalette::Window, QColor(200, 200, 200));
    introductionPanel->setPalette(palette);

    introductionLogo = new QLabel(introductionPanel);
    introductionLogo->setObjectName(QStringLiteral("introductionLogo"));
    introductionLogo->setFixedSize(270, 141);
    introductionLogo->setPixmap(logoPixmap());

    introductionProductName =
        new QLabel(QStringLiteral("Torvak - měřící a regulační technika"), introductionPanel);
    introductionProductName->setObjectName(QStringLiteral("introductionProductName"));
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(21);
    introductionProductName->setFont(font);
    introductionProductName->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(introductionPanel);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addStretch(2);
    layout->addWidget(introductionLogo, 0, Qt::AlignHCenter);
    layout->addSpacing(14);
    layout->addWidget(introductionProductName, 0, Qt::AlignHCenter);
    layout->addStretch(3);
}

void TmForm::buildSerialView(QWidget *central)
{
    serialGroupBox = new QGroupBox(kSerialView, central);
    serialGroupBox->setObjectName(QStringLiteral("serialGroupBox"));

    serialNameComboBox =
        fixedList(serialGroupBox, "serialNameComboBox", {}, QStringLiteral("Rozsah COM1 - COM20"));
    for (int port = 1; port <= 20; ++port)
        serialNameComboBox->addItem(TSerial::portName(port));
    serialNameComboBox->setCurrentIndex(-1);
    serialBaudRateComboBox =
        fixedList(serialGroupBox, "serialBaudRateComboBox",
                  {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                   QStringLiteral("9600"), QStringLiteral("19200")},
                  QStringLiteral("Rozsah 1200Bd - 19200Bd"));
    serialBaudRateComboBox->setCurrentIndex(4);
    serialDataSizeComboBox = fixedList(serialGroupBox, "serialDataSizeComboBox",
                                       {QStringLiteral("8b")}, QStringLiteral("Velikost dat"));
    serialParityComboBox =
        fixedList(serialGroupBox, "serialParityComboBox", {QStringLiteral("NOPARITY")},
                  QStringLiteral("Parita = bez parity"));
    serialStopBitComboBox =
        fixedList(serialGroupBox, "serialStopBitComboBox",
                  {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")},
                  QStringLiteral("Rozsah 0b - 2b"));
    serialStopBitComboBox->setCurrentIndex(1);

    serialAddressComboBox =
        fixedList(serialGroupBox, "serialAddressComboBox",
                  {QStringLiteral("255 – všechna zařízení (servisní)")},
                  QStringLiteral("255 = všechna zařízení (servisní), jedno zařízení na lince; "
                                 "1 - 254 = zařízení s touto adresou na sběrnici"));
    for (int a = 1; a <= 254; ++a)
        serialAddressComboBox->addItem(QString::number(a));
    serialAddressComboBox->setCurrentIndex(0);
    serialBaudRateComboBox->setCurrentIndex(4);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    // Six rows in the classic window's client area.
    grid->setVerticalSpacing(4);
    const struct {
        const char *name;
        const char *caption;
        QComboBox *combo;
    } rows[] = {
        {"serialNameLabel", "Jméno portu", serialNameComboBox},
        {"serialBaudRateLabel", "Baud rate", serialBaudRateComboBox},
        {"serialDataSizeLabel", "Velikost dat", serialDataSizeComboBox},
        {"serialParityLabel", "Parita", serialParityComboBox},
        {"serialStopBitLabel", "Stop bit", serialStopBitComboBox},
        {"serialAddressLabel", "Adresa zařízení", serialAddressComboBox},
    };
    int row = 0;
    for (const auto &r : rows) {
        auto *label = new QLabel(QString::fromUtf8(r.caption), serialGroupBox);
        label->setObjectName(QLatin1String(r.name));
        label->setBuddy(r.combo);
        grid->addWidget(label, row, 0);
        grid->addWidget(r.combo, row, 1);
        if (r.combo == serialAddressComboBox)
            serialAddressLabel = label;
        ++row;
        // The device's rate and address are the session's; the rest of the line is fixed.
        if (r.combo == serialBaudRateComboBox || r.combo == serialAddressComboBox) {
            connect(r.combo, &QComboBox::activated, this, &TmForm::serialTargetChange);
            continue;
        }
        if (r.combo != serialNameComboBox)
            r.combo->setEnabled(false);
        connect(r.combo, &QComboBox::activated, this, &TmForm::serialNameComboBoxChange);
    }
    serialAddressComboBox->setMinimumContentsLength(20);
    connect(serialNameComboBox, &QComboBox::currentIndexChanged, this, &TmForm::updatePortHints);

    serialOkButton = new QPushButton(QStringLiteral("&OK"), serialGroupBox);
    serialOkButton->setObjectName(QStringLiteral("serialOkButton"));
    serialOkButton->setMinimumWidth(90);
    connect(serialOkButton, &QPushButton::clicked, this, &TmForm::serialNameOkButtonClick);

    auto *layout = new QHBoxLayout(serialGroupBox);
    layout->setContentsMargins(16, 10, 16, 10);
    layout->addLayout(grid);
    layout->addStretch(1);
    serialScanButton = new QPushButton(QStringLiteral("Najít zařízení na sběrnici"), serialGroupBox);
    serialScanButton->setObjectName(QStringLiteral("serialScanButton"));
    serialScanButton->setToolTip(QStringLiteral("Projde zvolené adresy a rychlosti a vypíše "
                                                "zařízení, která odpověděla"));
    connect(serialScanButton, &QPushButton::clicked, this, &TmForm::serialScanButtonClick);

    auto *buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(serialScanButton);
    buttons->addWidget(serialOkButton);
    layout->addLayout(buttons);

    serialGroupBox->hide();
    updatePortHints();
}

void TmForm::buildComponentView(QWidget *central)
{
    componentGroupBox = new QGroupBox(kComponentView, central);
    componentGroupBox->setObjectName(QStringLiteral("componentGroupBox"));

    componentLabel = new QLabel(QStringLiteral("Vyberte pracovní komponentu"), componentGroupBox);
    componentLabel->setObjectName(QStringLiteral("componentLabel"));

    componentListBox = new QListWidget(componentGroupBox);
    componentListBox->setObjectName(QStringLiteral("componentListBox"));
    componentListBox->setToolTip(QStringLiteral("Typ komponenty"));
    componentListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    componentListBox->addItems(componentNames());
    componentListBox->setMinimumWidth(220);
    componentLabel->setBuddy(componentListBox);
    connect(componentListBox, &QListWidget::itemDoubleClicked, this,
            &TmForm::componentOkButtonClick);

    automaticComponentChooseButton =
        new QPushButton(QStringLiteral("Najít kom&ponentu"), componentGroupBox);
    automaticComponentChooseButton->setObjectName(QStringLiteral("automaticComponentChooseButton"));
    connect(automaticComponentChooseButton, &QPushButton::clicked, this,
            &TmForm::automaticComponentChooseButtonClick);
    componentOkButton = new QPushButton(QStringLiteral("&OK"), componentGroupBox);
    componentOkButton->setObjectName(QStringLiteral("componentOkButton"));
    connect(componentOkButton, &QPushButton::clicked, this, &TmForm::componentOkButtonClick);
    for (QPushButton *button : {automaticComponentChooseButton, componentOkButton})
        button->setMinimumWidth(130);

    auto *left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(componentLabel);
    left->addWidget(componentListBox, 1);
    auto *right = new QVBoxLayout;
    right->setSpacing(8); // not the wide spacing between the columns
    right->addStretch(1);
    right->addWidget(automaticComponentChooseButton);
    right->addWidget(componentOkButton);
    auto *layout = new QHBoxLayout(componentGroupBox);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->setSpacing(24);
    layout->addLayout(left);
    layout->addStretch(1);
    layout->addLayout(right);

    componentGroupBox->hide();
}

void TmForm::FormResize()
{
    QWidget *central = centralWidget();
    introductionPanel->setGeometry(central->rect());
    // Both views sit at the same place (24, 36) and keep the rest of the client area.
    const QRect view(24, 36, qMax(0, central->width() - 48), qMax(0, central->height() - 48));
    serialGroupBox->setGeometry(view);
    componentGroupBox->setGeometry(view);
}

QPixmap TmForm::logoPixmap()
{
    initResources();
    QImageReader reader(QStringLiteral(":/logo.jpg"), "jpeg");
    const QImage image = reader.read();
    return QPixmap::fromImage(image);
}

QString TmForm::settingsPath()
{
    return workingFile(QStringLiteral("mFormSave.ini"));
}

void TmForm::setSystemDialog(TSystemDialog *dialog)
{
    m_systemDialog = dialog;
}

void TmForm::setAboutBox(TAboutBox *aboutBox)
{
    m_aboutBox = aboutBox;
}

void TmForm::paintNow()
{
    // Shown before blocking work (port test, detection): lay it out and paint it now.
    QCoreApplication::sendPostedEvents(this);
    repaint();
}

void TmForm::FormCreate()
{
    const Profile settings(settingsPath());
    TTransmit transmit(*this);
    TransmitResult result;

    introductionPanel->setCursor(Qt::WaitCursor);
    show();
    paintNow();

    mmLoadDataAfterStart->setChecked(
        settings.readBool(kSection, QStringLiteral("mmLoadDataAfterStart"), false));

    if (settings.readBool(kSection, QStringLiteral("mmLoadLast"), false)) {
        mmLoadClick();
        bool portOpens = true;
        try {
            testPort();
        } catch (const TextError &) {
            portOpens = false;
            show();
            showError(ErrPortClosed);
            mmSerialClick();
            serialNameComboBox->setCurrentIndex(-1);
        }
        if (portOpens) {
            serialNameOkButtonClick();
            if (serialNameComboBox->currentIndex() < 0) {
                // The port failed its second test: there is nothing to detect on, and the
                // user has to pick a port, as after a failed first test.
                mmSerialClick();
            } else if (settings.readBool(kSection, QStringLiteral("mmAutoComponent"), false)) {
                mmChooseComponent->setEnabled(false);
                try {
                    detectComponent(transmit, result);
                } catch (const std::exception &e) {
                    show();
                    showDetectionFailure(transmit, result, e);
                    mmChooseComponentClick();
                }
                mmChooseComponent->setEnabled(true);
            }
        }
    } else {
        mmAutoComponent->setEnabled(false);
    }

    const bool hints = settings.readBool(kSection, QStringLiteral("mmShowHint"), true);
    setShowHints(hints);
    mmShowHint->setChecked(hints);
    mmAutoComponent->setChecked(
        settings.readBool(kSection, QStringLiteral("mmAutoComponent"), false));

    introductionPanel->unsetCursor();
}

std::optional<PortSettings> TmForm::portSettings() const
{
    PortSettings settings;
    settings.portNumber = serialNameComboBox->currentIndex() + 1;
    settings.devicePath = TSerial::comPortPath(settings.portNumber);
    settings.firstByteTimeoutMs = TSerial::firstByteTimeoutFor(settings.portNumber);
    // The rate and address are the target's: a write may have moved it (deviceWritten).
    const LineTarget where = target();
    settings.baudRate = where.baudRate;
    settings.address = where.address;
    settings.parity = static_cast<quint8>(serialParityComboBox->currentIndex());
    const QString dataSize = serialDataSizeComboBox->currentText();
    settings.byteSize = static_cast<quint8>(dataSize.isEmpty() ? 8 : dataSize.at(0).digitValue());
    settings.stopBits = static_cast<quint8>(serialStopBitComboBox->currentIndex());
    return settings;
}

void TmForm::openPort()
{
    openPortWith(*portSettings());
}

void TmForm::testPort()
{
    // A page's thread may be inside an exchange on the one port field: wait for it. On a
    // thread that is inside one itself (a wait that runs events) the port is open already.
    const ExchangeScope exclusive(*this);
    if (!exclusive)
        return;
    try {
        openPort();
    } catch (...) {
        closePort();
        throw;
    }
    closePort();
}

void TmForm::closePort()
{
    delete serial;
    serial = nullptr;
}

bool TmForm::loadDataAfterStart() const
{
    return mmLoadDataAfterStart->isChecked();
}

int TmForm::componentType() const
{
    return m_componentType;
}

void TmForm::pageClosed()
{
    if (m_page)
        m_page->deleteLater();
    m_page = nullptr;
    show();
}

void TmForm::openSerialSettings()
{
    show();
    mmSerialClick();
}

void TmForm::openComponentChoice()
{
    show();
    mmChooseComponentClick();
}

void TmForm::showAbout()
{
    if (!m_aboutBox)
        m_aboutBox = new TAboutBox(this);
    m_aboutBox->show();
    m_aboutBox->raise();
    m_aboutBox->activateWindow();
}

void TmForm::showTrafficMonitor()
{
    // A window of its own: it stays while a page hides the main window.
    if (!m_trafficMonitor)
        m_trafficMonitor = std::make_unique<TTrafficMonitor>();
    m_trafficMonitor->show();
    m_trafficMonitor->raise();
    m_trafficMonitor->activateWindow();
}

QWidget *TmForm::currentPage() const
{
    return m_page;
}

TSystemDialog &TmForm::systemDialog()
{
    if (!m_systemDialog)
        m_systemDialog = new TSystemDialog(this);
    return *m_systemDialog;
}

void TmForm::showStatusMessage(const QString &text)
{
    mFormStatusBar->showStatusMessage(text);
}

QString TmForm::statusPanelText(int panel) const
{
    return mFormStatusBar->panelText(panel);
}

void TmForm::showError(int error)
{
    reportError(error);
}

int TmForm::portNumber() const
{
    return serialNameComboBox->currentIndex() + 1;
}

void TmForm::showFailure(const TransmitResult &result, const std::exception &error)
{
    // A failure without a number (a page that could not be built) shows its own text.
    if (result.error != ErrOk)
        showError(result.error);
    else
        Prompts::instance().message(QString::fromUtf8(error.what()), kError, PromptIcon::Error);
}

void TmForm::mmLoadClick()
{
    const Profile settings(settingsPath());
    serialNameComboBox->setCurrentIndex(-1);
    const int port = settings.readInteger(kSection, QStringLiteral("serialNameComboBox"), -1);
    // A number outside the list (a hand-edited file) selects no port.
    serialNameComboBox->setCurrentIndex(port >= 0 && port < serialNameComboBox->count() ? port
                                                                                        : -1);
    mmLoadLast->setChecked(settings.readBool(kSection, QStringLiteral("mmLoadLast"), false));
    mmShowHint->setChecked(settings.readBool(kSection, QStringLiteral("mmShowHint"), true));
    mmAutoComponent->setChecked(
        settings.readBool(kSection, QStringLiteral("mmAutoComponent"), false));
    mmLoadDataAfterStart->setChecked(
        settings.readBool(kSection, QStringLiteral("mmLoadDataAfterStart"), true));
    // Files without these keys (older ones, the bench) give address 255 at 19200 Bd.
    LineTarget saved;
    const int address = settings.readInteger(kSection, kAddressKey, kServiceAddress);
    const int rate = settings.readInteger(kSection, kBaudKey, int(kBenchRate));
    saved.address = quint8(address >= 1 && address <= 254 ? address : kServiceAddress);
    saved.baudRate = BusScan::knownRates().contains(quint32(rate)) ? quint32(rate) : kBenchRate;
    showTargetInLists(saved);
    setTarget(saved);
    if (settings.exists()) {
        showStatusMessage(message(19));
        mFormStatusBar->setPanelText(1, QString());
    } else {
        show();
        Prompts::instance().message(QStringLiteral("Soubor s uloženou konfigurací nebyl nalezen. "
                                                   "Hodnoty budou inicializovány standardně."),
                                    kWarning, PromptIcon::Warning);
    }
}

bool TmForm::mmSaveClick()
{
    const int port = serialNameComboBox->currentIndex();
    if (port < 0) {
        Prompts::instance().message(kNoPort, kWarning, PromptIcon::Warning);
        return false;
    }
    Profile settings(settingsPath());
    settings.beginBatch();
    settings.writeInteger(kSection, QStringLiteral("serialNameComboBox"), port);
    settings.writeBool(kSection, QStringLiteral("mmLoadLast"), mmLoadLast->isChecked());
    settings.writeBool(kSection, QStringLiteral("mmShowHint"), mmShowHint->isChecked());
    settings.writeBool(kSection, QStringLiteral("mmAutoComponent"), mmAutoComponent->isChecked());
    settings.writeBool(kSection, QStringLiteral("mmLoadDataAfterStart"),
                       mmLoadDataAfterStart->isChecked());
    // The bus keys only once they matter: a bench user's file stays as it always was.
    const LineTarget where = target();
    const QString unset = QStringLiteral("\x01");
    if (where.address != kServiceAddress || settings.readString(kSection, kAddressKey, unset) != unset)
        settings.writeInteger(kSection, kAddressKey, where.address);
    if (where.baudRate != kBenchRate || settings.readString(kSection, kBaudKey, unset) != unset)
        settings.writeInteger(kSection, kBaudKey, int(where.baudRate));
    if (!settings.endBatch()) {
        // Reporting success here would lose the settings without a word.
        Prompts::instance().message(QStringLiteral("Konfiguraci nelze uložit do souboru ") +
                                        settings.path(),
                                    kError, PromptIcon::Error);
        return false;
    }
    showStatusMessage(message(20));
    mFormStatusBar->setPanelText(1, QString());
    return true;
}

void TmForm::mmCloseClick()
{
    close();
}

void TmForm::mmSerialClick()
{
    introductionPanel->hide();
    componentGroupBox->hide();
    updatePortHints();
    serialGroupBox->show();
    serialOkButton->setFocus();
    mFormStatusBar->setPanelText(0, kSerialView);
}

void TmForm::mmChooseComponentClick()
{
    mFormStatusBar->setPanelText(0, kComponentView);
    componentGroupBox->show();
    serialGroupBox->hide();
    introductionPanel->hide();
    componentOkButton->setFocus();
}

void TmForm::mmAboutClick()
{
    showAbout();
}

// The handlers work on a disabled item too (mmAutoComponent is disabled without mmLoadLast).
void TmForm::mmLoadDataAfterStartClick()
{
    mmLoadDataAfterStart->setChecked(!mmLoadDataAfterStart->isChecked());
    reportCheck(mmLoadDataAfterStart, 31, 30);
}

void TmForm::mmAutoComponentClick()
{
    mmAutoComponent->setChecked(!mmAutoComponent->isChecked());
    reportCheck(mmAutoComponent, 25, 24);
}

void TmForm::mmLoadLastClick()
{
    mmLoadLast->setChecked(!mmLoadLast->isChecked());
    loadLastToggled();
}

void TmForm::mmShowHintClick()
{
    mmShowHint->setChecked(!mmShowHint->isChecked());
    showHintToggled();
}

void TmForm::loadLastToggled()
{
    mmAutoComponent->setEnabled(mmLoadLast->isChecked());
    reportCheck(mmLoadLast, 22, 23);
}

void TmForm::showHintToggled()
{
    setShowHints(mmShowHint->isChecked());
    reportCheck(mmShowHint, 18, 17);
}

void TmForm::reportCheck(QAction *item, int onMessage, int offMessage)
{
    showStatusMessage(message(item->isChecked() ? onMessage : offMessage));
    mFormStatusBar->setPanelText(1, kChanged);
}

void TmForm::setShowHints(bool on)
{
    m_showHints = on;
}

bool TmForm::ownsHint(const QWidget *widget) const
{
    // The window's own controls, and their pop-ups (the port list shows item hints), but not
    // the dialogs it owns.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == this)
            return true;
        if (w->isWindow() && w->windowType() != Qt::Popup)
            return false;
    }
    return false;
}

void TmForm::updatePortHints()
{
    // Tell the user which device a COM name opens here, so nobody has to guess.
    for (int i = 0; i < serialNameComboBox->count(); ++i)
        serialNameComboBox->setItemData(i, TSerial::comPortPath(i + 1), Qt::ToolTipRole);
    QString hint = QStringLiteral("Rozsah COM1 - COM20");
    const int index = serialNameComboBox->currentIndex();
    if (index >= 0)
        hint += QLatin1Char('\n') + TSerial::portName(index + 1) + QStringLiteral(" = ") +
                TSerial::comPortPath(index + 1);
    serialNameComboBox->setToolTip(hint);
}

void TmForm::serialNameComboBoxChange()
{
    if (serialNameComboBox->currentIndex() < 0) {
        Prompts::instance().message(kNoPort, kWarning, PromptIcon::Warning);
        return;
    }
    try {
        testPort();
        mFormStatusBar->setPanelText(1, kChanged);
    } catch (const TextError &) {
        Prompts::instance().message(QStringLiteral("Sériový port ") +
                                        serialNameComboBox->currentText() +
                                        QStringLiteral(" nelze otevřít"),
                                    kError, PromptIcon::Error);
        serialNameComboBox->setCurrentIndex(-1);
        mFormStatusBar->setPanelText(1, kChanged);
    }
}

void TmForm::serialNameOkButtonClick()
{
    const bool changedBefore = !mFormStatusBar->panelText(1).isEmpty();
    serialNameComboBoxChange();
    if (serialNameComboBox->currentIndex() < 0)
        return;
    mmChooseComponent->setEnabled(true);
    serialGroupBox->hide();
    introductionPanel->show();
    // Confirming the port that was already set is no change.
    if (!changedBefore)
        mFormStatusBar->setPanelText(1, QString());
    mFormStatusBar->setPanelText(0, kIntroView);
    mFormStatusBar->fitPanel(0, {kIntroView, kSerialView, kComponentView});
    mFormStatusBar->fitPanel(1, {kChanged});
}

int TmForm::selectedComponent() const
{
    const QList<QListWidgetItem *> selected = componentListBox->selectedItems();
    return selected.isEmpty() ? -1 : componentListBox->row(selected.first());
}

void TmForm::componentOkButtonClick()
{
    const int index = selectedComponent();
    hide();
    if (index < 0) {
        show();
        return;
    }
    const int type = componentTypeFor(index);
    if (type >= 0)
        m_componentType = type;

    // One page at a time: a page that handed control back goes now.
    if (m_page) {
        QWidget *old = m_page;
        m_page = nullptr;
        old->hide();
        old->deleteLater();
    }
    QWidget *page = nullptr;
    try {
        page = m_registry.create(index);
    } catch (...) {
        show(); // never leave the program without a window
        throw;
    }
    if (!page) {
        show();
        return;
    }
    m_page = page;
    page->show();
}

void TmForm::automaticComponentChooseButtonClick()
{
    TTransmit transmit(*this);
    TransmitResult result;
    try {
        detectComponent(transmit, result);
    } catch (const std::exception &e) {
        show();
        showDetectionFailure(transmit, result, e);
    }
}

bool TmForm::selectByIdentification(const QString &identification, TransmitResult &result)
{
    mFormStatusBar->setPanelText(0, kComponentView);
    componentGroupBox->show();
    serialGroupBox->hide();
    introductionPanel->hide();
    const int index = modelIndexForIdentification(identification);
    if (index < 0) {
        result.error = ErrUnknownDevice;
        return false;
    }
    componentListBox->setCurrentRow(index);
    componentOkButtonClick();
    return true;
}

void TmForm::detectComponent(TTransmit &transmit, TransmitResult &result)
{
    QString identification;
    result = transmit.readIdentification(identification);
    if (result.error != ErrOk)
        throw TextError(QStringLiteral("chyba OKW"));
    if (selectByIdentification(identification, result))
        return;

    identification.clear();
    result = transmit.readNewIdentification(identification);
    if (result.error != ErrOk)
        throw TextError(QStringLiteral("chyba OKW"));
    if (selectByIdentification(identification, result))
        return;
    result.error = ErrUnknownDevice;
    throw TextError(QStringLiteral("chyba OKW"));
}

void TmForm::showDetectionFailure(const TTransmit &transmit, const TransmitResult &result,
                                  const std::exception &error)
{
    if (transmit.lastReplyCollided()) {
        Prompts::instance().message(
            QStringLiteral("Na adrese %1 odpovědělo najednou více zařízení (kolize na "
                           "sběrnici). Zvolte adresu zařízení v nastavení sériového přenosu, "
                           "nebo použijte „Najít zařízení na sběrnici“.")
                .arg(transmit.line().address),
            kError, PromptIcon::Error);
        return;
    }
    showFailure(result, error);
}

LineTarget TmForm::targetFromLists() const
{
    LineTarget t;
    const int index = serialAddressComboBox->currentIndex();
    t.address = quint8(index <= 0 ? kServiceAddress : index);
    const quint32 rate = serialBaudRateComboBox->currentText().toUInt();
    t.baudRate = rate ? rate : kBenchRate;
    return t;
}

void TmForm::showTargetInLists(const LineTarget &t)
{
    serialAddressComboBox->setCurrentIndex(t.address == kServiceAddress ? 0 : t.address);
    const int rate = serialBaudRateComboBox->findText(QString::number(t.baudRate));
    serialBaudRateComboBox->setCurrentIndex(rate >= 0 ? rate : 4);
}

void TmForm::serialTargetChange()
{
    const LineTarget chosen = targetFromLists();
    if (chosen == target())
        return;
    setTarget(chosen);
    mFormStatusBar->setPanelText(1, kChanged);
}

TScanDialog *TmForm::scanDialog() const
{
    return m_scanDialog;
}

void TmForm::serialScanButtonClick()
{
    if (serialNameComboBox->currentIndex() < 0) {
        Prompts::instance().message(kNoPort, kWarning, PromptIcon::Warning);
        return;
    }
    if (!m_scanDialog) {
        m_scanDialog = new TScanDialog(*this, *portSettings(), target().baudRate, this);
        m_scanDialog->setAttribute(Qt::WA_DeleteOnClose);
        m_scanDialog->setWindowModality(Qt::WindowModal);
        connect(m_scanDialog, &TScanDialog::deviceChosen, this, &TmForm::openScannedDevice);
    }
    m_scanDialog->show();
    m_scanDialog->raise();
    m_scanDialog->activateWindow();
}

void TmForm::openScannedDevice(const BusScanHit &hit)
{
    if (hit.listIndex < 0)
        return;
    const LineTarget there{quint8(hit.address), hit.baudRate};
    if (there != target()) {
        setTarget(there);
        showTargetInLists(there);
        mFormStatusBar->setPanelText(1, kChanged);
    }
    if (m_scanDialog)
        m_scanDialog->close();
    mmChooseComponent->setEnabled(true);
    serialGroupBox->hide();
    mmChooseComponentClick();
    componentListBox->setCurrentRow(hit.listIndex);
    componentOkButtonClick();
}

void TmForm::actionStarts()
{
    m_movedFrom.reset();
    m_errorNote.clear();
}

void TmForm::actionEnds()
{
    if (!m_movedFrom)
        return;
    const QString text = QStringLiteral("Zařízení má nyní adresu %1; program s ním komunikuje "
                                        "tam (dříve %2)")
                             .arg(place(target()), place(*m_movedFrom));
    if (m_page)
        if (auto *bar = m_page->findChild<StatusPanels *>())
            bar->showStatusMessage(text);
    showStatusMessage(text);
}

QString TmForm::takeErrorNote()
{
    const QString note = m_errorNote;
    m_errorNote.clear();
    return note;
}

void TmForm::deviceWritten(qint32, const std::vector<qint16> &values)
{
    // Only a page's write-all on a bus moves the tool: at 255 (the bench) every device
    // answers whatever it was given, and a test window names its addresses itself.
    if (QThread::currentThread() != thread() || !m_page || !m_systemDialog ||
        m_systemDialog->page() != m_page)
        return;
    const LineTarget before = target();
    if (before.address == kServiceAddress)
        return;
    QComboBox *address = nullptr;
    QComboBox *rate = nullptr;
    for (QComboBox *combo : m_page->findChildren<QComboBox *>()) {
        const QString name = combo->objectName();
        if (name.contains(QLatin1String("SkAdrComboBox"), Qt::CaseInsensitive))
            address = combo;
        else if (name.contains(QLatin1String("SkSpdComboBox"), Qt::CaseInsensitive))
            rate = combo;
    }
    LineTarget after = before;
    if (address && address->currentIndex() >= 0 && address->currentIndex() < 254)
        after.address = quint8(address->currentIndex() + 1);
    if (rate && BusScan::knownRates().contains(rate->currentText().toUInt()))
        after.baudRate = rate->currentText().toUInt();
    if (after == before)
        return;
    // The device moves with the write that carries its address register (address in the
    // high byte and the rate's index in the low one, or the address alone with the index in
    // the next register): before it the device is where it was, after it at once elsewhere.
    const int rateIndex = int(BusScan::knownRates().indexOf(after.baudRate));
    bool carried = false;
    for (size_t i = 0; i < values.size() && !carried; ++i) {
        const quint16 v = quint16(values[i]);
        carried = (v >> 8) == after.address && (v & 0xFF) == rateIndex;
        if (v == after.address)
            carried = i + 1 >= values.size() || quint16(values[i + 1]) == rateIndex ||
                      after.baudRate == before.baudRate;
    }
    if (!carried)
        return;
    if (!m_movedFrom)
        m_movedFrom = before;
    setTarget(after);
    showTargetInLists(after);
    mFormStatusBar->setPanelText(1, kChanged);
    m_errorNote = QStringLiteral("Zápis změnil adresu zařízení: program je hledá na nové adrese "
                                 "%1, předtím na adrese %2.")
                      .arg(place(after), place(*m_movedFrom));
}

QString TmForm::identificationName(const QString &identification)
{
    return ::identificationName(identification);
}

void TmForm::closeEvent(QCloseEvent *event)
{
    if (mFormStatusBar->panelText(1) == kChanged) {
        const PromptAnswer answer = Prompts::instance().question(
            QStringLiteral("Nastavení programu bylo změněno. Přejete si ho uložit?"),
            QStringLiteral("Uložit"), PromptButtons::YesNo, PromptIcon::Question);
        if (answer == PromptAnswer::Yes) {
            // Without a port nothing was saved; a failed write would lose the settings.
            if (!mmSaveClick() || serialNameComboBox->currentIndex() < 0) {
                event->ignore();
                return;
            }
        }
    }
    event->accept();
    // FormClose: the program ends with its main window, whatever else is still shown.
    QCoreApplication::quit();
}

bool TmForm::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        if (!m_showHints && watched->isWidgetType() && ownsHint(static_cast<QWidget *>(watched)))
            return true;
        break;
    case QEvent::Resize:
        if (watched == centralWidget())
            FormResize();
        break;
    case QEvent::KeyPress:
        if (watched == componentListBox) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                componentOkButtonClick();
                return true;
            }
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}
