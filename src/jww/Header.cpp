// The header section: signature, version, settings and tables, in file order. One field list
// serves both directions; the writer's substitutions are the Out(…) arguments, the reader's
// repairs follow the read.
#include <cmath>
#include <string>

#include "Archive.h"
#include "Header.h"
#include "CodePage.h"
#include "TextHelpers.h"

namespace {

constexpr char kSignature[] = "JwwData.";

std::u16string Numbered(const char16_t* prefix, int n) {
    std::u16string s = prefix;
    for (char c : std::to_string(n)) s.push_back(char16_t(c));
    return s;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }

double ClampD(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

// Reading: every field as stored.
struct HeaderReader {
    ByteReader& r;
    int32_t version;
    void operator()(int32_t& v) { v = r.I32(); }
    void operator()(double& v) { v = r.F64(); }
    template <class T, class F>
    void Out(T& v, F&&) { (*this)(v); }
    void Name(std::u16string& s) { s = r.StringInClean(); }
    template <class F>
    void NameOut(std::u16string& s, F&&) { Name(s); }
    void Memo(std::u16string& s) { s = r.StringIn(); }
    void Reserved(size_t n, uint8_t) { r.Skip(n); }
    void PrintValue(TEntJwwHeader& h) {
        int32_t v = r.I32();
        h.nPrtDpi = v / 10;
        h.nPrtDispOnlyNonDraw = v % 10;
    }
    void LastField(double& v) {
        if (r.atEnd()) FailIo();
        v = r.F64();
    }
};

// Writing: the substitutions apply to the values written, never to the drawing.
struct HeaderWriter {
    ByteWriter& w;
    int32_t version;
    void operator()(const int32_t& v) { w.I32(v); }
    void operator()(const double& v) { w.F64(v); }
    template <class T, class F>
    void Out(const T& v, F&& substitute) { (*this)(substitute(v)); }
    void Name(const std::u16string& s) { w.StringOut(CleanOutText(s)); }
    template <class F>
    void NameOut(const std::u16string& s, F&& substitute) { w.StringOut(substitute(CleanOutText(s))); }
    void Memo(const std::u16string& s) { w.StringOut(s); }
    void Reserved(size_t n, uint8_t fill) { w.Fill(fill, n); }
    void PrintValue(const TEntJwwHeader& h) {
        uint32_t v = uint32_t(h.nPrtDispOnlyNonDraw);
        if (version >= kPrtDpiSince) v += h.nPrtDpi > 0 ? 10u * uint32_t(h.nPrtDpi) : 10u;
        w.I32(int32_t(v));
    }
    void LastField(const double& v) { w.F64(v); }
};

bool IsPairedSegmentCount(int32_t n) { return n == 2 || n == 4 || n == 6 || n == 8; }

// Fields 3 to 40 of the section. D is TJwwData or const TJwwData.
template <class Io, class D>
void HeaderFields(Io& io, D& d) {
    auto& h = d.Enthd;
    const int32_t ver = io.version;
    constexpr bool writing = !std::is_same_v<Io, HeaderReader>;

    io.Memo(h.strMemo);
    io(h.nZumen);
    io(h.nWriteGLay);
    for (int g = 0; g < 16; ++g) {
        auto& grp = d.EntLgrp[g];
        io(grp.anGLay);
        io(grp.anWriteLay);
        io(grp.adScale);
        io(grp.anGLayProtect);
        for (int l = 0; l < 16; ++l) {
            auto& lay = d.EntLay[g * 16 + l];
            io(lay.aanLay);
            io(lay.aanLayProtect);
        }
    }
    io.Reserved(56, 0x20);
    io(h.lnSunpou1);
    io(h.lnSunpou2);
    io(h.lnSunpou3);
    io(h.lnSunpou4);
    io(h.lnSunpou5);
    io.Reserved(4, 0x00);
    io.Out(h.nMaxDrawWid, [ver](int32_t v) { return ver <= kSxfSince && v < -101 ? -101 : v; });
    io(h.DPPrtGenten_x);
    io(h.DPPrtGenten_y);
    io(h.dPrtBairitsu);
    io(h.nPrtSet);
    io(h.nMemoriMode);
    io(h.dMemoriHyoujiMin);
    io(h.dMemoriX);
    io(h.dMemoriY);
    io(h.DpMemoriKjTen_x);
    io(h.DpMemoriKjTen_y);
    for (int i = 0; i < 256; ++i) io.Name(d.EntLay[i].aStrLayName);
    for (int g = 0; g < 16; ++g) io.Name(d.EntLgrp[g].aStrGLayName);
    io(h.dKageLevel);
    io(h.dKageIdo);
    io(h.nKage9_15JiFlg);
    io(h.dKabeKageLevel);
    if (ver >= kTenkuuSince) {
        io(h.dTenkuuZuLevel);
        io(h.dTenkuuZuEnkoR);
    }
    io(h.nMMTani3D);
    io(h.dBairitsu);
    io(h.DPGenten_x);
    io(h.DPGenten_y);
    io(h.dHanniBairitsu);
    io(h.DPHanniGenten_x);
    io(h.DPHanniGenten_y);
    if (ver >= kZoomJump8Since) {
        for (int i = 1; i <= 8; ++i) {
            io(h.dZoomJumpBairitsu[i]);
            io(h.DPZoomJumpGenten_x[i]);
            io(h.DPZoomJumpGenten_y[i]);
            io(h.nZoomJumpGLay[i]);
        }
        io(h.dDm11);
        io(h.dDm12);
        io(h.dDm13);
        io(h.lnDm1);
        io(h.dDm21);
        io(h.dDm22);
        io(h.dMojiBG);
        io(h.nMojiBG);
    } else {
        for (int i = 1; i <= 4; ++i) {
            io(h.dZoomJumpBairitsu[i]);
            io(h.DPZoomJumpGenten_x[i]);
            io(h.DPZoomJumpGenten_y[i]);
        }
    }
    for (int i = 0; i < 10; ++i) io(h.adFukusenSuuchi[i]);
    io(h.dRyougawaFukusenTomeDe);

    auto rgb = [](int32_t v) { return v < 0 || v > 0xFFFFFF ? 0 : v; };
    for (int c = 0; c < 10; ++c) {
        auto& col = d.EntCol[c];
        io.Out(col.aPenColor, rgb);
        io.Out(col.anPenWidth, [](int32_t v) { return Clamp(v, 1, 16); });
    }
    for (int c = 0; c < 10; ++c) {
        auto& col = d.EntCol[c];
        io.Out(col.aPrtPenColor, [&](int32_t v) { return c == 0 ? 0xFFFFFF : rgb(v); });
        io.Out(col.anPrtPenWidth, [](int32_t v) { return Clamp(v, 1, 500); });
        io.Out(col.adPrtTenHankei, [](double v) { return ClampD(v, 0.1, 10.0); });
    }
    auto lineTypes = [&io](auto& table) {  // EntLtp1 and EntLtp3 share their layout
        for (auto& lt : table) {
            io(lt.alLType);
            io(lt.anTokushuSenUintDot);
            io(lt.anTokushuSenPich);
            io(lt.anPrtTokushuSenPich);
        }
    };
    lineTypes(d.EntLtp1);
    for (int t = 0; t < 5; ++t) {
        auto& lt = d.EntLtp2[t];
        io(lt.alLType);
        io(lt.anRandSenWide);
        io(lt.anTokushuSenPich);
        io(lt.anPrtRandSenWide);
        io(lt.anPrtTokushuSenPich);
    }
    lineTypes(d.EntLtp3);
    io(h.nDrawGamenTen);
    io(h.nDrawPrtTen);
    io(h.nBitMapFirstDraw);
    io(h.nGyakuDraw);
    io(h.nGyakuSearch);
    io(h.nColorPrint);
    io(h.nLayJunPrint);
    io(h.nColJunPrint);
    io(h.nPrtRenzoku);
    io(h.nPrtKyoutsuuGray);
    io.PrintValue(h);
    if (ver >= kEyeSince) {
        io(h.lnDrawTime);
        io(h.nEyeInit);
        io(h.dEye_H_Ichi_1);
        io(h.dEye_H_Ichi_2);
        io(h.dEye_H_Ichi_3);
        io(h.dEye_Z_Ichi_1);
        io(h.dEye_Y_Ichi_1);
        io(h.dEye_Z_Ichi_2);
        io(h.dEye_Y_Ichi_2);
        io(h.dEye_V_Ichi_3);
    }
    if (ver >= kSnapSince) {
        io(h.dSenNagasaSnpou);
        io(h.dBoxSunpouX);
        io(h.dBoxSunpouY);
        io(h.dEnHankeiSnpou);
    }
    if (ver >= kSolidColorSince) {
        io(h.nSolidNinniColor);
        io(h.SolidColor);
    }
    if (ver >= kSxfSince) {
        for (int c = 0; c <= 256; ++c) {
            io(d.EntColS[c].aPenColor);
            io(d.EntColS[c].anPenWidth);
        }
        for (int c = 0; c <= 256; ++c) {
            auto& col = d.EntColS[c];
            io.NameOut(col.astrUDColorName, [c](std::u16string s) {
                return StripBlanks(s).empty() ? Numbered(u"Color_", c) : s;
            });
            io.Out(col.aPrtPenColor, [&](int32_t v) { return c >= 17 ? col.aPenColor : v; });
            io(col.anPrtPenWidth);
            io(col.adPrtTenHankei);
        }
        // Extended line types from 17 on need an even segment count; others get a default dash.
        auto replaced = [](const TEntJwwLineTypeExNo& lt, int t) {
            return writing && t >= 17 && !IsPairedSegmentCount(lt.anUDLTypeSegment);
        };
        for (int t = 0; t <= 32; ++t) {
            auto& lt = d.EntLtpS[t];
            if (replaced(lt, t)) {
                io.Out(lt.alLType, [](int32_t) { return int32_t(0xC3C3C3C3u); });
                io.Out(lt.anTokushuSenUintDot, [](int32_t) { return 8; });
                io.Out(lt.anTokushuSenPich, [](int32_t) { return 1; });
                io.Out(lt.anPrtTokushuSenPich, [](int32_t) { return 8; });
            } else {
                io.Out(lt.alLType, [](int32_t v) { return v == 0 ? -1 : v; });
                io(lt.anTokushuSenUintDot);
                io(lt.anTokushuSenPich);
                io(lt.anPrtTokushuSenPich);
            }
        }
        for (int t = 0; t <= 32; ++t) {
            auto& lt = d.EntLtpS[t];
            if (replaced(lt, t)) {
                io.NameOut(lt.astrUDLTypeName, [t](const std::u16string&) { return Numbered(u"LType_", t); });
                io.Out(lt.anUDLTypeSegment, [](int32_t) { return 2; });
                for (int i = 1; i <= 10; ++i) io.Out(lt.aadUDLTypePitch[i], [i](double) { return i <= 2 ? 1.0 : 0.0; });
            } else {
                io.NameOut(lt.astrUDLTypeName, [t](std::u16string s) {
                    return StripBlanks(s).empty() ? Numbered(u"LType_", t) : s;
                });
                io(lt.anUDLTypeSegment);
                for (int i = 1; i <= 10; ++i) io(lt.aadUDLTypePitch[i]);
            }
        }
    }
    auto size = [](double v) { return ByteWriter::ClampedSize(v); };
    for (int t = 0; t < 10; ++t) {
        auto& mt = d.EntMoj[t];
        io.Out(mt.adMojiX, size);
        io.Out(mt.adMojiY, size);
        io(mt.adMojiD);
        io(mt.anMojiCol);
    }
    io.Out(h.dMojiSizeX, size);
    io.Out(h.dMojiSizeY, size);
    io(h.dMojiKankaku);
    io(h.nMojiColor);
    io(h.nMojiShu);
    io(h.dMojiSeiriGyouKan);
    io(h.dMojiSeiriSuu);
    io(h.nMojiKijunZureOn);
    io(h.adMojiKijunZureX0);
    io(h.adMojiKijunZureX1);
    io(h.adMojiKijunZureX2);
    io(h.adMojiKijunZureY0);
    io(h.adMojiKijunZureY1);
    io.LastField(h.adMojiKijunZureY2);
}

void RepairTextSizes(TJwwData& d) {
    auto size = [](double& v) { if (!std::isfinite(v)) v = 3.0; };
    auto spacing = [](double& v) { if (!std::isfinite(v)) v = 0.0; };
    for (auto& mt : d.EntMoj) {
        size(mt.adMojiX);
        size(mt.adMojiY);
        spacing(mt.adMojiD);
    }
    size(d.Enthd.dMojiSizeX);
    size(d.Enthd.dMojiSizeY);
    spacing(d.Enthd.dMojiKankaku);
}

bool TablesAtFullSize(const TJwwData& d) {
    return d.EntLgrp.size() == 16 && d.EntLay.size() == 256 && d.EntCol.size() == 10 && d.EntLtp1.size() == 8 &&
           d.EntLtp2.size() == 5 && d.EntLtp3.size() == 4 && d.EntColS.size() == 257 && d.EntLtpS.size() == 33 &&
           d.EntMoj.size() == 10;
}

}  // namespace

bool SignatureAndVersionOk(const uint8_t* data, size_t size) {
    if (size < 12 || std::memcmp(data, kSignature, 8) != 0) return false;
    ByteReader r(data + 8, 4);
    int32_t ver = r.I32();
    return ver >= kMinVersion && ver <= kMaxVersion;
}

void SizeHeaderTables(TJwwData& d) {
    d.EntLgrp.assign(16, {});
    d.EntLay.assign(256, {});
    d.EntCol.assign(10, {});
    d.EntLtp1.assign(8, {});
    d.EntLtp2.assign(5, {});
    d.EntLtp3.assign(4, {});
    d.EntColS.assign(257, {});
    d.EntLtpS.assign(33, {});
    d.EntMoj.assign(10, {});
}

void HeaderIn(ByteReader& r, TJwwData& d) {
    SizeHeaderTables(d);
    char sig[8];
    r.Read(sig, 8);
    d.Enthd.jwID = Cp932ToUtf16(std::string_view(sig, 8));
    if (std::memcmp(sig, kSignature, 8) != 0) FailIo(kMsgHeader);
    d.Enthd.jwVer = r.I32();
    if (d.Enthd.jwVer < kMinVersion || d.Enthd.jwVer > kMaxVersion) FailIo(kMsgVersion);
    r.version = d.Enthd.jwVer;
    HeaderReader io{r, d.Enthd.jwVer};
    HeaderFields(io, d);
    RepairTextSizes(d);
}

void HeaderOut(ByteWriter& w, TJwwData& d, int32_t ver) {
    if (!TablesAtFullSize(d)) FailIo();
    d.Enthd.jwID = u"JwwData.";
    w.Bytes(kSignature, 8);
    w.I32(ver);
    HeaderWriter io{w, ver};
    HeaderFields(io, static_cast<const TJwwData&>(d));
}
