#pragma once

// Every registered page, built once, and what must hold for a page after any input: every
// numeric field inside its limits and showing its position, every list on an item or on
// none.

#include "FuzzSupport.h"
#include "pages/framework/Fields.h"
#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"
#include "pages/pages.h"
#include "shell/Identification.h"
#include "shell/PageRegistry.h"

#include <QComboBox>
#include <QScrollBar>
#include <cmath>
#include <limits>
#include <memory>

namespace fuzz {

struct Pages {
    Pages()
    {
        registerPages(PageRegistry::instance());
        for (int index : PageRegistry::instance().indices()) {
            auto *page = qobject_cast<TComponentForm *>(PageRegistry::instance().create(index));
            if (!page)
                failed("a registered page is no page");
            // Not shown: painting a page after every input would cost more than the input.
            pages.push_back(page);
        }
        if (pages.empty())
            failed("no pages registered");
    }
    std::vector<TComponentForm *> pages;
};

// The world and every page, once per process.
struct PageTarget {
    World world;
    Pages pages;
    // Inputs per page, said when the run ends: the spread over the pages is part of the result.
    std::vector<long long> inputs = std::vector<long long>(pages.pages.size());
    TComponentForm &pageFor(uint8_t chooser)
    {
        const size_t i = chooser % pages.pages.size();
        ++inputs[i];
        return *pages.pages[i];
    }
    void printInputs() const
    {
        // By model: several models share one page class.
        const std::vector<int> indices = PageRegistry::instance().indices();
        std::fprintf(stderr, "inputs per page:");
        for (size_t i = 0; i < pages.pages.size(); ++i) {
            const int index = indices[i];
            const QString model = index < componentNames().size() ? componentNames().at(index)
                                                                  : QString::number(index);
            std::fprintf(stderr, " %s=%lld", qPrintable(model.trimmed()), inputs[i]);
        }
        std::fprintf(stderr, "\n");
    }
};

inline PageTarget &pageTarget()
{
    static PageTarget t;
    static const bool said = [] { return std::atexit([] { pageTarget().printInputs(); }) == 0; }();
    (void)said;
    return t;
}

// What the event loop would do between two user actions: deferred deletes, posted events,
// timers that are due.
inline void settle()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

inline void checkPage(TComponentForm &page)
{
    for (TNumericField *f : page.findChildren<TNumericField *>()) {
        QScrollBar *bar = f->bar();
        if (bar->value() < bar->minimum() || bar->value() > bar->maximum())
            failed("a bar outside its range");
        const auto [lo, hi] = f->limits();
        // A page that gives a field another meaning (ZK's plain input range) sets its bar to
        // the other range; the bar's limits are then the field's.
        const double scale = f->rule().scale;
        // An open field (no limits of its own) has a bar of another range.
        const auto barStep = [scale](double x) {
            const double s = std::round(x * scale);
            return std::abs(s) < 2e9 ? int(s) : std::numeric_limits<int>::min();
        };
        const bool ownRange = bar->minimum() == barStep(f->rule().min) &&
                              bar->maximum() == barStep(f->rule().max);
        const double v = f->value();
        const double slack = 1.0 / scale;
        if (ownRange && (v < lo - slack || v > hi + slack)) {
            std::fprintf(stderr, "%s: %g outside %g..%g\n", qPrintable(f->prefix()), v, lo, hi);
            failed("a field outside its limits");
        }
    }
    for (QComboBox *c : page.findChildren<QComboBox *>())
        if (c->currentIndex() < -1 || c->currentIndex() >= c->count())
            failed("a list on no item");
}

} // namespace fuzz
