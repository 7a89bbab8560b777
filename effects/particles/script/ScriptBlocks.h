// The vector and domain blocks that the action scripts nest, read and written.
#pragma once
#include <ostream>
#include <string>

#include "kestu_datachunk.h"
#include "kestu_ppsdomain.h"

// Reads "x", "y", "z" lines from the next "{" up to the line that begins
// with "}"; a key line without a value ends the block early.
void ReadVectorBlock(CDataChunk& chunk, D3DXVECTOR3& v);
// Reads a domain's stored fields from the next "{" up to its "}"; nothing is
// derived, and a type outside 0 to 14 leaves the type as it was.
void ReadDomainBlock(CDataChunk& chunk, SPPS_DOMAIN& d);

// Values an action keeps beyond the lines every reader of these scripts
// knows are written as flat key lines, a key and its values on one line and
// never a nested block: a reader that ends an action's block at the first
// line beginning with "}" passes over them and keeps what follows. The key
// is the line's whole first token.
// "\t" key and the three components, each after a tab, then a line feed.
void WriteFlatVector(std::ostream& out, const char* key, const D3DXVECTOR3& v);
// True when the line's first token is key; the components are read when the
// line carries all three.
bool ReadFlatVector(const std::string& line, const char* key, D3DXVECTOR3& v);
// The domain as flat lines: prefix + "Type", "P1", "P2", "U", "V",
// "Radius1", "Radius2", "Radius1Sqr", "Radius2Sqr".
void WriteFlatDomain(std::ostream& out, const std::string& prefix, const SPPS_DOMAIN& d);
// True when the line is one of those lines; a type outside 0 to 14 leaves the
// type as it was.
bool ReadFlatDomain(const std::string& line, const std::string& prefix, SPPS_DOMAIN& d);
// True when every stored field equals that of the other domain.
bool SameDomain(const SPPS_DOMAIN& a, const SPPS_DOMAIN& b);
bool SameVector(const D3DXVECTOR3& a, const D3DXVECTOR3& b);

// Takes the block that opens at the next "{" line, up to the "}" line that
// closes it (blocks inside it counted), out of chunk into block, so that a
// reader of the block, however it reads, never reads past it. The block
// holds the lines after the "{" with their closing "}". False when no "{"
// comes before the end of the text.
struct ScriptBlock {
    ScriptBlock() {}
    ScriptBlock(const ScriptBlock&) = delete;
    ScriptBlock& operator=(const ScriptBlock&) = delete;
    ~ScriptBlock() { chunk.clear(); }
    CDataChunk chunk;
};
bool TakeBlock(CDataChunk& chunk, ScriptBlock& block);
// True when the next line that is neither empty nor a comment is "{".
bool BlockFollows(const CDataChunk& chunk);
// The first line of chunk that is neither empty nor a comment; empty at the end.
std::string NextContentLine(CDataChunk& chunk);

// "\n\t\t{", the three component lines and "\n\t\t}", with no line feed after.
void WriteVectorBlock(std::ostream& out, const D3DXVECTOR3& v);
// The domain block, from "\n\t\t{\n" to "\n\t\t}\n", every field as it stands.
void WriteDomainBlock(std::ostream& out, const SPPS_DOMAIN& d);
