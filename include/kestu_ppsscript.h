// The tokens and value conversions of the particle script, for clients that
// read or write script lines of their own: a key line is a key and its value
// separated by tabs or blanks; numbers are written the way a stream writes
// them (reals with six significant digits) and read back with the C
// library's conversions, so text that is not a number gives 0.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <string>
#include <vector>

// The maximal runs of characters that are not separators, in order; runs of
// separators give no empty tokens.
KESTU_API std::vector<std::string> SplitTokens(const std::string& line, const char* separators = " \t");

KESTU_API std::string ValueToScriptString(float value);
KESTU_API std::string ValueToScriptString(int32_t value);
KESTU_API std::string ValueToScriptString(uint32_t value);
KESTU_API std::string ValueToScriptString(long value);
KESTU_API std::string ValueToScriptString(unsigned long value);
// "true"/"false", or "yes"/"no" when that form is asked for.
KESTU_API std::string ValueToScriptString(bool value, bool yesNo = false);

// atof; text that is not a number gives 0.
KESTU_API void ScriptStringToValue(const std::string& text, float& value);
// atoi, without the undefined overflow: values beyond the range are cut to it.
KESTU_API void ScriptStringToValue(const std::string& text, int32_t& value);
// A decimal unsigned 32-bit value; the whole range survives (larger values
// and negative ones wrap as a 32-bit integer would).
KESTU_API void ScriptStringToValue(const std::string& text, uint32_t& value);
// atol, values beyond the range cut to it.
KESTU_API void ScriptStringToValue(const std::string& text, long& value);
// True exactly when the text is "true".
KESTU_API void ScriptStringToValue(const std::string& text, bool& value);
