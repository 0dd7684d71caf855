#include "rules/mydict.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using namespace zindle;

namespace {

std::vector<unsigned char> records(const std::string& words, bool lowerOnly = false) {
    std::istringstream in(words);
    return recordsFromWords(in, lowerOnly);
}

std::string recordText(const std::vector<unsigned char>& r, std::size_t i) {
    return std::string(reinterpret_cast<const char*>(r.data()) + i * kRecordSize + 1,
                       kMaxWordLength);
}

}  // namespace

TEST(RulesWordRecords, SortedByRecordBytesAndDeduplicated) {
    const auto r = records("bushbaby\nbush\nbushbabies\nbushbuck\nbush\nCAT\n");
    ASSERT_EQ(r.size(), 5 * kRecordSize);
    EXPECT_EQ(recordText(r, 0), "BUSH          ");
    EXPECT_EQ(recordText(r, 1), "BUSHBABIES    ");
    EXPECT_EQ(recordText(r, 2), "BUSHBABY      ");
    EXPECT_EQ(recordText(r, 3), "BUSHBUCK      ");
    EXPECT_EQ(recordText(r, 4), "CAT           ");
    for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(r[i * kRecordSize], kRecordMark);
}

TEST(RulesWordRecords, KeepsOnlyWordsOfTwoToFourteenLetters) {
    const auto r = records("a\nab\nabcdefghijklmn\nabcdefghijklmno\ndon't\ncafe\xe9\nqi\r\n\n x\n");
    ASSERT_EQ(r.size(), 3 * kRecordSize);
    EXPECT_EQ(recordText(r, 0), "AB            ");
    EXPECT_EQ(recordText(r, 1), "ABCDEFGHIJKLMN");
    EXPECT_EQ(recordText(r, 2), "QI            ");
    // Proper names drop out when only lower-case words are wanted.
    EXPECT_EQ(records("Paris\nparis\nNASA\n", true).size(), 1 * kRecordSize);
    EXPECT_EQ(records("Paris\nparis\nNASA\n", false).size(), 2 * kRecordSize);
}

TEST(RulesDictionary, CaseBlanksAndEmptyKeys) {
    const auto r = records("cat\ndog\nzebra\naardvark\n");
    TDictn d{WordListBytes(r)};
    ASSERT_TRUE(d.isOpen());
    EXPECT_EQ(d.last(), 3);
    EXPECT_TRUE(d.lookup("cat"));
    EXPECT_TRUE(d.lookup("CAT"));
    EXPECT_TRUE(d.lookup("  cat  "));
    EXPECT_TRUE(d.lookup(std::string_view("cat\0\0", 5)));  // zero bytes count as blanks
    EXPECT_TRUE(d.lookup("aardvark"));                      // first record
    EXPECT_TRUE(d.lookup("zebra"));                         // last record
    EXPECT_FALSE(d.lookup(""));
    EXPECT_FALSE(d.lookup("    "));
    EXPECT_FALSE(d.lookup("ca"));
    EXPECT_FALSE(d.lookup("cats"));
    EXPECT_FALSE(d.lookup("c at"));
    EXPECT_FALSE(d.lookup("aaa"));    // before the first record
    EXPECT_FALSE(d.lookup("zzzzz"));  // after the last
}

TEST(RulesDictionary, FifteenLettersNeverMatch) {
    const auto r = records("abcdefghijklmn\n");
    TDictn d{WordListBytes(r)};
    EXPECT_TRUE(d.lookup("abcdefghijklmn"));
    EXPECT_FALSE(d.lookup("abcdefghijklmno"));
    EXPECT_FALSE(
        d.lookup("abcdefghijklmn "
                 "x"));
}

TEST(RulesDictionary, MissingResourceReportsOnceAndRefusesAll) {
    std::vector<std::string> messages;
    TDictn d(std::nullopt, [&](const std::string& m) { messages.push_back(m); });
    EXPECT_FALSE(d.isOpen());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "English.dic dictionary not found!");
    EXPECT_FALSE(d.lookup("cat"));
    EXPECT_FALSE(d.lookup(""));

    std::vector<std::string> none;
    TDictn fine(WordListBytes(records("cat\n")), [&](const std::string& m) { none.push_back(m); });
    EXPECT_TRUE(none.empty());
}

TEST(RulesDictionary, CutShortListIsReadSafely) {
    auto r = records("ant\nbee\ncat\n");
    r.resize(r.size() - 4);  // the last record is cut short
    TDictn d{WordListBytes(r)};
    EXPECT_EQ(d.last(), 1);  // only whole records count
    EXPECT_TRUE(d.lookup("ant"));
    EXPECT_TRUE(d.lookup("bee"));
    EXPECT_FALSE(d.lookup("cat"));

    TDictn empty{WordListBytes{}};
    EXPECT_EQ(empty.last(), -1);
    EXPECT_FALSE(empty.lookup("ant"));
}

TEST(RulesBuiltinList, RecordsAreWellFormedAndStrictlyAscending) {
    const WordListBytes list = builtinWordList();
    ASSERT_EQ(list.size() % kRecordSize, 0u);
    const std::size_t count = list.size() / kRecordSize;
    EXPECT_GT(count, 100000u);
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* rec = list.data() + i * kRecordSize;
        ASSERT_EQ(rec[0], kRecordMark) << i;
        ASSERT_GE(rec[1], 'A') << i;
        ASSERT_LE(rec[1], 'Z') << i;
        ASSERT_NE(rec[2], ' ') << i;  // two letters at least
        if (i > 0) {
            ASSERT_LT(std::memcmp(rec - kRecordSize + 1, rec + 1, kMaxWordLength), 0) << i;
        }
    }
}

TEST(RulesBuiltinList, FindsTheGameWords) {
    TDictn d;
    ASSERT_TRUE(d.isOpen());
    const WordListBytes list = builtinWordList();
    EXPECT_EQ(d.last() + 1, static_cast<int64_t>(list.size() / kRecordSize));
    for (const char* w :
         {"cat", "qi", "zymurgy", "bushbabies", "bushbaby", "bushbuck", "strawberry"})
        EXPECT_TRUE(d.lookup(w)) << w;
    for (const char* w : {"a", "i", "zindle", "xt", "internationally"})
        EXPECT_FALSE(d.lookup(w)) << w;

    auto word = [&](std::size_t i) {
        std::string text(reinterpret_cast<const char*>(list.data()) + i * kRecordSize + 1,
                         kMaxWordLength);
        return text.substr(0, text.find(' '));
    };
    EXPECT_TRUE(d.lookup(word(0)));
    EXPECT_TRUE(d.lookup(word(list.size() / kRecordSize - 1)));
}
