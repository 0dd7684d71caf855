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

    QLabel* iconPicture;
    QLabel* version;        // the version the login exchange carries
    QPushButton* okButton;  // "Ok"

    void onOkClicked();
    void onIconClicked();
    // Opens centred over the game window rather than the screen.
    void centreOver(QWidget* owner);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    WindowPlacer* placer;
};

}  // namespace zindle
