#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/colortext.h"
#include "client/inifile.h"
#include "client/rteurl.h"

namespace zindle {
namespace {

TEST(IniFile, KeepsEverythingItDoesNotOwnAndWritesRawValues) {
    const std::string original =
        "; the lobby's file\r\n[Lobby]\r\nServer = a.example , b\r\nPhrase1=x\r\n\r\n"
        "[zindle]\r\nTop=12\r\nPhrase1=Hi, all = friends\r\nWidth= 900 \r\n\r\n[Other]\r\nk=v";
    IniFile ini(original);
    EXPECT_EQ(ini.text(), original);  // byte for byte, even without a last line end
    EXPECT_EQ(ini.get("Zindle", "phrase1", ""), "Hi, all = friends");
    EXPECT_EQ(ini.getInt("ZINDLE", "Width", 874), 900);
    EXPECT_EQ(ini.getInt("Zindle", "Top", 3), 12);
    EXPECT_EQ(ini.getInt("Zindle", "Height", 657), 657);
    EXPECT_EQ(ini.get("Lobby", "Phrase1", ""), "x");

    ini.set("Zindle", "Top", "40");
    ini.set("Zindle", "Textcolor", "$00102030");
    ini.set("Zindle", "Phrase2", " spaced = \"quoted\" ");
    ini.set("New", "Key", "1");
    EXPECT_EQ(ini.text(),
              "; the lobby's file\r\n[Lobby]\r\nServer = a.example , b\r\nPhrase1=x\r\n\r\n"
              "[zindle]\r\nTop=40\r\nPhrase1=Hi, all = friends\r\nWidth= 900 \r\n"
              "Textcolor=$00102030\r\nPhrase2= spaced = \"quoted\" \r\n\r\n[Other]\r\nk=v\r\n"
              "[New]\r\nKey=1\r\n");
    EXPECT_EQ(IniFile(ini.text()).get("Zindle", "Phrase2", ""), " spaced = \"quoted\" ");

    // Unreadable numbers fall back; an empty file grows a section.
    IniFile bad("[Zindle]\nTop=12px\nLeft=\nWidth=99999999999\n");
    EXPECT_EQ(bad.getInt("Zindle", "Top", 3), 3);
    EXPECT_EQ(bad.getInt("Zindle", "Left", 3), 3);
    EXPECT_EQ(bad.getInt("Zindle", "Width", 874), 874);
    IniFile empty("");
    empty.set("Zindle", "Playsounds", "false");
    EXPECT_EQ(empty.text(), "[Zindle]\r\nPlaysounds=false\r\n");
    IniFile unix("[Zindle]\nTop=1\n");
    unix.set("Zindle", "Left", "2");
    EXPECT_EQ(unix.text(), "[Zindle]\nTop=1\nLeft=2\n");

    // Another program's LF-only section beside CRLF ones keeps its own ends,
    // and a key added to it takes that section's.
    const std::string mixed = "[Lobby]\r\nName=Ann\r\n[Other]\nk=v\nj=w\n[Zindle]\r\nTop=1\r\n";
    IniFile both(mixed);
    EXPECT_EQ(both.text(), mixed);
    both.set("Zindle", "Top", "2");
    both.set("Other", "n", "3");
    EXPECT_EQ(both.text(), "[Lobby]\r\nName=Ann\r\n[Other]\nk=v\nj=w\nn=3\n[Zindle]\r\nTop=2\r\n");
}

TEST(ColorText, NamesHexAndFailures) {
    struct Case {
        std::string text;
        std::optional<ColorRef> value;
    };
    const std::vector<Case> cases{{"clWhite", 0xFFFFFF},
                                  {"clwhite", 0xFFFFFF},
                                  {"CLRED", 0x0000FF},
                                  {"$00BBGGRR", std::nullopt},
                                  {"$000080FF", 0x0080FF},
                                  {"$FF0000FF", 0x0000FF},
                                  {"$1", 1},
                                  {"red", std::nullopt},
                                  {"$", std::nullopt},
                                  {"$123456789", std::nullopt},
                                  {"", std::nullopt},
                                  {"12", std::nullopt}};
    for (const auto& c : cases) EXPECT_EQ(parseColorText(c.text), c.value) << c.text;
    EXPECT_EQ(colorText(0xFFFFFF), "clWhite");
    EXPECT_EQ(colorText(0x00FF00), "clLime");
    EXPECT_EQ(colorText(0x0080FF), "$000080FF");
    for (ColorRef c : {0x123456u, 0x000080u, 0xC0C0C0u}) EXPECT_EQ(parseColorText(colorText(c)), c);
}

TEST(Links, FindsPrefixesTrimsTheEndAndKeepsCase) {
    struct Case {
        std::u16string text;
        std::size_t pos;
        std::u16string link;
    };
    const std::vector<Case> cases{
        {u"see www.Example.org. now", 6, u"www.Example.org"},
        {u"see www.Example.org. now", 18, u"www.Example.org"},
        {u"(http://x.y/a?b=1)", 3, u"http://x.y/a?b=1"},
        {u"mail mailto:ann@x.org!", 10, u"mailto:ann@x.org"},
        {u"just www. here", 6, u""},
        {u"no link here", 3, u""},
        {u"a\r\nnews:comp.lang\r\nb", 5, u"news:comp.lang"},
        {u"gopher://g telnet://t", 8, u"gopher://g"},
        {u"end", 3, u""},
        {u"xxhttp://q", 0, u"http://q"},
    };
    for (const auto& c : cases) {
        const auto span = linkAt(c.text, c.pos);
        const std::u16string got = span ? c.text.substr(span->start, span->length) : u"";
        EXPECT_EQ(got, c.link) << c.pos;
    }
}

}  // namespace
}  // namespace zindle
