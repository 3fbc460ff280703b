#pragma once

// The record items of every page's "Soubor" menu: "Obnovit ze zálohy…" (a backup into the
// form), "Porovnat se zařízením…" (a file against the device, setting by setting) and
// "Protokol o nastavení…" (the PDF of the device's settings).

class QMenu;
class QDialog;
class TComponentForm;

void addRecordItems(TComponentForm &page, QMenu &file);

// The handlers behind the items (tests reach the dialogs through the page's children:
// "restoreDialog", "compareDialog").
void restoreFromBackupClick(TComponentForm &page);
void compareWithDeviceClick(TComponentForm &page);
void protocolClick(TComponentForm &page);
