// The launcher title taken from a completed document's address.
#include <gtest/gtest.h>

#include <string>

#include "page/ServerTitle.h"

namespace {

using namespace std::string_literals;

// Standard Base64 with padding, written out independently of the decoder under test.
std::string Encode(const std::string& bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t at = 0; at < bytes.size(); at += 3) {
        const size_t left = bytes.size() - at;
        unsigned group = static_cast<unsigned char>(bytes[at]) << 16;
        if (left > 1)
            group |= static_cast<unsigned char>(bytes[at + 1]) << 8;
        if (left > 2)
            group |= static_cast<unsigned char>(bytes[at + 2]);
        text += alphabet[group >> 18 & 63];
        text += alphabet[group >> 12 & 63];
        text += left > 1 ? alphabet[group >> 6 & 63] : '=';
        text += left > 2 ? alphabet[group & 63] : '=';
    }
    return text;
}

// "Quarnis-->Brevik-->" + sid + "服", the last two bytes being 服 in code page 936.
std::string Titled(const std::string& sid)
{
    return "Quarnis-->Brevik-->" + sid + "\xB7\xFE";
}

constexpr char kPage[] = "http://game.example/ct";

TEST(ServerTitle, AddressWithoutAuthLeavesTheTitleAlone)
{
    EXPECT_FALSE(ServerTitleFor(""));
    EXPECT_FALSE(ServerTitleFor(kPage));
    EXPECT_FALSE(ServerTitleFor("http://game.example/ct?Auth=" + Encode("sid=12")));
    EXPECT_FALSE(ServerTitleFor("http://game.example/ct?auth" + Encode("sid=12")));
}

TEST(ServerTitle, TakesTheSidWhereverItStandsInThePayload)
{
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("sid=12") + "&sign=abc"), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("uid=77&sid=12&time=1700000000") + "&sign=f00d"),
              Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?lang=zh&auth="s + Encode("uid=77&name=x&sid=12") + "&sign=1&t=2"),
              Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "/auth="s + Encode("sid=3")), Titled("3"));
    EXPECT_EQ(ServerTitleFor(kPage + "#auth="s + Encode("sid=4")), Titled("4"));
    EXPECT_EQ(ServerTitleFor(kPage + "?x=1&preauth="s + Encode("sid=5") + "&sign=z"), Titled("5"));
}

TEST(ServerTitle, MissingOrEmptySidLeavesNothingBeforeTheServerSign)
{
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("uid=77&time=1") + "&sign=1"), Titled(""));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("uid=77&sid=") + "&sign=1"), Titled(""));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("SID=9&Sid=8") + "&sign=1"), Titled(""));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth=&sign=1"s), Titled(""));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s), Titled(""));
}

TEST(ServerTitle, TheLastSidOfThePayloadWins)
{
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + Encode("sid=1&uid=2&sid=21") + "&sign=1"), Titled("21"));
}

// The first "auth=" begins the payload, and only a "&sign=" after it ends it.
TEST(ServerTitle, PayloadRunsFromTheFirstAuthToTheNextSign)
{
    const std::string payload = Encode("abc=1&sid=12");
    const std::string further = Encode("&sid=99");
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + payload + further), Titled("99"));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + payload + "&sign=" + further), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?sign=0&x=1&sign=2&auth="s + payload), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + payload + "&sign=1&auth=" + Encode("sid=5")), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?preauth="s + Encode("sid=3") + "&sign=x&auth=" + Encode("sid=4")),
              Titled("3"));
    EXPECT_NE(ServerTitleFor(kPage + "?auth="s + payload + "&lang=zh#top"), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + payload + "&sign=1&lang=zh#top"), Titled("12"));
    EXPECT_EQ(ServerTitleFor(kPage + "?auth="s + payload + "&sig=1"), ServerTitleFor("auth=" + payload + "&sig=1"));
}

// "%2B" stands where the payload had "+": it is not unescaped, and each "%" reads as the value 0.
TEST(ServerTitle, PercentEscapesAreDecodedAsTheyStand)
{
    const std::string payload = Encode("sid=1>");
    ASSERT_NE(payload.find('+'), std::string::npos);
    std::string escaped = payload;
    escaped.replace(escaped.find('+'), 1, "%2B");
    std::string zeroed = escaped;
    zeroed[zeroed.find('%')] = 'A';

    EXPECT_EQ(ServerTitleFor("auth=" + payload), Titled("1>"));
    EXPECT_NE(ServerTitleFor("auth=" + escaped), Titled("1>"));
    EXPECT_EQ(ServerTitleFor("auth=" + escaped), ServerTitleFor("auth=" + zeroed));
}

TEST(ServerTitle, SidBytesAreTakenAsTheyStand)
{
    EXPECT_EQ(ServerTitleFor("auth=" + Encode("sid=1\0" "2&x=3"s)), Titled("1\0" "2"s));
    EXPECT_EQ(ServerTitleFor("auth=" + Encode("sid=\xD2\xBB\xC7\xF8")), Titled("\xD2\xBB\xC7\xF8"));
    EXPECT_EQ(ServerTitleFor("x\0y&auth="s + Encode("sid=6")), Titled("6"));
}

} // namespace
