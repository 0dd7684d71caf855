#include "client/phrasesform.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "client/chatform.h"

namespace zindle {

Tphrases::Tphrases(QWidget* parent) : TiledBackground(parent) {
    setObjectName("phrases");
    setWindowTitle("Zindle- Phrase Buttons");
    setWindowFlag(Qt::Window);
    auto* grid = new QGridLayout(this);
    for (int n = 1; n <= 10; ++n) {
        auto* label = new QLabel(QString("Phrase Button %1:").arg(n % 10), this);
        phrase[n] = new QLineEdit(this);
        phrase[n]->setObjectName(QString("phrase%1").arg(n));
        phrase[n]->setMaxLength(50);
        phrase[n]->setMinimumWidth(260);
        grid->addWidget(label, n - 1, 0);
        grid->addWidget(phrase[n], n - 1, 1);
    }
    auto* done = new QPushButton("Done", this);
    done->setObjectName("doneButton");
    grid->addWidget(done, 10, 0, 1, 2, Qt::AlignHCenter);
    connect(done, &QPushButton::clicked, this, &Tphrases::apply);
}

void Tphrases::apply() {
    if (chat) {
        for (int n = 1; n <= 10; ++n) chat->setPhrase(n, phrase[n]->text());
        chat->savePhrases();
    }
    close();
}

}  // namespace zindle
