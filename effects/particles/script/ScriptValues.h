// The particle script's tokens and value conversions: a key line is a key and
// its value separated by tabs or blanks; numbers are written the way a stream
// writes them and read back with the C library's conversions.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The maximal runs of characters that are not separators, in order.
std::vector<std::string> SplitTokens(const std::string& line, const char* separators = " \t");

// The line's second token, the value of its key; false for a line that
// carries none.
bool ScriptValueOf(const std::string& line, std::string& value);

// The text up to its first line feed: a name or path that a binary file
// carried with one would otherwise end its line early and break the blocks
// around it.
std::string ScriptText(const std::string& text);

// True when the line begins with the key.
bool ScriptKeyIs(const std::string& line, const char* key);

std::string ValueToScriptString(float value);
std::string ValueToScriptString(int32_t value);
std::string ValueToScriptString(uint32_t value);
// "true"/"false", or "yes"/"no" when that form is asked for.
std::string ValueToScriptString(bool value, bool yesNo = false);

// atof; text that is not a number gives 0.
void ScriptStringToValue(const std::string& text, float& value);
// atoi, without the undefined overflow: values beyond the range are cut to it.
void ScriptStringToValue(const std::string& text, int32_t& value);
// A decimal unsigned 32-bit value; the whole range survives (larger values
// and negative ones wrap as a 32-bit integer would).
void ScriptStringToValue(const std::string& text, uint32_t& value);
// True exactly when the text is "true".
void ScriptStringToValue(const std::string& text, bool& value);

// A flag that the writers put down as an integer reads back as written;
// "true" reads as 1.
int32_t ScriptStringToFlag(const std::string& text);
