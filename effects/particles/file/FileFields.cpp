#include "effects/particles/file/FileFields.h"

#include <algorithm>
#include <vector>

#include <windows.h>

#include "kestu_bytes.h"

namespace ppsfile {

bool ReadBytes(std::istream& in, void* out, size_t n)
{
    if (n == 0) return static_cast<bool>(in);
    if (!in.read(static_cast<char*>(out), static_cast<std::streamsize>(n))) return Refuse(in);
    return true;
}

bool ReadU32(std::istream& in, uint32_t& value)
{
    uint8_t bytes[4];
    if (!ReadBytes(in, bytes, 4)) return false;
    value = kestu::GetU32(bytes);
    return true;
}

bool ReadI32(std::istream& in, int32_t& value)
{
    uint8_t bytes[4];
    if (!ReadBytes(in, bytes, 4)) return false;
    kestu::ByteReader r(bytes, 4);
    value = r.I32();
    return true;
}

bool ReadF32(std::istream& in, float& value)
{
    uint8_t bytes[4];
    if (!ReadBytes(in, bytes, 4)) return false;
    kestu::ByteReader r(bytes, 4);
    value = r.F32();
    return true;
}

bool ReadString(std::istream& in, uint32_t max, std::string& value)
{
    uint32_t n;
    if (!ReadU32(in, n)) return false;
    if (n > max) return Refuse(in);
    char text[kMeshPathMax + 1];
    if (!ReadBytes(in, text, n)) return false;
    // The text ends at its first zero byte, as a C string would.
    value.assign(text, std::find(text, text + n, '\0'));
    return true;
}

bool Refuse(std::istream& in)
{
    in.setstate(std::ios::failbit);
    return false;
}

void WriteBytes(std::ostream& out, const void* data, size_t n)
{
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
}

namespace {
template <class Put>
void WriteWord(std::ostream& out, Put put)
{
    std::vector<uint8_t> bytes;
    kestu::ByteWriter w(bytes);
    put(w);
    WriteBytes(out, bytes.data(), bytes.size());
}
} // namespace

void WriteU32(std::ostream& out, uint32_t value)
{
    WriteWord(out, [&](kestu::ByteWriter& w) { w.U32(value); });
}

void WriteI32(std::ostream& out, int32_t value)
{
    WriteWord(out, [&](kestu::ByteWriter& w) { w.I32(value); });
}

void WriteF32(std::ostream& out, float value)
{
    WriteWord(out, [&](kestu::ByteWriter& w) { w.F32(value); });
}

void WriteString(std::ostream& out, const std::string& value, uint32_t max)
{
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(value.size(), max));
    WriteU32(out, n);
    WriteBytes(out, value.data(), n);
}

long& LoadedParticles(std::ios& stream)
{
    static const int slot = std::ios_base::xalloc();
    return stream.iword(slot);
}

long StreamResult(const std::ios& stream) { return stream ? 0 : E_FAIL; }

} // namespace ppsfile
