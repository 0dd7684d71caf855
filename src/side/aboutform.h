// The about window: the picture, the version and the credits.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zindle {

class Tabout : public QWidget {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* version;  // the version the login exchange carries
    QPushButton* Button1;  // "Ok"

    void Button1Click();
    void Image1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    bool placed = false;
};

}  // namespace zindle
