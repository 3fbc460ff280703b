#pragma once

class QCoreApplication;

// Qt's own Czech texts (standard buttons "Ano"/"Ne", file dialogs, the edits' context
// menus); the program's own texts are Czech already. False when the translation files are
// not installed: Qt's texts then stay English.
bool installCzechTranslations(QCoreApplication &app);
