// KQx family page against the simulated T4yR, KQx, KQLx, VTx and VTLx: the variant chosen
// when the page is built, identification, what each variant writes and verifies, its
// configuration keys, and its live window with values, lamps and coils.

#include "ConverterFixture.h"
#include "pages/controllers/TcForm6.h"
#include "pages/framework/Shape.h"
#include "platform/Profile.h"

#include <QGroupBox>
#include <QPushButton>

namespace {
const QStringList kNames = {"T4yR", "KQx", "KQLx", "VTx", "VTLx"};
}

class KqxTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<ConverterRig> rig;
    std::unique_ptr<TcForm6> page;

    void open(int variant, std::shared_ptr<sim::Device> device = nullptr)
    {
        QVERIFY(device ? rig->start(device) : rig->start(kNames[variant]));
        rig->shell.variant = variant;
        page = std::make_unique<TcForm6>();
        rig->shell.page = page.get();
    }
    // The values of the last function-16 request.
    QVector<quint16> lastWrite() const
    {
        QVector<quint16> values;
        for (const auto &f : rig->server->frames())
            if (quint8(f.bytes[1]) == 16) {
                values.clear();
                for (int i = 7; i + 1 < f.bytes.size() - 2; i += 2)
                    values << quint16((quint8(f.bytes[i]) << 8) | quint8(f.bytes[i + 1]));
            }
        return values;
    }
    template <typename Window> Window *openLive()
    {
        page->show();
        page->menuItem(QStringLiteral("mmLoadExtra"))->trigger();
        auto *live = qobject_cast<Window *>(page->liveWindow());
        if (live && !QTest::qWaitFor(
                [live] {
                    return live->template findChild<QLabel *>("eCounterReadingNumberLabel")
                               ->text()
                               .toInt() > 0;
                },
                5000))
            return nullptr;
        return live;
    }

private slots:
    void init() { rig = std::make_unique<ConverterRig>(); }
    void cleanup()
    {
        page.reset();
        rig.reset();
    }

    void variantShapesThePage_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("sensor");
        QTest::addColumn<bool>("correction");
        QTest::addColumn<QString>("live");
        for (int v = 0; v < 5; ++v)
            QTest::newRow(qPrintable(kNames[v]))
                << v << (v == 0) << (v % 2 == 0)
                << QStringList{"c6extraFormT4yR", "c6extraFormKq", "c6extraFormKql",
                               "c6extraFormVt", "c6extraFormVtl"}[v];
    }
    void variantShapesThePage()
    {
        QFETCH(int, variant);
        QFETCH(bool, sensor);
        QFETCH(bool, correction);
        QFETCH(QString, live);
        open(variant);
        // The number is the page's from its creation on.
        rig->shell.variant = (variant + 1) % 5;
        QCOMPARE(page->windowTitle(), kNames[variant]);
        QCOMPARE(page->traits().configurationSection(), kNames[variant]);
        QCOMPARE(page->traits().windowSection(), "cForm6" + kNames[variant]);
        QCOMPARE(page->sensorCombo()->isVisibleTo(page.get()), sensor);
        QCOMPARE(labelNamed(page.get(), "c6ZdIntLabel")->isVisibleTo(page.get()), sensor);
        QCOMPARE(page->advanceGroup()->isVisibleTo(page.get()), correction);
        QCOMPARE(page->advanceGroup()->objectName(), QStringLiteral("c6AdvanceSettingsGroupBox"));
        QVERIFY(!page->sensorCombo()->isEnabled());
        QCOMPARE(page->sensorCombo()->currentIndex(), -1);
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QCOMPARE(page->panelText(0), "Název: " + kNames[variant]);
        // Hidden fields are read all the same.
        QCOMPARE(page->sensorCombo()->currentIndex(), variant == 0 ? 2 : -1);
        QCOMPARE(page->textEdit()->text(), kNames[variant]);
        auto *window = openLive<TExtraForm>();
        QVERIFY(window);
        QCOMPARE(window->objectName(), live);
        const QStringList classes = {"Tc6extFormT4yR", "Tc6extFormKq", "Tc6extFormKql",
                                     "Tc6extFormKq", "Tc6extFormKql"};
        QCOMPARE(QString(window->metaObject()->className()), classes[variant]);
    }

    void identification_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("ok");
        QTest::newRow("KQx answering KQ") << 1 << "KQ" << true;
        QTest::newRow("KQx answering KQL") << 1 << "KQL" << false;
        QTest::newRow("T4yR answering T4yRs") << 0 << "T4yRs" << true;
        QTest::newRow("VTLx answering VTL") << 4 << "VTL" << true;
        QTest::newRow("VTx answering VTLx") << 3 << "VTLx" << false;
    }
    void identification()
    {
        QFETCH(int, variant);
        QFETCH(QString, answer);
        QFETCH(bool, ok);
        open(variant);
        rig->device->setIdentification(sim::kClassicIdentification, answer.toLatin1());
        page->getButton()->click();
        QCOMPARE(rig->prompts.texts(),
                 ok ? QStringList()
                    : QStringList{"Zařízení, které máte připojeno, není vámi zvolená komponenta"});
    }

    void writeByVariant_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<QVector<quint16>>("written"); // 0x2006..0x2009
        QTest::addColumn<bool>("correctionCompared");
        QTest::newRow("T4yR") << 0 << QVector<quint16>{0x0002, 0xFF9C, 0xFFFF, 0x0502} << true;
        QTest::newRow("KQx") << 1 << QVector<quint16>{0xFFFF, 0xFFFF, 0xFFFF, 0x0502} << false;
        QTest::newRow("KQLx") << 2 << QVector<quint16>{0xFFFF, 0xFF9C, 0xFFFF, 0x0502} << true;
        QTest::newRow("VTx") << 3 << QVector<quint16>{0xFFFF, 0xFFFF, 0xFFFF, 0x0502} << false;
        QTest::newRow("VTLx") << 4 << QVector<quint16>{0xFFFF, 0xFF9C, 0xFFFF, 0x0502} << true;
    }
    void writeByVariant()
    {
        QFETCH(int, variant);
        QFETCH(QVector<quint16>, written);
        QFETCH(bool, correctionCompared);
        open(variant);
        page->getButton()->click();
        page->textEdit()->setText(QStringLiteral("Obývák"));
        typeInto(page->off(), "-10");
        page->addressList()->setCurrentIndex(4);
        page->speedCombo()->setCurrentIndex(2);
        rig->clock.clearWaits();
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList());
        QVERIFY(rig->clock.waited(500));
        const QVector<quint16> text = {0x4F62, 0xFD76, 0xE16B, 0, 0};
        QCOMPARE(lastWrite(), text + written);
        // The sensor byte the T4yR keeps comes with the backup's read: no read of its own.
        QCOMPARE(rig->frames(3, 0x2006), 0);
        QCOMPARE(rig->frames(3, 0x2001), 2); // the backup's read and the read-back

        // A device that keeps another correction fails the verification where it is compared.
        open(variant, alteringDevice(kNames[variant], 0x2007, [](quint16) { return quint16(7); },
                                     0x2001, 9));
        page->getButton()->click();
        rig->prompts.clear();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), correctionCompared
                                           ? QStringList{"Data nebyla korektně uložena"}
                                           : QStringList());
    }

    void missingAddressRefusesTheWrite()
    {
        open(1);
        rig->device->setHolding(0x2009, 0x0003);
        page->getButton()->click();
        QCOMPARE(page->addressList()->currentIndex(), -1);
        QCOMPARE(page->speedCombo()->currentText(), QStringLiteral("9600"));
        rig->server->clearLog();
        page->sendButton()->click();
        QCOMPARE(rig->prompts.texts(), QStringList{"Všechna pole musí být korektně vyplněna"});
        QCOMPARE(rig->frames(16), 0);
        QVERIFY(isRed(labelNamed(page.get(), "c6SkAdrLabel")));
        QVERIFY(!isRed(labelNamed(page.get(), "c6SkSpdLabel")));
    }

    void configurationKeys_data()
    {
        QTest::addColumn<int>("variant");
        QTest::addColumn<bool>("correctionKept");
        for (int v = 0; v < 5; ++v)
            QTest::newRow(qPrintable(kNames[v])) << v << (v != 1);
    }
    void configurationKeys()
    {
        QFETCH(int, variant);
        QFETCH(bool, correctionKept);
        open(variant);
        const QString file = rig->dir.file(QStringLiteral("kqx.ini"));
        typeInto(page->off(), "2,5");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmSaveConfigure"))->trigger();
        Profile saved(file);
        QStringList keys = {"c6ZdTextEdit", "c6SkSpdComboBox", "c6SkAdrComboBox"};
        if (correctionKept)
            keys << "c6ZdOffScrollBar";
        QCOMPARE(saved.keys(kNames[variant]), keys << "mmShowHint");
        // Without the key the correction loads as -10,0 °C.
        saved.writeString(kNames[variant], "c6ZdOffScrollBar", "x");
        rig->prompts.planFileName(file);
        page->menuItem(QStringLiteral("mmLoadConfiguration"))->trigger();
        QCOMPARE(page->off()->edit()->text(),
                 correctionKept ? QStringLiteral("-10,0") : QStringLiteral("2,5"));
    }

    void kqlLiveWindowAndCoils()
    {
        open(2);
        rig->device->setHolding(0x0006, 5);
        rig->device->setHolding(0x0007, 2);
        rig->device->setHolding(0x0005, quint16(-2));
        auto *live = openLive<Tc6extFormKql>();
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->inhibitionStatusShape->toolTip(), QStringLiteral("Zapnuto"),
                                  5000);
        QCOMPARE(live->inhibitionStatusShape->brushColor(), QColor(0, 255, 0));
        QCOMPARE(live->windowContactValueLabel->text(), QStringLiteral("ROZEPNUTO"));
        QVERIFY(live->windowContactValueLabel->styleSheet().contains("red"));
        QCOMPARE(live->tranzistorValueLabel->text(), QStringLiteral("SEPNUTO"));
        QVERIFY(live->tranzistorValueLabel->styleSheet().contains("green"));
        QCOMPARE(live->buttonStatusPaintBox->state(), 2);
        QCOMPARE(live->buttonStatusLabel->text(), QStringLiteral("Zmáčknuto tlačítko dolů"));
        QCOMPARE(live->temperatureCorrectionMemo->text(), QStringLiteral("-2"));
        // A value out of the list leaves picture and text.
        rig->device->setHolding(0x0007, 3);
        const int reads = live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt();
        QTRY_VERIFY_WITH_TIMEOUT(
            live->findChild<QLabel *>("eCounterReadingNumberLabel")->text().toInt() > reads + 1, 5000);
        QCOMPARE(live->buttonStatusPaintBox->state(), 2);
        QCOMPARE(live->buttonStatusLabel->text(), QStringLiteral("Zmáčknuto tlačítko dolů"));

        // Coils: each click a function-5 request with its own coil, none overwritten.
        live->setbackOnButton->click();
        live->transistorOffButton->click();
        live->transistorOnButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig->frames(5), 3, 5000);
        QVERIFY(rig->device->coil(0));
        QVERIFY(rig->device->coil(2));
        const auto frames = rig->server->frames();
        QByteArray coils;
        for (const auto &f : frames)
            if (quint8(f.bytes[1]) == 5)
                coils += f.bytes.mid(2, 4);
        QCOMPARE(coils.toHex(), QByteArray("0000ff00" "00020000" "0002ff00"));

        // A click queued just before the window closes is still carried out.
        live->setbackOffButton->click();
        live->close();
        QTRY_VERIFY_WITH_TIMEOUT(!page->liveWindow(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!rig->device->coil(0), 5000);
        QCOMPARE(rig->frames(5), 4);
    }

    void kqLiveWindowUsesCoilZero()
    {
        open(3);
        auto *live = openLive<Tc6extFormKq>();
        QVERIFY(live);
        QTRY_COMPARE_WITH_TIMEOUT(live->buttonStatusShape->toolTip(), QStringLiteral("Vypnuto"), 5000);
        live->setbackOnButton->click();
        QTRY_VERIFY_WITH_TIMEOUT(rig->device->coil(0), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(live->buttonStatusShape->toolTip(), QStringLiteral("Zapnuto"), 5000);
        QCOMPARE(live->buttonStatusShape->brushColor(), QColor(0, 255, 0));
        rig->device->setHolding(0x0004, quint16(-15));
        QTRY_COMPARE_WITH_TIMEOUT(live->measureTemperatureMemo->text(), QStringLiteral("-1,5"), 5000);
        // A coil the device refuses: the error is reported, the polls go on.
        rig->server->setException(sim::Table::Coil, 0, 0, 2);
        live->setbackOffButton->click();
        QTRY_COMPARE_WITH_TIMEOUT(rig->prompts.texts().size(), 1, 5000);
        QVERIFY(rig->device->coil(0));
    }
};

QTEST_MAIN(KqxTest)
#include "tst_kqx.moc"
