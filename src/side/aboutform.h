// The about window: the picture, the version and the credits.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace zindle {

class WindowPlacer;

class Tabout : public QWidget {
    Q_OBJECT
public:
    explicit Tabout(QWidget* parent = nullptr);

    QLabel* Image1;
    QLabel* version;  // the version the login exchange carries
    QPushButton* Button1;  // "Ok"

    void Button1Click();
    void Image1Click();
    // Opens centred over the game window rather than the screen.
    void centreOver(QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlacer* placer;
};

}  // namespace zindle
