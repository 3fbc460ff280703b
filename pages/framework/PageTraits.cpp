// PageTraits: the generations' defaults and the sections a page's files use.

#include "pages/framework/PageTraits.h"

#include "pages/framework/Exchanges.h"

PageTraits PageTraits::classic(const QString &formName, const QString &caption,
                               const QStringList &models)
{
    PageTraits t;
    t.generation = Generation::Classic;
    t.formName = formName;
    t.caption = caption;
    for (const auto &m : models)
        t.models << exchange::padded(m);
    return t;
}

PageTraits PageTraits::newer(const QString &formName, const QString &caption,
                             const QStringList &models)
{
    PageTraits t = classic(formName, caption, models);
    t.generation = Generation::Newer;
    t.panelWidths[0] = 140;
    t.panelWidths[1] = 60;
    t.panelWidths[2] = 0; // takes the rest of the bar
    t.panelWidths[3] = 80;
    t.verifyDelayMs = 0;
    return t;
}

PageTraits &PageTraits::sections(const QString &config, const QString &position,
                                 const QString &live)
{
    configSection = config;
    positionSection = position;
    liveSectionName = live;
    return *this;
}

QString PageTraits::configurationSection() const
{
    return configSection.isEmpty() ? formName : configSection;
}

QString PageTraits::windowSection() const
{
    return positionSection.isEmpty() ? formName : positionSection;
}

QString PageTraits::liveSection() const
{
    return liveSectionName.isEmpty()
               ? QStringLiteral("c") + pageNumber() + QStringLiteral("extraForm")
               : liveSectionName;
}
