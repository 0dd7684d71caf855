#include "side/helpform.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include "cli/version.h"
#include "side/aboutform.h"
#include "support/qtprint.h"

using zindle::Tabout;
using zindle::Thelp;

TEST(HelpWindow, EachButtonBringsItsOwnFilledPageToTheFront) {
    Thelp help;
    help.show();
    EXPECT_EQ(help.windowTitle(), "Zindle -  Help File");
    EXPECT_EQ(help.currentPage(), 1);
    EXPECT_EQ(help.label_caption->text(), "Overview");

    // Caption of each button, and the heading its page must carry.
    const struct {
        int tag;
        const char* caption;
        const char* heading;
    } pages[] = {{1, "Overview", "Overview"},     {2, "Connecting", "7772"},
                 {3, "Game Play", "New Tiles"},   {4, "Scoring", "plus 20"},
                 {5, "Documentation", "History"}, {6, "License", "SCOWL"},
                 {7, "Game Options", "Partners"}};
    // Walk backwards so each click really changes the page in front.
    for (int i = int(std::size(pages)) - 1; i >= 0; --i) {
        const auto& p = pages[i];
        QPushButton* button = help.pageButton(p.tag);
        ASSERT_NE(button, nullptr) << p.caption;
        EXPECT_EQ(button->text(), p.caption);
        EXPECT_EQ(button->property("Tag").toInt(), p.tag);
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(help.currentPage(), p.tag) << p.caption;
        EXPECT_EQ(help.label_caption->text(), p.caption);
        QTextBrowser* memo = help.memo(p.tag);
        ASSERT_NE(memo, nullptr);
        EXPECT_TRUE(memo->isVisible()) << p.caption;
        EXPECT_TRUE(memo->isReadOnly());
        EXPECT_GT(memo->toPlainText().size(), 200) << p.caption;
        EXPECT_TRUE(memo->toPlainText().contains(p.heading)) << p.caption;
    }
}

TEST(HelpWindow, ReopensOnThePageLeftInFrontAndShowsAbout) {
    Thelp help;
    int aboutShown = 0;
    help.showAbout = [&] { ++aboutShown; };
    help.show();
    QTest::mouseClick(help.pageButton(5), Qt::LeftButton);
    QTest::mouseClick(help.button_done, Qt::LeftButton);
    EXPECT_FALSE(help.isVisible());
    help.show();
    EXPECT_EQ(help.currentPage(), 5);
    EXPECT_EQ(help.label_caption->text(), "Documentation");
    EXPECT_TRUE(help.memo(5)->toPlainText().startsWith("History"));

    QTest::mouseClick(help.button_about, Qt::LeftButton);
    EXPECT_EQ(aboutShown, 1);
    EXPECT_TRUE(help.isVisible());
}

TEST(AboutWindow, ShowsTheVersionAndClosesByOkOrPicture) {
    Tabout about;
    EXPECT_EQ(about.windowTitle(), "Zindle - About");
    // The release from the one version source, and the box's own build number right after
    // it on the same line, so the two read as one version.
    EXPECT_EQ(about.version->text(), ZINDLE_VERSION);
    auto* build = about.findChild<QLabel*>("label_build");
    ASSERT_NE(build, nullptr);
    EXPECT_EQ(build->text(), ".1");
    EXPECT_EQ(about.okButton->text(), "Ok");

    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QRect v = about.version->geometry(), b = build->geometry();
    EXPECT_TRUE(build->isVisible());
    EXPECT_EQ(b.top(), v.top());
    EXPECT_GE(b.left(), v.right() - 1);
    EXPECT_LE(b.left(), v.right() + 2);
    QTest::mouseClick(about.okButton, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    about.show();
    QTest::mouseClick(about.iconPicture, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
}
