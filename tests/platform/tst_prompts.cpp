#include "platform/QtPrompts.h"
#include "tests/support/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Runs `act` on the modal dialog once it is shown.
void whenModal(std::function<void(QWidget *)> act)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start();
}

} // namespace

class tst_Prompts : public QObject
{
    Q_OBJECT

private slots:
    void messageBoxesShowTheirTextsAndMapTheButtons_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("press"); // QMessageBox::StandardButton, or 0 for Esc
        QTest::addColumn<int>("expected");
        auto row = [](const char *name, PromptButtons b, int press, PromptAnswer a) {
            QTest::newRow(name) << int(b) << press << int(a);
        };
        row("yes", PromptButtons::YesNo, QMessageBox::Yes, PromptAnswer::Yes);
        row("no", PromptButtons::YesNo, QMessageBox::No, PromptAnswer::No);
        row("esc on yes/no is no", PromptButtons::YesNo, 0, PromptAnswer::No);
        row("cancel", PromptButtons::YesNoCancel, QMessageBox::Cancel, PromptAnswer::Cancel);
        row("esc on yes/no/cancel", PromptButtons::YesNoCancel, 0, PromptAnswer::Cancel);
        row("no of three", PromptButtons::YesNoCancel, QMessageBox::No, PromptAnswer::No);
        row("ok", PromptButtons::Ok, QMessageBox::Ok, PromptAnswer::Ok);
        row("enter presses yes", PromptButtons::YesNo, -1, PromptAnswer::Yes);
    }

    void messageBoxesShowTheirTextsAndMapTheButtons()
    {
        QFETCH(int, buttons);
        QFETCH(int, press);
        QFETCH(int, expected);
        QtPrompts prompts;
        QString seenText, seenCaption;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            seenText = box->text();
            seenCaption = box->windowTitle();
            seenIcon = box->icon();
            if (press == 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else if (press < 0)
                QTest::keyClick(box, Qt::Key_Return);
            else
                box->button(QMessageBox::StandardButton(press))->click();
        });
        const PromptAnswer answer = prompts.question(QString::fromUtf8("Uložit změny?"), "Uložit",
                                                     PromptButtons(buttons), PromptIcon::Warning);
        QCOMPARE(int(answer), expected);
        QCOMPARE(seenText, QString::fromUtf8("Uložit změny?"));
        QCOMPARE(seenCaption, QString("Uložit"));
        QCOMPARE(seenIcon, QMessageBox::Warning);
    }

    void errorMessageUsesTheCriticalIcon()
    {
        QtPrompts prompts;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString caption;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            icon = box->icon();
            caption = box->windowTitle();
            QCOMPARE(box->buttons().size(), 1);
            QTest::keyClick(box, Qt::Key_Escape);
        });
        prompts.message("Chyba OKW", "Chyba", PromptIcon::Error);
        QCOMPARE(icon, QMessageBox::Critical);
        QCOMPARE(caption, QString("Chyba"));
    }

    void filtersAndDefaultSuffix()
    {
        QCOMPARE(QtPrompts::qtFilter("Konfigurace|*.ini|Vše|*.*"),
                 QString("Konfigurace (*.ini);;Vše (*.*)"));
        QCOMPARE(QtPrompts::qtFilter("Konfigurace (*.ini)|*.ini;*.cfg"),
                 QString("Konfigurace (*.ini)"));
        QCOMPARE(QtPrompts::qtFilter("Text|*.txt;*.log"), QString("Text (*.txt *.log)"));
        QCOMPARE(QtPrompts::qtFilter("Konfigurace (*.ini);;Vše (*)"),
                 QString("Konfigurace (*.ini);;Vše (*)"));
        QCOMPARE(QtPrompts::defaultSuffix("Konfigurace|*.ini"), QString("ini"));
        QCOMPARE(QtPrompts::defaultSuffix("Vše (*)"), QString());
    }

    void saveDialogAddsTheSuffix()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QtPrompts prompts;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QString::fromUtf8("Uložit konfiguraci"));
            dialog->selectFile("kotelna");
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const QString name = prompts.saveFileName(QString::fromUtf8("Uložit konfiguraci"),
                                                  "Konfigurace (*.ini)", dir.path());
        QCOMPARE(name, dir.filePath("kotelna.ini"));

        whenModal([&](QWidget *w) { qobject_cast<QDialog *>(w)->reject(); });
        QCOMPARE(prompts.openFileName("Načíst", "Konfigurace (*.ini)", dir.path()), QString());
    }

    void fallbackAndScriptedInstall()
    {
        // No prompts installed, but a QApplication runs: message boxes it is.
        Prompts::install(nullptr);
        QVERIFY(dynamic_cast<QtPrompts *>(&Prompts::instance()));
        QVERIFY(!Prompts::installed());
        {
            ScriptedPrompts scripted;
            QCOMPARE(&Prompts::instance(), static_cast<Prompts *>(&scripted));
        }
        QVERIFY(!Prompts::installed());
    }
};

QTEST_MAIN(tst_Prompts)
#include "tst_prompts.moc"
