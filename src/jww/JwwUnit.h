// TJwwData: one Jw_cad drawing in memory, with its reader and writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "Versions.h"
#include "jwwtype.h"

class TJwwData {
public:
    TJwwData();
    ~TJwwData();
    TJwwData(const TJwwData&) = delete;
    TJwwData& operator=(const TJwwData&) = delete;

    TEntJwwHeader Enthd;
    std::vector<TEntJwwLayerGroup> EntLgrp;
    std::vector<TEntJwwLayer> EntLay;
    std::vector<TEntJwwColorNo> EntCol;
    std::vector<TEntJwwLineTypeNo> EntLtp1;
    std::vector<TEntJwwRandomLineNo> EntLtp2;
    std::vector<TEntJwwLineTypeNo> EntLtp3;
    std::vector<TEntJwwColorExNo> EntColS;
    std::vector<TEntJwwLineTypeExNo> EntLtpS;
    std::vector<TEntJwwMojiType> EntMoj;

    std::vector<TEntJwwNo> EntNo;  // Enthd.n1 entries
    std::vector<TEntJwwLine> EntLine;
    std::vector<TEntJwwEnko> EntEnko;
    std::vector<TEntJwwTen> EntTen;
    std::vector<TEntJwwMoji> EntMoji;
    std::vector<TEntJwwSunpo> EntSunpo;
    std::vector<TEntJwwSolid> EntSolid;
    std::vector<TEntJwwBlock> EntBlock;
    int32_t EntLineN = 0, EntEnkoN = 0, EntTenN = 0, EntMojiN = 0, EntSunpoN = 0, EntSolidN = 0, EntBlockN = 0;

    std::vector<TEntJwwBlockDef> EntBlockDef;
    int32_t EntBlockDefN = 0;
    std::vector<TEntJwwBlockTree> EntBlockTree;
    int32_t EntBlockTreeN = 0;
    int32_t EntBlockNum = 0;

    std::filesystem::path BindImageFolder;  // working folder of the embedded images
    std::vector<TBindImageType> BindImage;
    int32_t BindImageN = 0;
    bool BindImageExp = false;
    bool BindImageExr = false;

    int32_t FileOutOpt = 0;
    bool MojiEncode = false;
    // Strings the last read met in byte form and in UTF-16 form.
    int64_t ByteFormStrings = 0;
    int64_t Utf16FormStrings = 0;

    // Values the attribute writer substitutes for out-of-range pen styles and colours.
    // Settings of the owner, kept by DataInit.
    uint8_t FallbackPenStyle = 1;
    uint16_t FallbackPenColor = 1;

    // Whether MakeBlockTree also builds EntBlockTree. The conversion never reads the tree, only
    // the used-definition marks and numbers, which are computed either way.
    bool ExpandBlockTree = true;

    // Message of the last failed FileIn, FileHeaderIn or FileOut ("File I/O Error", …); empty after success.
    std::string LastError;

    void DataInit();
    void DataFree();

    bool FileCheck(const std::filesystem::path& FName) const;
    bool FileHeaderIn(const std::filesystem::path& FName);
    bool FileIn(const std::filesystem::path& FName);
    bool FileOut(const std::filesystem::path& FName, int32_t Ver);
    void SetFileOutOption(int32_t n);

    // In-memory forms of FileIn and FileOut, used by the file forms and by tools.
    bool LoadFromBuffer(const uint8_t* data, size_t size);
    bool SaveToBuffer(std::vector<uint8_t>& out, int32_t Ver);

    void MakeBlockTree();
    uint32_t ChangeBlockNo(uint32_t n) const;
    // Index of the first definition with this block number, or -1.
    int32_t BlockDefIndex(uint32_t number) const;

    void BindImageInit();
    void BindImageExplode();
    void BindImageDeleteGzFile();
    void BindImageDeleteNonGzFile();

private:
    bool LoadFrom(class ByteReader& r);
    bool LoadSections(ByteReader& r);
    void NumberUsedDefinitions();
    void ExpandInsertionTree(size_t topCount);

    std::unordered_map<uint32_t, int32_t> blockIndexByNumber_;  // first definition per number
};
