#include "shell/PageRegistry.h"

void PageRegistry::add(int listIndex, Factory factory)
{
    m_factories[listIndex] = std::move(factory);
}

bool PageRegistry::has(int listIndex) const
{
    return m_factories.count(listIndex) != 0;
}

QWidget *PageRegistry::create(int listIndex) const
{
    const auto it = m_factories.find(listIndex);
    return it == m_factories.end() || !it->second ? nullptr : it->second();
}

std::vector<int> PageRegistry::indices() const
{
    std::vector<int> out;
    for (const auto &entry : m_factories)
        out.push_back(entry.first);
    return out;
}

PageRegistry &PageRegistry::instance()
{
    static PageRegistry registry;
    return registry;
}
