// The auth payload's decoder and the query map.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "page/Base64.h"
#include "page/QueryMap.h"

namespace {

using namespace std::string_literals;

std::string Decode(const std::string& text)
{
    return DecodeBase64(text.data(), static_cast<int>(text.size()));
}

// The text in a heap block of exactly its size, so that any read past the end is caught.
std::string DecodeExact(const std::string& text)
{
    auto block = std::make_unique<char[]>(text.size());
    text.copy(block.get(), text.size());
    return DecodeBase64(block.get(), static_cast<int>(text.size()));
}

// The decoding steps as plainly as they can be put, over a copy padded with NULs so that a group
// cut off by the end reads zeros.
std::string ReferenceDecode(const std::string& text)
{
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto value = [](char c) -> unsigned {
        const size_t at = alphabet.find(c);
        return at != std::string::npos ? static_cast<unsigned>(at) : 0;
    };
    const std::string s = text + std::string(4, '\0');
    std::string out;
    size_t p = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (s[p] == '\r' || s[p] == '\n') {
            ++p;
            ++i;
            continue;
        }
        unsigned n = value(s[p]) * 262144 + value(s[p + 1]) * 4096;
        p += 2;
        out += static_cast<char>((n >> 16) % 256);
        if (s[p] != '=') {
            n += value(s[p]) * 64;
            out += static_cast<char>((n >> 8) % 256);
            ++p;
            if (s[p] != '=') {
                n += value(s[p]);
                out += static_cast<char>(n % 256);
                ++p;
            }
        }
        i += 4;
    }
    return out;
}

TEST(Base64Decoder, DecodesStandardPaddedText)
{
    EXPECT_EQ(Decode("Zg=="), "f");
    EXPECT_EQ(Decode("Zm8="), "fo");
    EXPECT_EQ(Decode("Zm9v"), "foo");
    EXPECT_EQ(Decode("Zm9vYg=="), "foob");
    EXPECT_EQ(Decode("Zm9vYmE="), "fooba");
    EXPECT_EQ(Decode("Zm9vYmFy"), "foobar");
    EXPECT_EQ(Decode("+/+/"), "\xFB\xFF\xBF");
    EXPECT_EQ(Decode("c2lkPTEyJnVpZD05"), "sid=12&uid=9");
}

TEST(Base64Decoder, EmptyTextOrNoLengthGivesNothing)
{
    EXPECT_EQ(Decode(""), "");
    EXPECT_EQ(DecodeBase64("Zm9v", 0), "");
    EXPECT_EQ(DecodeBase64("Zm9v", -1), "");
    EXPECT_EQ(DecodeBase64("Zm9v", INT32_MIN), "");
    EXPECT_EQ(DecodeBase64(nullptr, 4), "");
}

TEST(Base64Decoder, LineBreaksBetweenGroupsAreSkipped)
{
    EXPECT_EQ(Decode("Zm9v\r\nYmFy\r\nZg=="), "foobarf");
    EXPECT_EQ(Decode("\r\nZm9v\nYmFy\r"), "foobar");
    EXPECT_EQ(Decode("\r\n\r\n"), "");
}

TEST(Base64Decoder, LineBreakInsideGroupCountsAsZeroAndShiftsTheRest)
{
    EXPECT_EQ(Decode("Zm\r\n9v"), Decode("ZmAA9v"));
    EXPECT_EQ(Decode("Z\nm9vYmFy"), Decode("ZAm9vYmFy"));
    EXPECT_NE(Decode("Zm\r\n9vYmFy"), "foobar");
}

TEST(Base64Decoder, CharactersOutsideTheAlphabetCountAsZero)
{
    for (const char* other : {"-", "_", "%", "=", "\x7F", "{", "|", "~", "\x80", "\xFF", "\x01"}) {
        SCOPED_TRACE(other);
        const std::string stranger(other);
        EXPECT_EQ(Decode(stranger + "m9v"), Decode("Am9v"));
        EXPECT_EQ(Decode("Z" + stranger + "9v"), Decode("ZA9v"));
        if (stranger != "=") {
            EXPECT_EQ(Decode("Zm" + stranger + "v"), Decode("ZmAv"));
            EXPECT_EQ(Decode("Zm9" + stranger), Decode("Zm9A"));
        }
    }
    EXPECT_EQ(Decode("Zm\0v"s), Decode("ZmAv"));
}

TEST(Base64Decoder, PaddingOnlyEndsAGroupInItsThirdOrFourthPlace)
{
    EXPECT_EQ(Decode("==Zg"), "\0\x06\x60"s);
    EXPECT_EQ(Decode("Z=9v"), Decode("ZA9v"));
    EXPECT_EQ(Decode("Zg=v"), "f");
    EXPECT_EQ(Decode("Zm8="), "fo");
}

// After "Zg==" the next group begins on the first "=", so the second text is read out of step.
TEST(Base64Decoder, JoinedPaddedTextsAreNotDecodedAsTwo)
{
    EXPECT_EQ(Decode("Zg==Zg=="), "f\0\x06\x60"s);
    EXPECT_NE(Decode("Zm8=Zm8="), "fofo");
}

// A group cut off by the end reads NUL there (value 0, never "="), and nothing beyond the text.
TEST(Base64Decoder, GroupCutOffByTheEndReadsZerosAndStaysInside)
{
    EXPECT_EQ(DecodeExact("Z"), Decode("ZAAA"));
    EXPECT_EQ(DecodeExact("Zg"), Decode("ZgAA"));
    EXPECT_EQ(DecodeExact("Zm9"), Decode("Zm9A"));
    EXPECT_EQ(DecodeExact("Zm9vY"), Decode("Zm9vYAAA"));
    EXPECT_EQ(DecodeExact("Zg=="), "f");
    EXPECT_EQ(DecodeExact("Zg==Z"), Decode("Zg==ZAAA"));
    EXPECT_EQ(DecodeExact("\r\nZ"), Decode("ZAAA"));
    EXPECT_EQ(DecodeBase64("Zg==", 2), Decode("ZgAA"));
    EXPECT_EQ(DecodeBase64("Zm8=", 3), "fo\0"s);
}

TEST(Base64Decoder, AgreesWithThePlainStepsOnRandomText)
{
    static const std::string pieces[] = {"A", "Z", "a", "z", "0", "9", "+", "/", "=", "==", "\r", "\n", "\r\n",
                                         "%", "-", "_", "&", "\0"s, "{", "\x80", "\xFF", "c2lkPTEy"};
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = std::uniform_int_distribution<int>(0, 24)(random);
        for (int piece = 0; piece < count; ++piece)
            text += pieces[std::uniform_int_distribution<size_t>(0, std::size(pieces) - 1)(random)];
        ASSERT_EQ(DecodeExact(text), ReferenceDecode(text)) << testing::PrintToString(text);
    }
}

TEST(QueryMap, SplitsPairsAndKeepsTheLastOfAKey)
{
    QueryMap map;
    ParseQuery("uid=9&sid=12&sid=13&name=x", map);
    EXPECT_EQ(map.size(), 3u);
    EXPECT_EQ(GetQueryValue(map, "sid"), "13");
    EXPECT_EQ(GetQueryValue(map, "uid"), "9");
    EXPECT_EQ(GetQueryValue(map, "name"), "x");
    EXPECT_EQ(GetQueryValue(map, "none"), "");

    ParseQuery("sid=14", map);
    EXPECT_EQ(GetQueryValue(map, "sid"), "14");
    EXPECT_EQ(map.size(), 3u);
}

TEST(QueryMap, EmptySegmentsAndSegmentsWithoutEqualsAddNothing)
{
    QueryMap map;
    ParseQuery("&&a=1&&", map);
    EXPECT_EQ(map, (QueryMap{{"a", "1"}}));

    map.clear();
    ParseQuery("alpha&beta&&", map);
    EXPECT_TRUE(map.empty());

    ParseQuery("", map);
    ParseQuery("&", map);
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(GetQueryValue(map, ""), "");

    ParseQuery("a=1&tail", map);
    EXPECT_EQ(map, (QueryMap{{"a", "1"}}));
}

TEST(QueryMap, OnlyTheFirstEqualsSplitsASegment)
{
    QueryMap map;
    ParseQuery("=lone&empty=&v=b=c==&==", map);
    EXPECT_EQ(map, (QueryMap{{"", "="}, {"empty", ""}, {"v", "b=c=="}}));
    EXPECT_EQ(GetQueryValue(map, "empty"), GetQueryValue(map, "missing"));
}

TEST(QueryMap, KeysAndValuesStayByteForByte)
{
    QueryMap map;
    ParseQuery("SID=1&Sid=2&%73id=3&a+b=%2B+&s\0d=4&sid\0=5"s, map);
    EXPECT_EQ(GetQueryValue(map, "sid"), "");
    EXPECT_EQ(GetQueryValue(map, "SID"), "1");
    EXPECT_EQ(GetQueryValue(map, "%73id"), "3");
    EXPECT_EQ(GetQueryValue(map, "a+b"), "%2B+");
    EXPECT_EQ(GetQueryValue(map, "s\0d"s), "4");
    EXPECT_EQ(GetQueryValue(map, "sid\0"s), "5");
    EXPECT_EQ(map.size(), 6u);

    map.clear();
    ParseQuery("k=v\0w&x=y"s, map);
    EXPECT_EQ(GetQueryValue(map, "k"), "v\0w"s);
    EXPECT_EQ(GetQueryValue(map, "x"), "y");
}

} // namespace
