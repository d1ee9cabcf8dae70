// Reference vectors: blocks of numbers separated by comment lines.
#ifndef VELMORA_TEST_GOLDEN_H
#define VELMORA_TEST_GOLDEN_H

#include <cstdint>
#include <string>
#include <vector>

// Each block is the lines between two comment lines; each line its numbers,
// read as hexadecimal when hex is set.
std::vector<std::vector<std::vector<uint32_t>>> ReadGoldenBlocks(const std::string& name, bool hex_after_first);

struct GoldenPlasma {
    int32_t Width, Height, Granularity, Symmetry, First, Count;
    bool Progressive;
    uint32_t Time;
    std::vector<uint8_t> Start;   // empty: a buffer filled with `First`
    std::vector<uint8_t> Result;  // bottom-up, as in memory
};
GoldenPlasma LoadGoldenPlasma(const std::string& name);

#endif
