// Round trips of generated drawings at every layout version, and the removal of zero-extent
// texts checked on the written result.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "JwwGen.h"
#include "Summary.h"
#include "Versions.h"

namespace {

constexpr int32_t kVersions[] = {220, 222, 223, 224, 225, 229, 230, 231, 299, 300,
                                 350, 351, 419, 420, 599, 600, 700};

GenOptions Options(int32_t version, bool utf16) {
    GenOptions o;
    o.seed = uint64_t(version) * 2 + (utf16 ? 1 : 0);
    o.version = version;
    o.entities = 300;
    o.textRatio = 0.3;
    o.zeroExtentEvery = 4;
    o.utf16 = utf16;
    o.japanese = true;
    o.blocks = 12;
    o.nestDepth = 3;
    o.images = version >= kImageSince ? 7 : 0;
    o.imageBytes = 3000;
    return o;
}

// A drawing that owns a working folder of its own, as a run would.
struct Loaded {
    ScratchFolder folder{"jwwtest"};
    TJwwData d;
    Loaded() {
        d.BindImageFolder = folder.path();
        d.BindImageExp = d.BindImageExr = true;
    }
    void Load(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(d.LoadFromBuffer(bytes.data(), bytes.size())) << d.LastError; }
    std::vector<uint8_t> Save(int32_t ver, bool utf16) {
        d.SetFileOutOption(utf16 ? kOptUtf16 : 0);
        std::vector<uint8_t> out;
        EXPECT_TRUE(d.SaveToBuffer(out, ver)) << d.LastError;
        return out;
    }
};

struct GeneratedDrawing {
    ScratchFolder folder{"jwwtest-gen"};
    TJwwData d;
    std::vector<uint8_t> bytes;
    explicit GeneratedDrawing(const GenOptions& o) {
        GenerateDrawing(d, o, folder.path());
        EXPECT_TRUE(d.SaveToBuffer(bytes, o.version)) << d.LastError;
    }
};

using TextKey = std::tuple<std::u16string, std::u16string, double, double, double, double>;

TextKey Key(const TEntJwwMoji& m) { return {m.str, m.strFontName, m.start_x, m.start_y, m.end_x, m.end_y}; }

// The texts that the writer writes from one list, in list order.
std::vector<TextKey> WrittenTexts(const std::vector<TEntJwwNo>& no, int32_t n, const std::vector<TEntJwwMoji>& moji,
                                  int32_t mojiN) {
    std::vector<TextKey> out;
    for (int32_t i = 0; i < n && size_t(i) < no.size(); ++i)
        if (no[size_t(i)].EntType == kEntMoji && no[size_t(i)].EntNo >= 0 && no[size_t(i)].EntNo < mojiN)
            out.push_back(Key(moji[size_t(no[size_t(i)].EntNo)]));
    return out;
}

std::u16string ReferencedName(const std::u16string& s) {
    static const std::u16string kPrefix = u"^@BM%temp%";
    if (s.size() < 11 || s.compare(0, kPrefix.size(), kPrefix) != 0) return {};
    size_t comma = s.find(u',');
    return comma == std::u16string::npos ? std::u16string{} : s.substr(kPrefix.size(), comma - kPrefix.size());
}

class RoundTrip : public ::testing::TestWithParam<std::tuple<int32_t, bool>> {};

std::string CaseName(const ::testing::TestParamInfo<RoundTrip::ParamType>& info) {
    return "v" + std::to_string(std::get<0>(info.param)) + (std::get<1>(info.param) ? "_utf16" : "_sjis");
}

TEST_P(RoundTrip, WriterIsIdempotentOnItsOwnOutput) {
    auto [version, utf16] = GetParam();
    GeneratedDrawing gen(Options(version, utf16));
    DrawingSummary expected = Summarise(gen.d);

    // The generated file also holds definitions that nothing in it inserts; the second write drops them.
    Loaded first;
    first.Load(gen.bytes);
    DrawingSummary one = Summarise(first.d);
    EXPECT_EQ(one.definitionCount, expected.definitionCount);
    EXPECT_EQ(one.definitions, expected.definitions);
    ASSERT_GT(one.usedDefinitions, 0);
    ASSERT_LT(one.usedDefinitions, one.definitionCount);

    std::vector<uint8_t> second = first.Save(version, utf16);
    Loaded again;
    again.Load(second);
    std::vector<uint8_t> third = again.Save(version, utf16);
    EXPECT_TRUE(second == third) << "sizes " << second.size() << " and " << third.size();

    DrawingSummary two = Summarise(again.d);
    EXPECT_EQ(two.definitions, one.usedDefinitionContent);
    EXPECT_EQ(two.definitionCount, one.usedDefinitions);
    EXPECT_EQ(two.usedDefinitions, one.usedDefinitions);
    for (const DrawingSummary& s : {one, two}) {
        EXPECT_EQ(s.version, version);
        EXPECT_EQ(s.utf16, utf16);
        EXPECT_EQ(s.drawing, expected.drawing);
        EXPECT_EQ(s.images, expected.images);
        EXPECT_EQ(s.imageBytes, expected.imageBytes);
    }
}

TEST_P(RoundTrip, RemovedZeroExtentTextsAreGoneAndEveryOtherTextStaysOnceInOrder) {
    auto [version, utf16] = GetParam();
    GeneratedDrawing gen(Options(version, utf16));
    Loaded in;
    in.Load(gen.bytes);
    DrawingSummary before = Summarise(in.d);
    ASSERT_GT(before.drawing.zeroExtentTexts, 0);
    ASSERT_GT(before.usedDefinitionContent.zeroExtentTexts, 0);

    RemoveZeroExtentTexts(in.d);
    std::vector<TextKey> mainTexts = WrittenTexts(in.d.EntNo, in.d.Enthd.n1, in.d.EntMoji, in.d.EntMojiN);
    std::vector<std::vector<TextKey>> defTexts, unusedDefTexts;
    for (const auto& b : in.d.EntBlockDef)
        (b.ref_flag ? defTexts : unusedDefTexts).push_back(WrittenTexts(b.mNo, b.N, b.mMoji, b.mMojiN));
    ASSERT_FALSE(unusedDefTexts.empty());
    // Images that a remaining text refers to, by the first stored name that begins with the reference.
    std::vector<bool> referenced(in.d.BindImage.size());
    auto refer = [&](const std::vector<TextKey>& texts) {
        for (const auto& t : texts) {
            std::u16string name = ReferencedName(std::get<0>(t));
            if (name.empty()) continue;
            for (size_t i = 0; i < in.d.BindImage.size(); ++i)
                if (in.d.BindImage[i].Fname.starts_with(name)) {
                    referenced[i] = true;
                    break;
                }
        }
    };
    // Texts of unused definitions select images too, although the definitions are not written.
    refer(mainTexts);
    for (const auto& t : defTexts) refer(t);
    for (const auto& t : unusedDefTexts) refer(t);

    Loaded out;
    out.Load(in.Save(version, utf16));
    DrawingSummary after = Summarise(out.d);
    EXPECT_EQ(after.drawing.zeroExtentTexts, 0);
    EXPECT_EQ(after.definitions.zeroExtentTexts, 0);
    EXPECT_EQ(WrittenTexts(out.d.EntNo, out.d.Enthd.n1, out.d.EntMoji, out.d.EntMojiN), mainTexts);
    ASSERT_EQ(size_t(out.d.EntBlockDefN), defTexts.size());
    for (size_t k = 0; k < defTexts.size(); ++k) {
        const auto& b = out.d.EntBlockDef[k];
        EXPECT_EQ(b.nNumber, k) << "definitions are renumbered from 0";
        EXPECT_EQ(WrittenTexts(b.mNo, b.N, b.mMoji, b.mMojiN), defTexts[k]) << "definition " << k;
    }
    for (int t : {kEntLine, kEntEnko, kEntTen, kEntSunpo, kEntSolid, kEntBlock}) {
        EXPECT_EQ(after.drawing.byType[size_t(t)], before.drawing.byType[size_t(t)]) << "type " << t;
        EXPECT_EQ(after.definitions.byType[size_t(t)], before.usedDefinitionContent.byType[size_t(t)]) << "type " << t;
    }

    std::vector<std::u16string> expectedImages, writtenImages;
    for (size_t i = 0; i < referenced.size(); ++i)
        if (referenced[i]) expectedImages.push_back(in.d.BindImage[i].Fname);
    for (const auto& img : out.d.BindImage) writtenImages.push_back(img.Fname);
    EXPECT_EQ(writtenImages, expectedImages);
    if (version >= kImageSince) {
        EXPECT_GT(expectedImages.size(), 0u);
        EXPECT_LT(expectedImages.size(), in.d.BindImage.size()) << "an image referred to only by a removed text is dropped";
    }
}

INSTANTIATE_TEST_SUITE_P(Versions, RoundTrip,
                         ::testing::Combine(::testing::ValuesIn(kVersions), ::testing::Bool()), CaseName);

TEST(Generator, SameSeedSameBytesOtherSeedOtherBytes) {
    GenOptions o = Options(700, false);
    std::vector<uint8_t> a, b, c;
    std::string error;
    ASSERT_TRUE(GenerateToBuffer(o, a, error)) << error;
    ASSERT_TRUE(GenerateToBuffer(o, b, error)) << error;
    o.seed += 1;
    ASSERT_TRUE(GenerateToBuffer(o, c, error)) << error;
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
}

TEST(Generator, TargetBytesGivesAboutThatSize) {
    for (bool utf16 : {false, true}) {
        GenOptions o;
        o.utf16 = utf16;
        o.japanese = true;
        o.blocks = 50;
        o.nestDepth = 5;
        o.targetBytes = 2'000'000;
        std::vector<uint8_t> out;
        std::string error;
        ASSERT_TRUE(GenerateToBuffer(o, out, error)) << error;
        EXPECT_NEAR(double(out.size()), 2e6, 2e5) << (utf16 ? "UTF-16" : "Shift-JIS");
    }
}

}  // namespace
