// Field mechanics: key filters, exit handlers, rounding, clamping and warnings, scroll-bar
// coupling, customer text registers, combo mapping, control kinds, register images.

#include "FrameworkFixture.h"
#include "pages/framework/BlockTransfer.h"
#include "pages/framework/Exchanges.h"
#include "tests/support/ScriptedPrompts.h"
#include "tests/support/TestClock.h"

#include <QCheckBox>
#include <QRandomGenerator>
#include <QtTest>

using Kind = ScriptedPrompts::Kind;

class FieldsTest : public QObject
{
    Q_OBJECT

private:
    // A field's host without a page: the field's own exit handler, the flags it sets.
    struct Host : FieldHost {
        void fieldEdited(TNumericField &) override {}
        void fieldExit(TNumericField &f) override { f.acceptText(); }
        void setInvalidInput(bool i) override { invalid = i; }
        void markChanged(bool c) override { changed = c; }
        bool invalid = false;
        bool changed = false;
    };

    void type(QLineEdit *edit, const QString &text)
    {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    }

private slots:
    void numberText()
    {
        double v = 0;
        QVERIFY(parseDecimal("12,34", v) && qFuzzyCompare(v, 12.34));
        QVERIFY(parseDecimal("-0,5", v) && qFuzzyCompare(v, -0.5));
        QVERIFY(parseDecimal(",5", v) && qFuzzyCompare(v, 0.5));
        for (const char *bad : {"", "-", "1,2,3", "1.5", "a", "--1", "1-", ","})
            QVERIFY2(!parseDecimal(QString::fromLatin1(bad), v), bad);
        QVERIFY(!parseDecimal("-1", v, false));
        qint64 w = 0;
        QVERIFY(parseWhole("007", w) && w == 7);
        QVERIFY(!parseWhole("", w) && !parseWhole("-", w) && !parseWhole("1,0", w));
        QCOMPARE(formatFixed(12.5, 1), QString("12,5"));
        QCOMPARE(formatFixed(-0.04, 1), QString("0,0"));
        QCOMPARE(formatFixed(-100, 1), QString("-100,0"));
        QCOMPARE(formatShortest(0), QString("0"));
        QCOMPARE(formatShortest(2.5), QString("2,5"));
    }

    void roundingOfPositions()
    {
        QCOMPARE(roundPosition(12.34 * 10, Rounding::Ceiling), 124);
        QCOMPARE(roundPosition(0.1 * 10, Rounding::Ceiling), 1);
        // 1,1 x 10 is 11.000000000000002 in double precision: still position 11.
        QCOMPARE(roundPosition(1.1 * 10, Rounding::Ceiling), 11);
        QCOMPARE(roundPosition(4.35 * 100, Rounding::Truncate), 435);
        QCOMPARE(roundPosition(-12.34 * 10, Rounding::Truncate), -123);
        QCOMPARE(roundPosition(-12.34 * 10, Rounding::Ceiling), -123);
        QCOMPARE(roundPosition(2.5, Rounding::Nearest), 3);
    }

    // Newer pages: one-decimal fields take the ceiling; the bar then shows its own value.
    void decimalEntryOnNewerPage()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(true);
        page.show();
        type(page.off->edit(), "12,34");
        QCOMPARE(page.off->position(), 124);
        QCOMPARE(page.off->edit()->text(), QString("12,4"));
        type(page.off->edit(), "0,1");
        QCOMPARE(page.off->position(), 1);
        QCOMPARE(page.off->edit()->text(), QString("0,1"));
        type(page.off->edit(), "1,1");
        QCOMPARE(page.off->position(), 11);
        QCOMPARE(page.off->edit()->text(), QString("1,1"));
        QCOMPARE(prompts.count(Kind::Message), 0);
        QVERIFY(page.isChanged());
    }

    void decimalEntryOnClassicPageTruncates()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(false);
        page.show();
        type(page.off->edit(), "12,34");
        QCOMPARE(page.off->position(), 123);
        QCOMPARE(page.off->edit()->text(), QString("12,3"));
        type(page.off->edit(), "-0,5");
        QCOMPARE(page.off->position(), -5);
        QCOMPARE(page.off->edit()->text(), QString("-0,5"));
    }

    void rangeWarning()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(false);
        page.show();
        type(page.i1->edit(), "450,0");
        QCOMPARE(page.i1->edit()->text(), QString("400,0"));
        QCOMPARE(page.i1->position(), 4000);
        QCOMPARE(prompts.count(Kind::Message), 1);
        QCOMPARE(prompts.lastText(), QString("Můžete zadat pouze hodnoty od -100,0 do 400,0"));
        QCOMPARE(prompts.lastCaption(), QString("Varování"));
        QCOMPARE(prompts.lastIcon(), PromptIcon::Warning);

        prompts.clear();
        type(page.o1->edit(), "0");
        QCOMPARE(page.o1->edit()->text(), QString("1"));
        QCOMPARE(page.o1->position(), 1);
        QCOMPARE(prompts.lastText(), QString("Můžete zadat pouze hodnoty od 1 do 20000"));

        // In range: no warning, the value is rewritten in the field's format.
        prompts.clear();
        type(page.o2->edit(), "0150");
        QCOMPARE(page.o2->edit()->text(), QString("150"));
        QCOMPARE(page.o2->position(), 150);
        QCOMPARE(prompts.count(Kind::Message), 0);

        // clampToRange without warn only brings the value in.
        QLineEdit edit;
        QCOMPARE(clampToRange(&edit, 7, 1, 5, 1, false), 5.0);
        QCOMPARE(edit.text(), QString("5,0"));
        QCOMPARE(prompts.count(Kind::Message), 0);
    }

    void keyFilters()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(false);
        page.show();
        QLineEdit *whole = page.o1->edit();
        whole->setText("12");
        whole->setCursorPosition(2);
        QTest::keyClicks(whole, "a-,");
        QCOMPARE(whole->text(), QString("12"));
        QCOMPARE(prompts.beeps(), 3);

        QLineEdit *sdec = page.off->edit();
        sdec->clear();
        QTest::keyClicks(sdec, "-1,5x");
        QCOMPARE(sdec->text(), QString("-1,5"));
        QCOMPARE(prompts.beeps(), 4);

        QLineEdit *udec = page.pb->edit();
        udec->clear();
        QTest::keyClicks(udec, "-2,5");
        QCOMPARE(udec->text(), QString("2,5"));
        QCOMPARE(prompts.beeps(), 5);
        QTest::keyClick(udec, Qt::Key_Backspace);
        QCOMPARE(udec->text(), QString("2,"));
        QCOMPARE(prompts.beeps(), 5);
        // Enter accepts and keeps the whole text selected.
        QTest::keyClick(udec, Qt::Key_Return);
        QCOMPARE(udec->text(), QString("2,0"));
        QCOMPARE(page.pb->position(), 20);
        QCOMPARE(udec->selectedText(), QString("2,0"));
        // Tab types nothing: it leaves the field, which accepts its text, without a beep.
        QVERIFY(QTest::qWaitForWindowActive(&page));
        sdec->setFocus();
        sdec->setText("1,25");
        QTest::keyClick(sdec, Qt::Key_Tab);
        QVERIFY(!sdec->hasFocus());
        QCOMPARE(sdec->text(), QString("1,2"));
        QCOMPARE(prompts.beeps(), 5);
    }

    void badEntryFallsBackAndBlocksFiles()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        WorkingDir dir;
        TestPage page(true);
        page.show();
        page.pa->setPosition(50);
        page.markChanged(false);
        page.pa->edit()->clear();
        QTest::keyClick(page.pa->edit(), Qt::Key_Return);
        QCOMPARE(page.pa->edit()->text(), QString("0"));
        QCOMPARE(page.pa->position(), 0);
        QVERIFY(page.isChanged()); // the setting is now 0
        QCOMPARE(prompts.beeps(), 1);
        QVERIFY(page.invalidInput());

        page.off->edit()->setText("-");
        page.flMinusMaskEditExit(*page.off);
        QCOMPARE(page.off->edit()->text(), QString("0,0"));

        prompts.clear();
        prompts.planFileName(dir.file("x.ini"));
        page.mmLoadConfigurationClick();
        QCOMPARE(prompts.count(Kind::OpenFile), 0);
        QCOMPARE(prompts.lastText(), QString("Všechna pole musí být korektně vyplněna"));
        QCOMPARE(prompts.lastCaption(), QString("Chyba"));
        QCOMPARE(prompts.lastIcon(), PromptIcon::Warning);
        QVERIFY(!page.invalidInput()); // cleared after the attempt

        // A classic field with its own fallback text and position.
        ScriptedPrompts p2;
        Rule r =
            Rule::unsignedDecimal(0.002, 65, 3).scaled(500).fallback("0,002", 1).barRange(1, 32500);
        struct Host : FieldHost {
            void fieldEdited(TNumericField &) override {}
            void fieldExit(TNumericField &f) override { f.acceptText(); }
            void setInvalidInput(bool i) override { invalid = i; }
            void markChanged(bool) override {}
            bool invalid = false;
        } host;
        QWidget parent;
        TNumericField f(host, "c9Tm", r, "s", &parent);
        f.setPosition(300);
        f.edit()->setText(",");
        f.acceptText();
        QCOMPARE(f.edit()->text(), QString("0,002"));
        QCOMPARE(f.position(), 1);
        QVERIFY(host.invalid);
        f.edit()->setText("1,5");
        QVERIFY(f.acceptText());
        QCOMPARE(f.position(), 750);
        QVERIFY(!host.invalid);
    }

    // An emptied field falls back through the same limits as typed text, computed ones
    // included, and shows the position it ends at; beep and invalid-input flag stay.
    void fallbackWithinLimits_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<double>("lo"); // computed limits
        QTest::addColumn<double>("hi");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::newRow("above the fallback") << "decimal" << 5.0 << 10.0 << "5,0" << 50;
        QTest::newRow("below the fallback") << "decimal" << -100.0 << -5.0 << "-5,0" << -50;
        QTest::newRow("around the fallback") << "decimal" << -3.0 << 3.0 << "0,0" << 0;
        QTest::newRow("bar from 2") << "steps" << 2.0 << 65536.0 << "2" << 2;
        QTest::newRow("limit above the bar's floor") << "steps" << 7.0 << 65536.0 << "7" << 7;
        QTest::newRow("classic text kept") << "classic" << 0.002 << 65.0 << "0,002" << 1;
        QTest::newRow("classic clamped") << "classic" << 1.0 << 65.0 << "1,000" << 500;
    }
    void fallbackWithinLimits()
    {
        QFETCH(QString, rule);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QString, text);
        QFETCH(int, position);
        ScriptedPrompts prompts;
        Host host;
        Rule r = rule == "decimal" ? Rule::signedDecimal(-100, 100)
                 : rule == "steps" ? Rule::whole(2, 65536).barRange(2, 65535)
                                   : Rule::unsignedDecimal(0.002, 65, 3)
                                         .scaled(500)
                                         .fallback("0,002", 1)
                                         .barRange(1, 32500);
        r.limitsFrom([&] { return std::make_pair(lo, hi); });
        QWidget parent;
        TNumericField f(host, "zdX", r, QString(), &parent);
        f.setValue(hi);
        f.edit()->clear();
        QVERIFY(!f.acceptText());
        QCOMPARE(f.edit()->text(), text);
        QCOMPARE(f.position(), position);
        QVERIFY(host.invalid);
        QVERIFY(host.changed);
        QCOMPARE(prompts.beeps(), 1);
        QCOMPARE(prompts.count(Kind::Message), 0);
    }

    // Exact decimals: the text counts in 10^-places in integer arithmetic, the bounds are
    // compared as typed, the position is the count over the field's step (going up), and
    // the edit shows what will be written. "dot" takes its places from outside.
    void exactDecimals_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<int>("places"); // of "dot"
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("warning"); // empty: none
        const QString w = QStringLiteral("Můžete zadat pouze hodnoty od ");
        QTest::newRow("thousandths") << "ms" << 0 << "1,001" << 1001 << "1,001" << "";
        QTest::newRow("digits beyond cut") << "ms" << 0 << "1,0019" << 1001 << "1,001" << "";
        QTest::newRow("above by a digit beyond")
            << "ms" << 0 << "65,5351" << 65535 << "65,535" << w + "0,001 do 65,535";
        QTest::newRow("below") << "ms" << 0 << "0" << 1 << "0,001" << w + "0,001 do 65,535";
        QTest::newRow("odd step goes up") << "2ms" << 0 << "0,003" << 2 << "0,004" << "";
        QTest::newRow("even step") << "2ms" << 0 << "0,004" << 2 << "0,004" << "";
        QTest::newRow("last odd step") << "2ms" << 0 << "131,069" << 65535 << "131,070" << "";
        QTest::newRow("above two steps")
            << "2ms" << 0 << "131,071" << 65535 << "131,070" << w + "0,002 do 131,070";
        QTest::newRow("negative tenths") << "tenths" << 0 << "-99,99" << -999 << "-99,9" << "";
        QTest::newRow("tenths above")
            << "tenths" << 0 << "600,01" << 6000 << "600,0" << w + "-100,0 do 600,0";
        QTest::newRow("two places, nearest") << "dot" << 2 << "12,346" << 1235 << "12,35" << "";
        QTest::newRow("no places") << "dot" << 0 << "9999" << 9999 << "9999" << "";
        QTest::newRow("no places, above")
            << "dot" << 0 << "10000" << 9999 << "9999" << w + "-999 do 9999";
        QTest::newRow("three places, rounding to the bound")
            << "dot" << 3 << "9,9996" << 9999 << "9,999" << w + "-0,999 do 9,999";
        QTest::newRow("three places, below")
            << "dot" << 3 << "-1" << -999 << "-0,999" << w + "-0,999 do 9,999";
    }
    void exactDecimals()
    {
        QFETCH(QString, rule);
        QFETCH(int, places);
        QFETCH(QString, entry);
        QFETCH(int, position);
        QFETCH(QString, text);
        QFETCH(QString, warning);
        ScriptedPrompts prompts;
        Host host;
        host.invalid = true;
        Rule r =
            rule == "ms"    ? Rule::unsignedDecimal(0.001, 65.535, 3).exactDecimals()
            : rule == "2ms" ? Rule::unsignedDecimal(0.002, 131.07, 3).scaled(500).exactDecimals()
            : rule == "tenths"
                ? Rule::signedDecimal(-100, 600).exactDecimals()
                : Rule::signedDecimal(-99.9, 999.9).nearest().placesFrom([&] { return places; });
        // As on the pages: the bar only shows; room for a digit beyond the places.
        r.barOnlyShows().length(8);
        QWidget parent;
        TNumericField f(host, "zdX", r, QString(), &parent);
        int accepted = 0;
        f.onAccepted([&] { ++accepted; });
        f.edit()->setText(entry);
        QVERIFY(f.acceptText());
        QCOMPARE(f.position(), position);
        QCOMPARE(f.edit()->text(), text);
        QCOMPARE(prompts.texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
        QCOMPARE(accepted, 1);
        QVERIFY(!host.invalid);
    }

    // Exact fields fall back as the others do: the rule's text and position, a beep.
    void exactDecimalFallback()
    {
        ScriptedPrompts prompts;
        Host host;
        QWidget parent;
        TNumericField f(host, "zdX",
                        Rule::unsignedDecimal(0.002, 131.07, 3)
                            .scaled(500)
                            .exactDecimals()
                            .fallback("0,002", 1),
                        QString(), &parent);
        f.setPosition(100);
        for (const char *bad : {"", ",", "1,2,3", "-"}) {
            f.edit()->setText(QString::fromLatin1(bad));
            QVERIFY2(!f.acceptText(), bad);
            QCOMPARE(f.position(), 1);
            QCOMPARE(f.edit()->text(), QString("0,002"));
            QVERIFY(host.invalid);
        }
        QCOMPARE(prompts.beeps(), 4);
        QCOMPARE(prompts.count(Kind::Message), 0);
    }

    // The bar's keys go the way its value does; PageUp and PageDown by the large step.
    void scrollBarKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("delta");
        QTest::newRow("Right") << int(Qt::Key_Right) << 1;
        QTest::newRow("Up") << int(Qt::Key_Up) << 1;
        QTest::newRow("Left") << int(Qt::Key_Left) << -1;
        QTest::newRow("Down") << int(Qt::Key_Down) << -1;
        QTest::newRow("PageUp") << int(Qt::Key_PageUp) << 100;
        QTest::newRow("PageDown") << int(Qt::Key_PageDown) << -100;
    }
    void scrollBarKeys()
    {
        QFETCH(int, key);
        QFETCH(int, delta);
        TestShell shell;
        ScriptedPrompts prompts;
        QWidget window;
        struct Host : FieldHost {
            void fieldEdited(TNumericField &) override {}
            void fieldExit(TNumericField &f) override { f.acceptText(); }
            void setInvalidInput(bool) override {}
            void markChanged(bool) override {}
        } host;
        TNumericField f(host, "zdOff", Rule::signedDecimal(-100, 100).largeStep(100), "°C",
                        &window);
        f.setPosition(0);
        QTest::keyClick(f.bar(), Qt::Key(key));
        QCOMPARE(f.position(), delta);
        QCOMPARE(f.edit()->text(), formatFixed(delta / 10.0, 1));
        // A bar made outside the fields behaves the same.
        QScrollBar *bar = newScrollBar(&window);
        bar->setRange(0, 1000);
        bar->setPageStep(100);
        bar->setValue(500);
        QTest::keyClick(bar, Qt::Key(key));
        QCOMPARE(bar->value(), 500 + delta);
    }

    void scrollBarCouplingAndDependencies()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(false);
        page.show();
        page.i2->bar()->setValue(1234);
        QCOMPARE(page.i2->edit()->text(), QString("123,4"));
        page.o1->setPosition(3000);
        page.o2->setPosition(5000);
        type(page.fl->edit(), "4000");
        // onAccepted keeps the lower limit at or below the output range.
        QCOMPARE(page.fl->position(), 3000);
        QCOMPARE(page.fl->edit()->text(), QString("3000"));
        QCOMPARE(findScrollBarOf(page.o1->edit()), page.o1->bar());
        QCOMPARE(findMaskEditOf(page.o1->bar()), page.o1->edit());
        page.markChanged(false);
        showScrollBarValue(page.i2->bar(), 100, 1, 2);
        QCOMPARE(page.i2->edit()->text(), QString("24,7"));
        QVERIFY(page.isChanged());
        showScrollBarValue(page.o1->bar(), 1, 0, 2);
        QCOMPARE(page.o1->edit()->text(), QString("6000"));
        // Positions are the bar's: limits of the bar hold whatever is set.
        page.o1->setPosition(99999);
        QCOMPARE(page.o1->position(), 20000);
    }

    void customerText()
    {
        auto regs = textToRegisters("AB", 16);
        QCOMPARE(int(regs.size()), 8);
        QCOMPARE(regs[0], quint16(0x4142));
        for (int i = 1; i < 8; ++i)
            QCOMPARE(regs[size_t(i)], quint16(0));
        QCOMPARE(registersToText({0x4142, 0x4300, 0, 0, 0, 0, 0, 0}, 16), QString("ABC"));
        QCOMPARE(textToRegisters(QString::fromUtf8("aé"), 2).at(0), quint16(0x61E9));
        const QString czech = QString::fromUtf8("Žluťoučký");
        QCOMPARE(registersToText(textToRegisters(czech, 10), 10), czech);
        // Longer text is cut; all characters without a zero are shown.
        QCOMPARE(registersToText(textToRegisters("ABCDEFGHIJKL", 10), 10), QString("ABCDEFGHIJ"));
        QCOMPARE(registersToText({0x4100, 0x4242}, 4), QString("A"));
    }

    void comboMapping()
    {
        QComboBox addr;
        addr.setObjectName("c1SkAdrComboBox");
        for (int a = 1; a <= 254; ++a)
            addr.addItem(QString::number(a));
        QCOMPARE(comboIndexFromRegister(&addr, 0), -1);
        QCOMPARE(comboIndexFromRegister(&addr, 255), -1);
        QCOMPARE(comboIndexFromRegister(&addr, 1), 0);
        QCOMPARE(comboIndexFromRegister(&addr, 254), 253);
        addr.setCurrentIndex(9);
        QCOMPARE(registerFromComboIndex(&addr), 10);
        QComboBox speed;
        speed.setObjectName("skSpdComboBox");
        speed.addItems({"1200", "2400", "4800"});
        QCOMPARE(comboIndexFromRegister(&speed, 2), 2);
        QCOMPARE(comboIndexFromRegister(&speed, 3), -1);
        QCOMPARE(comboIndexFromRegister(&speed, -1), -1);
    }

    void controlKinds()
    {
        auto kindOf = [](const char *name) {
            QWidget w;
            w.setObjectName(name);
            return controlKindOf(&w);
        };
        QCOMPARE(kindOf("c1ZdTextEdit"), ControlKind::Edit);
        QCOMPARE(kindOf("zdOffMaskEdit"), ControlKind::Edit);
        QCOMPARE(kindOf("zdOffScrollBar"), ControlKind::ScrollBar);
        QCOMPARE(kindOf("Symbol1Mode1ComboBoxEx"), ControlKind::ComboBox);
        QCOMPARE(kindOf("digitalOutTypeRadioGroup"), ControlKind::RadioGroup);
        QCOMPARE(kindOf("c4ErrCheckBox"), ControlKind::CheckBox);
        QCOMPARE(kindOf("c3ZdK0ULabel"), ControlKind::None);
        QCOMPARE(kindOf("EditScrollBar"), ControlKind::Edit); // first match wins
    }

    void resetToDefaultsByKind()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(true);
        QCheckBox check;
        check.setObjectName("alarmCheckBox");
        TRadioGroup radio("Typ", {"A", "B", "C"});
        radio.setObjectName("typeRadioGroup");
        ControlTable table;
        table.registerControl(page.text, 0);
        table.registerControl(page.o1->bar(), 2.9);
        table.registerControl(page.speed, 3);
        table.registerControl(&check, 1);
        table.registerControl(&radio, 2);
        table.resetToDefaults();
        QCOMPARE(page.text->text(), QString("0"));
        QCOMPARE(page.o1->position(), 2);
        QCOMPARE(page.o1->edit()->text(), QString("2"));
        QCOMPARE(page.speed->currentIndex(), 3);
        QVERIFY(check.isChecked());
        QCOMPARE(radio.itemIndex(), 2);
    }

    void registerImage()
    {
        TestShell shell;
        ScriptedPrompts prompts;
        TestPage page(false);
        RegisterBlock b(0x10, 6);
        b.text(*page.text, 4).lowByte(*page.sensor).position(*page.off).fill(1, 0xFFFF).unused(1);
        QVERIFY(b.complete());
        QCOMPARE(b.writeCount(), 5);
        page.text->setText("AB");
        page.sensor->setCurrentIndex(2);
        page.off->setPosition(-5);
        const auto image = b.encode();
        QCOMPARE(image, (std::vector<quint16>{0x4142, 0, 2, 0xFFFB, 0xFFFF}));
        // High byte of a low-byte slot, a fill register and text after the first zero are
        // not compared; everything else is.
        QVERIFY(b.verify(image, {0x4142, 0x0007, 0x7702, 0xFFFB, 0, 9}));
        QVERIFY(!b.verify(image, {0x4142, 0, 1, 0xFFFB, 0xFFFF}));
        QVERIFY(!b.verify(image, {0x4143, 0, 2, 0xFFFB, 0xFFFF}));
        QVERIFY(!b.verify(image, {0x4142, 0, 2, 0xFFFA, 0xFFFF}));
        QVERIFY(!b.verify(image, {0x4142, 0, 2}));
        // Decode: signed position clamped silently, list value outside the items: none.
        b.decode({0x4344, 0x4500, 0x0007, 0x8000, 0, 0});
        QCOMPARE(page.text->text(), QString("CDE"));
        QCOMPARE(page.sensor->currentIndex(), -1);
        QCOMPARE(page.off->position(), -1000);
        QCOMPARE(prompts.count(Kind::Message), 0);

        RegisterBlock kept(0, 2);
        kept.lowByte(*page.sensor).keptFromDevice().position(*page.off);
        QCOMPARE(kept.keptOffsets(), std::vector<int>{0});
        kept.setKept(0, 0x0305);
        QCOMPARE(kept.encode().at(0), quint16(0x0305));
        QVERIFY(kept.verify(kept.encode(), {0x0000, kept.encode().at(1)}));

        // Whatever a device sends decodes without a box into controls within their ranges;
        // what decodes into range encodes back to the same registers.
        QRandomGenerator rng(1250);
        RegisterBlock &pageImage = page.firstBlock();
        for (int round = 0; round < 300; ++round) {
            std::vector<quint16> regs(15);
            for (auto &r : regs)
                r = quint16(rng.bounded(0x10000));
            if (round % 2) { // a plausible device: values inside the ranges
                regs[6] = quint16(qint16(rng.bounded(-1000, 1001)));
                regs[7] = quint16((rng.bounded(1, 255) << 8) | rng.bounded(0, 10));
                for (int i = 8; i < 10; ++i)
                    regs[size_t(i)] = quint16(qint16(rng.bounded(-1000, 4001)));
                for (int i = 10; i < 15; ++i)
                    regs[size_t(i)] = quint16(rng.bounded(1, 20001));
                regs[13] = std::min(regs[13], std::min(regs[10], regs[11])); // fl <= o1, o2
                for (int i = 0; i < 5; ++i)
                    regs[size_t(i)] = quint16(0x4100 + i);
            }
            pageImage.decode(regs);
            for (TNumericField *f : {page.off, page.i1, page.i2, page.o1, page.o2, page.fl})
                QVERIFY(f->position() >= f->bar()->minimum() &&
                        f->position() <= f->bar()->maximum());
            if (round % 2) {
                pageImage.setKept(5, regs[5]);
                QVERIFY2(pageImage.verify(pageImage.encode(), regs),
                         qPrintable(QString::number(round)));
            }
        }
        QCOMPARE(prompts.count(Kind::Message), 0);

        RegisterBlock bad(0, 3);
        bad.position(*page.off);
        QVERIFY(!bad.complete());
    }

    // Blocks on the wire: ranges that hold several blocks with a gap between them, a step
    // right after its block's write, kept registers read first, and the verification from
    // the ranges read back.
    void blockTransfer()
    {
        std::map<int, quint16> device = {{0x10, 1}, {0x11, 2}, {0x13, 4}, {0x20, 7}, {0x21, 8}};
        QStringList wire;
        const auto read = [&](int start, int count) {
            wire << QString("3:%1:%2").arg(start, 4, 16, QChar('0')).arg(count);
            std::vector<quint16> r;
            for (int a = start; a < start + count; ++a)
                r.push_back(device[a]);
            return r;
        };
        const auto write = [&](int start, const std::vector<quint16> &values) {
            wire << QString("16:%1:%2").arg(start, 4, 16, QChar('0')).arg(values.size());
            for (size_t i = 0; i < values.size(); ++i)
                device[start + int(i)] = values[i];
        };
        quint16 a[2] = {}, b = 0, c[2] = {};
        std::deque<RegisterBlock> blocks;
        blocks.emplace_back(0x10, 2).custom(
            2, [&](quint16 *r) { r[0] = a[0], r[1] = a[1]; },
            [&](const quint16 *r) { a[0] = r[0], a[1] = r[1]; });
        blocks.back().keptFromDevice(0x00FF);
        blocks.emplace_back(0x13, 1)
            .custom(1, [&](quint16 *r) { *r = b; }, [&](const quint16 *r) { b = *r; })
            .afterWrite([&] { wire << "step"; });
        blocks.emplace_back(0x20, 2)
            .custom(2, [](quint16 *) {}, [&](const quint16 *r) { c[0] = r[0], c[1] = r[1]; })
            .readOnly();
        const BlockTransfer io(blocks, {{0x10, 4}, {0x20, 2}});

        io.decode(io.read(read));
        QCOMPARE(wire, (QStringList{"3:0010:4", "3:0020:2"}));
        QCOMPARE((std::vector<int>{a[0], a[1], b, c[0], c[1]}), (std::vector<int>{1, 2, 4, 7, 8}));

        wire.clear();
        device[0x10] = 0x1234;
        b = 9;
        const auto written = io.write(
            [&](int start, int count) {
                wire << "kept";
                return read(start, count);
            },
            write);
        QCOMPARE(wire, (QStringList{"kept", "3:0010:1", "kept", "3:0011:1", "16:0010:2",
                                    "16:0013:1", "step"}));
        QCOMPARE(device[0x10], quint16(0x0034));
        QCOMPARE(device[0x13], quint16(9));
        io.verify(written, io.read(read));

        const auto errorOf = [](const std::function<void()> &f) {
            try {
                f();
            } catch (const PageError &e) {
                return e.error;
            }
            return 0;
        };
        // A changed register of a written block, one of a read-only block.
        device[0x13] = 5;
        QCOMPARE(errorOf([&] { io.verify(written, io.read(read)); }), int(ErrVerifyFailed));
        device[0x13] = 9;
        device[0x20] = 1;
        QCOMPARE(errorOf([&] { io.verify(written, io.read(read)); }), 0);
        // A reply shorter than its range, and a written block outside every range.
        QCOMPARE(errorOf([&] { io.verify(written, {{0x0034, 0}, {1, 8}}); }), int(ErrInternal));
        const BlockTransfer partial(blocks, {{0x10, 2}, {0x20, 2}});
        QCOMPARE(errorOf([&] { partial.verify(written, partial.read(read)); }), int(ErrInternal));
        b = 0;
        partial.decode(partial.read(read));
        QCOMPARE(b, quint16(0));

        // Without ranges every block is a range of its own.
        wire.clear();
        BlockTransfer(blocks).read(read);
        QCOMPARE(wire, (QStringList{"3:0010:2", "3:0013:1", "3:0020:2"}));
        // and its read-back goes block by block: a read-only block is not read, a mismatch
        // stops before the next block.
        const BlockTransfer own(blocks);
        std::vector<std::pair<int, int>> verified;
        const auto note = [&](int start, int count) { verified.emplace_back(start, count); };
        wire.clear();
        own.readBack(written, read, note);
        QCOMPARE(wire, (QStringList{"3:0010:2", "3:0013:1"}));
        QCOMPARE(verified, (std::vector<std::pair<int, int>>{{0x10, 2}, {0x13, 1}}));
        std::deque<RegisterBlock> two;
        for (int start : {0x30, 0x31})
            two.emplace_back(start, 1).custom(
                1, [start](quint16 *r) { *r = quint16(start); }, [](const quint16 *) {});
        const BlockTransfer pair(two);
        const auto sent = pair.write({}, write);
        device[0x30] = 9;
        wire.clear();
        verified.clear();
        QCOMPARE(errorOf([&] { pair.readBack(sent, read, note); }), int(ErrVerifyFailed));
        QCOMPARE(wire, (QStringList{"3:0030:1"}));
        QVERIFY(verified.empty());
    }
};

QTEST_MAIN(FieldsTest)
#include "tst_fields.moc"
