#pragma once

#include <QDialog>

class QPushButton;

// "About": the maker, the logo, the supported models and the version.
class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);

    QPushButton *OKButton = nullptr;
};
