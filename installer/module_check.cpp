#include "module_check.h"

namespace {

uint32_t Read16(const uint8_t* at) { return (uint32_t)at[0] | (uint32_t)at[1] << 8; }
uint32_t Read32(const uint8_t* at) { return Read16(at) | Read16(at + 2) << 16; }

// Offsets in the PE/COFF format.
constexpr size_t kNewHeaderOffset = 0x3C;  // in the DOS header: where "PE\0\0" stands
constexpr size_t kFileHeaderBytes = 20;    // after the signature
constexpr size_t kSectionCount = 2, kSymbolTable = 8, kSymbolCount = 12, kOptionalHeaderSize = 16;  // file header
constexpr size_t kSymbolBytes = 18;
constexpr size_t kSectionHeaderBytes = 40;
constexpr size_t kRawSize = 16, kRawPointer = 20;  // in a section header
// In the optional header, by its magic (PE32, PE32+): the count of data
// directories and where they start. The certificate table (directory 4) is
// the one that gives a place in the file, not in memory.
constexpr uint32_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr size_t kCertificateDirectory = 4;

// The end of a block that starts at `start` and is `bytes` long, as long as it lies in the file.
bool Inside(uint64_t start, uint64_t bytes, size_t size) { return start + bytes <= size; }

}  // namespace

bool WholeModule(const uint8_t* bytes, size_t size) {
    if (!bytes || size < kNewHeaderOffset + 4 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const uint64_t pe = Read32(bytes + kNewHeaderOffset);
    if (pe + 4 + kFileHeaderBytes > size) return false;
    const uint8_t* signature = bytes + pe;
    if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0) return false;
    const uint8_t* file_header = signature + 4;
    const uint32_t sections = Read16(file_header + kSectionCount);
    const uint64_t optional = pe + 4 + kFileHeaderBytes;
    const uint32_t optional_size = Read16(file_header + kOptionalHeaderSize);
    const uint64_t table = optional + optional_size;
    if (sections == 0 || !Inside(table, (uint64_t)sections * kSectionHeaderBytes, size)) return false;
    for (uint32_t k = 0; k < sections; k++) {
        const uint8_t* section = bytes + table + (uint64_t)k * kSectionHeaderBytes;
        const uint64_t raw_size = Read32(section + kRawSize), raw_pointer = Read32(section + kRawPointer);
        if (raw_size != 0 && !Inside(raw_pointer, raw_size, size)) return false;
    }
    // The symbols and their strings that linkers leave at the end of the file.
    const uint64_t symbols = Read32(file_header + kSymbolTable);
    if (symbols != 0) {
        const uint64_t strings = symbols + (uint64_t)Read32(file_header + kSymbolCount) * kSymbolBytes;
        if (!Inside(strings, 4, size) || !Inside(strings, Read32(bytes + strings), size)) return false;
    }
    // A signature, where there is one.
    const uint32_t magic = optional_size >= 2 ? Read16(bytes + optional) : 0;
    const size_t directories_at = magic == kPe32 ? 96 : magic == kPe32Plus ? 112 : 0;
    if (directories_at && optional_size >= directories_at &&
        Read32(bytes + optional + directories_at - 4) > kCertificateDirectory &&
        optional_size >= directories_at + 8 * (kCertificateDirectory + 1)) {
        const uint8_t* certificate = bytes + optional + directories_at + 8 * kCertificateDirectory;
        const uint32_t place = Read32(certificate), length = Read32(certificate + 4);
        if (length != 0 && !Inside(place, length, size)) return false;
    }
    return true;
}
