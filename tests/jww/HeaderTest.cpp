// The header section: every layout boundary, the values the writer substitutes, the reader's
// repairs and the three failure messages.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "Files.h"
#include "JwwTestSupport.h"

using namespace jwwtest;

namespace {

// Every header value of the drawing against the header the file was built from.
void ExpectHeader(const TJwwData& d, const Header& h, int ver) {
    const auto& e = d.Enthd;
    EXPECT_TRUE(e.jwID == u"JwwData.");
    EXPECT_EQ(e.jwVer, ver);
    EXPECT_TRUE(e.strMemo == h.memo);
    EXPECT_EQ(e.nZumen, h.zumen);
    EXPECT_EQ(e.nWriteGLay, h.writeGLay);
    ASSERT_EQ(d.EntLgrp.size(), 16u);
    ASSERT_EQ(d.EntLay.size(), 256u);
    for (int g = 0; g < 16; ++g) {
        EXPECT_EQ(d.EntLgrp[g].anGLay, h.groups[g].state);
        EXPECT_EQ(d.EntLgrp[g].anWriteLay, h.groups[g].writeLayer);
        EXPECT_EQ(d.EntLgrp[g].adScale, h.groups[g].scale);
        EXPECT_EQ(d.EntLgrp[g].anGLayProtect, h.groups[g].protect);
        EXPECT_TRUE(d.EntLgrp[g].aStrGLayName == h.groups[g].name) << g;
    }
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(d.EntLay[i].aanLay, h.layers[i].state);
        EXPECT_EQ(d.EntLay[i].aanLayProtect, h.layers[i].protect);
        EXPECT_TRUE(d.EntLay[i].aStrLayName == h.layers[i].name) << i;
    }
    EXPECT_EQ(e.lnSunpou1, h.sunpou[0]);
    EXPECT_EQ(e.lnSunpou2, h.sunpou[1]);
    EXPECT_EQ(e.lnSunpou3, h.sunpou[2]);
    EXPECT_EQ(e.lnSunpou4, h.sunpou[3]);
    EXPECT_EQ(e.lnSunpou5, h.sunpou[4]);
    EXPECT_EQ(e.nMaxDrawWid, h.maxDrawWid);
    EXPECT_EQ(e.DPPrtGenten_x, h.prtGentenX);
    EXPECT_EQ(e.DPPrtGenten_y, h.prtGentenY);
    EXPECT_EQ(e.dPrtBairitsu, h.prtBairitsu);
    EXPECT_EQ(e.nPrtSet, h.prtSet);
    EXPECT_EQ(e.nMemoriMode, h.memoriMode);
    EXPECT_EQ(e.dMemoriHyoujiMin, h.memori[0]);
    EXPECT_EQ(e.dMemoriX, h.memori[1]);
    EXPECT_EQ(e.dMemoriY, h.memori[2]);
    EXPECT_EQ(e.DpMemoriKjTen_x, h.memori[3]);
    EXPECT_EQ(e.DpMemoriKjTen_y, h.memori[4]);
    EXPECT_EQ(e.dKageLevel, h.kageLevel);
    EXPECT_EQ(e.dKageIdo, h.kageIdo);
    EXPECT_EQ(e.nKage9_15JiFlg, h.kage9_15);
    EXPECT_EQ(e.dKabeKageLevel, h.kabeKageLevel);
    EXPECT_EQ(e.dTenkuuZuLevel, ver >= 300 ? h.tenkuuLevel : 0.0);
    EXPECT_EQ(e.dTenkuuZuEnkoR, ver >= 300 ? h.tenkuuEnkoR : 0.0);
    EXPECT_EQ(e.nMMTani3D, h.mmTani3D);
    EXPECT_EQ(e.dBairitsu, h.view[0]);
    EXPECT_EQ(e.DPGenten_x, h.view[1]);
    EXPECT_EQ(e.DPGenten_y, h.view[2]);
    EXPECT_EQ(e.dHanniBairitsu, h.view[3]);
    EXPECT_EQ(e.DPHanniGenten_x, h.view[4]);
    EXPECT_EQ(e.DPHanniGenten_y, h.view[5]);
    for (int s = 1; s <= 8; ++s) {
        bool stored = ver > 230 || s <= 4;
        EXPECT_EQ(e.dZoomJumpBairitsu[s], stored ? h.zoom[s - 1].scale : 1.0) << s;
        EXPECT_EQ(e.DPZoomJumpGenten_x[s], stored ? h.zoom[s - 1].x : 0.0) << s;
        EXPECT_EQ(e.DPZoomJumpGenten_y[s], stored ? h.zoom[s - 1].y : 0.0) << s;
        EXPECT_EQ(e.nZoomJumpGLay[s], ver > 230 ? h.zoom[s - 1].glayer : -1) << s;
    }
    bool dm = ver > 230;
    EXPECT_EQ(e.dDm11, dm ? h.dm11 : 0.0);
    EXPECT_EQ(e.dDm12, dm ? h.dm12 : 0.0);
    EXPECT_EQ(e.dDm13, dm ? h.dm13 : 0.0);
    EXPECT_EQ(e.lnDm1, dm ? h.lnDm1 : 0);
    EXPECT_EQ(e.dDm21, dm ? h.dm21 : 0.0);
    EXPECT_EQ(e.dDm22, dm ? h.dm22 : 0.0);
    EXPECT_EQ(e.dMojiBG, dm ? h.mojiBG : 0.0);
    EXPECT_EQ(e.nMojiBG, dm ? h.nMojiBG : 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(e.adFukusenSuuchi[i], h.fukusen[i]);
    EXPECT_EQ(e.dRyougawaFukusenTomeDe, h.ryougawa);
    ASSERT_EQ(d.EntCol.size(), 10u);
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(d.EntCol[c].aPenColor, h.pens[c].color);
        EXPECT_EQ(d.EntCol[c].anPenWidth, h.pens[c].width);
        EXPECT_EQ(d.EntCol[c].aPrtPenColor, h.pens[c].prtColor);
        EXPECT_EQ(d.EntCol[c].anPrtPenWidth, h.pens[c].prtWidth);
        EXPECT_EQ(d.EntCol[c].adPrtTenHankei, h.pens[c].prtRadius);
    }
    ASSERT_EQ(d.EntLtp1.size(), 8u);
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(d.EntLtp1[t].alLType, h.ltp1[t].pattern);
        EXPECT_EQ(d.EntLtp1[t].anTokushuSenUintDot, h.ltp1[t].unitDot);
        EXPECT_EQ(d.EntLtp1[t].anTokushuSenPich, h.ltp1[t].pitch);
        EXPECT_EQ(d.EntLtp1[t].anPrtTokushuSenPich, h.ltp1[t].prtPitch);
    }
    ASSERT_EQ(d.EntLtp2.size(), 5u);
    for (int t = 0; t < 5; ++t) {
        EXPECT_EQ(d.EntLtp2[t].alLType, h.ltp2[t].pattern);
        EXPECT_EQ(d.EntLtp2[t].anRandSenWide, h.ltp2[t].wide);
        EXPECT_EQ(d.EntLtp2[t].anTokushuSenPich, h.ltp2[t].pitch);
        EXPECT_EQ(d.EntLtp2[t].anPrtRandSenWide, h.ltp2[t].prtWide);
        EXPECT_EQ(d.EntLtp2[t].anPrtTokushuSenPich, h.ltp2[t].prtPitch);
    }
    ASSERT_EQ(d.EntLtp3.size(), 4u);
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(d.EntLtp3[t].alLType, h.ltp3[t].pattern);
        EXPECT_EQ(d.EntLtp3[t].anTokushuSenUintDot, h.ltp3[t].unitDot);
        EXPECT_EQ(d.EntLtp3[t].anTokushuSenPich, h.ltp3[t].pitch);
        EXPECT_EQ(d.EntLtp3[t].anPrtTokushuSenPich, h.ltp3[t].prtPitch);
    }
    EXPECT_EQ(e.nDrawGamenTen, h.switches[0]);
    EXPECT_EQ(e.nDrawPrtTen, h.switches[1]);
    EXPECT_EQ(e.nBitMapFirstDraw, h.switches[2]);
    EXPECT_EQ(e.nGyakuDraw, h.switches[3]);
    EXPECT_EQ(e.nGyakuSearch, h.switches[4]);
    EXPECT_EQ(e.nColorPrint, h.switches[5]);
    EXPECT_EQ(e.nLayJunPrint, h.switches[6]);
    EXPECT_EQ(e.nColJunPrint, h.switches[7]);
    EXPECT_EQ(e.nPrtRenzoku, h.switches[8]);
    EXPECT_EQ(e.nPrtKyoutsuuGray, h.switches[9]);
    EXPECT_EQ(e.nPrtDpi, h.printValue / 10);
    EXPECT_EQ(e.nPrtDispOnlyNonDraw, h.printValue % 10);
    bool eye = ver >= 223;
    EXPECT_EQ(e.lnDrawTime, eye ? h.drawTime : 0);
    EXPECT_EQ(e.nEyeInit, eye ? h.eyeInit : 0);
    EXPECT_EQ(e.dEye_H_Ichi_1, eye ? h.eyeH1 : 0);
    EXPECT_EQ(e.dEye_H_Ichi_2, eye ? h.eyeH2 : 0);
    EXPECT_EQ(e.dEye_H_Ichi_3, eye ? h.eyeH3 : 0);
    EXPECT_EQ(e.dEye_Z_Ichi_1, eye ? h.eye[0] : 0.0);
    EXPECT_EQ(e.dEye_Y_Ichi_1, eye ? h.eye[1] : 0.0);
    EXPECT_EQ(e.dEye_Z_Ichi_2, eye ? h.eye[2] : 0.0);
    EXPECT_EQ(e.dEye_Y_Ichi_2, eye ? h.eye[3] : 0.0);
    EXPECT_EQ(e.dEye_V_Ichi_3, eye ? h.eye[4] : 0.0);
    bool snap = ver >= 225;
    EXPECT_EQ(e.dSenNagasaSnpou, snap ? h.snap[0] : 0.0);
    EXPECT_EQ(e.dBoxSunpouX, snap ? h.snap[1] : 0.0);
    EXPECT_EQ(e.dBoxSunpouY, snap ? h.snap[2] : 0.0);
    EXPECT_EQ(e.dEnHankeiSnpou, snap ? h.snap[3] : 0.0);
    EXPECT_EQ(e.nSolidNinniColor, ver >= 230 ? h.solidNinni : 0);
    EXPECT_EQ(e.SolidColor, ver >= 230 ? h.solidColor : 0);
    ASSERT_EQ(d.EntColS.size(), 257u);
    ASSERT_EQ(d.EntLtpS.size(), 33u);
    if (ver >= 420) {
        for (int c = 0; c <= 256; ++c) {
            const auto& p = d.EntColS[c];
            EXPECT_EQ(p.aPenColor, h.pensEx[c].color);
            EXPECT_EQ(p.anPenWidth, h.pensEx[c].width);
            EXPECT_TRUE(p.astrUDColorName == h.pensEx[c].name) << c;
            EXPECT_EQ(p.aPrtPenColor, h.pensEx[c].prtColor);
            EXPECT_EQ(p.anPrtPenWidth, h.pensEx[c].prtWidth);
            EXPECT_EQ(p.adPrtTenHankei, h.pensEx[c].prtRadius);
        }
        for (int t = 0; t <= 32; ++t) {
            const auto& l = d.EntLtpS[t];
            EXPECT_EQ(l.alLType, h.ltypesEx[t].base.pattern);
            EXPECT_EQ(l.anTokushuSenUintDot, h.ltypesEx[t].base.unitDot);
            EXPECT_EQ(l.anTokushuSenPich, h.ltypesEx[t].base.pitch);
            EXPECT_EQ(l.anPrtTokushuSenPich, h.ltypesEx[t].base.prtPitch);
            EXPECT_TRUE(l.astrUDLTypeName == h.ltypesEx[t].name) << t;
            EXPECT_EQ(l.anUDLTypeSegment, h.ltypesEx[t].segments);
            for (int i = 1; i <= 10; ++i) EXPECT_EQ(l.aadUDLTypePitch[i], h.ltypesEx[t].pitch[i - 1]);
        }
    }
    ASSERT_EQ(d.EntMoj.size(), 10u);
    for (int t = 0; t < 10; ++t) {
        EXPECT_EQ(d.EntMoj[t].adMojiX, h.mojiTypes[t].x);
        EXPECT_EQ(d.EntMoj[t].adMojiY, h.mojiTypes[t].y);
        EXPECT_EQ(d.EntMoj[t].adMojiD, h.mojiTypes[t].d);
        EXPECT_EQ(d.EntMoj[t].anMojiCol, h.mojiTypes[t].color);
    }
    EXPECT_EQ(e.dMojiSizeX, h.mojiSizeX);
    EXPECT_EQ(e.dMojiSizeY, h.mojiSizeY);
    EXPECT_EQ(e.dMojiKankaku, h.mojiKankaku);
    EXPECT_EQ(e.nMojiColor, h.mojiColor);
    EXPECT_EQ(e.nMojiShu, h.mojiShu);
    EXPECT_EQ(e.dMojiSeiriGyouKan, h.seiriGyouKan);
    EXPECT_EQ(e.dMojiSeiriSuu, h.seiriSuu);
    EXPECT_EQ(e.nMojiKijunZureOn, h.kijunZureOn);
    EXPECT_EQ(e.adMojiKijunZureX0, h.kijunZure[0]);
    EXPECT_EQ(e.adMojiKijunZureX1, h.kijunZure[1]);
    EXPECT_EQ(e.adMojiKijunZureX2, h.kijunZure[2]);
    EXPECT_EQ(e.adMojiKijunZureY0, h.kijunZure[3]);
    EXPECT_EQ(e.adMojiKijunZureY1, h.kijunZure[4]);
    EXPECT_EQ(e.adMojiKijunZureY2, h.kijunZure[5]);
}

const int kBoundaryVersions[] = {220, 222, 223, 224, 225, 229, 230, 231, 299, 300, 350, 351, 419, 420, 421, 599, 600, 700};

TEST(Header, EveryLayoutBoundaryReadsAndComesBackByteForByte) {
    for (int ver : kBoundaryVersions) {
        for (bool utf16 : {false, true}) {
            SCOPED_TRACE("version " + std::to_string(ver) + (utf16 ? " UTF-16" : " bytes"));
            Drawing d = EmptyDrawing(ver);
            d.utf16 = utf16;
            Bytes file = BuildFile(d);
            auto drawing = Loaded(file);
            ExpectHeader(*drawing, d.header, ver);
            EXPECT_EQ(drawing->MojiEncode, utf16);
            EXPECT_EQ(drawing->Enthd.n1, 0);
            EXPECT_EQ(drawing->Enthd.n2, 0);
            EXPECT_TRUE(SameBytes(file, Saved(*drawing, ver, utf16 ? 32 : 0)));
        }
    }
}

// Neighbouring versions differ by exactly the fields that the boundary adds.
TEST(Header, BoundariesChangeTheSectionByTheirFieldsOnly) {
    Header h = SampleHeader(599);
    struct Row {
        int before, after;
        ptrdiff_t grows;
    };
    const Row rows[] = {
        {222, 223, 5 * 4 + 5 * 8},
        {224, 225, 4 * 8},
        {229, 230, 2 * 4},
        {230, 231, 8 * 28 + 56 - 4 * 24},
        {299, 300, 2 * 8},
        {599, 600, 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ptrdiff_t(HeaderSize(h, row.after)) - ptrdiff_t(HeaderSize(h, row.before)), row.grows) << row.after;
}

// A version-230 drawing written as version 231 gets the eight-slot form from the defaults.
TEST(Header, FourSlotZoomWrittenAsEightSlots) {
    Drawing d = EmptyDrawing(230);
    auto drawing = Loaded(BuildFile(d));
    Drawing expected = d;
    expected.version = 231;
    for (int s = 0; s < 8; ++s) {
        expected.header.zoom[s].glayer = -1;
        if (s >= 4) expected.header.zoom[s] = {1.0, 0, 0, -1};
    }
    auto& eh = expected.header;
    eh.dm11 = eh.dm12 = eh.dm13 = eh.dm21 = eh.dm22 = eh.mojiBG = 0;
    eh.lnDm1 = eh.nMojiBG = 0;
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 231)));
}

TEST(Header, ExtendedTablesWrittenFromNothing) {
    Drawing d = EmptyDrawing(419);
    auto drawing = Loaded(BuildFile(d));
    Drawing expected = d;
    expected.version = 420;
    ExtendedTablesFromNothing(expected.header);
    EXPECT_TRUE(SameBytes(BuildFile(expected), Saved(*drawing, 420)));
}

struct SubstitutionCase {
    const char* name;
    int readVersion, writeVersion;
    std::function<void(Header&)> input;     // applied to the sample header of the file read
    std::function<void(Header&)> expected;  // applied to the sample header for the file expected
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

const SubstitutionCase kSubstitutions[] = {
    {"max line width -150 at 420", 420, 420, [](Header& h) { h.maxDrawWid = -150; }, [](Header& h) { h.maxDrawWid = -101; }},
    {"max line width -102 at 300", 300, 300, [](Header& h) { h.maxDrawWid = -102; }, [](Header& h) { h.maxDrawWid = -101; }},
    {"max line width -101 kept", 420, 420, [](Header& h) { h.maxDrawWid = -101; }, [](Header& h) { h.maxDrawWid = -101; }},
    {"max line width -150 kept at 421", 421, 421, [](Header& h) { h.maxDrawWid = -150; }, [](Header& h) { h.maxDrawWid = -150; }},
    {"print value 35 at 600", 600, 600, [](Header& h) { h.printValue = 35; }, [](Header& h) { h.printValue = 35; }},
    {"print value 35 at 599", 599, 599, [](Header& h) { h.printValue = 35; }, [](Header& h) { h.printValue = 5; }},
    {"print value 35 read at 600, written at 599", 600, 599, [](Header& h) { h.printValue = 35; }, [](Header& h) { h.printValue = 5; }},
    {"print value 1 at 600", 600, 600, [](Header& h) { h.printValue = 1; }, [](Header& h) { h.printValue = 11; }},
    {"print value 5 read at 599, written at 600", 599, 600, [](Header& h) { h.printValue = 5; }, [](Header& h) { h.printValue = 15; }},
    {"print value -15 at 600", 600, 600, [](Header& h) { h.printValue = -15; }, [](Header& h) { h.printValue = 5; }},
    {"print value -15 at 599", 599, 599, [](Header& h) { h.printValue = -15; }, [](Header& h) { h.printValue = -5; }},
    {"screen colour out of range", 600, 600,
     [](Header& h) { h.pens[2].color = 0x1000000; h.pens[3].color = -1; h.pens[4].color = 0xFFFFFF; },
     [](Header& h) { h.pens[2].color = 0; h.pens[3].color = 0; h.pens[4].color = 0xFFFFFF; }},
    {"print colour of entry 0 always white", 600, 600, [](Header& h) { h.pens[0].prtColor = 5; },
     [](Header& h) { h.pens[0].prtColor = 0xFFFFFF; }},
    {"print colour out of range", 600, 600, [](Header& h) { h.pens[5].prtColor = 0x1000000; },
     [](Header& h) { h.pens[5].prtColor = 0; }},
    {"pen widths clamped", 351, 351,
     [](Header& h) {
         h.pens[1].width = 0; h.pens[2].width = 17; h.pens[3].width = -5;
         h.pens[1].prtWidth = 0; h.pens[2].prtWidth = 501; h.pens[3].prtWidth = 500;
     },
     [](Header& h) {
         h.pens[1].width = 1; h.pens[2].width = 16; h.pens[3].width = 1;
         h.pens[1].prtWidth = 1; h.pens[2].prtWidth = 500; h.pens[3].prtWidth = 500;
     }},
    {"point radius clamped", 220, 220,
     [](Header& h) { h.pens[1].prtRadius = 0.05; h.pens[2].prtRadius = 11; h.pens[3].prtRadius = -1; },
     [](Header& h) { h.pens[1].prtRadius = 0.1; h.pens[2].prtRadius = 10; h.pens[3].prtRadius = 0.1; }},
    {"blank extended colour names", 420, 420,
     [](Header& h) { h.pensEx[5].name = u""; h.pensEx[0].name = u"\u3000\u3000"; h.pensEx[256].name = u" \t "; },
     [](Header& h) { h.pensEx[5].name = u"Color_5"; h.pensEx[0].name = u"Color_0"; h.pensEx[256].name = u"Color_256"; }},
    {"extended print colour from 17 on is the screen colour", 700, 700,
     [](Header& h) { h.pensEx[17].prtColor = 1; h.pensEx[200].prtColor = 2; h.pensEx[16].prtColor = 3; },
     [](Header& h) { h.pensEx[17].prtColor = h.pensEx[17].color; h.pensEx[200].prtColor = h.pensEx[200].color; h.pensEx[16].prtColor = 3; }},
    {"extended line pattern 0", 420, 420, [](Header& h) { h.ltypesEx[3].base.pattern = 0; },
     [](Header& h) { h.ltypesEx[3].base.pattern = -1; }},
    {"extended line type 20 with three segments", 420, 420,
     [](Header& h) { h.ltypesEx[20].segments = 3; h.ltypesEx[20].base.pattern = 0; },
     [](Header& h) {
         auto& lt = h.ltypesEx[20];
         lt.base = {int32_t(0xC3C3C3C3u), 8, 1, 8};
         lt.name = u"LType_20";
         lt.segments = 2;
         lt.pitch = {1.0, 1.0};
     }},
    {"extended line type 10 with three segments kept", 420, 420, [](Header& h) { h.ltypesEx[10].segments = 3; },
     [](Header& h) { h.ltypesEx[10].segments = 3; }},
    {"extended line type 17 with ten segments", 600, 600, [](Header& h) { h.ltypesEx[17].segments = 10; },
     [](Header& h) {
         auto& lt = h.ltypesEx[17];
         lt.base = {int32_t(0xC3C3C3C3u), 8, 1, 8};
         lt.name = u"LType_17";
         lt.segments = 2;
         lt.pitch = {1.0, 1.0};
     }},
    {"blank extended line-type names", 420, 420,
     [](Header& h) { h.ltypesEx[4].name = u""; h.ltypesEx[18].name = u"\u3000 "; },
     [](Header& h) { h.ltypesEx[4].name = u"LType_4"; h.ltypesEx[18].name = u"LType_18"; }},
    {"text sizes", 600, 600,
     [](Header& h) {
         h.mojiTypes[0].x = -2.5; h.mojiTypes[1].y = 0; h.mojiTypes[2].x = 3e10; h.mojiTypes[3].y = -1e-20;
         h.mojiSizeX = -7; h.mojiSizeY = 2e10; h.mojiTypes[4].d = -3; h.mojiKankaku = -4;
     },
     [](Header& h) {
         h.mojiTypes[0].x = 2.5; h.mojiTypes[1].y = 1e-10; h.mojiTypes[2].x = 1e10; h.mojiTypes[3].y = 1e-10;
         h.mojiSizeX = 7; h.mojiSizeY = 1e10; h.mojiTypes[4].d = -3; h.mojiKankaku = -4;
     }},
    {"text sizes not finite", 600, 600,
     [](Header& h) {
         h.mojiTypes[1].x = kNaN; h.mojiTypes[2].y = -kInf; h.mojiTypes[3].d = kNaN;
         h.mojiSizeX = kInf; h.mojiSizeY = kNaN; h.mojiKankaku = kNaN;
     },
     [](Header& h) {
         h.mojiTypes[1].x = 3; h.mojiTypes[2].y = 3; h.mojiTypes[3].d = 0;
         h.mojiSizeX = 3; h.mojiSizeY = 3; h.mojiKankaku = 0;
     }},
    {"memo keeps CR LF and TAB", 600, 600, [](Header& h) { h.memo = u"a\r\nb\tc^md"; },
     [](Header& h) { h.memo = u"a\r\nb\tc^md"; }},
    {"names lose control characters on reading", 600, 600,
     [](Header& h) { h.layers[7].name = u"A\tB"; h.groups[3].name = u"\x01\x02"; h.pensEx[30].name = u"x\ry"; },
     [](Header& h) { h.layers[7].name = u"AB"; h.groups[3].name = u""; h.pensEx[30].name = u"xy"; }},
    {"names lose ^m and \\n on writing", 700, 700,
     [](Header& h) {
         h.layers[1].name = u"A^mB\\nC"; h.layers[2].name = u"^^m"; h.groups[0].name = u"^M\\N";
         h.layers[3].name = u"^m"; h.ltypesEx[5].name = u"\\n"; h.pensEx[9].name = u"^m^m";
     },
     [](Header& h) {
         h.layers[1].name = u"ABC"; h.layers[2].name = u"^"; h.groups[0].name = u"^M\\N";
         h.layers[3].name = u" "; h.ltypesEx[5].name = u"LType_5"; h.pensEx[9].name = u"Color_9";
     }},
    {"reserved areas rewritten", 600, 600,
     [](Header& h) { h.reserved1.fill(0); h.reserved2.fill(0xAB); },
     [](Header& h) { h.reserved1.fill(0x20); h.reserved2.fill(0); }},
};

TEST(Header, WriterSubstitutionsAndReaderRepairs) {
    for (const auto& c : kSubstitutions) {
        SCOPED_TRACE(c.name);
        Drawing in = EmptyDrawing(c.readVersion);
        c.input(in.header);
        Drawing out = EmptyDrawing(c.readVersion);
        out.version = c.writeVersion;
        out.header.printValue = SampleHeader(c.writeVersion).printValue;
        c.expected(out.header);
        auto drawing = Loaded(BuildFile(in));
        Bytes first = Saved(*drawing, c.writeVersion);
        EXPECT_TRUE(SameBytes(BuildFile(out), first));
        // The writer works on copies: a second write is the same.
        EXPECT_TRUE(SameBytes(first, Saved(*drawing, c.writeVersion)));
    }
}

TEST(Header, ReaderSplitsThePrintValueAndRepairsSizes) {
    Drawing in = EmptyDrawing(600);
    in.header.printValue = -15;
    in.header.mojiTypes[1].x = kNaN;
    in.header.mojiSizeY = -kInf;
    in.header.mojiKankaku = kNaN;
    auto d = Loaded(BuildFile(in));
    EXPECT_EQ(d->Enthd.nPrtDpi, -1);
    EXPECT_EQ(d->Enthd.nPrtDispOnlyNonDraw, -5);
    EXPECT_EQ(d->EntMoj[1].adMojiX, 3.0);
    EXPECT_EQ(d->Enthd.dMojiSizeY, 3.0);
    EXPECT_EQ(d->Enthd.dMojiKankaku, 0.0);
}

TEST(Header, WritingChangesNothingInTheDrawing) {
    Drawing in = EmptyDrawing(420);
    in.header.maxDrawWid = -150;
    in.header.pens[0].prtColor = 5;
    in.header.layers[1].name = u"A^mB";
    in.header.pensEx[5].name = u"";
    in.header.mojiTypes[0].x = -2.5;
    in.header.ltypesEx[20].segments = 3;
    auto d = Loaded(BuildFile(in));
    d->Enthd.jwID = u"changed";
    Saved(*d, 420);
    EXPECT_TRUE(d->Enthd.jwID == u"JwwData.");
    EXPECT_EQ(d->Enthd.nMaxDrawWid, -150);
    EXPECT_EQ(d->EntCol[0].aPrtPenColor, 5);
    EXPECT_TRUE(d->EntLay[1].aStrLayName == u"A^mB");
    EXPECT_TRUE(d->EntColS[5].astrUDColorName.empty());
    EXPECT_EQ(d->EntMoj[0].adMojiX, -2.5);
    EXPECT_EQ(d->EntLtpS[20].anUDLTypeSegment, 3);
    EXPECT_EQ(d->Enthd.jwVer, 420);
}

TEST(Header, SignatureAndVersionChecks) {
    struct Row {
        const char* name;
        std::function<void(Bytes&)> edit;
        bool ok;
        const char* message;
    };
    const Row rows[] = {
        {"comma for the full stop", [](Bytes& b) { b[7] = ','; }, false, "JWW-Header Error"},
        {"lower-case signature", [](Bytes& b) { b[0] = 'j'; }, false, "JWW-Header Error"},
        {"version 219", [](Bytes& b) { b[8] = 219; b[9] = 0; }, false, "JWW-Version Error"},
        {"version 701", [](Bytes& b) { b[8] = 0xBD; b[9] = 2; }, false, "JWW-Version Error"},
        {"negative version", [](Bytes& b) { b[11] = 0x80; }, false, "JWW-Version Error"},
        {"ends after the version", [](Bytes& b) { b.resize(12); }, false, "File I/O Error"},
        {"ends inside the last field", [](Bytes& b) { b.resize(b.size() - 4 - 5); }, false, "File I/O Error"},
        {"empty file", [](Bytes& b) { b.clear(); }, false, "JWW-Header Error"},
    };
    Bytes good = BuildFile(EmptyDrawing(600));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes b = good;
        row.edit(b);
        TJwwData d;
        EXPECT_EQ(LoadExact(d, b), row.ok);
        EXPECT_EQ(d.LastError, row.message);
    }
    for (int ver : {220, 700}) {
        TJwwData d;
        EXPECT_TRUE(LoadExact(d, BuildFile(EmptyDrawing(ver)))) << ver << d.LastError;
        EXPECT_EQ(d.LastError, "");
    }
}

// The last field present but the file ending right after it: the header is read, the entity
// count is missing.
TEST(Header, HeaderWithoutEntityCount) {
    Drawing in = EmptyDrawing(600);
    ByteBuilder b(600);
    b.header(in.header);
    TJwwData d;
    EXPECT_FALSE(LoadExact(d, b.bytes));
    EXPECT_EQ(d.LastError, "File I/O Error");
    EXPECT_EQ(d.Enthd.adMojiKijunZureY2, in.header.kijunZure[5]);
}

class HeaderFiles : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("jww-header-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                 "-" + std::to_string(ProcessId()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path Write(const char* name, const Bytes& b) {
        auto p = dir / name;
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
        return p;
    }
};

TEST_F(HeaderFiles, FileCheckFileHeaderInAndFileIn) {
    Bytes good = BuildFile(EmptyDrawing(700));
    Bytes comma = good;
    comma[7] = ',';
    Bytes v219 = BuildFile(EmptyDrawing(220));
    v219[8] = 219;
    Bytes v701 = BuildFile(EmptyDrawing(700));
    v701[8] = 0xBD;
    Bytes v220 = BuildFile(EmptyDrawing(220));
    Bytes shortFile(good.begin(), good.begin() + 11);
    TJwwData d;
    EXPECT_TRUE(d.FileCheck(Write("good.jww", good)));
    EXPECT_TRUE(d.FileCheck(Write("v220.jww", v220)));
    EXPECT_FALSE(d.FileCheck(Write("comma.jww", comma)));
    EXPECT_FALSE(d.FileCheck(Write("v219.jww", v219)));
    EXPECT_FALSE(d.FileCheck(Write("v701.jww", v701)));
    EXPECT_FALSE(d.FileCheck(Write("short.jww", shortFile)));
    EXPECT_FALSE(d.FileCheck(dir / "missing.jww"));

    EXPECT_TRUE(d.FileIn(dir / "good.jww")) << d.LastError;
    EXPECT_FALSE(d.FileIn(dir / "comma.jww"));
    EXPECT_EQ(d.LastError, "JWW-Header Error");
    EXPECT_FALSE(d.FileIn(dir / "v701.jww"));
    EXPECT_EQ(d.LastError, "JWW-Version Error");
    EXPECT_FALSE(d.FileIn(dir / "missing.jww"));

    // FileHeaderIn reads only the header: a file cut right after it still passes.
    Drawing in = EmptyDrawing(600);
    ByteBuilder b(600);
    b.header(in.header);
    auto headerOnly = Write("header.jww", b.bytes);
    EXPECT_TRUE(d.FileHeaderIn(headerOnly)) << d.LastError;
    EXPECT_EQ(d.Enthd.nZumen, in.header.zumen);
    EXPECT_FALSE(d.FileIn(headerOnly));
    EXPECT_EQ(d.LastError, "File I/O Error");
    EXPECT_FALSE(d.FileHeaderIn(dir / "v219.jww"));
    EXPECT_EQ(d.LastError, "JWW-Version Error");
}

TEST_F(HeaderFiles, FileOutWritesTheSameBytesAsSaveToBuffer) {
    Bytes file = BuildFile(EmptyDrawing(600));
    auto d = Loaded(file);
    auto out = dir / "out.jww";
    ASSERT_TRUE(d->FileOut(out, 600)) << d->LastError;
    auto written = ReadWholeFile(out);
    ASSERT_TRUE(written.has_value());
    EXPECT_TRUE(SameBytes(file, *written));
}

TEST(Header, DrawingNeverReadCannotBeWritten) {
    TJwwData d;
    Bytes out;
    EXPECT_FALSE(d.SaveToBuffer(out, 600));
    EXPECT_TRUE(out.empty());
}

}  // namespace
