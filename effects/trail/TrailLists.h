// The per-sequence lists of emitters and their shared data: a record found
// or made by id whose matrix or time list is replaced by a copy.
#pragma once
#include <algorithm>
#include <map>

#include "d3dx8math.h"

namespace Kestu::trail {

// Replaces the list `field` of record `id` by a copy of n entries (its
// entry count in `count`); the frame count becomes n. Returns the record.
template <class Record, class Base, class T>
Record* ReplaceList(std::map<unsigned long, Record*>& records, unsigned long id, T* Base::*field,
                    unsigned long Base::*count, const T* src, unsigned long n)
{
    auto it = records.find(id);
    Record* record = it != records.end() ? it->second : nullptr;
    T* copy = nullptr;
    if (src != nullptr && n > 0) {
        copy = new T[n];
        std::copy(src, src + n, copy);
    }
    if (record == nullptr) {
        record = new Record;
        try {
            records[id] = record;
        } catch (...) {
            delete record;
            delete[] copy;
            throw;
        }
    }
    delete[](record->*field);
    record->*field = copy;
    record->*count = copy != nullptr ? n : 0;
    record->dwFrameCount = record->*count;
    return record;
}

// A deep copy of a record's two lists.
template <class Record>
Record* CopyRecord(const Record& from)
{
    const unsigned long times = from.dwTimeCount, matrices = from.dwMatrixCount;
    auto* to = new Record(from);
    to->pFrameTimes = nullptr;
    to->pMatrices = nullptr;
    if (from.pFrameTimes != nullptr && times > 0) {
        to->pFrameTimes = new float[times];
        std::copy(from.pFrameTimes, from.pFrameTimes + times, to->pFrameTimes);
    }
    if (from.pMatrices != nullptr && matrices > 0) {
        to->pMatrices = new D3DXMATRIX[matrices];
        std::copy(from.pMatrices, from.pMatrices + matrices, to->pMatrices);
    }
    return to;
}

} // namespace Kestu::trail
