// The kinds of member an entry of a particle record's field list
// (file/RecordFieldList.h) may name, and the kind a member's type makes.
#pragma once
#include <cstdint>
#include <list>
#include <string>
#include <type_traits>

#include "kestu_ppsdomain.h"

enum class FieldType : uint8_t {
    F32,
    U32,
    I32,
    Bool, // an i32 the script holds as "true" or "false"
    Vec3,
    Domain,
    Text,     // a std::string, stored with its length
    Chars,    // a zero-ended char array, stored as a Text
    Bytes,    // a char array stored as its bytes
    TextList, // a std::list<std::string>, stored as a count and the texts
};

namespace fieldlist {
template <class T>
struct MemberOf;
template <class Owner, class T>
struct MemberOf<T Owner::*> {
    using Class = Owner;
    using Type = T;
};

template <class T>
constexpr FieldType TypeOf()
{
    if constexpr (std::is_same_v<T, float>)
        return FieldType::F32;
    else if constexpr (std::is_same_v<T, DWORD>)
        return FieldType::U32;
    else if constexpr (std::is_same_v<T, int32_t>)
        return FieldType::I32;
    else if constexpr (std::is_same_v<T, D3DXVECTOR3>)
        return FieldType::Vec3;
    else if constexpr (std::is_same_v<T, SPPS_DOMAIN>)
        return FieldType::Domain;
    else if constexpr (std::is_same_v<T, std::string>)
        return FieldType::Text;
    else if constexpr (std::is_same_v<T, std::list<std::string>>)
        return FieldType::TextList;
    else {
        static_assert(std::is_array_v<T> && std::is_same_v<std::remove_extent_t<T>, char>,
                      "a field is a float, a word, a vector, a domain, a text or a list of texts");
        return FieldType::Chars;
    }
}
} // namespace fieldlist
