#pragma once

// PageTraits: what tells one page from another before its declarations: form name and
// sections, caption, accepted models, generation (classic or newer), live window, status
// panel widths, the wait before a write's read-back, and the prefix of the base controls.

#include <QString>
#include <QStringList>

struct PageTraits {
    enum class Generation { Classic, Newer };

    Generation generation = Generation::Classic;
    QString formName;   // "cForm1": configuration section, window-position section
    QString caption;    // window title
    QStringList models; // accepted identifications (padded to 16 characters)
    bool liveWindow = true;
    int panelWidths[4] = {150, 60, 360, 60};
    int verifyDelayMs = 500; // wait between a write and its read-back (classic pages)
    QString configSection;   // empty: formName (the KQx family uses the model)
    QString positionSection;
    QString liveSectionName;
    QString basePrefix; // names of the base controls; empty: "c" + page number

    static PageTraits classic(const QString &formName, const QString &caption,
                              const QStringList &models);
    static PageTraits newer(const QString &formName, const QString &caption,
                            const QStringList &models);

    PageTraits &withoutLiveWindow()
    {
        liveWindow = false;
        return *this;
    }
    PageTraits &messagePanelWidth(int w)
    {
        panelWidths[2] = w;
        return *this;
    }
    PageTraits &firmwarePanelWidth(int w)
    {
        panelWidths[3] = w;
        return *this;
    }
    PageTraits &verifyDelay(int ms)
    {
        verifyDelayMs = ms;
        return *this;
    }
    PageTraits &sections(const QString &config, const QString &position, const QString &live);
    // Pages whose controls carry a bare "c" ("cGetButton", "cStatusBar").
    PageTraits &controlPrefix(const QString &prefix)
    {
        basePrefix = prefix;
        return *this;
    }
    QString controlPrefix() const
    {
        return basePrefix.isEmpty() ? QStringLiteral("c") + pageNumber() : basePrefix;
    }

    bool isNewer() const { return generation == Generation::Newer; }
    // "1" for "cForm1".
    QString pageNumber() const { return formName.mid(5); }
    QString configurationSection() const;
    QString windowSection() const;
    QString liveSection() const; // "c1extraForm"
};
