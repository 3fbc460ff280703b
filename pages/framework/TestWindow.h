#pragma once

// What the output and input test windows share: a small fixed window of a page without a
// parent (so it stays usable while the page is disabled), placed when first shown (centred on
// the screen the page is on, or over the page), that gives the page back as it found it when
// it closes.
//
// One test at a time: a page's test button starts with TComponentForm::beginTest(); from the
// press until the window has closed (or the start has failed) the page's test, Get and Send
// buttons stay locked, a second start is refused and Get and Send do nothing (see
// TComponentForm, "Test windows").

#include <QWidget>

class TComponentForm;

class TTestWindow : public QWidget
{
    Q_OBJECT
public:
    enum class Placement {
        Screen,  // centred on the screen the page is on
        OverPage // centred over the page
    };

    TComponentForm &page() const { return m_page; }
    bool closeIconShown() const;

protected:
    TTestWindow(TComponentForm &page, const QString &formName, const QString &caption,
                Placement placement = Placement::Screen);

    // The window's content: controls go in here.
    QWidget *body() const { return m_body; }
    // The page shown and enabled again (the progress dialog no longer keeping it disabled),
    // its changed marker as it was when the window opened, repainted; no longer its window.
    void releasePage();
    // The close icon of the title bar, shown or removed (the window keeps its place).
    void setCloseIconShown(bool shown);
    void showEvent(QShowEvent *event) override;

    const bool m_pageWasChanged;

private:
    TComponentForm &m_page;
    QWidget *m_body;
    const Placement m_placement;
    bool m_placed = false;
};
