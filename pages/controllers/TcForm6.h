#pragma once

// The KQx family page: one page for five temperature devices (T4yR, KQx, KQLx, VTx, VTLx)
// that share a small settings block and differ in its fields, their identification and
// their live data. The main window's variant number chooses the device when the page is
// built; the page keeps it for its whole life.

#include "pages/framework/TComponentForm.h"
#include "pages/framework/TExtraForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TShape;

struct KqxVariant {
    QString model;      // caption and configuration section
    QStringList models; // identifications accepted
    bool sensorShown;
    bool correctionShown;
    bool keepsSensorByte; // 0x2006 written as the device's own low byte (else 0xFFFF)
    bool writesCorrection;
    bool savesCorrection;
    enum class Live { T4yR, Kq, Kql } live;
    QString liveSection;
};

class TcForm6 : public TComponentForm
{
    Q_OBJECT
public:
    // variant -1: the main window's variant number.
    explicit TcForm6(QWidget *parent = nullptr, int variant = -1);

    static const KqxVariant &variantOf(int componentType);
    const KqxVariant &variant() const { return variantOf(m_variant); }
    int variantNumber() const { return m_variant; }

    TExtraForm *createLiveWindow() override;
    // Reader command 7: a coil of the live window. The argument carries the state in bit 0
    // and the coil address above it, so queued clicks never share one address.
    void extraOperationWithArgument(quint8 argument) override;
    static quint8 coilArgument(int coil, bool on) { return quint8((coil << 1) | (on ? 1 : 0)); }
    // Function 5 with the variant's identification check, progress and error report.
    int writeCoil(int coil, bool on);

    QLineEdit *textEdit() const { return m_text; }
    QComboBox *speedCombo() const { return m_speed; }
    QComboBox *addressList() const { return m_address; }
    QComboBox *sensorCombo() const { return m_sensor; }
    TNumericField *off() const { return m_off; }
    QGroupBox *advanceGroup() const { return m_advance; }

    void c6ZdTextEditChange(QObject *sender) { changeOf(sender); }
    void c6ZdOffMaskEditExit(QObject *sender) { exitOf(sender); }
    void c6GetButtonClick() { getButtonClick(); }
    void c6SendButtonClick() { sendButtonClick(); }

private:
    int m_variant;
    QLineEdit *m_text = nullptr;
    QComboBox *m_speed = nullptr;
    QComboBox *m_address = nullptr;
    QComboBox *m_sensor = nullptr;
    TNumericField *m_off = nullptr;
    QGroupBox *m_advance = nullptr;
};

// What the three live windows share: the temperature group and the setback group.
class Tc6extBase : public TExtraForm
{
    Q_OBJECT
public:
    QLineEdit *measureTemperatureMemo = nullptr;
    QLineEdit *temperatureCorrectionMemo = nullptr; // null on the T4yR
    // The On/Off buttons of the setback (coil 0); null on the T4yR.
    QPushButton *setbackOnButton = nullptr;
    QPushButton *setbackOffButton = nullptr;

protected:
    explicit Tc6extBase(TcForm6 &page);
    void temperatureGroup(bool withCorrection);
    TShape *setbackGroup(const QString &shapeName, const QString &buttonPrefix);
    // A click: command 7 to the reader with the coil and state.
    void handOverCoil(int coil, bool on);
};

class Tc6extFormT4yR : public Tc6extBase
{
    Q_OBJECT
public:
    explicit Tc6extFormT4yR(TcForm6 &page);
};

class Tc6extFormKq : public Tc6extBase
{
    Q_OBJECT
public:
    explicit Tc6extFormKq(TcForm6 &page);
    TShape *buttonStatusShape = nullptr;
};

// The 20 x 20 picture of the pressed button: none, up or down.
class TButtonPaintBox : public QWidget
{
    Q_OBJECT
public:
    explicit TButtonPaintBox(QWidget *parent);
    int state() const { return m_state; }
    void setState(int state);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_state = 0;
};

class Tc6extFormKql : public Tc6extBase
{
    Q_OBJECT
public:
    explicit Tc6extFormKql(TcForm6 &page);
    TShape *inhibitionStatusShape = nullptr;
    QLabel *buttonStatusLabel = nullptr;
    TButtonPaintBox *buttonStatusPaintBox = nullptr;
    QLabel *windowContactValueLabel = nullptr;
    QLabel *tranzistorValueLabel = nullptr;
    QPushButton *transistorOnButton = nullptr;
    QPushButton *transistorOffButton = nullptr;
};

// Readers: one poll of 1, 3 or 4 holding registers from 0x0004.
class Tc6extThreadT4yR : public TFormThread
{
    Q_OBJECT
public:
    Tc6extThreadT4yR(TcForm6 &page, Tc6extBase &window, int count = 1);

protected:
    bool readValues() override;
    void showValues() override;

    QStringList m_models;
    Tc6extBase &m_base;
    int m_count;
    quint16 m_values[4] = {};
};

class Tc6extThreadKq : public Tc6extThreadT4yR
{
    Q_OBJECT
public:
    Tc6extThreadKq(TcForm6 &page, Tc6extFormKq &window);

protected:
    void showValues() override;

private:
    Tc6extFormKq &m_form;
};

class Tc6extThreadKql : public Tc6extThreadT4yR
{
    Q_OBJECT
public:
    Tc6extThreadKql(TcForm6 &page, Tc6extFormKql &window);

protected:
    void showValues() override;

private:
    Tc6extFormKql &m_form;
};
