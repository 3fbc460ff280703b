#pragma once

// E-7PZ: three-point valve controller page and its live window. The settings are one
// block of 20 holding registers; the dead band of the valve is edited with two bars and a
// diagram that can be dragged.

#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;
class TButtonCountdown;
class TShape;
class TcForm2;

// c2BorderPaintBox: the dead-band diagram, 100 x 100 with y growing downward.
class TDeadBandDiagram : public QWidget
{
    Q_OBJECT
public:
    TDeadBandDiagram(TcForm2 &page, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TcForm2 &m_page;
};

class TcForm2 : public TComponentForm
{
    Q_OBJECT
public:
    explicit TcForm2(QWidget *parent = nullptr);

    TExtraForm *createLiveWindow() override;
    void controlsLoaded() override;
    void settleAfterRead(bool ok) override;

    // The bit layouts of 0x2000.
    quint8 packModeFlags() const;
    void unpackModeFlags(quint8 bits);
    quint8 packOutputFlags() const;
    void unpackOutputFlags(quint8 bits);

    // Send: the buttons locked now, their countdown once the write is over (directly, or as
    // the live reader's command 2).
    void c2SendButtonClick();
    Outcome writeAll() override;
    void c2GetButtonClick() { getButtonClick(); }
    void c2AutCheckBoxClick() { enablingRules(); }
    // The output test: handed to the live reader as command 3 while its window is open.
    void c2TestButtonClick();
    void extraOperation() override { testStart(); }
    void testStart();
    // The test window has written the kept settings back (or tried to).
    void testWindowClosed();
    QPushButton *testButton() const { return m_test; }
    QTimer *resumeTimer() const { return m_resumeTimer; }

    // Dead band: both limits at once, Min never above Max.
    void setDeadBand(int min, int max);
    int deadBandMin() const;
    int deadBandMax() const;
    enum class DragMode { None, Min, Max };
    // Mouse in the diagram (press, move, release) at diagram coordinates.
    void diagramPress();
    void diagramMove(int x, int y);
    void diagramRelease();
    DragMode dragMode() const { return m_dragMode; }

    TButtonCountdown *countdown() const { return m_countdown; }
    QLineEdit *textEdit() const { return m_text; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *sensorCombo() const { return m_sensor; }
    QComboBox *tdCombo() const { return m_td; }
    QCheckBox *autonomous() const { return m_aut; }
    QCheckBox *monitoring() const { return m_io; }
    QCheckBox *equithermal() const { return m_ekt; }
    TRadioGroup *pid() const { return m_pid; }
    TRadioGroup *heatCool() const { return m_ohch; }
    TRadioGroup *lowerBand() const { return m_nmin; }
    TNumericField *field(const QString &prefix) const;
    QScrollBar *minBar() const { return m_vmin; }
    QScrollBar *maxBar() const { return m_vmax; }
    TDeadBandDiagram *diagram() const { return m_diagram; }

private:
    void enablingRules();
    void deadBandChanged();
    QComboBox &percentCombo(QGroupBox &group, const QString &name, const QString &caption,
                            int last, const QString &unit, const QString &hint,
                            const QString &labelHint);

    QLineEdit *m_text = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    QComboBox *m_sensor = nullptr;
    QComboBox *m_sp = nullptr, *m_vkmn = nullptr, *m_hys = nullptr;
    QComboBox *m_kp = nullptr, *m_ti = nullptr, *m_td = nullptr;
    TNumericField *m_ter = nullptr, *m_tp = nullptr, *m_etv = nullptr;
    TNumericField *m_off1 = nullptr, *m_off2 = nullptr;
    TNumericField *m_pzh = nullptr, *m_elo = nullptr, *m_ehl = nullptr;
    QCheckBox *m_aut = nullptr, *m_io = nullptr, *m_ekt = nullptr;
    TRadioGroup *m_pid = nullptr, *m_ohch = nullptr;
    QCheckBox *m_rest[5] = {};
    TRadioGroup *m_syn = nullptr, *m_nmin = nullptr, *m_nmax = nullptr;
    QScrollBar *m_vmin = nullptr, *m_vmax = nullptr;
    QLabel *m_vminLabel = nullptr, *m_vmaxLabel = nullptr;
    TDeadBandDiagram *m_diagram = nullptr;
    TButtonCountdown *m_countdown = nullptr;
    QPushButton *m_test = nullptr;
    QTimer *m_resumeTimer = nullptr;
    DragMode m_dragMode = DragMode::None;
    bool m_dragging = false;
    bool m_settingBand = false;
};

class Tc2extForm : public TExtraForm
{
    Q_OBJECT
public:
    explicit Tc2extForm(TComponentForm &page);

    QLineEdit *AI0TemperatureMemo = nullptr;
    QLineEdit *AI1TemperatureMemo = nullptr;
    QLineEdit *actionShotMemo = nullptr;
    QLineEdit *requirePositionMemo = nullptr;
    QLineEdit *actualPositionMemo = nullptr;
    TShape *DOShape[5] = {};
    static int resumeDelayMs() { return 350; }
};

class Tc2extThread : public TFormThread
{
    Q_OBJECT
public:
    Tc2extThread(TComponentForm &page, Tc2extForm &window);

protected:
    bool readValues() override;
    void showValues() override;

private:
    Tc2extForm &m_form;
    const QStringList m_models;
    quint16 m_values[4] = {};
};
