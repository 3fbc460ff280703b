#pragma once

// The commissioning protocol of one device: a PDF (A4, Qt's own writer, fonts embedded, so
// its Czech text is selectable and searchable) with the program, date and time, model,
// identification, firmware, customer text and port, then every group of the page with each
// setting's caption, value and unit as the page shows them (pictures of LCD symbols drawn),
// the result of the exchange that confirmed them, and lines for the technician's name, the
// place and a signature. The window's "Protokol o nastavení…" and `ovrin-cli report` make
// the same document.
//
//   ProtocolFacts facts = protocolFacts(page, at, written);   // after a read or a write
//   QString error;
//   if (!writeProtocol("protokol.pdf", facts, settingsOf(page), &error)) ...

#include "pages/framework/SettingsView.h"

#include <QDateTime>

struct ProtocolFacts {
    QString model;
    QString identification;
    QString firmware;
    QString customerText;
    QString port;        // "COM3"
    QDateTime made;      // when the document was made
    bool written = false; // confirmed by a verified write (else: read from the device)
    QDateTime confirmedAt;
};

// The page's facts after a read or a verified write at `at`.
ProtocolFacts protocolFacts(const TComponentForm &page, const QDateTime &at, bool written);
// "Ověřeno zpětným čtením 10.12.2026 6:30:05" or "Načteno ze zařízení …".
QString protocolResult(const ProtocolFacts &facts);
// False with a Czech reason when the file could not be written.
bool writeProtocol(const QString &file, const ProtocolFacts &facts,
                   const std::vector<Setting> &settings, QString *error = nullptr);
