#include "JwwUnit.h"

#include <fstream>

#include "Archive.h"
#include "AtomicFile.h"
#include "Blocks.h"
#include "EntityList.h"
#include "Files.h"
#include "Header.h"
#include "Images.h"
#include "InputFile.h"

TJwwData::TJwwData() { DataInit(); }

TJwwData::~TJwwData() { DataFree(); }

void TJwwData::DataInit() {
    FileOutOpt = 0;
    Enthd = TEntJwwHeader{};
    Enthd.dPrtBairitsu = 1.0;
    Enthd.dMemoriHyoujiMin = 1.0;
    Enthd.dMemoriX = 1.0;
    Enthd.dMemoriY = 1.0;
    Enthd.dBairitsu = 1.0;
    Enthd.dHanniBairitsu = 1.0;
    for (int i = 1; i <= 8; ++i) {
        Enthd.dZoomJumpBairitsu[i] = 1.0;
        Enthd.nZoomJumpGLay[i] = -1;
    }
    EntLgrp.clear();
    EntLay.clear();
    EntCol.clear();
    EntLtp1.clear();
    EntLtp2.clear();
    EntLtp3.clear();
    EntColS.clear();
    EntLtpS.clear();
    EntMoj.clear();
    EntNo.clear();
    EntLine.clear();
    EntEnko.clear();
    EntTen.clear();
    EntMoji.clear();
    EntSunpo.clear();
    EntSolid.clear();
    EntBlock.clear();
    EntLineN = EntEnkoN = EntTenN = EntMojiN = EntSunpoN = EntSolidN = EntBlockN = 0;
    EntBlockDef.clear();
    EntBlockDefN = 0;
    EntBlockTree.clear();
    EntBlockTreeN = 0;
    EntBlockNum = 0;
    blockIndexByNumber_.clear();
    BindImageInit();
    MojiEncode = false;
    ByteFormStrings = Utf16FormStrings = 0;
}

void TJwwData::DataFree() {
    std::vector<TEntJwwBlockDef>().swap(EntBlockDef);
    DataInit();
}

bool TJwwData::FileCheck(const std::filesystem::path& FName) const {
    std::ifstream in(FName, std::ios::binary);
    if (!in) return false;
    uint8_t head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    return in.gcount() == sizeof head && SignatureAndVersionOk(head, sizeof head);
}

bool TJwwData::FileHeaderIn(const std::filesystem::path& FName) {
    DataInit();
    LastError.clear();
    auto bytes = ReadWholeFile(FName);
    if (!bytes) {
        LastError = kMsgIo;
        return false;
    }
    ByteReader r(bytes->data(), bytes->size());
    r.mojiEncode = &MojiEncode;
    try {
        HeaderIn(r, *this);
        return true;
    } catch (const JwwIoError& e) {
        LastError = e.what();
        return false;
    }
}

// The file is streamed through a window rather than held whole, so that the drawing's records
// are the only large allocation of a load.
bool TJwwData::FileIn(const std::filesystem::path& FName) {
    DataInit();
    InputFile file;
    if (!file.Open(FName)) {
        LastError = kMsgIo;
        return false;
    }
    ByteReader r(file.Size(), [&file](uint64_t at, uint8_t* dst, size_t n) { return file.ReadAt(at, dst, n); });
    return LoadFrom(r);
}

bool TJwwData::LoadFromBuffer(const uint8_t* data, size_t size) {
    ByteReader r(data, size);
    return LoadFrom(r);
}

bool TJwwData::LoadFrom(ByteReader& r) {
    DataInit();
    LastError.clear();
    int64_t forms[2] = {0, 0};
    r.mojiEncode = &MojiEncode;
    r.stringForms = forms;
    bool ok = LoadSections(r);
    ByteFormStrings = forms[0];
    Utf16FormStrings = forms[1];
    return ok;
}

bool TJwwData::LoadSections(ByteReader& r) {
    try {
        HeaderIn(r, *this);
    } catch (const JwwIoError& e) {
        LastError = e.what();
        return false;
    }
    bool ok = true;
    try {
        if (r.atEnd()) FailIo();  // no bytes for the entity count
        int32_t n = r.CountIn();
        if (r.pastEnd() || n < 0 || size_t(n) > r.remaining() / kMinObjectBytes) FailIo();
        EntBlockDefN = 0;
        Enthd.n2 = 0;
        ClassTable classes;
        EntListIn(r, n, MainList(*this), classes);
        BlocksIn(r, *this, classes);
        if (Enthd.jwVer >= kImageSince) ImagesIn(r, *this);
    } catch (const JwwIoError& e) {
        LastError = e.what();
        ok = false;
    } catch (const std::bad_alloc&) {
        LastError = kMsgIo;
        ok = false;
    }
    MakeBlockTree();
    return ok;
}

namespace {

void WriteDrawing(ByteWriter& w, TJwwData& d, int32_t ver) {
    w.version = ver;
    w.readVersion = d.Enthd.jwVer;
    w.options = d.FileOutOpt;
    w.fallbackPenStyle = d.FallbackPenStyle;
    w.fallbackPenColor = d.FallbackPenColor;
    HeaderOut(w, d, ver);
    ListRef main = MainList(d);
    w.CountOut(EntListCount(main, ver, d.Enthd.jwVer));
    ClassTable classes;
    EntListOut(w, main, classes, d);
    BlocksOut(w, d, classes);
    if (ver >= kImageSince) ImagesOut(w, d);
    w.Flush();
}

}  // namespace

bool TJwwData::FileOut(const std::filesystem::path& FName, int32_t Ver) {
    LastError.clear();
    try {
        AtomicFile out(FName);
        ByteWriter w([&out](const uint8_t* p, size_t n) { out.Write(p, n); });
        WriteDrawing(w, *this, Ver);
        out.Commit();
        return true;
    } catch (const std::exception& e) {
        LastError = dynamic_cast<const JwwIoError*>(&e) ? e.what() : kMsgIo;
        return false;
    }
}

bool TJwwData::SaveToBuffer(std::vector<uint8_t>& out, int32_t Ver) {
    LastError.clear();
    out.clear();
    try {
        ByteWriter w([&out](const uint8_t* p, size_t n) { out.insert(out.end(), p, p + n); });
        WriteDrawing(w, *this, Ver);
        return true;
    } catch (const std::exception& e) {
        LastError = dynamic_cast<const JwwIoError*>(&e) ? e.what() : kMsgIo;
        out.clear();
        return false;
    }
}

void TJwwData::SetFileOutOption(int32_t n) { FileOutOpt = (n >= 0 && n <= 63) ? n : 0; }
