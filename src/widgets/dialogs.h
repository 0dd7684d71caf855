// The standard dialogs and desktop services, behind one small interface so
// that windows never block a test on a modal box. The program passes
// QtDialogs; tests pass a recorder that answers from a script.
#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

class QWidget;

namespace zindle {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with one OK button.
    virtual void message(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Yes/No confirmation; true for Yes.
    virtual bool yesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // Colour picker starting at initial; false when cancelled.
    virtual bool pickColor(QWidget* parent, const QColor& initial, QColor& chosen) = 0;
    // Opens a link or file with its default program; false when nothing could.
    virtual bool openUrl(const QString& url) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDir = {}) = 0;
    // Clipboard text.
    virtual QString clipboardText() = 0;
    virtual void setClipboardText(const QString& text) = 0;
};

// The real thing: QMessageBox, QColorDialog, QDesktopServices, QProcess, QClipboard.
class QtDialogs : public Dialogs {
public:
    void message(QWidget* parent, const QString& caption, const QString& text) override;
    bool yesNo(QWidget* parent, const QString& caption, const QString& text) override;
    bool pickColor(QWidget* parent, const QColor& initial, QColor& chosen) override;
    bool openUrl(const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDir = {}) override;
    QString clipboardText() override;
    void setClipboardText(const QString& text) override;
};

// For tests: records every call and answers from its fields.
class RecordingDialogs : public Dialogs {
public:
    struct Call {
        QString kind;  // "message", "yesNo", "pickColor", "openUrl", "startProgram"
        QString caption;
        QString text;  // message text, url, or program followed by its arguments
    };
    void message(QWidget*, const QString& caption, const QString& text) override;
    bool yesNo(QWidget*, const QString& caption, const QString& text) override;
    bool pickColor(QWidget*, const QColor& initial, QColor& chosen) override;
    bool openUrl(const QString& url) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDir = {}) override;
    QString clipboardText() override { return clipboard; }
    void setClipboardText(const QString& text) override { clipboard = text; }

    QList<Call> calls;
    bool yesAnswer = true;
    bool colorAnswer = true;
    QColor colorToPick = Qt::red;
    bool startAnswer = true;
    bool openAnswer = true;
    QString clipboard;
};

}  // namespace zindle
