// The fields of the particle binary file on a client's stream: little-endian
// u32 and f32 values and strings stored as a u32 length and their bytes.
// Readers refuse what the format cannot hold (a length beyond its limit, a
// stream cut short) by setting the stream's failbit and returning false.
#pragma once
#include <cstdint>
#include <iostream>
#include <string>

namespace ppsfile {

// The limits of the stored strings.
constexpr uint32_t kNameMax = 19;
constexpr uint32_t kPathMax = 255;
constexpr uint32_t kMeshPathMax = 259;

bool ReadBytes(std::istream& in, void* out, size_t n);
bool ReadU32(std::istream& in, uint32_t& value);
bool ReadI32(std::istream& in, int32_t& value);
bool ReadF32(std::istream& in, float& value);
// A length above max fails the read before any byte of the text is taken.
bool ReadString(std::istream& in, uint32_t max, std::string& value);
// Fails the stream and returns false: for checks the fields pass but the
// record does not.
bool Refuse(std::istream& in);

void WriteBytes(std::ostream& out, const void* data, size_t n);
void WriteU32(std::ostream& out, uint32_t value);
void WriteI32(std::ostream& out, int32_t value);
void WriteF32(std::ostream& out, float value);
// At most max bytes of the text, so that what is written reads back.
void WriteString(std::ostream& out, const std::string& value, uint32_t max);

// The particles the group records read from this stream have made so far.
// Each record asks for few (the engine writes one), but one system of many
// records must not make more than memory holds before the manager's reader
// sees the system whole: the readers stop at kLoadedParticlesTotal.
long& LoadedParticles(std::ios& stream);
constexpr long kLoadedParticlesTotal = 1l << 18;

// 0 while the stream is good, else E_FAIL.
long StreamResult(const std::ios& stream);

} // namespace ppsfile
