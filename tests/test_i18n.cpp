#include "front/i18n.h"

#include <cctype>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(InterfaceText, EntriesScreensRelyOn) {
    lang_id = 0;
    const struct {
        int n;
        const char *text;
    } cases[] = {
        {0, "BACK TO GAME"},
        {4, "EXIT"},
        {42, "ALREADY USED, CHOOSE ANOTHER ONE"},
        {43, "ENTER YOUR NAME:"},
        {52, "<--- CONTINUE    EXIT --->"},
        {62, "STAGE %d NEXT"},
        {81, "BELOW, TO THE LEFT and TO THE"},
        {88, "HIT ACTION BUTTON OR ANY KEY"},
    };
    for (const auto &c : cases)
        EXPECT_STREQ(text(c.n), c.text) << c.n;
    // Entries of their own that read the same.
    for (auto pair : {std::make_pair(5, 10), std::make_pair(11, 29), std::make_pair(57, 84)})
        EXPECT_STREQ(text(pair.first), text(pair.second));
}

TEST(InterfaceText, UpperCaseExceptTheFormatAndOneWord) {
    for (int n = 0; n < TEXT_COUNT; n++) {
        std::string t = text(n);
        if (n == 62)
            t.replace(t.find("%d"), 2, "");
        if (n == 81)
            t.replace(t.find(" and "), 5, " ");
        for (char c : t)
            EXPECT_FALSE(islower(static_cast<unsigned char>(c))) << n << ": " << t;
    }
}

TEST(InterfaceText, ScrollTextRules) {
    const std::string s = text(TEXT_SCROLLER);
    ASSERT_EQ(s.size(), 1220u);
    EXPECT_EQ(s.find_first_not_of(' '), 41u);
    EXPECT_EQ(s.size() - 1 - s.find_last_not_of(' '), 49u);
    for (char c : s)
        EXPECT_TRUE(isupper(static_cast<unsigned char>(c)) ||
                    isdigit(static_cast<unsigned char>(c)) || strchr(" .,-'():!?", c))
            << "'" << c << "'";
    // Segments part at " --- " and each is real text with no stray spaces.
    const std::string body = s.substr(41, s.size() - 41 - 49);
    size_t start = 0, segments = 0;
    while (start <= body.size()) {
        size_t end = body.find(" --- ", start);
        std::string segment = body.substr(start, end == std::string::npos ? end : end - start);
        EXPECT_FALSE(segment.empty());
        EXPECT_NE(segment.front(), ' ') << segment;
        EXPECT_NE(segment.back(), ' ') << segment;
        EXPECT_EQ(segment.find("--"), std::string::npos) << segment;
        segments++;
        if (end == std::string::npos)
            break;
        start = end + 5;
    }
    EXPECT_GE(segments, 4u);
    // Name, version, makers and hero.
    for (const char *word : {"QUENZY", "1.00.2", "QUENZY TEAM", "MARUK", "SUPPORT"})
        EXPECT_NE(s.find(word), std::string::npos) << word;
}

} // namespace
