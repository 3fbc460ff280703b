#pragma once

// What the output and input test windows share: a small fixed window of a page without a
// parent (so it stays usable while the page is disabled), centred on the desktop when first
// shown, that gives the page back as it found it when it closes.

#include <QWidget>

class TComponentForm;

class TTestWindow : public QWidget
{
    Q_OBJECT
public:
    TComponentForm &page() const { return m_page; }

protected:
    TTestWindow(TComponentForm &page, const QString &formName, const QString &caption);

    // The window's content: controls go in here.
    QWidget *body() const { return m_body; }
    // The page shown and enabled again (the progress dialog no longer keeping it disabled),
    // its changed marker as it was when the window opened, repainted; no longer its window.
    void releasePage();
    void showEvent(QShowEvent *event) override;

    const bool m_pageWasChanged;

private:
    TComponentForm &m_page;
    QWidget *m_body;
    bool m_placed = false;
};
