// The fields of a domain after its type, in the order its record and its
// script block hold them, declared once for every reader and writer of a
// domain: the binary record, the script's nested block and its flat lines,
// and the comparison of two domains.
#pragma once
#include <span>

#include "kestu_ppsdomain.h"

struct DomainField {
    // The key of the nested block's line.
    const char* key;
    // What follows the owner's prefix on a flat line.
    const char* flatSuffix;
    // One of the two: a vector or a float.
    D3DXVECTOR3 SPPS_DOMAIN::*vector;
    float SPPS_DOMAIN::*real;
};

inline constexpr DomainField kDomainFieldArray[] = {
    {"p1", "P1", &SPPS_DOMAIN::p1, nullptr},
    {"p2", "P2", &SPPS_DOMAIN::p2, nullptr},
    {"u", "U", &SPPS_DOMAIN::u, nullptr},
    {"v", "V", &SPPS_DOMAIN::v, nullptr},
    {"fRadius1", "Radius1", nullptr, &SPPS_DOMAIN::fRadius1},
    {"fRadius2", "Radius2", nullptr, &SPPS_DOMAIN::fRadius2},
    {"fRadius1Sqr", "Radius1Sqr", nullptr, &SPPS_DOMAIN::fRadius1Sqr},
    {"fRadius2Sqr", "Radius2Sqr", nullptr, &SPPS_DOMAIN::fRadius2Sqr},
};
inline constexpr std::span<const DomainField> kDomainFields = kDomainFieldArray;
