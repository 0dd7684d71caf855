// A plain container that paints the background tile over its whole area;
// children draw on top.
#pragma once

#include <QWidget>

namespace zindle {

class TiledBackground : public QWidget {
public:
    explicit TiledBackground(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace zindle
