// The bytes the particle writers put down, pinned: the fuzz corpora, the
// sample's script and thousands of random files are read and written in both
// forms, and each form read back and written again; what comes out must be
// what the writers wrote when the digests below were taken. A change of the
// formats shows here first; a change that means to keep them must leave these
// digests alone.
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "FullManager.h"

namespace {

uint64_t Fnv(uint64_t h, const std::string& bytes)
{
    for (unsigned char c : bytes) h = (h ^ c) * 0x100000001B3ull;
    // The length too, so that where one output ends is part of the digest.
    for (int i = 0; i < 8; ++i) h = (h ^ ((bytes.size() >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    return h;
}
constexpr uint64_t kFnvStart = 0xCBF29CE484222325ull;

std::string ScriptOf(CParticleSystemMng& mng)
{
    std::ostringstream out;
    mng.WriteToScript(out);
    return out.str();
}

std::string BinaryOf(CParticleSystemMng& mng)
{
    std::stringstream out;
    mng.Serialize(out, 1);
    return out.str();
}

void ReadText(CParticleSystemMng& mng, const std::string& text)
{
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    mng.CreateFromScript(chunk);
    chunk.clear();
}

// A manager that has been read: both forms, and each form read back and
// written again in both forms.
uint64_t DigestOfManager(uint64_t h, CParticleSystemMng& mng)
{
    const std::string binary = BinaryOf(mng);
    const std::string script = ScriptOf(mng);
    h = Fnv(Fnv(h, binary), script);
    CParticleSystemMng fromBinary;
    std::stringstream in(binary);
    fromBinary.Serialize(in, 0);
    h = Fnv(Fnv(h, BinaryOf(fromBinary)), ScriptOf(fromBinary));
    fromBinary.Clear();
    CParticleSystemMng fromScript;
    ReadText(fromScript, script);
    h = Fnv(Fnv(h, BinaryOf(fromScript)), ScriptOf(fromScript));
    fromScript.Clear();
    return h;
}

uint64_t DigestOfFile(const std::string& bytes)
{
    CParticleSystemMng mng;
    std::stringstream in(bytes);
    const HRESULT hr = mng.Serialize(in, 0);
    uint64_t h = Fnv(kFnvStart, hr == 0 ? "read" : "refused");
    h = DigestOfManager(h, mng);
    mng.Clear();
    return h;
}

uint64_t DigestOfScript(const std::string& text)
{
    CParticleSystemMng mng;
    ReadText(mng, text);
    const uint64_t h = DigestOfManager(kFnvStart, mng);
    mng.Clear();
    return h;
}

// As the action fuzz target reads its inputs: a first byte that picks the
// record or the script, and for a script the action's id.
uint64_t DigestOfAction(const std::string& bytes)
{
    if (bytes.size() < 2) return kFnvStart;
    std::unique_ptr<SPPS_ACTION_BASE> action;
    if (bytes[0] & 1) {
        action.reset(NewPPSAction(PPS_ACTION_AVOID + static_cast<uint8_t>(bytes[1]) % 17));
        CDataChunk chunk;
        chunk.allocate(static_cast<int>(bytes.size() - 2), bytes.data() + 2);
        action->CreateFromScript(chunk);
        chunk.clear();
    } else {
        // A record of either form.
        for (long form : {0l, kShortActionRecords}) {
            std::stringstream record(bytes.substr(1));
            record.iword(ActionRecordFormSlot()) = form;
            SPPS_ACTION_DATA header;
            if (!ReadActionHeader(record, header)) return Fnv(kFnvStart, "no header");
            action.reset(NewPPSAction(&header));
            if (action && action->Serialize(record, 0) == 0) break;
            action.reset();
        }
        if (!action) return Fnv(kFnvStart, "refused");
    }
    uint64_t h = kFnvStart;
    for (bool full : {true, false}) {
        std::stringstream out;
        out.iword(ActionRecordFormSlot()) = full ? 0 : kShortActionRecords;
        action->Serialize(out, 1);
        h = Fnv(h, out.str());
    }
    std::ostringstream script;
    action->WriteToScript(script);
    return Fnv(h, script.str());
}

std::string Slurp(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::filesystem::path Source(const char* relative)
{
    const char* root = std::getenv("KESTU_SOURCE_DIR");
    return std::filesystem::path(root ? root : ".") / relative;
}

std::string Hex(uint64_t h)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, h);
    return text;
}

TEST(WrittenBytes, CorporaAndSampleScriptWriteAsPinned)
{
    const struct {
        const char* path;
        uint64_t (*digest)(const std::string&);
    } kInputs[] = {
        {"fuzz/corpus/particles_file", DigestOfFile},
        {"fuzz/corpus/particles_script", DigestOfScript},
        {"fuzz/corpus/particles_action", DigestOfAction},
    };
    std::vector<std::pair<std::string, uint64_t>> found;
    for (const auto& input : kInputs) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(Source(input.path))) files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files)
            found.emplace_back(std::string(input.path) + "/" + file.filename().string(), input.digest(Slurp(file)));
    }
    found.emplace_back("samples/particles/fire_and_sparks.txt",
                       DigestOfScript(Slurp(Source("samples/particles/fire_and_sparks.txt"))));

    const std::vector<std::pair<std::string, std::string>> kPinned = {
        {"fuzz/corpus/particles_file/empty.pps", "47bdf3289ecf8383"},
        {"fuzz/corpus/particles_file/extras.pps", "85518fd800c10417"},
        {"fuzz/corpus/particles_file/full.pps", "b0ed91f23db89a97"},
        {"fuzz/corpus/particles_file/method_bb.pps", "c2d4dfec5a88b702"},
        {"fuzz/corpus/particles_file/method_skl.pps", "8ea21d1a37520564"},
        {"fuzz/corpus/particles_file/runaway_groups.pps", "f4e30df37c14c64e"},
        {"fuzz/corpus/particles_file/small.pps", "1a036ece31396205"},
        {"fuzz/corpus/particles_script/empty.txt", "e3d5a8ead59c600f"},
        {"fuzz/corpus/particles_script/extras.txt", "d54eed27ff6ad801"},
        {"fuzz/corpus/particles_script/full.txt", "a05742e8ea1c2493"},
        {"fuzz/corpus/particles_script/method_bb.txt", "2b7574bdf36baa46"},
        {"fuzz/corpus/particles_script/method_skl.txt", "2acb62af6619d7f0"},
        {"fuzz/corpus/particles_script/methods_after_systems.txt", "86af6c6235488f17"},
        {"fuzz/corpus/particles_script/runaway_groups.txt", "e3d5a8ead59c600f"},
        {"fuzz/corpus/particles_script/small.txt", "f283eb106afd7f51"},
        {"fuzz/corpus/particles_script/unnamed.txt", "5d60ee88e0204eea"},
        {"fuzz/corpus/particles_action/record_256", "c358b85483429cb7"},
        {"fuzz/corpus/particles_action/record_257", "5f0073a22612237e"},
        {"fuzz/corpus/particles_action/record_258", "67c3b9b545db622a"},
        {"fuzz/corpus/particles_action/record_259", "9e0cbf0b51d9e8f3"},
        {"fuzz/corpus/particles_action/record_260", "1b1f3d0a8c14d9dc"},
        {"fuzz/corpus/particles_action/record_261", "cd8d5f6f375f22a8"},
        {"fuzz/corpus/particles_action/record_262", "23bf51735380bc7e"},
        {"fuzz/corpus/particles_action/record_263", "bad016b0100ee187"},
        {"fuzz/corpus/particles_action/record_264", "f37f4c9df3160c3c"},
        {"fuzz/corpus/particles_action/record_265", "c9900db97f525e7d"},
        {"fuzz/corpus/particles_action/record_266", "da3df036db098092"},
        {"fuzz/corpus/particles_action/record_267", "22868b7809f9d5ee"},
        {"fuzz/corpus/particles_action/record_268", "6091fbfa9f9fd89f"},
        {"fuzz/corpus/particles_action/record_269", "e8ca0a05a6e54c89"},
        {"fuzz/corpus/particles_action/record_270", "d764543b3940ba26"},
        {"fuzz/corpus/particles_action/record_271", "9c2936c024ab311f"},
        {"fuzz/corpus/particles_action/record_272", "729edb6969ca7275"},
        {"fuzz/corpus/particles_action/script_256", "2e18506c129d670a"},
        {"fuzz/corpus/particles_action/script_257", "b8c7a6fa1cf90d1b"},
        {"fuzz/corpus/particles_action/script_258", "8e9921a155b9bd1f"},
        {"fuzz/corpus/particles_action/script_259", "1b1ac2cf252907e6"},
        {"fuzz/corpus/particles_action/script_260", "c0853c0da4c91925"},
        {"fuzz/corpus/particles_action/script_261", "9007cdefb35a9cf3"},
        {"fuzz/corpus/particles_action/script_262", "6f5b7a6c56d6e99b"},
        {"fuzz/corpus/particles_action/script_263", "4591f26a28c4e8fc"},
        {"fuzz/corpus/particles_action/script_264", "2354ad788eb0eaff"},
        {"fuzz/corpus/particles_action/script_265", "f3d2287d4641ac60"},
        {"fuzz/corpus/particles_action/script_266", "7534f8ad930a7cff"},
        {"fuzz/corpus/particles_action/script_267", "b52b26d50e5976fb"},
        {"fuzz/corpus/particles_action/script_268", "e600b578dabf7896"},
        {"fuzz/corpus/particles_action/script_269", "28306efe81c6bb74"},
        {"fuzz/corpus/particles_action/script_270", "792b83181993415b"},
        {"fuzz/corpus/particles_action/script_271", "34be7bb4f0e0b7d4"},
        {"fuzz/corpus/particles_action/script_272", "85976d13801406d0"},
        {"samples/particles/fire_and_sparks.txt", "9a9de5a2f9115095"},
    };
    std::string actual;
    for (const auto& [path, h] : found) actual += "        {\"" + path + "\", \"" + Hex(h) + "\"},\n";
    std::string pinned;
    for (const auto& [path, h] : kPinned) pinned += "        {\"" + path + "\", \"" + h + "\"},\n";
    EXPECT_EQ(actual, pinned);
}

// A file of random content in every field the format has, laid out record by
// record, its actions' records those of the engine's own actions with every
// word after the id drawn at random.
class RandomFile {
public:
    explicit RandomFile(uint64_t seed) : m_nState(seed * 0x9E3779B97F4A7C15ull + 1) {}

    std::string Make()
    {
        std::vector<uint8_t> b;
        kestu::ByteWriter w(b);
        w.Bytes("PPS_DAT_MNG", 12);
        w.U32(0x1234);
        w.U32(Pick(4) ? 0x5678 : Word());
        String(w, Pick(3) ? "" : Name(40), 255);
        const uint32_t methods = Pick(5);
        w.U32(methods);
        std::vector<std::string> names;
        for (uint32_t m = 0; m < methods; ++m) names.push_back(Method(w));
        const uint32_t systems = Pick(4);
        w.U32(systems);
        for (uint32_t s = 0; s < systems; ++s) System(w, names);
        return std::string(b.begin(), b.end());
    }

private:
    uint32_t Word()
    {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 7;
        m_nState ^= m_nState << 17;
        return static_cast<uint32_t>(m_nState >> 11);
    }
    uint32_t Pick(uint32_t n) { return Word() % n; }
    // Mostly plain numbers, now and then any bits at all.
    float Real()
    {
        if (Pick(8) == 0) {
            const uint32_t bits = Word();
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
        return static_cast<float>(static_cast<int32_t>(Pick(20001)) - 10000) / static_cast<float>(1 + Pick(100));
    }
    uint32_t Value() { return Pick(3) == 0 ? Word() : Pick(20); }
    std::string Name(uint32_t most)
    {
        static const char kLetters[] = "abcXYZ019_. \t\n{}/";
        std::string name;
        for (uint32_t n = Pick(most + 1); n > 0; --n) name += kLetters[Pick(sizeof kLetters - 1)];
        return name;
    }
    static void String(kestu::ByteWriter& w, const std::string& text, size_t most)
    {
        const std::string cut = text.substr(0, most);
        w.U32(static_cast<uint32_t>(cut.size()));
        w.Bytes(cut.data(), cut.size());
    }
    std::string Method(kestu::ByteWriter& w)
    {
        const uint32_t type = Pick(7);
        w.U32(type);
        // Never without a name: one is written as the method's number, which
        // depends on the methods made before it in the process.
        const std::string name = "m" + (Pick(5) ? std::to_string(Pick(6)) : Name(18));
        String(w, name, 19);
        switch (type) {
        case 3:
            w.F32(Real());
            String(w, Name(30), 255);
            break;
        case 4:
            w.U32(Value());
            w.F32(Real());
            w.F32(Real());
            break;
        case 5: {
            String(w, Name(30), 255);
            const uint32_t paths = Pick(4);
            w.U32(paths);
            for (uint32_t i = 0; i < paths; ++i) String(w, Name(30), 255);
            break;
        }
        case 6:
            String(w, Name(40), 259);
            String(w, Name(40), 259);
            break;
        default: break;
        }
        return name.substr(0, 19);
    }
    void System(kestu::ByteWriter& w, const std::vector<std::string>& methods)
    {
        // A system without a name is written under its number, which depends
        // on the systems made before it in the process.
        String(w, "s" + Name(18), 19);
        w.Bytes("PPS_DAT", 8);
        w.U32(0x1234);
        const uint32_t minor = Pick(3) == 0 ? 0x5679 : Pick(2) ? 0x5678 : Word();
        w.U32(minor);
        for (int i = 0; i < 4; ++i) w.F32(Real());
        String(w, methods.empty() || Pick(4) == 0 ? Name(19) : methods[Pick(methods.size())], 19);
        const uint32_t groups = Pick(4);
        w.U32(groups);
        for (uint32_t g = 0; g < groups; ++g) {
            w.U32(Value());
            const uint32_t specified = Pick(2) ? Value() : 0;
            w.U32(specified);
            const uint32_t max = Pick(500);
            w.U32(max);
            w.U32(Pick(2) ? Value() : 0);
            String(w, Name(19), 19);
            w.U32(specified ? Value() : std::min<uint32_t>(Pick(3), std::max<uint32_t>(max, 1)));
        }
        const uint32_t actions = Pick(6);
        w.U32(actions);
        for (uint32_t a = 0; a < actions; ++a) Action(w, minor == 0x5679);
    }
    void Action(kestu::ByteWriter& w, bool full)
    {
        std::unique_ptr<SPPS_ACTION_BASE> action(NewPPSAction(PPS_ACTION_AVOID + Pick(17)));
        action->SetName(Name(19).substr(0, 19).c_str());
        std::stringstream out;
        out.iword(ActionRecordFormSlot()) = full ? 0 : kShortActionRecords;
        action->Serialize(out, 1);
        std::string record = out.str();
        const size_t nameEnd = 56 + kestu::GetU32(reinterpret_cast<const uint8_t*>(record.data()) + 52);
        for (size_t at = 4; at + 4 <= record.size(); at += 4) {
            if (at >= 52 && at < nameEnd) continue;
            // Header words and domain types stay small most of the time, so
            // that the validity and scope modes and the shapes all come up.
            uint32_t word;
            if (Pick(2)) {
                const float f = Real();
                std::memcpy(&word, &f, 4);
            } else {
                word = Value();
            }
            kestu::PutU32(reinterpret_cast<uint8_t*>(record.data()) + at, word);
        }
        w.Bytes(record.data(), record.size());
    }

    uint64_t m_nState;
};

// The digest of the first kRandomFiles files. KESTU_RANDOM_PARTICLE_FILES=n
// prints the digest of the first n instead of checking it, for a longer run
// taken before and after a change.
constexpr uint64_t kRandomFiles = 400;
const char kRandomDigest[] = "2700fcf6a8bc0351";

TEST(WrittenBytes, RandomFilesWriteAsPinned)
{
    const char* asked = std::getenv("KESTU_RANDOM_PARTICLE_FILES");
    const uint64_t files = asked ? std::strtoull(asked, nullptr, 10) : kRandomFiles;
    uint64_t h = kFnvStart;
    uint64_t read = 0;
    for (uint64_t seed = 0; seed < files; ++seed) {
        const std::string file = RandomFile(seed).Make();
        CParticleSystemMng probe;
        std::stringstream in(file);
        if (probe.Serialize(in, 0) == 0) ++read;
        probe.Clear();
        h = Fnv(h, Hex(DigestOfFile(file)));
    }
    EXPECT_GT(read, files * 3 / 4) << "most random files must be readable, or they test little";
    if (asked) {
        std::printf("digest of %" PRIu64 " random particle files: %s\n", files, Hex(h).c_str());
        return;
    }
    EXPECT_EQ(Hex(h), kRandomDigest);
}

} // namespace
