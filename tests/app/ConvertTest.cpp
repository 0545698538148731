// The real program converting drawings: zero-extent texts go, everything else comes through,
// used block definitions are renumbered, the string form follows the settings, and embedded
// images follow the texts that still refer to them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "JwwGen.h"
#include "JwwUnit.h"
#include "RunHarness.h"
#include "ZeroExtent.h"

namespace {

std::string AsString(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }
std::vector<uint8_t> AsBytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// What the conversion must write for this input: a plain read and write of it, with the
// zero-extent texts marked removed and the string form chosen as the program chooses it.
std::vector<uint8_t> ExpectedConversion(const std::vector<uint8_t>& input, int cb2) {
    ScratchFolder work("jwwclean-expected");
    TJwwData d;
    d.BindImageExp = d.BindImageExr = true;
    d.BindImageFolder = work.path();
    EXPECT_TRUE(d.LoadFromBuffer(input.data(), input.size())) << d.LastError;
    d.BindImageExplode();
    RemoveZeroExtentTexts(d);
    d.SetFileOutOption(cb2 == 1 ? 0 : cb2 == 2 ? kOptUtf16 : (d.MojiEncode ? kOptUtf16 : 0));
    std::vector<uint8_t> out;
    EXPECT_TRUE(d.SaveToBuffer(out, d.Enthd.jwVer)) << d.LastError;
    return out;
}

struct Loaded {
    TJwwData d;
    explicit Loaded(const std::vector<uint8_t>& bytes) {
        d.BindImageExr = true;  // image list without working files
        EXPECT_TRUE(d.LoadFromBuffer(bytes.data(), bytes.size())) << d.LastError;
    }
};

// Texts of one order list as written: strings of the entries that name a live text.
std::vector<std::u16string> ListTexts(const std::vector<TEntJwwNo>& order, int32_t n, const std::vector<TEntJwwMoji>& texts,
                                      bool dropZeroExtent) {
    std::vector<std::u16string> out;
    for (int32_t i = 0; i < n; ++i) {
        const TEntJwwNo& e = order[size_t(i)];
        if (e.EntType != kEntMoji || e.EntNo < 0 || size_t(e.EntNo) >= texts.size()) continue;
        const TEntJwwMoji& m = texts[size_t(e.EntNo)];
        if (dropZeroExtent && IsZeroExtent(m)) continue;
        out.push_back(m.str);
    }
    return out;
}

// Checks the converted drawing against its input in terms of texts and block definitions.
void CheckConverted(const std::vector<uint8_t>& input, const std::vector<uint8_t>& output) {
    Loaded before(input), after(output);
    const TJwwData& b = before.d;
    const TJwwData& a = after.d;
    EXPECT_EQ(ListTexts(a.EntNo, a.Enthd.n1, a.EntMoji, false), ListTexts(b.EntNo, b.Enthd.n1, b.EntMoji, true));

    std::vector<const TEntJwwBlockDef*> used;
    for (const auto& def : b.EntBlockDef)
        if (def.ref_flag) used.push_back(&def);
    ASSERT_EQ(size_t(a.EntBlockDefN), used.size());
    for (size_t j = 0; j < used.size(); ++j) {
        const TEntJwwBlockDef& out = a.EntBlockDef[j];
        EXPECT_EQ(out.nNumber, j);
        EXPECT_EQ(out.strName, used[j]->strName);
        EXPECT_TRUE(out.ref_flag);
        EXPECT_EQ(ListTexts(out.mNo, out.N, out.mMoji, false), ListTexts(used[j]->mNo, used[j]->N, used[j]->mMoji, true));
        for (int32_t i = 0; i < out.mMojiN; ++i) EXPECT_FALSE(IsZeroExtent(out.mMoji[size_t(i)]));
    }
    for (int32_t i = 0; i < a.EntMojiN; ++i) EXPECT_FALSE(IsZeroExtent(a.EntMoji[size_t(i)]));
    for (int32_t i = 0; i < a.EntBlockN; ++i) EXPECT_LT(a.EntBlock[size_t(i)].nNumber, used.size());
    EXPECT_EQ(a.EntLineN, b.EntLineN);
    EXPECT_EQ(a.EntSunpoN, b.EntSunpoN);
    EXPECT_EQ(a.EntBlockN, b.EntBlockN);
}

// Converts input in a fresh program folder; returns the output bytes, empty when none.
std::vector<uint8_t> Convert(const std::vector<uint8_t>& input, int cb2, const std::string& inName = "in.jww") {
    ProgramFolder folder;
    folder.WriteFile("app/Oskavel.dat", SettingsFile(cb2));
    folder.WriteFile(inName, AsString(input));
    std::set<std::string> before = folder.Tree();
    int status = folder.Run({"a", "b", "%/" + inName, "%/out.jww"});
    std::set<std::string> after = folder.Tree();
    before.insert("out.jww");
    if (status != 0) {
        EXPECT_EQ(status, 1);
        return {};
    }
    EXPECT_EQ(after, before) << "the run left files behind or removed some";
    return AsBytes(folder.ReadFile("out.jww"));
}

std::vector<uint8_t> Generated(const GenOptions& opt) {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(GenerateToBuffer(opt, bytes, error)) << error;
    return bytes;
}

TEST(Convert, RemovesZeroExtentTextsAndRenumbersDefinitionsAtEveryLayout) {
    struct Case {
        int32_t version;
        bool utf16;
        int cb2;
        bool expectUtf16;
    };
    const Case cases[] = {
        {220, false, 0, false}, {230, false, 0, false}, {231, true, 0, true},  {351, false, 0, false},
        {419, false, 2, true},  {420, true, 1, false},  {600, false, 0, false}, {600, true, 0, true},
        {600, false, 2, true},  {600, true, 7, true},   {700, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("version " + std::to_string(c.version) + " cb2 " + std::to_string(c.cb2));
        GenOptions opt;
        opt.seed = uint64_t(c.version);
        opt.version = c.version;
        opt.entities = 60;
        opt.zeroExtentEvery = 3;
        opt.utf16 = c.utf16;
        opt.japanese = true;
        opt.blocks = 9;
        opt.nestDepth = 3;
        std::vector<uint8_t> input = Generated(opt);
        std::vector<uint8_t> output = Convert(input, c.cb2);
        ASSERT_FALSE(output.empty());
        EXPECT_EQ(output, ExpectedConversion(input, c.cb2));
        CheckConverted(input, output);
        Loaded after(output);
        EXPECT_EQ(after.d.Enthd.jwVer, c.version);
        EXPECT_EQ(after.d.MojiEncode, c.expectUtf16);
    }
}

TEST(Convert, DrawingWithoutZeroExtentTextsComesBackAsAPlainReadAndWrite) {
    GenOptions opt;
    opt.version = 600;
    opt.zeroExtentEvery = 0;
    opt.blocks = 4;
    std::vector<uint8_t> input = Generated(opt);
    TJwwData d;
    ASSERT_TRUE(d.LoadFromBuffer(input.data(), input.size()));
    std::vector<uint8_t> plain;
    ASSERT_TRUE(d.SaveToBuffer(plain, 600));
    EXPECT_EQ(Convert(input, 0, "IN.JWW"), plain);
}

// Definitions that insert each other many times over, and themselves: the tree would be
// astronomically large, yet the drawing converts at once with the used definitions kept.
TEST(Convert, SelfAndMutuallyNestedDefinitions) {
    TJwwData d;
    FillHeader(d, 600, false);
    constexpr int kDefs = 40;
    for (int i = 0; i < kDefs; ++i) {
        TEntJwwBlockDef def;
        def.nNumber = uint32_t(1000 + i);
        def.strName = u"B" + std::u16string(1, char16_t(u'A' + i % 26));
        for (int copy = 0; copy < 8; ++copy) {
            TEntJwwBlock ins;
            ins.dBairitsuX = ins.dBairitsuY = 1;
            ins.nNumber = uint32_t(1000 + (copy == 7 ? i : std::min(i + 1, kDefs - 1)));
            def.mBlock.push_back(ins);
            def.mNo.push_back({kEntBlock, copy});
        }
        def.mBlockN = def.N = 8;
        d.EntBlockDef.push_back(def);
    }
    d.EntBlockDefN = d.Enthd.n2 = kDefs;
    TEntJwwBlock top;
    top.nNumber = 1000;
    d.EntBlock.push_back(top);
    d.EntNo.push_back({kEntBlock, 0});
    d.EntBlockN = d.Enthd.n1 = 1;
    d.MakeBlockTree();
    std::vector<uint8_t> input;
    ASSERT_TRUE(d.SaveToBuffer(input, 600));

    std::vector<uint8_t> output = Convert(input, 0);
    ASSERT_FALSE(output.empty());
    Loaded after(output);
    EXPECT_EQ(after.d.EntBlockDefN, kDefs);
    EXPECT_EQ(after.d.EntBlockNum, kDefs);
    for (int i = 0; i < kDefs; ++i) EXPECT_EQ(after.d.EntBlockDef[size_t(i)].nNumber, uint32_t(i));
}

// ---- Embedded images ------------------------------------------------------------------

struct ImageSpec {
    std::string name;      // stored name
    std::string data;      // stored bytes
};

struct TextSpec {
    std::u16string str;
    bool zeroExtent = false;
    int definition = -1;  // -1: the drawing's own list; else the definition with that index
};

std::u16string Ref(const std::string& name) {
    return u"^@BM%temp%" + std::u16string(name.begin(), name.end()) + u",10,10,0,0,1,0";
}

// Names the writer refuses to store, and second entries of a name, are written under a
// placeholder of the same length, which is then replaced in the file's bytes (texts and image
// names are ASCII, in byte form). A text refers to each placeholder so that it is stored.
std::vector<std::string> StoredNames(const std::vector<ImageSpec>& images) {
    std::vector<std::string> stored;
    for (size_t i = 0; i < images.size(); ++i) {
        const std::string& name = images[i].name;
        bool unsafe = name.find_first_of("/\\:*?\"<>|") != std::string::npos ||
                      name.find_first_not_of('.') == std::string::npos || name.rfind("NUL", 0) == 0;
        bool repeated = std::any_of(images.begin(), images.begin() + long(i), [&](const ImageSpec& s) { return s.name == name; });
        std::string p = name;
        if (unsafe || repeated) {
            p = "Q" + std::to_string(i);
            p.resize(name.size(), 'q');
        }
        stored.push_back(p);
    }
    return stored;
}

// A version-700 drawing with the given images and texts; definition 0 is used, 1 is not.
std::vector<uint8_t> ImageDrawing(const std::vector<ImageSpec>& images, const std::vector<TextSpec>& texts) {
    ScratchFolder work("jwwclean-fixture");
    TJwwData d;
    FillHeader(d, 700, false);
    d.BindImageExp = d.BindImageExr = true;
    d.BindImageFolder = work.path();
    for (int i = 0; i < 2; ++i) {
        TEntJwwBlockDef def;
        def.nNumber = uint32_t(50 + i);
        def.strName = u"def";
        d.EntBlockDef.push_back(def);
    }
    d.EntBlockDefN = d.Enthd.n2 = 2;
    TEntJwwBlock ins;
    ins.nNumber = 50;
    d.EntBlock.push_back(ins);
    d.EntNo.push_back({kEntBlock, 0});
    d.EntBlockN = 1;
    const std::vector<std::string> stored = StoredNames(images);
    std::vector<TextSpec> allTexts = texts;
    for (size_t i = 0; i < images.size(); ++i)
        if (stored[i] != images[i].name) allTexts.push_back({Ref(stored[i])});
    for (const TextSpec& t : allTexts) {
        TEntJwwMoji m;
        m.att.nPenStyle = 1;
        m.att.nPenColor = 1;
        m.dSizeX = m.dSizeY = 3;
        m.end_x = t.zeroExtent ? 0 : 5;
        m.str = t.str;
        // A name refers to its first entry.
        for (size_t i = 0; i < images.size(); ++i) {
            std::u16string name(images[i].name.begin(), images[i].name.end());
            size_t at = m.str.find(name);
            if (at == std::u16string::npos) continue;
            if (stored[i] != images[i].name)
                m.str.replace(at, name.size(), std::u16string(stored[i].begin(), stored[i].end()));
            break;
        }
        if (t.definition < 0) {
            d.EntNo.push_back({kEntMoji, d.EntMojiN++});
            d.EntMoji.push_back(m);
        } else {
            TEntJwwBlockDef& def = d.EntBlockDef[size_t(t.definition)];
            def.mNo.push_back({kEntMoji, def.mMojiN++});
            def.mMoji.push_back(m);
            def.N++;
        }
    }
    d.Enthd.n1 = int32_t(d.EntNo.size());
    for (size_t i = 0; i < images.size(); ++i) {
        std::ofstream(work.path() / stored[i], std::ios::binary) << images[i].data;
        TBindImageType img;
        img.Fname = std::u16string(stored[i].begin(), stored[i].end());
        img.Fsize = int32_t(images[i].data.size());
        d.BindImage.push_back(img);
    }
    d.BindImageN = int32_t(images.size());
    d.MakeBlockTree();
    // Store the unused definition as well (as number 1, which nothing inserts).
    d.EntBlockDef[1].ref_flag = true;
    d.EntBlockDef[1].ref_no = 1;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(d.SaveToBuffer(bytes, 700)) << d.LastError;
    for (size_t i = 0; i < images.size(); ++i) {
        if (stored[i] == images[i].name) continue;
        for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), stored[i].begin(), stored[i].end())) != bytes.end();)
            at = std::copy(images[i].name.begin(), images[i].name.end(), at);
    }
    return bytes;
}

std::vector<std::string> WrittenImages(const std::vector<uint8_t>& output) {
    Loaded after(output);
    std::vector<std::string> names;
    for (const auto& img : after.d.BindImage) names.push_back(std::string(img.Fname.begin(), img.Fname.end()));
    return names;
}

std::string GzipOf(const std::string& s) { return AsString(GzipBytes(AsBytes(s))); }

TEST(ConvertImages, KeepsExactlyTheImagesThatRemainingTextsReferTo) {
    const std::string png = "\x89PNG fake image data";
    struct Case {
        std::string name;
        std::vector<ImageSpec> images;
        std::vector<TextSpec> texts;
        std::vector<std::string> written;
    };
    const Case cases[] = {
        {"kept by a remaining text", {{"Apic.png.gz", GzipOf(png)}}, {{Ref("Apic.png.gz")}}, {"Apic.png.gz"}},
        {"dropped when only a removed text referred to it",
         {{"Apic.png.gz", GzipOf(png)}},
         {{Ref("Apic.png.gz"), true}},
         {}},
        {"referred to by the decompressed name in other letter case",
         {{"Apic.png.gz", GzipOf(png)}},
         {{Ref("apic.PNG")}},
         {"Apic.png.gz"}},
        {"written once when referred to twice",
         {{"Apic.png.gz", GzipOf(png)}, {"Bpic.bmp", png}},
         {{Ref("Apic.png.gz")}, {Ref("Apic.png")}},
         {"Apic.png.gz"}},
        {"referred to only from a used definition", {{"Apic.bmp", png}}, {{Ref("Apic.bmp"), false, 0}}, {"Apic.bmp"}},
        {"referred to only from an unused definition", {{"Apic.bmp", png}}, {{Ref("Apic.bmp"), false, 1}}, {"Apic.bmp"}},
        {"first of two names with the same beginning",
         {{"Apic.bmp.gz", GzipOf(png)}, {"Apic.bmp", png}},
         {{Ref("Apic")}},
         {"Apic.bmp.gz"}},
        {"a stored image named like another's decompressed copy keeps its own bytes",
         {{"Apic.bmp", png}, {"Apic.bmp.gz", GzipOf(png + png + png)}},
         {{Ref("Apic.bmp")}, {Ref("Apic.bmp.gz")}},
         {"Apic.bmp", "Apic.bmp.gz"}},
        {"a name stored twice keeps the first entry's bytes",
         {{"Apic.bmp", png}, {"Apic.bmp", png + " and a longer second entry"}},
         {{Ref("Apic.bmp")}},
         {"Apic.bmp"}},
        {"a reference without comma or outside the drawing selects nothing",
         {{"Apic.bmp", png}},
         {{u"^@BM%temp%Apic.bmp"}, {u"^@BMC:\\Apic.bmp,1,1"}},
         {}},
        {"damaged gzip data is written back unchanged",
         {{"Apic.png.gz", "\x1f\x8b not really gzip"}},
         {{Ref("Apic.png.gz")}},
         {"Apic.png.gz"}},
        {"no images", {}, {{u"plain text"}}, {}},
        {"names that leave the working folder or name devices get no file and are dropped",
         {{"..\\x.gz", GzipOf(png)}, {"a/b.gz", GzipOf(png)}, {"NUL.png", png}, {"..", png}},
         {{Ref("..\\x.gz")}, {Ref("a/b.gz")}, {Ref("NUL.png")}, {Ref("..")}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> input = ImageDrawing(c.images, c.texts);
        std::vector<uint8_t> output = Convert(input, 0);
        ASSERT_FALSE(output.empty());
        EXPECT_EQ(output, ExpectedConversion(input, 0));
        EXPECT_EQ(WrittenImages(output), c.written);
        Loaded after(output);
        for (const auto& img : after.d.BindImage) {
            auto stored = std::find_if(c.images.begin(), c.images.end(), [&](const ImageSpec& s) {
                return std::u16string(s.name.begin(), s.name.end()) == img.Fname;
            });
            ASSERT_NE(stored, c.images.end());
            EXPECT_EQ(size_t(img.Fsize), stored->data.size());
        }
    }
}

TEST(ConvertImages, UnsafeNamesReachNoFileOutsideTheWorkingFolder) {
    ProgramFolder folder;
    folder.WriteFile("x.gz", "outside");
    folder.WriteFile("app/b.gz", "beside");
    std::vector<uint8_t> input =
        ImageDrawing({{"..\\x.gz", GzipOf("payload")}, {"../x.gz", GzipOf("payload")}, {"../../b.gz", "data"}},
                     {{Ref("..\\x.gz")}, {Ref("../x.gz")}});
    folder.WriteFile("in.jww", AsString(input));
    std::set<std::string> before = folder.Tree();
    EXPECT_EQ(folder.Run({"a", "b", "%/in.jww", "%/out.jww"}), 0);
    before.insert("out.jww");
    EXPECT_EQ(folder.Tree(), before);
    EXPECT_EQ(folder.ReadFile("x.gz"), "outside");
    EXPECT_EQ(folder.ReadFile("app/b.gz"), "beside");
}

// Japanese names with spaces for the program's folder, the input and the output, with an image
// whose working file lives below the program's folder.
TEST(ConvertImages, JapaneseFoldersAndNames) {
    ProgramFolder folder("図面 app");
    std::vector<uint8_t> input = ImageDrawing({{"Apic.bmp.gz", GzipOf("image")}}, {{Ref("Apic.bmp")}, {u"図面の文字"}});
    folder.WriteFile("図面/入力 1.jww", AsString(input));
    std::set<std::string> expected = folder.Tree();
    ASSERT_EQ(folder.Run({"", "", "%/図面/入力 1.jww", "%/図面/出力 1.jww"}), 0);
    expected.insert("図面/出力 1.jww");
    EXPECT_EQ(folder.Tree(), expected);
    EXPECT_EQ(AsBytes(folder.ReadFile("図面/出力 1.jww")), ExpectedConversion(input, 0));
    EXPECT_EQ(WrittenImages(AsBytes(folder.ReadFile("図面/出力 1.jww"))), std::vector<std::string>{"Apic.bmp.gz"});
}

TEST(ConvertImages, ImageCountZeroStaysZero) {
    std::vector<uint8_t> input = ImageDrawing({}, {{Ref("Apic.bmp")}});
    std::vector<uint8_t> output = Convert(input, 0);
    ASSERT_GE(output.size(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(output.end() - 4, output.end()), std::vector<uint8_t>(4, 0));

}

// Two runs from the same folder at the same time, whose drawings hold different images under
// the same name: each writes its own image.
TEST(ConvertImages, SimultaneousRunsKeepTheirOwnImages) {
    ProgramFolder folder;
    const std::string first = "first image bytes", second = "second image, other bytes";
    folder.WriteFile("one.jww", AsString(ImageDrawing({{"Apic.bmp", first}}, {{Ref("Apic.bmp")}})));
    folder.WriteFile("two.jww", AsString(ImageDrawing({{"Apic.bmp", second}}, {{Ref("Apic.bmp")}})));
    for (int round = 0; round < 3; ++round) {
        std::string a = "a" + std::to_string(round) + ".jww", b = "b" + std::to_string(round) + ".jww";
        int statusA = -1, statusB = -1;
        std::thread runA([&] { statusA = folder.Run({"x", "y", "%/one.jww", "%/" + a}); });
        std::thread runB([&] { statusB = folder.Run({"x", "y", "%/two.jww", "%/" + b}); });
        runA.join();
        runB.join();
        ASSERT_EQ(statusA, 0);
        ASSERT_EQ(statusB, 0);
        std::string outA = folder.ReadFile(a), outB = folder.ReadFile(b);
        EXPECT_NE(outA.find(first), std::string::npos);
        EXPECT_EQ(outA.find(second), std::string::npos);
        EXPECT_NE(outB.find(second), std::string::npos);
        EXPECT_EQ(outB.find(first), std::string::npos);
    }
    for (const std::string& path : folder.Tree()) EXPECT_EQ(path.find("TEMP"), std::string::npos) << path;
}

}  // namespace
