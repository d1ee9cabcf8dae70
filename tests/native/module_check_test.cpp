// The installer's check of the module it is about to install: a whole module
// passes, one cut short anywhere, or no module at all, does not.
#include "installer/module_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = (uint8_t)v;
    b[at + 1] = (uint8_t)(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A module as MinGW's linker lays it out: DOS header, PE header at 0x80, a
// PE32+ optional header of 240 bytes, two sections with data and one
// without, then a symbol table of 10 symbols and its strings at the end.
std::vector<uint8_t> Module() {
    std::vector<uint8_t> b(0x500 + 180 + 24, 0);
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3C, 0x80);
    b[0x80] = 'P', b[0x81] = 'E';
    Put16(b, 0x84 + 2, 3);       // sections
    Put32(b, 0x84 + 8, 0x500);   // symbol table
    Put32(b, 0x84 + 12, 10);     // symbols
    Put16(b, 0x84 + 16, 240);    // optional header size
    Put16(b, 0x98, 0x20B);       // PE32+
    Put32(b, 0x98 + 108, 16);    // data directories, no certificate
    const size_t table = 0x84 + 20 + 240;
    const uint32_t raw[3][2] = {{0x200, 0x200}, {0x100, 0x400}, {0, 0x9000}};  // size, pointer
    for (size_t k = 0; k < 3; k++) {
        Put32(b, table + 40 * k + 16, raw[k][0]);
        Put32(b, table + 40 * k + 20, raw[k][1]);
    }
    Put32(b, 0x500 + 180, 24);  // the strings, their length first
    return b;
}

// The same module signed: its certificate (an attribute certificate table
// entry) appended at the end, as signing tools put it.
std::vector<uint8_t> SignedModule() {
    std::vector<uint8_t> b = Module();
    const size_t place = b.size(), length = 0x40;
    b.resize(place + length, 0x5A);
    Put32(b, 0x98 + 112 + 8 * 4, (uint32_t)place);
    Put32(b, 0x98 + 112 + 8 * 4 + 4, (uint32_t)length);
    return b;
}

// Each cut is a block of exactly that size: a look past its end is a fault
// the address sanitizer stops at, not a byte of the rest of the module.
TEST(ModuleCheck, AWholeModulePassesAndOneCutShortAnywhereDoesNot) {
    for (const std::vector<uint8_t>& whole : {Module(), SignedModule()}) {
        SCOPED_TRACE(whole.size() > Module().size() ? "signed" : "unsigned");
        EXPECT_TRUE(WholeModule(whole.data(), whole.size()));
        for (size_t size = 0; size < whole.size(); size++) {
            const std::unique_ptr<uint8_t[]> cut(new uint8_t[size ? size : 1]);
            std::copy(whole.begin(), whole.begin() + (ptrdiff_t)size, cut.get());
            ASSERT_FALSE(WholeModule(cut.get(), size)) << "cut to " << size << " bytes";
        }
    }
    EXPECT_FALSE(WholeModule(nullptr, 0));
}

TEST(ModuleCheck, NoModuleAtAll) {
    const std::vector<uint8_t> whole = Module();
    auto broken = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b = whole;
        b[at] = value;
        return WholeModule(b.data(), b.size());
    };
    EXPECT_FALSE(broken(0, 'Z'));     // no DOS header
    EXPECT_FALSE(broken(0x81, 'X'));  // no PE signature
    EXPECT_FALSE(broken(0x3F, 0x80));  // the PE header far beyond the file
    EXPECT_FALSE(broken(0x86, 0));    // no sections
    EXPECT_FALSE(broken(0x84 + 20 + 240 + 16 + 2, 0x10));  // a section's data beyond the end
    EXPECT_FALSE(broken(0x500 + 180, 200));                  // strings beyond the end
    std::vector<uint8_t> signed_module = whole;
    Put32(signed_module, 0x98 + 112 + 8 * 4, 0x5F0);  // a certificate past the end
    Put32(signed_module, 0x98 + 112 + 8 * 4 + 4, 0x40);
    EXPECT_FALSE(WholeModule(signed_module.data(), signed_module.size()));
    Put32(signed_module, 0x98 + 112 + 8 * 4, 0x500);  // one inside
    EXPECT_TRUE(WholeModule(signed_module.data(), signed_module.size()));
    const std::vector<uint8_t> text(4096, 'a');
    EXPECT_FALSE(WholeModule(text.data(), text.size()));
}

}  // namespace
