// The particle script's line helpers beside the exported tokens and value
// conversions (kestu_ppsscript.h).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "kestu_ppsscript.h"

// The line's second token, the value of its key; false for a line that
// carries none.
bool ScriptValueOf(const std::string& line, std::string& value);

// The text up to its first line feed: a name or path that a binary file
// carried with one would otherwise end its line early and break the blocks
// around it.
std::string ScriptText(const std::string& text);

// The name a block is written under: the name up to its first line feed,
// or, when that leaves no value for a reader to take, the number in decimal,
// so that the block is not passed over as one without a name.
std::string ScriptName(const std::string& name, uint32_t number);

// True when the line begins with the key.
bool ScriptKeyIs(const std::string& line, const char* key);

// A flag that the writers put down as an integer reads back as written;
// "true" reads as 1.
int32_t ScriptStringToFlag(const std::string& text);
