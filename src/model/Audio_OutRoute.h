#pragma once

#include <array>

#include "model/Audio_OutData.h"

class CArchiveReader;
class CArchiveWriter;

// The output list of a program container: exactly eight output records 1..8, owned by the list.
// Record i gets index i, its name ("1".."8", through the name setter, so every new output starts
// with its name flag raised) and its curve colour.
class CAudio_OutRoute {
public:
    static constexpr int kCount = kOutputCount;

    CAudio_OutRoute();
    CAudio_OutRoute(const CAudio_OutRoute&) = delete;
    CAudio_OutRoute& operator=(const CAudio_OutRoute&) = delete;

    int size() const { return kCount; }
    // Precondition: 0 <= i < 8.
    CAudio_OutData& operator[](int i);
    const CAudio_OutData& operator[](int i) const;

    auto begin() { return records_.begin(); }
    auto end() { return records_.end(); }
    auto begin() const { return records_.begin(); }
    auto end() const { return records_.end(); }

    // Each record in index order; no count, no class information.
    void Serialize(CArchiveWriter& archive) const;
    bool Serialize(CArchiveReader& archive);

private:
    std::array<CAudio_OutData, kCount> records_;
};
