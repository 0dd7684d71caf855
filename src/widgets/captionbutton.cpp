#include "widgets/captionbutton.h"

namespace zindle {

CaptionButton::CaptionButton(const QString& text, QWidget* parent) : QPushButton(text, parent) {
    setCheckable(true);
    setAutoExclusive(true);
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    // The flat style sheet gives caption buttons their own plain and selected looks.
    setProperty("kit", QStringLiteral("caption"));
}

}  // namespace zindle
