// The program on an installed bus: the main window's target address and rate, pages at a
// device's own address, a write that moves the device, a network gateway, and 255 on a bus.

#include "link/GatewayDevice.h"
#include "link/PortDiagnosis.h"
#include "link/Messages.h"
#include "pages/framework/TComponentForm.h"
#include "pages/pages.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/ScanDialog.h"
#include "sim/Sim.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/WorkingDir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QtTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::unique_ptr<sim::Server> startBus(const QString &text, bool tcp = false)
{
    std::vector<sim::BusMember> members;
    QString error;
    if (!sim::parseBus(text, &members, &error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    auto server = std::make_unique<sim::Server>(std::move(members));
    server->setTickInterval(0);
    if (tcp)
        server->setTcpPort(0);
    if (!server->start(&error)) {
        qWarning("%s", qPrintable(error));
        return nullptr;
    }
    return server;
}

QComboBox *comboEndingWith(QWidget *page, const QString &suffix)
{
    for (QComboBox *c : page->findChildren<QComboBox *>())
        if (c->objectName().endsWith(suffix, Qt::CaseInsensitive))
            return c;
    return nullptr;
}

QSet<int> addressesOf(const QList<sim::Frame> &frames)
{
    QSet<int> a;
    for (const sim::Frame &f : frames)
        a.insert(quint8(f.bytes[0]));
    return a;
}

// A listening socket on a free loopback port that nobody accepts from: the connection
// opens (the kernel's backlog), nothing ever answers.
struct SilentGateway {
    int fd = -1;
    quint16 port = 0;
    SilentGateway()
    {
        fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 && ::listen(fd, 8) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr *>(&a), &n) == 0)
            port = ntohs(a.sin_port);
    }
    ~SilentGateway() { ::close(fd); }
};

// A loopback port where nothing listens (bound once, then closed).
quint16 closedPort()
{
    SilentGateway g;
    const quint16 port = g.port;
    return port;
}

struct Session {
    WorkingDir dir;
    ScriptedPrompts prompts;
    PageRegistry registry;
    std::unique_ptr<TmForm> form;

    explicit Session(const QString &path)
    {
        dir.mapPorts({{1, path}});
        registerPages(registry);
        form = std::make_unique<TmForm>(registry);
        form->serialNameComboBox->setCurrentIndex(0);
        // Each test reads when it means to.
        form->mmLoadDataAfterStart->setChecked(false);
    }
    void target(int address, quint32 rate)
    {
        form->serialAddressComboBox->setCurrentIndex(address == 255 ? 0 : address);
        form->serialBaudRateComboBox->setCurrentText(QString::number(rate));
        emit form->serialAddressComboBox->activated(form->serialAddressComboBox->currentIndex());
    }
    TComponentForm *open(const QString &model)
    {
        form->componentListBox->setCurrentRow(componentIndex(model));
        form->componentOkButtonClick();
        return qobject_cast<TComponentForm *>(form->currentPage());
    }
    static int componentIndex(const QString &model)
    {
        const QStringList names{"KQx", "KQLx", "CWR1", "E-7PZ", "E-UV6", "E-HN2",
                                "E-HB2", "E-HB5/HN9", "GWR1", "T4yJ", "T4yR", "T4yG",
                                "T6yR", "ZK", "ZSL", "ZG", "VTx", "VTLx"};
        return int(names.indexOf(model));
    }
};

} // namespace

class TestBusSession : public QObject
{
    Q_OBJECT

private slots:
    void pageTalksOnlyToItsAddress_data();
    void pageTalksOnlyToItsAddress();
    void writeThatMovesTheDeviceIsReadBackThere_data();
    void writeThatMovesTheDeviceIsReadBackThere();
    void readBackThatFailsNamesBothAddresses();
    void benchWriteDoesNotMoveTheTool();
    void pageThroughAGateway();
    void gatewayThatFailsIsDiagnosed_data();
    void gatewayThatFailsIsDiagnosed();
    void detectionAt255OnABusReportsACollision();
    void targetIsSavedUnderNewKeys();
    void scanFromTheSerialViewOpensTheDeviceThere();
};

void TestBusSession::scanFromTheSerialViewOpensTheDeviceThere()
{
    auto bus = startBus(QStringLiteral("T4yJ@5,CWR1@17,E-HN2@31:9600"));
    QVERIFY(bus);
    Session s(bus->path());
    s.form->show();
    s.form->mmSerialClick();
    s.form->serialScanButton->click();
    TScanDialog *dialog = s.form->scanDialog();
    QVERIFY(dialog);
    for (QCheckBox *box : dialog->rateCheckBoxes)
        box->setChecked(box->text() == QLatin1String("9600") || box->text() == QLatin1String("19200"));
    dialog->scanLastSpinBox->setValue(40);
    dialog->scanStartButton->click();
    QCOMPARE(dialog->scanStartButton->text(), QStringLiteral("&Zastavit"));
    QTRY_COMPARE_WITH_TIMEOUT(dialog->scanStartButton->text(), QStringLiteral("&Hledat"), 30000);
    QCOMPARE(dialog->scanResultTable->rowCount(), 3);
    QCOMPARE(dialog->scanResultTable->item(0, 0)->text(), QStringLiteral("31"));
    QCOMPARE(dialog->scanResultTable->item(0, 2)->text(), QStringLiteral("E-HN2"));
    if (!qEnvironmentVariableIsEmpty("OVRIN_GRAB")) {
        const QString dir = qEnvironmentVariable("OVRIN_GRAB");
        dialog->grab().save(dir + QStringLiteral("/scan.png"));
        s.form->grab().save(dir + QStringLiteral("/serial.png"));
    }
    // A double click on E-HN2 opens its page at 31, 9600 Bd.
    emit dialog->scanResultTable->cellDoubleClicked(0, 2);
    QCOMPARE(s.form->target(), (LineTarget{31, 9600}));
    auto *page = qobject_cast<TComponentForm *>(s.form->currentPage());
    QVERIFY(page);
    QCOMPARE(page->windowTitle(), QStringLiteral("E-HN2"));
    QTRY_VERIFY(!s.form->scanDialog());
    bus->clearLog();
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    QCOMPARE(addressesOf(bus->frames()), QSet<int>{31});
}

void TestBusSession::pageTalksOnlyToItsAddress_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("rate");
    QTest::newRow("CWR1 at 17") << "CWR1" << 17 << 19200;
    QTest::newRow("E-HN2 at 31, 9600 Bd") << "E-HN2" << 31 << 9600;
}

void TestBusSession::pageTalksOnlyToItsAddress()
{
    QFETCH(QString, model);
    QFETCH(int, address);
    QFETCH(int, rate);
    auto bus = startBus(QStringLiteral("T4yJ@5,CWR1@17,E-HN2@31:9600"));
    QVERIFY(bus);
    Session s(bus->path());
    s.target(address, quint32(rate));
    TComponentForm *page = s.open(model);
    QVERIFY(page);
    bus->clearLog();
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    QVERIFY(bus->frames().size() >= 3);
    QCOMPARE(addressesOf(bus->frames()), QSet<int>{address});
    for (const sim::Frame &f : bus->frames())
        QCOMPARE(f.baudRate, quint32(rate));
}

void TestBusSession::writeThatMovesTheDeviceIsReadBackThere_data()
{
    QTest::addColumn<int>("newAddress");
    QTest::addColumn<int>("newRate");
    QTest::newRow("address") << 6 << 19200;
    QTest::newRow("address and rate") << 9 << 9600;
}

void TestBusSession::writeThatMovesTheDeviceIsReadBackThere()
{
    QFETCH(int, newAddress);
    QFETCH(int, newRate);
    auto bus = startBus(QStringLiteral("T4yJ@5,ZK@6:9600"));
    QVERIFY(bus);
    Session s(bus->path());
    s.target(5, 19200);
    TComponentForm *page = s.open(QStringLiteral("T4yJ"));
    QVERIFY(page);
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    comboEndingWith(page, "SkAdrComboBox")->setCurrentText(QString::number(newAddress));
    comboEndingWith(page, "SkSpdComboBox")->setCurrentText(QString::number(newRate));
    bus->clearLog();
    page->writeAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    QCOMPARE(bus->device(0)->address(), newAddress);
    QCOMPARE(bus->members()[0].baudRate, quint32(newRate));
    // The write went to 5; everything after it (the read-back) to the new place.
    const QList<sim::Frame> frames = bus->frames();
    int write = -1;
    for (int i = 0; i < frames.size(); ++i)
        if (quint8(frames[i].bytes[1]) == 16)
            write = i;
    QVERIFY(write >= 0);
    QCOMPARE(quint8(frames[write].bytes[0]), quint8(5));
    QVERIFY(write + 1 < frames.size());
    for (int i = write + 1; i < frames.size(); ++i) {
        QCOMPARE(quint8(frames[i].bytes[0]), quint8(newAddress));
        QCOMPARE(frames[i].baudRate, quint32(newRate));
    }
    QCOMPARE(s.form->target().address, quint8(newAddress));
    QCOMPARE(s.form->serialAddressComboBox->currentText(), QString::number(newAddress));
    QCOMPARE(s.form->serialBaudRateComboBox->currentText(), QString::number(newRate));
    QCOMPARE(s.form->statusPanelText(1), QStringLiteral("Změněno"));
    // And afterwards: a read finds it there.
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
}

void TestBusSession::readBackThatFailsNamesBothAddresses()
{
    // The simulated wall module keeps its address whatever is written: the read-back at
    // the new address finds nobody.
    auto bus = startBus(QStringLiteral("CWR1@17"));
    QVERIFY(bus);
    Session s(bus->path());
    s.target(17, 19200);
    TComponentForm *page = s.open(QStringLiteral("CWR1"));
    QVERIFY(page);
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    comboEndingWith(page, "SkAdrComboBox")->setCurrentText(QStringLiteral("20"));
    page->writeAll();
    QCOMPARE(s.prompts.count(), 1);
    const QString text = s.prompts.lastText();
    QVERIFY2(text.contains(QStringLiteral("20 (19200 Bd)")) &&
                 text.contains(QStringLiteral("17 (19200 Bd)")),
             qPrintable(text));
    // The note belongs to that action only.
    s.prompts.clear();
    s.target(17, 19200);
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
}

void TestBusSession::benchWriteDoesNotMoveTheTool()
{
    auto bus = startBus(QStringLiteral("T4yJ@5"));
    QVERIFY(bus);
    Session s(bus->path());
    TComponentForm *page = s.open(QStringLiteral("T4yJ"));
    QVERIFY(page);
    page->readAll();
    comboEndingWith(page, "SkAdrComboBox")->setCurrentText(QStringLiteral("7"));
    page->writeAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    QCOMPARE(bus->device(0)->address(), 7);
    QCOMPARE(s.form->target().address, quint8(255));
    for (const sim::Frame &f : bus->frames())
        QCOMPARE(quint8(f.bytes[0]), quint8(255));
}

void TestBusSession::pageThroughAGateway()
{
    auto bus = startBus(QStringLiteral("T4yJ@5"), true);
    QVERIFY(bus);
    QVERIFY(bus->path().startsWith(QLatin1String("tcp://127.0.0.1:")));
    Session s(bus->path());
    s.target(5, 19200);
    TComponentForm *page = s.open(QStringLiteral("T4yJ"));
    QVERIFY(page);
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    comboEndingWith(page, "SkSpdComboBox")->setCurrentText(QStringLiteral("19200"));
    QLineEdit *text = nullptr;
    for (QLineEdit *e : page->findChildren<QLineEdit *>())
        if (e->objectName().endsWith(QLatin1String("TextEdit")))
            text = e;
    QVERIFY(text);
    text->setText(QStringLiteral("Brána"));
    page->writeAll();
    QCOMPARE(s.prompts.texts(), QStringList());
    QCOMPARE(bus->device()->holding(0x2001), quint16(0x4272)); // "Br"
    QCOMPARE(addressesOf(bus->frames()), QSet<int>{5});
}

void TestBusSession::gatewayThatFailsIsDiagnosed_data()
{
    QTest::addColumn<bool>("refuses");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("details");
    QTest::newRow("refuses") << true << message(ErrPortClosed)
                             << QStringLiteral("odmítla spojení na portu");
    QTest::newRow("never answers") << false << message(ErrNoReply) << QString();
}

void TestBusSession::gatewayThatFailsIsDiagnosed()
{
    QFETCH(bool, refuses);
    QFETCH(QString, text);
    QFETCH(QString, details);
    SilentGateway silent;
    const quint16 port = refuses ? closedPort() : silent.port;
    QVERIFY(port != 0);
    const QString path = QStringLiteral("tcp://127.0.0.1:%1").arg(port);
    Session s(path);
    TComponentForm *page = s.open(QStringLiteral("T4yJ"));
    QVERIFY(page);
    page->readAll();
    QCOMPARE(s.prompts.texts(), QStringList{text});
    QCOMPARE(s.prompts.lastCaption(), QStringLiteral("Chyba"));
    if (!details.isEmpty())
        QVERIFY2(s.prompts.last().details.contains(details), qPrintable(s.prompts.last().details));
    const PortDiagnosis d = diagnosePort(1);
    QCOMPARE(d.problem, refuses ? PortDiagnosis::Problem::Refused : PortDiagnosis::Problem::None);
    QVERIFY(d.details().contains(path));
}

void TestBusSession::detectionAt255OnABusReportsACollision()
{
    auto bus = startBus(QStringLiteral("T4yJ@5,ZK@6,E-7PZ@7"));
    QVERIFY(bus);
    Session s(bus->path());
    s.form->automaticComponentChooseButtonClick();
    QCOMPARE(s.prompts.count(), 1);
    QVERIFY2(s.prompts.lastText().contains(QStringLiteral("kolize")),
             qPrintable(s.prompts.lastText()));
    QVERIFY(!s.form->currentPage());
}

void TestBusSession::targetIsSavedUnderNewKeys()
{
    WorkingDir dir;
    ScriptedPrompts prompts;
    PageRegistry registry;
    // An older file loads unchanged: 255 at 19200 Bd, and saving it adds no key.
    const QByteArray older = "[mForm]\r\nserialNameComboBox=0\r\nmmLoadLast=0\r\nmmShowHint=1\r\n"
                             "mmAutoComponent=0\r\nmmLoadDataAfterStart=1\r\n";
    dir.write(QStringLiteral("mFormSave.ini"), older);
    {
        TmForm form(registry);
        form.mmLoadClick();
        QCOMPARE(form.target(), (LineTarget{255, 19200}));
        QCOMPARE(form.serialAddressComboBox->currentIndex(), 0);
        QCOMPARE(form.serialBaudRateComboBox->currentText(), QStringLiteral("19200"));
        QVERIFY(form.mmSaveClick());
        QCOMPARE(dir.read(QStringLiteral("mFormSave.ini")), older);
        // A bus session is saved and comes back.
        form.serialAddressComboBox->setCurrentIndex(17);
        form.serialBaudRateComboBox->setCurrentText(QStringLiteral("9600"));
        emit form.serialBaudRateComboBox->activated(3);
        QCOMPARE(form.statusPanelText(1), QStringLiteral("Změněno"));
        QVERIFY(form.mmSaveClick());
    }
    const QByteArray saved = dir.read(QStringLiteral("mFormSave.ini"));
    QVERIFY(saved.contains("serialAddressComboBox=17\r\n"));
    QVERIFY(saved.contains("serialBaudRateComboBox=9600\r\n"));
    TmForm again(registry);
    again.mmLoadClick();
    QCOMPARE(again.target(), (LineTarget{17, 9600}));
    QCOMPARE(again.portSettings()->address, quint8(17));
    QCOMPARE(again.portSettings()->baudRate, quint32(9600));
}

QTEST_MAIN(TestBusSession)
#include "tst_bus_session.moc"
