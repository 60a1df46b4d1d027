// The launcher title taken from a completed document's address.
#include <gtest/gtest.h>

#include <optional>
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

// The sid the launcher reads from an address written here in ASCII.
std::optional<std::string> SidFor(const std::string& url)
{
    std::wstring wide;
    for (const char c : url)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return ServerSidFor(wide);
}

constexpr char kPage[] = "http://game.example/ct";

TEST(ServerTitle, AddressWithoutAuthLeavesTheTitleAlone)
{
    EXPECT_FALSE(SidFor(""));
    EXPECT_FALSE(SidFor(kPage));
    EXPECT_FALSE(SidFor("http://game.example/ct?Auth=" + Encode("sid=12")));
    EXPECT_FALSE(SidFor("http://game.example/ct?auth" + Encode("sid=12")));
}

TEST(ServerTitle, TakesTheSidWhereverItStandsInThePayload)
{
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("sid=12") + "&sign=abc"), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("uid=77&sid=12&time=1700000000") + "&sign=f00d"),
              std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?lang=zh&auth="s + Encode("uid=77&name=x&sid=12") + "&sign=1&t=2"),
              std::string("12"));
    EXPECT_EQ(SidFor(kPage + "/auth="s + Encode("sid=3")), std::string("3"));
    EXPECT_EQ(SidFor(kPage + "#auth="s + Encode("sid=4")), std::string("4"));
    EXPECT_EQ(SidFor(kPage + "?x=1&preauth="s + Encode("sid=5") + "&sign=z"), std::string("5"));
}

TEST(ServerTitle, MissingOrEmptySidIsEmpty)
{
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("uid=77&time=1") + "&sign=1"), std::string(""));
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("uid=77&sid=") + "&sign=1"), std::string(""));
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("SID=9&Sid=8") + "&sign=1"), std::string(""));
    EXPECT_EQ(SidFor(kPage + "?auth=&sign=1"s), std::string(""));
    EXPECT_EQ(SidFor(kPage + "?auth="s), std::string(""));
}

TEST(ServerTitle, TheLastSidOfThePayloadWins)
{
    EXPECT_EQ(SidFor(kPage + "?auth="s + Encode("sid=1&uid=2&sid=21") + "&sign=1"), std::string("21"));
}

// The first "auth=" begins the payload, and only a "&sign=" after it ends it.
TEST(ServerTitle, PayloadRunsFromTheFirstAuthToTheNextSign)
{
    const std::string payload = Encode("abc=1&sid=12");
    const std::string further = Encode("&sid=99");
    EXPECT_EQ(SidFor(kPage + "?auth="s + payload + further), std::string("99"));
    EXPECT_EQ(SidFor(kPage + "?auth="s + payload + "&sign=" + further), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?sign=0&x=1&sign=2&auth="s + payload), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?auth="s + payload + "&sign=1&auth=" + Encode("sid=5")), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?preauth="s + Encode("sid=3") + "&sign=x&auth=" + Encode("sid=4")),
              std::string("3"));
    EXPECT_NE(SidFor(kPage + "?auth="s + payload + "&lang=zh#top"), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?auth="s + payload + "&sign=1&lang=zh#top"), std::string("12"));
    EXPECT_EQ(SidFor(kPage + "?auth="s + payload + "&sig=1"), SidFor("auth=" + payload + "&sig=1"));
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

    EXPECT_EQ(SidFor("auth=" + payload), std::string("1>"));
    EXPECT_NE(SidFor("auth=" + escaped), std::string("1>"));
    EXPECT_EQ(SidFor("auth=" + escaped), SidFor("auth=" + zeroed));
}

TEST(ServerTitle, SidBytesAreTakenAsTheyStand)
{
    EXPECT_EQ(SidFor("auth=" + Encode("sid=1\0" "2&x=3"s)), std::string("1\0" "2"s));
    EXPECT_EQ(SidFor("auth=" + Encode("sid=\xD2\xBB\xC7\xF8")), std::string("\xD2\xBB\xC7\xF8"));
    EXPECT_EQ(SidFor("x\0y&auth="s + Encode("sid=6")), std::string("6"));
}

// Base64 is ASCII: any other character of the payload is one letter that is not Base64, as "%" is.
TEST(ServerTitle, ACharacterOutsideAsciiIsOneInvalidLetter)
{
    const std::wstring payload = L"c2lkPTEy%kPTM=";
    std::wstring foreign = payload;
    foreign[8] = L'服';
    EXPECT_EQ(ServerSidFor(L"auth=" + foreign), ServerSidFor(L"auth=" + payload));
    EXPECT_NE(ServerSidFor(L"auth=" + foreign), ServerSidFor(L"auth=" + payload.substr(0, 8) + L"%%" + payload.substr(9)));
    EXPECT_EQ(ServerSidFor(L"http://游戏.example/ct?auth=c2lkPTEy&sign=签名"), std::string("12"));
}

TEST(ServerTitle, NamesTheServerAfterTheLauncher)
{
    EXPECT_EQ(ServerTitle(L"12"), L"Quarnis-->Brevik-->12服");
    EXPECT_EQ(ServerTitle(L""), L"Quarnis-->Brevik-->服");
    EXPECT_EQ(ServerTitle(L"一区"), L"Quarnis-->Brevik-->一区服");
}

} // namespace
