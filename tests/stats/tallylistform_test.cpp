// The tally window as the player uses it: real mouse clicks on the check boxes, the Yes/No
// answers scripted, the tally file in a temporary data folder.

#include "stats/tallylistform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <memory>

#include "stats/tallyfile.h"
#include "tallyrows.h"
#include "widgets/dialogs.h"

using zindle::RecordingDialogs;
using zindle::TallyFile;
using zindle::TallyModel;
using zindle::Ttallylist;

namespace {

class TallyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath("zindletally.tld");
    }

    std::unique_ptr<Ttallylist> open() {
        auto w = std::make_unique<Ttallylist>(dialogs, file);
        w->refreshPlayers = [this, raw = w.get()] {
            ++refreshes;
            raw->fillChecklist(seated);
        };
        return w;
    }

    static void show(Ttallylist& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    // Clicks the check box of a list item, as the player would.
    static void clickCheck(QListWidget* view, int row) {
        QListWidgetItem* item = view->item(row);
        ASSERT_NE(item, nullptr);
        QStyleOptionViewItem opt;
        opt.initFrom(view);
        opt.rect = view->visualItemRect(item);
        opt.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        opt.text = item->text();
        const QRect box =
            view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, view);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, box.center());
        QCoreApplication::processEvents();
    }

    static void clickText(QListWidget* view, int row) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualItemRect(view->item(row)).center());
    }

    static QStringList items(QListWidget* view, bool checkedOnly = false) {
        QStringList names;
        for (int i = 0; i < view->count(); ++i)
            if (!checkedOnly || view->item(i)->checkState() == Qt::Checked)
                names << view->item(i)->text();
        return names;
    }

    static QStringList panel(const Ttallylist& w) {
        QStringList texts{w.label_hisnametop->text(), w.label_hisname->text()};
        for (QLabel* l : {w.label_1, w.label_2, w.label_3, w.label_4, w.label_5, w.label_6,
                          w.label_7, w.label_8})
            texts << l->text();
        return texts;
    }

    // What the file on disk holds now, row by row.
    std::vector<std::string> onDisk() {
        TallyModel m;
        std::string reason;
        TallyFile f(file.toStdString());
        EXPECT_NE(f.load(m, reason), TallyFile::Loaded::Damaged) << reason;
        return rowsOf(m);
    }

    QTemporaryDir dir;
    QString file;
    RecordingDialogs dialogs;
    QStringList seated{"Ann", "Bob"};
    int refreshes = 0;
};

TEST_F(TallyWindow, FollowPlayDropAndRestart) {
    auto w = open();
    EXPECT_EQ(w->windowTitle(), "Zindle - Tally List");
    EXPECT_TRUE(w->isHidden());
    show(*w);
    w->fillChecklist(seated);
    EXPECT_EQ(items(w->checklist, true), QStringList());

    // Following Ann: she joins the tallied list, checked, and the file already knows her.
    clickCheck(w->checklist, 0);
    EXPECT_EQ(items(w->listbox_tally, true), QStringList{"Ann"});
    EXPECT_EQ(items(w->checklist, true), QStringList{"Ann"});
    EXPECT_EQ(onDisk(), (std::vector<std::string>{"0 0 0 0 0 0 0 0 0", "Ann 0 0 0 0 0 0 0 0"}));

    // Clicking a followed player in the game list changes nothing.
    clickCheck(w->checklist, 0);
    EXPECT_EQ(items(w->checklist, true), QStringList{"Ann"});
    EXPECT_EQ(w->listbox_tally->count(), 1);

    // Ann wins one, the local player one; each counted game is on disk at once.
    w->addgame("Ann");
    w->addgame("addtomine");
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(w->mylabel_1->text(), "2");
    EXPECT_EQ(w->mylabel_2->text(), "1");
    EXPECT_EQ(onDisk(), (std::vector<std::string>{"0 2 1 0 0 0 0 0 0", "Ann 2 1 1 0 2 1 1 0"}));
    clickText(w->listbox_tally, 0);
    EXPECT_EQ(panel(*w),
              (QStringList{"Ann's Tally", "Ann Wins:", "2", "1", "1", "0", "2", "1", "1", "0"}));
    if (qEnvironmentVariableIsSet("ZINDLE_GRAB"))
        w->grab().save(qEnvironmentVariable("ZINDLE_GRAB"));

    // Unchecking asks; No keeps her followed and checked.
    dialogs.yesAnswer = false;
    clickCheck(w->listbox_tally, 0);
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].kind, "yesNo");
    EXPECT_EQ(dialogs.calls[0].text, "This will delete Ann's Tally, Are you want to delete it?");
    EXPECT_EQ(items(w->listbox_tally, true), QStringList{"Ann"});

    // A restart: totals kept, session columns back at 0.
    w.reset();
    w = open();
    show(*w);
    EXPECT_EQ(w->mylabel_1->text(), "2");
    clickText(w->listbox_tally, 0);
    EXPECT_EQ(panel(*w),
              (QStringList{"Ann's Tally", "Ann Wins:", "2", "1", "1", "0", "0", "0", "0", "0"}));

    // Yes drops her: the list, the game list's mark, the panel and the file.
    w->fillChecklist(seated);
    dialogs.yesAnswer = true;
    clickCheck(w->listbox_tally, 0);
    EXPECT_EQ(dialogs.calls.size(), 2);
    EXPECT_EQ(w->listbox_tally->count(), 0);
    EXPECT_EQ(items(w->checklist, true), QStringList());
    EXPECT_EQ(panel(*w)[2], "0");
    EXPECT_EQ(onDisk(), std::vector<std::string>{"0 2 1 0 0 0 0 0 0"});
}

TEST_F(TallyWindow, DroppingTheFirstKeepsListAndRowsAligned) {
    auto w = open();
    show(*w);
    seated = {"Ann", "Bob", "Cy"};
    w->fillChecklist(seated);
    for (int i = 0; i < 3; ++i) clickCheck(w->checklist, i);
    w->addgame("Cy");
    clickCheck(w->listbox_tally, 0);
    EXPECT_EQ(items(w->listbox_tally, true), (QStringList{"Bob", "Cy"}));
    clickText(w->listbox_tally, 1);
    EXPECT_EQ(panel(*w),
              (QStringList{"Cy's Tally", "Cy Wins:", "1", "1", "0", "0", "1", "1", "0", "0"}));
}

TEST_F(TallyWindow, ResetAsksFirst) {
    auto w = open();
    show(*w);
    w->fillChecklist(seated);
    clickCheck(w->checklist, 1);
    w->addgame("addtomine");
    clickText(w->listbox_tally, 0);

    dialogs.yesAnswer = false;
    QTest::mouseClick(w->resetButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].text, "Are you sure you want to reset the Tally?");
    EXPECT_EQ(w->mylabel_1->text(), "1");
    EXPECT_EQ(w->listbox_tally->count(), 1);

    dialogs.yesAnswer = true;
    QTest::mouseClick(w->resetButton, Qt::LeftButton);
    EXPECT_EQ(w->mylabel_1->text(), "0");
    EXPECT_EQ(w->mylabel_2->text(), "0");
    EXPECT_EQ(w->listbox_tally->count(), 0);
    EXPECT_EQ(items(w->checklist, true), QStringList());
    EXPECT_EQ(panel(*w).mid(2), QStringList(8, "0"));
    // Saved at once, not only at the end of the program.
    EXPECT_EQ(onDisk(), std::vector<std::string>{"0 0 0 0 0 0 0 0 0"});

    QTest::mouseClick(w->doneButton, Qt::LeftButton);
    EXPECT_TRUE(w->isHidden());
}

TEST_F(TallyWindow, DamagedFileIsReportedOnceAndKept) {
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("WRZL\x10\0\0\0garbage", 15);
    }
    auto w = open();
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].kind, "message");
    EXPECT_TRUE(dialogs.calls[0].text.contains(file)) << dialogs.calls[0].text.toStdString();
    EXPECT_TRUE(dialogs.calls[0].text.contains("does not decompress"));
    EXPECT_TRUE(dialogs.calls[0].text.contains(file + ".bad"));
    EXPECT_EQ(w->mylabel_1->text(), "0");
    EXPECT_EQ(w->listbox_tally->count(), 0);
    w.reset();

    QFile kept(file + ".bad");
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("WRZL\x10\0\0\0garbage", 15));
    EXPECT_EQ(onDisk(), std::vector<std::string>{"0 0 0 0 0 0 0 0 0"});
    EXPECT_EQ(dialogs.calls.size(), 1);
}

TEST_F(TallyWindow, AFailedSaveIsToldOncePerSession) {
    // The tally links into a folder that is not there: every save fails.
    ASSERT_TRUE(QFile::link(dir.filePath("gone/zindletally.tld"), file));
    auto w = open();
    EXPECT_TRUE(dialogs.calls.isEmpty());
    show(*w);
    w->fillChecklist(seated);
    clickCheck(w->checklist, 0);  // following Ann saves
    w->addgame("Ann");
    w->addgame("addtomine");
    ASSERT_EQ(dialogs.calls.size(), 1);
    EXPECT_EQ(dialogs.calls[0].kind, "message");
    EXPECT_TRUE(dialogs.calls[0].text.contains(file)) << dialogs.calls[0].text.toStdString();
    EXPECT_TRUE(dialogs.calls[0].text.contains(dir.filePath("gone")));
    EXPECT_TRUE(dialogs.calls[0].text.contains(QString::fromLocal8Bit(std::strerror(ENOENT))));
    EXPECT_EQ(w->mylabel_1->text(), "2");  // the games still count in this session
    w.reset();
    EXPECT_EQ(dialogs.calls.size(), 1);
}

TEST_F(TallyWindow, NamesKeepTheirLettersThroughTheFile) {
    auto w = open();
    seated = {QString::fromUtf8("Zoë"), QString::fromUtf8("Łukasz")};
    w->fillChecklist(seated);
    show(*w);
    clickCheck(w->checklist, 0);
    w.reset();
    EXPECT_EQ(onDisk()[1], "Zo\xEB 0 0 0 0 0 0 0 0");
    w = open();
    EXPECT_EQ(items(w->listbox_tally), QStringList{QString::fromUtf8("Zoë")});
    // The same player in other letter case is recognised as followed.
    w->fillChecklist({QString::fromUtf8("ZOË")});
    EXPECT_EQ(items(w->checklist, true), QStringList{QString::fromUtf8("ZOË")});
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
