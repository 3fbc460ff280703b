// The page's declarations (PageDeclarations.h): groups, rows and the controls built from
// them, the required selections, the layout of the columns and the tab order.

#include "pages/framework/PageDeclarations.h"

#include "pages/framework/TComponentForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

void markGroupRed(TRadioGroup *group, bool red)
{
    group->setStyleSheet(red ? QStringLiteral("QGroupBox { color: red }") : QString());
    group->setProperty("invalidMark", red);
}

} // namespace

PageDeclarations::PageDeclarations(TComponentForm &page) : m_page(page)
{
    m_central = new QWidget(&page);
    auto *outer = new QVBoxLayout(m_central);
    outer->setContentsMargins(8, 8, 8, 4);
    m_body = new QWidget(m_central);
    auto *bodyLayout = new QVBoxLayout(m_body);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->setSpacing(6);
    m_across = new QVBoxLayout;
    m_across->setSpacing(6);
    bodyLayout->addLayout(m_across);
    m_columns = new QHBoxLayout;
    bodyLayout->addLayout(m_columns, 1);
    outer->addWidget(m_body, 1);
    m_actions = new QHBoxLayout;
    m_actions->addStretch(1);
    outer->addLayout(m_actions);
}

QVBoxLayout *PageDeclarations::columnLayout(int column)
{
    while (static_cast<int>(m_columnLayouts.size()) <= column) {
        auto *l = new QVBoxLayout;
        l->setSpacing(6);
        m_columns->addLayout(l, 1);
        m_columnLayouts.push_back(l);
    }
    return m_columnLayouts[static_cast<size_t>(column)];
}

QGroupBox &PageDeclarations::group(const QString &title, int column, const QString &name)
{
    auto *box = new QGroupBox(title, m_body);
    if (!name.isEmpty())
        box->setObjectName(name);
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->setColumnStretch(2, 1);
    grid->setColumnMinimumWidth(2, 140);
    if (column < 0) {
        m_across->addWidget(box);
        return *box;
    }
    QVBoxLayout *col = columnLayout(column);
    // Groups stack from the top; a stretch at the end keeps them there.
    if (col->count() > 0 && col->itemAt(col->count() - 1)->spacerItem())
        delete col->takeAt(col->count() - 1);
    col->addWidget(box);
    col->addStretch(1);
    return *box;
}

void PageDeclarations::besideEachOther(QWidget &left, QWidget &right)
{
    auto *grid = static_cast<QGridLayout *>(left.parentWidget()->layout());
    int row = 0, column = 0, rows = 0, columns = 0;
    grid->getItemPosition(grid->indexOf(&left), &row, &column, &rows, &columns);
    grid->removeWidget(&left);
    grid->removeWidget(&right);
    grid->addWidget(&left, row, 0, 1, 2);
    grid->addWidget(&right, row, 2, 1, 2);
}

void PageDeclarations::actionsUnderColumn(int column)
{
    QVBoxLayout *col = columnLayout(column);
    static_cast<QVBoxLayout *>(m_page.centralWidget()->layout())->removeItem(m_actions);
    // The column's closing stretch stays above the buttons: they sit at its bottom.
    col->addLayout(m_actions);
}

void PageDeclarations::orderTabs()
{
    // Before the first show the widgets inside containers have no places yet: lay them out.
    m_page.layout()->activate();
    for (QWidget *w : m_page.findChildren<QWidget *>())
        if (w->layout() && w->window() == &m_page)
            w->layout()->setGeometry(w->rect());
    QList<QGroupBox *> groups;
    for (QGroupBox *g : m_page.findChildren<QGroupBox *>()) {
        bool outermost = g->window() == &m_page;
        for (QWidget *p = g->parentWidget(); outermost && p && p != &m_page; p = p->parentWidget())
            outermost = !qobject_cast<QGroupBox *>(p);
        if (outermost)
            groups << g;
    }
    std::stable_sort(groups.begin(), groups.end(), [this](QGroupBox *a, QGroupBox *b) {
        const QPoint pa = a->mapTo(&m_page, QPoint()), pb = b->mapTo(&m_page, QPoint());
        return pa.x() != pb.x() ? pa.x() < pb.x() : pa.y() < pb.y();
    });
    // The focus chain as the controls were made gives the order within a group.
    QList<QWidget *> made;
    for (QWidget *w = m_page.nextInFocusChain(); w && w != &m_page; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && !w->focusProxy() &&
            !qobject_cast<QComboBox *>(w->parentWidget()))
            made << w;
    QList<QWidget *> chain;
    for (QGroupBox *g : groups)
        for (QWidget *w : made)
            if (g->isAncestorOf(w))
                chain << w;
    chain << static_cast<QWidget *>(m_page.getButton())
          << static_cast<QWidget *>(m_page.sendButton());
    for (int i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

static QString labelNameFor(const QString &controlName)
{
    static const char *const suffixes[] = {"MaskEdit", "ComboBoxEx", "ComboBox", "Edit",
                                           "CheckBox", "RadioGroup", "ScrollBar"};
    for (const char *s : suffixes) {
        const QString suffix = QString::fromLatin1(s);
        if (controlName.endsWith(suffix))
            return controlName.left(controlName.size() - suffix.size()) + QStringLiteral("Label");
    }
    return controlName + QStringLiteral("Label");
}

QLabel *PageDeclarations::makeLabel(QGroupBox &group, const QString &controlName,
                                    const QString &caption, const QString &hint)
{
    auto *label = new QLabel(caption, &group);
    label->setObjectName(labelNameFor(controlName));
    label->setToolTip(hint);
    label->setWordWrap(false);
    return label;
}

void PageDeclarations::addRow(QGroupBox &group, QLabel *label, QWidget *value, QWidget *extra,
                              QLabel *unit)
{
    auto *grid = static_cast<QGridLayout *>(group.layout());
    const int row = grid->rowCount();
    if (label)
        grid->addWidget(label, row, 0);
    if (extra) {
        grid->addWidget(value, row, 1);
        grid->addWidget(extra, row, 2);
    } else {
        grid->addWidget(value, row, 1, 1, 2, Qt::AlignLeft);
    }
    if (unit)
        grid->addWidget(unit, row, 3);
    if (label)
        label->setBuddy(value);
}

TNumericField &PageDeclarations::numeric(QGroupBox &group, const QString &prefix,
                                         const QString &caption, Rule rule, const QString &unit,
                                         const QString &hint, const QString &labelHint)
{
    if (rule.rounding == Rounding::Default)
        rule.rounding = m_page.traits().isNewer() ? Rounding::Ceiling : Rounding::Truncate;
    auto field = std::make_unique<TNumericField>(m_page, prefix, rule, unit, &group);
    TNumericField &f = *field;
    m_fields.push_back(std::move(field));
    QLabel *label = makeLabel(group, prefix + QStringLiteral("MaskEdit"), caption,
                              labelHint.isEmpty() ? hint : labelHint);
    f.edit()->setToolTip(hint);
    f.bar()->setToolTip(hint);
    if (f.unitLabel())
        f.unitLabel()->setToolTip(hint);
    f.edit()->setFixedWidth(std::max(64, f.edit()->fontMetrics().horizontalAdvance(
                                             QString(f.rule().maxLength + 2, QLatin1Char('0')))));
    f.edit()->setAlignment(Qt::AlignRight);
    f.bar()->setMinimumWidth(140);
    addRow(group, label, f.edit(), f.bar(), f.unitLabel());
    label->setBuddy(f.edit());
    f.bar()->setProperty("label", QVariant::fromValue<QObject *>(label));
    f.edit()->setProperty("label", QVariant::fromValue<QObject *>(label));
    return f;
}

QComboBox &PageDeclarations::combo(QGroupBox &group, const QString &name, const QString &caption,
                                   const QStringList &items, const QString &unit,
                                   const QString &hint, const QString &labelHint)
{
    auto *box = new QComboBox(&group);
    box->setObjectName(name);
    box->addItems(items);
    box->setToolTip(hint);
    box->setMinimumWidth(150);
    QLabel *label = makeLabel(group, name, caption, labelHint.isEmpty() ? hint : labelHint);
    box->setProperty("label", QVariant::fromValue<QObject *>(label));
    if (!unit.isEmpty()) {
        // The unit right after the list, not at the far end of the bar column.
        auto *row = new QWidget(&group);
        auto *h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        box->setParent(row);
        h->addWidget(box);
        auto *unitLabel = new QLabel(unit, row);
        unitLabel->setObjectName(labelNameFor(name).chopped(5) + QStringLiteral("ULabel"));
        unitLabel->setToolTip(hint);
        h->addWidget(unitLabel);
        h->addStretch(1);
        addRow(group, label, row, nullptr, nullptr);
        label->setBuddy(box);
    } else {
        addRow(group, label, box, nullptr, nullptr);
    }
    QObject::connect(box, &QComboBox::currentIndexChanged, &m_page, [this, box] {
        m_page.markChanged(true);
        for (auto &r : m_required)
            if (r.combo == box && r.marker) {
                r.marker->setStyleSheet(QString());
                r.marker->setProperty("invalidMark", false);
            }
    });
    return *box;
}

QComboBox &PageDeclarations::codedCombo(QGroupBox &group, const QString &name,
                                        const QString &caption, const CodeTable &table,
                                        const QString &unit, const QString &hint,
                                        const QString &labelHint)
{
    QComboBox &box = combo(group, name, caption, {}, unit, hint, labelHint);
    {
        // Filling the list is no change of the page.
        const QSignalBlocker quiet(&box);
        setCodeTable(&box, table);
    }
    required(box, nullptr);
    return box;
}

QComboBox &PageDeclarations::addressCombo(QGroupBox &group, const QString &name,
                                          const QString &caption, const QString &hint,
                                          const QString &labelHint)
{
    QStringList items;
    for (int a = 1; a <= 254; ++a)
        items << QString::number(a);
    QComboBox &box = combo(group, name, caption, items, QString(), hint, labelHint);
    markAddressCombo(&box);
    return box;
}

QLineEdit &PageDeclarations::textField(QGroupBox &group, const QString &name,
                                       const QString &caption, int maxChars, const QString &hint,
                                       const QString &labelHint)
{
    auto *edit = new QLineEdit(&group);
    edit->setObjectName(name);
    edit->setMaxLength(maxChars);
    edit->setToolTip(hint);
    edit->setText(QStringLiteral("Text"));
    edit->setMinimumWidth(
        edit->fontMetrics().horizontalAdvance(QString(maxChars + 2, QLatin1Char('W'))));
    QLabel *label = makeLabel(group, name, caption, labelHint.isEmpty() ? hint : labelHint);
    edit->setProperty("label", QVariant::fromValue<QObject *>(label));
    addRow(group, label, edit, nullptr, nullptr);
    QObject::connect(edit, &QLineEdit::textChanged, &m_page, [this] { m_page.markChanged(true); });
    return *edit;
}

QLineEdit &PageDeclarations::customerText(QGroupBox &group, const QString &name)
{
    return textField(group, name, QStringLiteral("Zákaznické textové pole"), 10,
                     QStringLiteral("Zákaznické textové pole (max. 10 znaků)"), QString());
}

QComboBox &PageDeclarations::baudList(QGroupBox &group, const QString &name,
                                      const QStringList &items, const QString &hint,
                                      const QString &labelHint)
{
    QComboBox &box = combo(group, name, QStringLiteral("Komunikační rychlost"), items,
                           QStringLiteral("Bd"), hint, labelHint);
    required(box, nullptr);
    return box;
}

QComboBox &PageDeclarations::networkAddress(QGroupBox &group, const QString &name,
                                            const QString &labelHint)
{
    QComboBox &box = addressCombo(group, name, QStringLiteral("Síťová adresa"),
                                  QStringLiteral("Rozsah 1 - 254"), labelHint);
    required(box, nullptr);
    return box;
}

const QStringList &PageDeclarations::baudRates()
{
    static const QStringList items = {"1200", "2400", "4800", "9600", "19200"};
    return items;
}

QCheckBox &PageDeclarations::checkBox(QGroupBox &group, const QString &name, const QString &caption,
                                      const QString &hint)
{
    auto *box = new QCheckBox(caption, &group);
    box->setObjectName(name);
    box->setToolTip(hint);
    addRow(group, nullptr, box, nullptr, nullptr);
    QObject::connect(box, &QCheckBox::toggled, &m_page, [this] { m_page.markChanged(true); });
    return *box;
}

TRadioGroup &PageDeclarations::radioGroup(QGroupBox &group, const QString &name,
                                          const QString &caption, const QStringList &items,
                                          const QString &hint, int columns)
{
    auto *radio = new TRadioGroup(caption, items, &group, columns);
    radio->setObjectName(name);
    radio->setToolTip(hint);
    auto *grid = static_cast<QGridLayout *>(group.layout());
    grid->addWidget(radio, grid->rowCount(), 0, 1, 4);
    QObject::connect(radio, &TRadioGroup::clicked, &m_page, [this] { m_page.markChanged(true); });
    return *radio;
}

void PageDeclarations::required(QComboBox &combo, QWidget *marker)
{
    m_required.push_back({&combo, marker ? marker : labelOf(&combo)});
}

void PageDeclarations::requiredUnmarked(QComboBox &combo)
{
    for (auto &r : m_required)
        if (r.combo == &combo) {
            r.marker = nullptr;
            return;
        }
    m_required.push_back({&combo, nullptr});
}

void PageDeclarations::saved(std::initializer_list<QWidget *> controls)
{
    for (QWidget *c : controls)
        m_page.m_table.registerControl(c, 0);
}

void PageDeclarations::registerControl(QWidget *control, double defaultValue, int loadPass)
{
    m_page.m_table.registerControl(control, defaultValue, loadPass);
}

void PageDeclarations::savedBooleans(std::initializer_list<QWidget *> controls)
{
    for (QWidget *c : controls)
        m_page.m_table.registerBoolean(c);
}

RegisterBlock &PageDeclarations::block(int start, int count)
{
    m_page.blocks().emplace_back(start, count);
    return m_page.blocks().back();
}

QLabel *PageDeclarations::labelOf(const QWidget *control)
{
    return control ? qobject_cast<QLabel *>(control->property("label").value<QObject *>())
                   : nullptr;
}

void PageDeclarations::alignColumns(int clientWidth)
{
    QList<QGroupBox *> boxes;
    for (QGroupBox *box : m_page.findChildren<QGroupBox *>())
        if (!qobject_cast<TRadioGroup *>(box) && box->window() == &m_page)
            boxes << box;
    int captions = 0;
    for (QGroupBox *box : boxes)
        for (QLabel *label : box->findChildren<QLabel *>(QString(), Qt::FindDirectChildrenOnly))
            if (label->objectName().endsWith(QStringLiteral("Label")) &&
                !label->objectName().endsWith(QStringLiteral("ULabel")))
                captions = std::max(captions, label->sizeHint().width());
    const auto fields = m_page.findChildren<TNumericField *>();
    int edits = 0;
    for (TNumericField *f : fields)
        edits = std::max(edits, f->edit()->width());
    for (TNumericField *f : fields)
        f->edit()->setFixedWidth(edits);
    // The texts and the lists end on one line.
    QList<QWidget *> lists;
    for (QLineEdit *e : m_page.findChildren<QLineEdit *>()) {
        bool numeric = false;
        for (TNumericField *f : fields)
            numeric = numeric || f->edit() == e;
        if (!numeric && !e->objectName().isEmpty() && e->window() == &m_page &&
            !qobject_cast<QComboBox *>(e->parentWidget()))
            lists << e;
    }
    for (QComboBox *c : m_page.findChildren<QComboBox *>())
        if (c->window() == &m_page)
            lists << c;
    int width = 0;
    for (QWidget *w : lists)
        width = std::max({width, w->minimumWidth(), w->sizeHint().width()});
    for (QWidget *w : lists)
        w->setFixedWidth(width);
    for (QGroupBox *box : boxes)
        if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
            grid->setColumnMinimumWidth(0, captions);
    m_page.centralWidget()->setMinimumWidth(clientWidth);
}

// --- required selections ---

void PageDeclarations::required(TRadioGroup &group)
{
    m_requiredGroups.push_back(&group);
    // Choosing an item takes the mark away at once, as a list's choice does its label's.
    QObject::connect(&group, &TRadioGroup::clicked, &m_page, [g = &group](int index) {
        if (index >= 0)
            markGroupRed(g, false);
    });
}

void PageDeclarations::clearInvalidMarks()
{
    for (auto &r : m_required) {
        if (r.marker) {
            r.marker->setStyleSheet(QString());
            r.marker->setProperty("invalidMark", false);
        }
    }
    for (TRadioGroup *g : m_requiredGroups)
        markGroupRed(g, false);
}

bool PageDeclarations::validateSelections()
{
    bool ok = true;
    for (auto &r : m_required) {
        if (r.combo->currentIndex() < 0) {
            ok = false;
            if (r.marker) {
                r.marker->setStyleSheet(QStringLiteral("color: red"));
                r.marker->setProperty("invalidMark", true);
            }
        }
    }
    for (TRadioGroup *g : m_requiredGroups) {
        if (g->itemIndex() < 0) {
            ok = false;
            markGroupRed(g, true);
        }
    }
    return ok;
}

TNumericField *PageDeclarations::fieldOf(QObject *sender) const
{
    for (const auto &f : m_fields)
        if (sender == f->edit() || sender == f->bar() || sender == f.get())
            return f.get();
    return nullptr;
}
