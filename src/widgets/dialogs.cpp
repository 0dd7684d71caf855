#include "widgets/dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDesktopServices>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

namespace zindle {

void QtDialogs::message(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text);
}

bool QtDialogs::yesNo(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

bool QtDialogs::pickColor(QWidget* parent, const QColor& initial, QColor& chosen) {
    const QColor c = QColorDialog::getColor(initial, parent);
    if (!c.isValid()) return false;
    chosen = c;
    return true;
}

bool QtDialogs::openUrl(const QString& url) {
    QUrl u = QUrl::fromUserInput(url);
    return u.isValid() && QDesktopServices::openUrl(u);
}

bool QtDialogs::startProgram(const QString& program, const QStringList& arguments,
                             const QString& workingDir) {
    return QProcess::startDetached(program, arguments, workingDir);
}

QString QtDialogs::clipboardText() {
    return QApplication::clipboard() ? QApplication::clipboard()->text() : QString();
}

void QtDialogs::setClipboardText(const QString& text) {
    if (QApplication::clipboard()) QApplication::clipboard()->setText(text);
}

void RecordingDialogs::message(QWidget*, const QString& caption, const QString& text) {
    calls.append({"message", caption, text});
}

bool RecordingDialogs::yesNo(QWidget*, const QString& caption, const QString& text) {
    calls.append({"yesNo", caption, text});
    return yesAnswer;
}

bool RecordingDialogs::pickColor(QWidget*, const QColor& initial, QColor& chosen) {
    calls.append({"pickColor", {}, initial.name()});
    if (!colorAnswer) return false;
    chosen = colorToPick;
    return true;
}

bool RecordingDialogs::openUrl(const QString& url) {
    calls.append({"openUrl", {}, url});
    return openAnswer;
}

bool RecordingDialogs::startProgram(const QString& program, const QStringList& arguments,
                                    const QString&) {
    calls.append({"startProgram", {}, (QStringList{program} + arguments).join(' ')});
    return startAnswer;
}

}  // namespace zindle
