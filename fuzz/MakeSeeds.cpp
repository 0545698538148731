// Writes the fuzzer's seed corpus: small drawings of every layout version, built field by
// field with the test byte builder. Usage: jww_fuzz_seeds <folder>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "ByteBuilder.h"

using namespace jwwtest;

namespace {

// Every record kind, a zero-extent text, an image reference, a used definition holding a
// nested insertion of a second one, and an extended time stamp.
Drawing Everything(int ver, bool utf16) {
    Drawing d = EmptyDrawing(ver);
    d.utf16 = utf16;
    Dim dim;
    dim.att = {1, 2, 3};
    dim.text = Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"F", u"12"};
    dim.sxf = 1;
    dim.t2 = Point{{0, 100, 1}, 1, 2, 0, 5, 0.5, 2};
    d.list = {
        Line{{0, 1, 1}, 1, 2, 3, 4},
        Arc{{0, 1, 1}, 1, 2, 3, 4, 5, 6, 7, 1},
        Point{{0, 100, 1}, 1, 2, 0, 9, 0.5, 2},
        Text{{0, 1, 1}, 1, 2, 3, 4, 0, 2, 2, 0, 0, u"\u3042", u"^@BM%temp%a.png,1"},
        Text{{0, 1, 1}, 5, 5, 5, 5, 0, 2, 2, 0, 0, u"", u"zero"},
        dim,
        Solid{{0, 1, 10}, {1, 2, 3, 4, 5, 6, 7, 8}, 0xFF00FF},
        Insert{{0, 1, 1}, 1, 2, 1, 1, 0, 3},
    };
    d.defs = {
        BlockDef{{0, 1, 1}, 3, 0, 0x80000001u, u"block",
                 {Line{{0, 1, 1}, 5, 6, 7, 8}, Text{{0, 1, 1}, 1, 1, 1, 1, 0, 2, 2, 0, 0, u"", u"z"},
                  Insert{{0, 1, 1}, 0, 0, 1, 1, 0, 4}}},
        BlockDef{{0, 1, 1}, 4, 0, 5, u"inner", {Point{{0, 1, 1}, 9, 9, 0}}},
        BlockDef{{0, 1, 1}, 9, 0, 5, u"unused", {Line{}}},
    };
    d.images = {{u"a.png", 6, "PNGDAT"}, {u"b.gz", 3, "xyz"}, {u"", 0, ""}};
    return d;
}

// Definitions that insert each other in a ring, reached from the drawing.
Drawing Cycle(int ver) {
    Drawing d = EmptyDrawing(ver);
    d.list = {Insert{{}, 0, 0, 1, 1, 0, 1}};
    d.defs = {BlockDef{{}, 1, 0, 0, u"a", {Insert{{}, 1, 1, 2, 2, 0.5, 2}}},
              BlockDef{{}, 2, 0, 0, u"b", {Insert{{}, 1, 1, 2, 2, 0.5, 1}, Insert{{}, 0, 0, 1, 1, 0, 2}}}};
    return d;
}

// Texts whose strings need the long length forms.
Drawing LongStrings(int ver, bool utf16) {
    Drawing d = EmptyDrawing(ver);
    d.utf16 = utf16;
    d.list = {Text{{}, 0, 0, 1, 0, 0, 1, 1, 0, 0, std::u16string(254, u'f'), std::u16string(300, u'\u65E5')}};
    return d;
}

bool Write(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    bool ok = true;
    for (int ver : {220, 223, 225, 230, 231, 300, 350, 351, 420, 600, 700}) {
        std::string v = std::to_string(ver);
        ok &= Write(folder, "everything-" + v + ".jww", BuildFile(Everything(ver, false)));
        ok &= Write(folder, "empty-" + v + ".jww", BuildFile(EmptyDrawing(ver)));
    }
    for (int ver : {351, 700}) {
        std::string v = std::to_string(ver);
        ok &= Write(folder, "everything-utf16-" + v + ".jww", BuildFile(Everything(ver, true)));
        ok &= Write(folder, "cycle-" + v + ".jww", BuildFile(Cycle(ver)));
        ok &= Write(folder, "long-strings-" + v + ".jww", BuildFile(LongStrings(ver, false)));
        ok &= Write(folder, "long-strings-utf16-" + v + ".jww", BuildFile(LongStrings(ver, true)));
    }
    if (!ok) {
        std::fprintf(stderr, "cannot write the seeds into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
