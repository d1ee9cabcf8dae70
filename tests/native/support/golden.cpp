#include "golden.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

std::vector<std::vector<std::vector<uint32_t>>> ReadGoldenBlocks(const std::string& name, bool hex_after_first) {
    std::ifstream in(std::string(VELMORA_GOLDEN_DIR) + "/" + name);
    if (!in) throw std::runtime_error("no reference vector " + name);
    std::vector<std::vector<std::vector<uint32_t>>> blocks;
    bool in_block = false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line[0] == '#') {
            in_block = false;
            continue;
        }
        if (!in_block) blocks.emplace_back();
        in_block = true;
        std::istringstream numbers(line);
        if (hex_after_first && blocks.size() > 1) numbers >> std::hex;
        std::vector<uint32_t> row;
        uint32_t value;
        while (numbers >> value) row.push_back(value);
        blocks.back().push_back(row);
    }
    return blocks;
}

GoldenPlasma LoadGoldenPlasma(const std::string& name) {
    auto blocks = ReadGoldenBlocks(name, true);
    const std::vector<uint32_t>& p = blocks.at(0).at(0);
    GoldenPlasma g{(int32_t)p.at(0), (int32_t)p.at(1), (int32_t)p.at(2), (int32_t)p.at(3), (int32_t)p.at(4),
                   (int32_t)p.at(5), p.at(6) != 0,      p.at(7),          {},               {}};
    auto flatten = [](const std::vector<std::vector<uint32_t>>& rows) {
        std::vector<uint8_t> bytes;
        for (const auto& row : rows)
            for (uint32_t v : row) bytes.push_back((uint8_t)v);
        return bytes;
    };
    if (blocks.size() == 3) g.Start = flatten(blocks[1]);
    g.Result = flatten(blocks.back());
    return g;
}
