// The trend of a live window: its value scales, the half hour it keeps, and the "Průběh"
// window (spans, pause, the values under the mouse), opened from a running live window.

#include "FrameworkFixture.h"
#include "pages/framework/TrendPlot.h"
#include "pages/framework/TrendWindow.h"

#include <QAction>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

// A window with value boxes as a live window has them: caption, memo, unit label.
struct Host {
    QWidget window;
    explicit Host(const QStringList &units)
    {
        auto *grid = new QGridLayout(&window);
        for (int i = 0; i < units.size(); ++i) {
            const QString stem = QStringLiteral("v%1").arg(i);
            auto *caption = new QLabel(QStringLiteral("Veličina %1:").arg(i), &window);
            caption->setObjectName(stem + "Label");
            auto *memo = new QLineEdit(&window);
            memo->setObjectName(stem + "Memo");
            memo->setReadOnly(true);
            auto *unit = new QLabel(units[i], &window);
            unit->setObjectName(stem + "ULabel");
            grid->addWidget(caption, i, 0);
            grid->addWidget(memo, i, 1);
            grid->addWidget(unit, i, 2);
        }
    }
};

constexpr qint64 kT0 = 1'700'000'000'000; // a fixed moment: the tests own the time

} // namespace

class TrendTest : public QObject
{
    Q_OBJECT

private slots:
    void step_data()
    {
        QTest::addColumn<double>("range");
        QTest::addColumn<int>("most");
        QTest::addColumn<double>("step");
        QTest::newRow("ten in five") << 10.0 << 5 << 2.0;
        QTest::newRow("seven in five") << 7.0 << 5 << 2.0;
        QTest::newRow("tenths") << 0.3 << 5 << 0.1;
        QTest::newRow("twenty-five rounds up to fifty") << 100.0 << 4 << 50.0;
        QTest::newRow("exact power") << 5.0 << 5 << 1.0;
        QTest::newRow("large") << 65535.0 << 5 << 20000.0;
        QTest::newRow("no range") << 0.0 << 5 << 1.0;
    }
    void step()
    {
        QFETCH(double, range);
        QFETCH(int, most);
        QFETCH(double, step);
        QCOMPARE(trendStep(range, most), step);
    }

    // Each row: the units of the series and their samples "series@seconds=value" (seconds
    // before the end); the view spans the last minute. Expected: per scale its unit, its
    // series and the lowest and highest value it has to show.
    void scales_data()
    {
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QStringList>("samples");
        QTest::addColumn<QStringList>("scales"); // "unit|series|lowest|highest"
        QTest::newRow("one unit, one scale")
            << QStringList{"°C", "°C"} << QStringList{"0@50=20", "0@0=25", "1@10=30"}
            << QStringList{"°C|0,1|20|30"};
        QTest::newRow("units apart, in order of appearance")
            << QStringList{"%", "°C", "%"}
            << QStringList{"0@30=40", "0@0=60", "1@0=-3,5", "2@5=45"}
            << QStringList{"%|0,2|40|60", "°C|1|-3,5|-3,5"};
        QTest::newRow("samples before the span do not stretch it")
            << QStringList{"V"} << QStringList{"0@600=1000", "0@20=2", "0@0=3"}
            << QStringList{"V|0|2|3"};
        QTest::newRow("a series without samples has no scale yet")
            << QStringList{"mA", "mA"} << QStringList{"0@1=4", "0@0=20"}
            << QStringList{"mA|0|4|20"};
        QTest::newRow("samples only before the span keep the unit's scale")
            << QStringList{"mA", "°C"} << QStringList{"0@0=4", "1@300=20"}
            << QStringList{"mA|0|4|4", "°C|1|0|0"};
        QTest::newRow("no unit is a unit of its own")
            << QStringList{"", "Hz"} << QStringList{"0@0=7", "1@0=7"}
            << QStringList{"|0|7|7", "Hz|1|7|7"};
    }
    void scales()
    {
        QFETCH(QStringList, units);
        QFETCH(QStringList, samples);
        QFETCH(QStringList, scales);
        Host host(units);
        TTrend trend;
        trend.watch(host.window);
        QCOMPARE(int(trend.series().size()), units.size());
        // Oldest first, as a reader delivers them.
        std::vector<std::tuple<qint64, int, double>> ordered;
        for (const QString &s : samples) {
            const int at = s.indexOf('@'), eq = s.indexOf('=');
            double value = 0;
            QVERIFY(parseDecimal(s.mid(eq + 1), value));
            ordered.emplace_back(kT0 - s.mid(at + 1, eq - at - 1).toLongLong() * 1000,
                                 s.left(at).toInt(), value);
        }
        std::sort(ordered.begin(), ordered.end());
        for (const auto &[ms, series, value] : ordered)
            trend.addSample(series, ms, value, units[series]);

        const std::vector<TrendScale> got = trendScales(trend, kT0 - 60000, kT0);
        QCOMPARE(int(got.size()), scales.size());
        for (int i = 0; i < scales.size(); ++i) {
            const QStringList want = scales[i].split('|');
            const TrendScale &s = got[size_t(i)];
            QCOMPARE(s.unit, want[0]);
            QStringList members;
            for (int m : s.series)
                members << QString::number(m);
            QCOMPARE(members.join(','), want[1]);
            double lowest = 0, highest = 0;
            QVERIFY(parseDecimal(want[2], lowest) && parseDecimal(want[3], highest));
            // Round ticks around every value in the span, a few intervals, not a wide margin.
            QVERIFY2(s.low <= lowest && s.high >= highest,
                     qPrintable(QString("%1 .. %2").arg(s.low).arg(s.high)));
            QVERIFY(s.step > 0);
            const double intervals = (s.high - s.low) / s.step;
            QVERIFY(std::fabs(intervals - std::round(intervals)) < 1e-6);
            QVERIFY2(intervals >= 1 && intervals <= 6, qPrintable(QString::number(intervals)));
            QVERIFY(std::fabs(s.low / s.step - std::round(s.low / s.step)) < 1e-6);
            if (lowest == highest) // a flat curve is drawn inside, not on an edge
                QVERIFY(s.low < lowest && s.high > highest);
            else
                QVERIFY(s.high - s.low < 3 * (highest - lowest));
        }
    }

    void keepsHalfAnHourAndUnitChangesStartAgain()
    {
        Host host({"°C"});
        TTrendPlot preview;
        preview.watch(host.window);
        for (int minute = 0; minute <= 40; ++minute)
            preview.addSample(0, kT0 + minute * 60000, minute, "°C");
        const auto &samples = preview.series()[0].samples;
        QCOMPARE(samples.front().ms, kT0 + 10 * 60000);
        QCOMPARE(samples.back().value, 40.0);
        // The preview shows the last minute of it; the window any of the three spans.
        QCOMPARE(preview.spanMs(), 60000);
        // Another unit: another quantity; the trend of that series begins anew.
        preview.addSample(0, kT0 + 41 * 60000, 5, "%");
        QCOMPARE(preview.series()[0].samples.size(), size_t(1));
        QCOMPARE(preview.series()[0].unit, QString("%"));
        QCOMPARE(preview.csv().count('\n'), 2);
    }

    void valueAt()
    {
        Host host({"V"});
        TTrend trend;
        trend.watch(host.window);
        trend.addSample(0, kT0, 1, "V");
        trend.addSample(0, kT0 + 1000, 2, "V");
        trend.addSample(0, kT0 + 20000, 3, "V"); // after a silence
        const TTrend::Series &s = trend.series()[0];
        double v = 0;
        QVERIFY(!trendValueAt(s, kT0 - 1, 5000, v));
        QVERIFY(trendValueAt(s, kT0 + 999, 5000, v) && v == 1);
        QVERIFY(trendValueAt(s, kT0 + 1000, 5000, v) && v == 2);
        QVERIFY(!trendValueAt(s, kT0 + 7000, 5000, v)); // no answer then: no value
        QVERIFY(trendValueAt(s, kT0 + 90000, 100000, v) && v == 3);
    }

    // The window as a user works it: spans by click, the mouse over the curves, pause.
    void windowSpansPauseAndMouse()
    {
        Host host({"°C", "°C", "%"});
        TTrendPlot preview;
        preview.watch(host.window);
        for (int s = 0; s <= 600; s += 2) { // ten minutes, a sample every 2 s
            preview.addSample(0, kT0 + s * 1000, 20 + s / 60, "°C");
            preview.addSample(1, kT0 + s * 1000, 25, "°C");
            preview.addSample(2, kT0 + s * 1000, 50, "%");
        }
        TTrendWindow window(preview, nullptr);
        window.resize(800, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.windowTitle(), QString("Průběh"));
        TTrendPlot *plot = window.plot();
        QCOMPARE(plot->spanMs(), 5 * 60000);
        QVERIFY(plot->height() > 300 && plot->width() > 700); // it grows with the window
        for (const int minutes : {1, 30, 5}) {
            QTest::mouseClick(window.spanButton(minutes), Qt::LeftButton);
            QCOMPARE(plot->spanMs(), minutes * 60000);
        }
        // Two units, two axes: the curves start right of both.
        const QRect area = plot->plotArea();
        QVERIFY(area.left() > 40 && area.width() > 500);

        QVERIFY(plot->readout().isEmpty());
        // The mouse in the middle of the curves: 2,5 minutes before the end.
        const int middle = area.left() + area.width() / 2;
        QTest::mouseMove(plot, QPoint(middle, area.center().y()));
        QTRY_VERIFY(!plot->readout().isEmpty());
        const qint64 at = plot->timeAtX(middle);
        QVERIFY(std::llabs(at - (kT0 + 450000)) < 5 * 300000 / area.width());
        const QStringList readout = plot->readout();
        QCOMPARE(readout.size(), 4);
        QCOMPARE(readout[0], QDateTime::fromMSecsSinceEpoch(at).toString("HH:mm:ss"));
        QCOMPARE(readout[1], QString("Veličina 0: 27 °C"));
        QCOMPARE(readout[2], QString("Veličina 1: 25 °C"));
        QCOMPARE(readout[3], QString("Veličina 2: 50 %"));

        // Paused, the view stays while the trend records on; resumed, it follows again.
        QTest::mouseClick(window.pauseButton(), Qt::LeftButton);
        QVERIFY(plot->paused());
        QCOMPARE(window.pauseButton()->text(), QString("&Pokračovat"));
        preview.addSample(0, kT0 + 660000, 99, "°C");
        QCOMPARE(plot->endMs(), kT0 + 600000);
        QCOMPARE(plot->readout(), readout);
        QCOMPARE(preview.series()[0].samples.back().value, 99.0);
        QTest::mouseClick(window.pauseButton(), Qt::LeftButton);
        QVERIFY(!plot->paused());
        QCOMPARE(plot->endMs(), kT0 + 660000);

        // Leaving the curves hides the readout.
        QTest::mouseMove(plot, QPoint(2, 2));
        QTRY_VERIFY(plot->readout().isEmpty());
        const QImage picture = window.grab().toImage();
        QVERIFY(!picture.isNull());
    }

    // A running live window offers it three ways; it goes with the live window.
    void liveWindowOpensIt()
    {
        FrameworkRig rig;
        QVERIFY(rig.start());
        rig.shell.page = nullptr;
        TestPage page(false);
        rig.shell.page = &page;
        page.show();
        page.mmLoadExtraClick();
        auto *live = static_cast<TestLive *>(page.liveWindow());
        QVERIFY(live);
        QTRY_VERIFY(live->trend() && !live->trend()->series().empty() &&
                    live->trend()->series()[0].samples.size() >= 2);
        QVERIFY(!live->trendWindow());

        auto *button = live->findChild<QPushButton *>("trendWindowButton");
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
        QPointer<TTrendWindow> window = live->trendWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(&window->plot()->trend(), &live->trend()->trend());
        window->close();
        QVERIFY(!window->isVisible());

        QTest::mouseDClick(live->trend(), Qt::LeftButton);
        QCOMPARE(live->trendWindow(), window.data()); // the same window again
        QVERIFY(window->isVisible());
        window->close();

        auto *action = live->findChild<QAction *>("trendWindowAction");
        QVERIFY(action && live->actions().contains(action));
        QCOMPARE(live->contextMenuPolicy(), Qt::ActionsContextMenu);
        action->trigger();
        QVERIFY(window->isVisible());

        page.mmLoadExtraClick(); // the live window closes
        QVERIFY(!page.liveWindow());
        QTRY_VERIFY(!window);
    }
};

QTEST_MAIN(TrendTest)
#include "tst_trend.moc"
