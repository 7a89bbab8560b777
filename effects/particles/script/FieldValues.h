// The value of a field-list entry as a script line holds it, shared by the
// actions' lists and those of the other records.
#pragma once
#include <cstdint>
#include <string>

#include "effects/particles/FieldList.h"

// The text of a word, float, flag or text member; a text up to its first
// line feed.
std::string FieldValueText(FieldType type, const void* member);
// Converts a line's value into the member: an i32 through the flag
// conversion, a char array cut to longest, a list of texts appended to.
void ReadFieldValue(FieldType type, void* member, const std::string& text, uint32_t longest);
