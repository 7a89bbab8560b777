#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kestu_datachunk.h"

namespace {

CDataChunk Owned(const std::string& text)
{
    CDataChunk c;
    c.allocate(static_cast<int>(text.size()), text.data());
    return c;
}

TEST(DataChunk, EmptyChunkIsAtItsEnd)
{
    CDataChunk c;
    EXPECT_TRUE(c.isEOF());
    EXPECT_EQ(c.getLine(true), "");
    char buf[4];
    EXPECT_EQ(c.read(buf, 4), 0);
    EXPECT_EQ(c.getAsString(), "");
}

TEST(DataChunk, LinesWithAndWithoutTrimming)
{
    const std::string text = "a\r\n\r\nb";
    CDataChunk c;
    c.allocate(static_cast<int>(text.size()), text.data());
    EXPECT_EQ(c.getLine(true), "a");
    EXPECT_EQ(c.getLine(true), "");
    EXPECT_EQ(c.getLine(true), "b");
    EXPECT_TRUE(c.isEOF());
    c.seek(0);
    EXPECT_EQ(c.getLine(false), "a\r");
    EXPECT_EQ(c.getLine(false), "\r");
    EXPECT_EQ(c.getLine(false), "b");
    EXPECT_TRUE(c.isEOF());
    c.clear();
}

TEST(DataChunk, LongLinesComeInPieces)
{
    CDataChunk c = Owned(std::string(600, 'x'));
    EXPECT_EQ(c.getLine(false).size(), 511u);
    EXPECT_EQ(c.getLine(false).size(), 88u);
    EXPECT_TRUE(c.isEOF());
    c.clear();
}

TEST(DataChunk, BlankLineTrimsToEmptyAndEmbeddedNulEndsALine)
{
    CDataChunk c = Owned(std::string(" \t \t\n", 5) + std::string("ab\0cd\n", 6));
    EXPECT_EQ(c.getLine(true), "");
    EXPECT_EQ(c.getLine(false), "ab");
    EXPECT_EQ(c.getLine(false), "cd");
    EXPECT_EQ(c.getAsString().size(), 11u);
    c.clear();
}

TEST(DataChunk, SeekSkipAndRead)
{
    CDataChunk c = Owned("abcdef,g");
    c.seek(8);
    EXPECT_TRUE(c.isEOF());
    c.seek(9);
    EXPECT_TRUE(c.isEOF());
    c.seek(0);
    c.seek(-1);
    c.skip(-1);
    char buf[16] = {};
    EXPECT_EQ(c.read(buf, 2), 2);
    EXPECT_STREQ(buf, "ab");
    c.seek(8);
    c.skip(1);
    EXPECT_TRUE(c.isEOF());
    c.skip(-8);
    std::memset(buf, 0, sizeof buf);
    EXPECT_EQ(c.readUpTo(buf, 3, ","), 3);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(c.read(buf, 1), 1);
    EXPECT_EQ(buf[0], 'e');
    c.seek(0);
    EXPECT_EQ(c.skipUpTo(","), 6);
    EXPECT_EQ(c.read(buf, 16), 1);
    EXPECT_EQ(buf[0], 'g');
    c.seek(7);
    EXPECT_EQ(c.skipUpTo(";"), 1); // no delimiter: stops at the end
    EXPECT_TRUE(c.isEOF());
    c.clear();
}

TEST(DataChunk, AllocateAndWrap)
{
    CDataChunk c = Owned("xy");
    EXPECT_EQ(c.allocate(0, nullptr), nullptr);
    EXPECT_EQ(c.getSize(), 2);
    char* p = c.allocate(4, nullptr);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(c.getPtr(), p);
    EXPECT_EQ(c.getSize(), 4);
    c.clear();
    EXPECT_TRUE(c.isEOF());

    char mine[] = "k\tv\n";
    CDataChunk wrapped(mine, 4);
    CDataChunk copy = wrapped;
    EXPECT_EQ(copy.getLine(true), "k\tv");
    EXPECT_FALSE(wrapped.isEOF()); // its own cursor
    wrapped.clear();               // forgets the caller's bytes, never frees them
    EXPECT_STREQ(mine, "k\tv\n");
}

TEST(DataChunk, BraceSkipping)
{
    CDataChunk c = Owned("head\n  {  \nkey\t1\n{x\n\t}\t\ntail\n");
    CDataChunk::skipToNextOpenBrace(c);
    EXPECT_EQ(c.getLine(true), "key\t1");
    CDataChunk::skipToNextCloseBrace(c);
    EXPECT_EQ(c.getLine(true), "tail");
    CDataChunk::skipToNextCloseBrace(c);
    EXPECT_TRUE(c.isEOF());
    c.clear();
}

TEST(TrimString, Ends)
{
    std::string s = " \ta b\r ";
    TrimString(true, false, s);
    EXPECT_EQ(s, "a b\r ");
    TrimString(false, true, s);
    EXPECT_EQ(s, "a b");
}

} // namespace
