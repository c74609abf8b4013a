#pragma once

#include <array>

#include "model/Audio_InData.h"

class CArchiveReader;
class CArchiveWriter;

// The input list of a program container: exactly four input records A..D, owned by the list.
// Record i gets index i, its name ("A".."D", through the name setter, so every new input starts
// with its name flag raised) and its curve colour.
class CAudio_InRoute {
public:
    static constexpr int kCount = kInputCount;

    CAudio_InRoute();
    CAudio_InRoute(const CAudio_InRoute&) = delete;
    CAudio_InRoute& operator=(const CAudio_InRoute&) = delete;

    int size() const { return kCount; }
    // Precondition: 0 <= i < 4.
    CAudio_InData& operator[](int i);
    const CAudio_InData& operator[](int i) const;

    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

    // Each record in index order; no count, no class information.
    void Serialize(CArchiveWriter& archive) const;
    bool Serialize(CArchiveReader& archive);

private:
    std::array<CAudio_InData, kCount> records_;
};
