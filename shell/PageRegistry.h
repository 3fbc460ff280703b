#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <vector>

// Device pages by model list index. Pages register themselves as they are built; a list
// index without a page opens nothing.
class PageRegistry
{
public:
    using Factory = std::function<QWidget *()>;

    void add(int listIndex, Factory factory);
    bool has(int listIndex) const;
    // Creates a new page for the index (a new window each time); null without a factory.
    QWidget *create(int listIndex) const;
    // The list indices that have a page, in order.
    std::vector<int> indices() const;

    static PageRegistry &instance();

private:
    std::map<int, Factory> m_factories;
};
