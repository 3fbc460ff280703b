#include "pages/pages.h"
#include "platform/QtPrompts.h"
#include "platform/TextError.h"
#include "shell/AboutBox.h"
#include "shell/MainForm.h"
#include "shell/PageRegistry.h"
#include "shell/ProgramIcon.h"
#include "shell/SystemDialog.h"
#include "shell/Translations.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace {

// Anything that escapes an event handler ends up here instead of ending the program.
class OvrinApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const TextError &e) {
            showException(e.text());
        } catch (const std::exception &e) {
            showException(QString::fromUtf8(e.what()));
        }
        return false;
    }

    static void showException(const QString &text)
    {
        QMessageBox::critical(activeWindow(), applicationName(), text);
    }
};

} // namespace

int main(int argc, char **argv)
{
    OvrinApplication app(argc, argv);
    // The title of the application; not the display name, which Qt would append to the
    // caption of every page.
    QApplication::setApplicationName(QStringLiteral("TORVAK Ovrin 1.0.15"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.15"));
    // Every window (main window, pages, live and test windows) carries the program's icon.
    QApplication::setWindowIcon(programIcon());
    installCzechTranslations(app);

    QtPrompts prompts;
    Prompts::install(&prompts);
    registerPages(PageRegistry::instance());

    try {
        TmForm mForm;
        TSystemDialog systemDialog(&mForm);
        TAboutBox aboutBox(&mForm);
        mForm.setSystemDialog(&systemDialog);
        mForm.setAboutBox(&aboutBox);
        mForm.FormCreate();
        return app.exec();
    } catch (const TextError &e) {
        OvrinApplication::showException(e.text());
    } catch (const std::exception &e) {
        OvrinApplication::showException(QString::fromUtf8(e.what()));
    }
    return 1;
}
