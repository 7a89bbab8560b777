// The walkers of the particle records' field lists, on a record of every kind
// of entry: slots set the record's order apart from the script's, a record is
// taken whole or not at all, and each way of reading a key line holds.
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "effects/particles/file/RecordFieldList.h"

namespace {
struct Sample {
    uint32_t word = 0;
    float real = 0;
    int32_t flag = 0;
    std::string text;
    char chars[6] = {};
    char bytes[4] = {};
    std::list<std::string> texts;
    uint32_t version = 0;

    bool operator==(const Sample& o) const
    {
        return word == o.word && real == o.real && flag == o.flag && text == o.text &&
               std::memcmp(chars, o.chars, sizeof chars) == 0 && std::memcmp(bytes, o.bytes, sizeof bytes) == 0 &&
               texts == o.texts && version == o.version;
    }
};

uint32_t WordPlusOne(const void* owner) { return static_cast<const Sample*>(owner)->word + 1; }
uint32_t Seven(const void*) { return 7; }
} // namespace

template <>
struct ParticleFieldList<Sample> {
    static constexpr RecordField kFields[] = {
        Stored<&Sample::text>("Text", 3, LineRead::Value, 5),
        Stored<&Sample::word>("Word", 0, LineRead::ValueOrStop),
        StoredBool<&Sample::flag>("Flag", 2, LineRead::ValueOrSkip),
        Stored<&Sample::real>("Real", 1),
        Stored<&Sample::chars>("Chars", 4),
        StoredBytes<&Sample::bytes>("Bytes", 5, LineRead::Owner),
        Stored<&Sample::texts>("Texts", 6, LineRead::Value, 3),
        WrittenAs(Stored<&Sample::version>(nullptr, 7), &Seven),
        Derived("Count", 8, &WordPlusOne),
    };
};

namespace {
constexpr RecordFieldList kFields = ParticleFieldList<Sample>::kFields;

Sample Filled()
{
    Sample s;
    s.word = 0x01020304;
    s.real = 1.5f;
    s.flag = 1;
    s.text = "abcdefg";
    std::strcpy(s.chars, "xyz");
    std::memcpy(s.bytes, "ABC", 4);
    s.texts = {"one", "four"};
    s.version = 3;
    return s;
}

std::string Record(const Sample& s)
{
    std::ostringstream out;
    WriteRecord(out, &s, kFields);
    return out.str();
}

std::string Script(const Sample& s)
{
    std::ostringstream out;
    WriteScriptFields(out, &s, kFields, "\t");
    return out.str();
}

// The sample after the reader took the text, and the line it stopped at.
std::string ReadLines(Sample& s, const std::string& text)
{
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    ReadScriptFields(chunk, &s, kFields);
    const std::string next = chunk.isEOF() ? "" : chunk.getLine(true);
    chunk.clear();
    return next;
}

TEST(RecordFields, SlotsOrderTheRecordAndTextsAreCutToTheirLongest)
{
    std::vector<uint8_t> b;
    kestu::ByteWriter w(b);
    w.U32(0x01020304);
    w.F32(1.5f);
    w.I32(1);
    w.U32(5);
    w.Bytes("abcde", 5);
    w.U32(3);
    w.Bytes("xyz", 3);
    w.Bytes("ABC", 4);
    w.U32(2);
    w.U32(3);
    w.Bytes("one", 3);
    w.U32(3);
    w.Bytes("fou", 3);
    w.U32(7);
    w.U32(0x01020305);
    EXPECT_EQ(Record(Filled()), std::string(b.begin(), b.end()));
}

TEST(RecordFields, ReadsBackWhatWasWrittenAndHandsBackTheDerivedWord)
{
    Sample s = Filled();
    std::memcpy(s.bytes, "ABCD", 4);
    std::stringstream in(Record(s));
    RecordValues values(kFields);
    ASSERT_TRUE(values.Read(in));
    EXPECT_EQ(values.Word(8), 0x01020305u);
    Sample back;
    values.Store(&back);

    Sample expected = Filled();
    expected.text = "abcde";
    expected.texts = {"one", "fou"};
    expected.version = 7;
    // Only the last byte is forced to end the text.
    std::memcpy(expected.bytes, "ABC", 4);
    EXPECT_EQ(back, expected);
}

TEST(RecordFields, ARecordCutShortOrHoldingAnOverlongTextChangesNothing)
{
    const std::string record = Record(Filled());
    std::string overlong = record;
    overlong[12] = 6; // the text's length, one past what the field holds
    std::vector<std::string> inputs = {overlong};
    for (size_t n = 0; n < record.size(); ++n) inputs.push_back(record.substr(0, n));
    for (const std::string& input : inputs) {
        Sample s;
        s.word = 9;
        s.text = "kept";
        s.texts = {"kept"};
        const Sample before = s;
        std::stringstream in(input);
        EXPECT_FALSE(ReadRecord(in, &s, kFields)) << input.size();
        EXPECT_TRUE(in.fail()) << input.size();
        EXPECT_EQ(s, before) << input.size();
    }
}

TEST(RecordFields, ScriptLinesInListOrder)
{
    EXPECT_EQ(Script(Filled()), "\tText\tabcdefg\n"
                                "\tWord\t16909060\n"
                                "\tFlag\ttrue\n"
                                "\tReal\t1.5\n"
                                "\tChars\txyz\n"
                                "\tBytes\tABC\n"
                                "\tTexts\tone\n"
                                "\tTexts\tfour\n"
                                "\tCount\t16909061\n");
}

TEST(RecordFields, EachWayOfReadingAKeyLine)
{
    const struct {
        const char* text;
        const char* next; // the line after the block's end, or "" at the end of the text
        Sample (*expected)();
    } kCases[] = {
        // The longest key wins; a list entry takes a line each.
        {"Texts\ta\nText\tb\nTexts\tc\nFlag\tyes\n}\nafter\n", "after",
         [] {
             Sample s;
             s.texts = {"a", "c"};
             s.text = "b";
             return s;
         }},
        // Entries left to the owner and derived words are passed over.
        {"Bytes\tZZ\nCount\t5\nWord\t4\n", "",
         [] {
             Sample s;
             s.word = 4;
             return s;
         }},
        // A line without a value: passed over, the block skipped, or the end.
        {"Real\nFlag\n{\nWord\t9\n}\nFlag\ttrue\nWord\nReal\t2\n}\nafter\n", "Real\t2",
         [] {
             Sample s;
             s.flag = 1;
             return s;
         }},
        // Chars are cut to what the array holds.
        {"Chars\tabcdefgh\n", "",
         [] {
             Sample s;
             std::strcpy(s.chars, "abcde");
             return s;
         }},
    };
    for (const auto& c : kCases) {
        Sample s;
        EXPECT_EQ(ReadLines(s, c.text), c.next) << c.text;
        EXPECT_EQ(s, c.expected()) << c.text;
    }
}

TEST(RecordFields, ScriptLineTellsTheOwnerWhatItWas)
{
    CDataChunk chunk;
    Sample s;
    EXPECT_EQ(ReadScriptField(chunk, "Bytes\tQ", &s, kFields), ScriptLine::Other);
    EXPECT_EQ(ReadScriptField(chunk, "Count\t3", &s, kFields), ScriptLine::Other);
    EXPECT_EQ(ReadScriptField(chunk, "Group\tg", &s, kFields), ScriptLine::Other);
    EXPECT_EQ(ReadScriptField(chunk, "Real\t3", &s, kFields), ScriptLine::Taken);
    EXPECT_EQ(ReadScriptField(chunk, "Real", &s, kFields), ScriptLine::Taken);
    EXPECT_EQ(ReadScriptField(chunk, "Word", &s, kFields), ScriptLine::End);
    EXPECT_EQ(s.real, 3.0f);
    EXPECT_EQ(s.bytes[0], '\0');
}

// A vector split across the two parts of a record and a field of the extra
// part alone, as the longer action records hold them.
struct Shaped {
    D3DXVECTOR3 v;
    float tail;
    float head;
};

constexpr RecordField InExtraSlot(RecordField field, int8_t slot)
{
    field.extraSlot = slot;
    return field;
}

constexpr RecordField kShapedFields[] = {
    InExtraSlot(Stored<&Shaped::v>("V", 1), 1),
    InExtraSlot(Stored<&Shaped::tail>("Tail", -1), 0),
    Stored<&Shaped::head>("Head", 0),
};

TEST(RecordFields, ExtraSlotsFollowTheOthersAndARecordWithoutThemLeavesThem)
{
    const Shaped s{D3DXVECTOR3(1, 2, 3), 4, 5};
    for (const bool withExtra : {true, false}) {
        std::vector<uint8_t> b;
        kestu::ByteWriter w(b);
        for (const float f : {5.0f, 1.0f, 4.0f, 2.0f, 3.0f}) w.F32(f);
        std::ostringstream out;
        WriteRecord(out, &s, kShapedFields, withExtra);
        EXPECT_EQ(out.str(), std::string(b.begin(), b.begin() + (withExtra ? 20 : 8))) << withExtra;

        Shaped back{D3DXVECTOR3(7, 8, 9), 6, 0};
        std::stringstream in(out.str());
        RecordValues values(kShapedFields, withExtra);
        ASSERT_TRUE(values.Read(in));
        values.Store(&back);
        EXPECT_EQ(back.head, 5.0f);
        EXPECT_EQ(back.v.x, 1.0f);
        EXPECT_EQ(back.v.y, withExtra ? 2.0f : 8.0f);
        EXPECT_EQ(back.v.z, withExtra ? 3.0f : 9.0f);
        EXPECT_EQ(back.tail, withExtra ? 4.0f : 6.0f);
    }
}

} // namespace
