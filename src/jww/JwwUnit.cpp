// Temporary stubs until the reader and writer land.
#include "JwwUnit.h"

TJwwData::TJwwData() { DataInit(); }
TJwwData::~TJwwData() { DataFree(); }
void TJwwData::DataInit() {}
void TJwwData::DataFree() { DataInit(); }
bool TJwwData::FileCheck(const std::filesystem::path&) const { return false; }
bool TJwwData::FileHeaderIn(const std::filesystem::path&) { return false; }
bool TJwwData::FileIn(const std::filesystem::path&) { return false; }
bool TJwwData::FileOut(const std::filesystem::path&, int32_t) { return false; }
void TJwwData::SetFileOutOption(int32_t n) { FileOutOpt = (n >= 0 && n <= 63) ? n : 0; }
bool TJwwData::LoadFromBuffer(const uint8_t*, size_t) { return false; }
bool TJwwData::SaveToBuffer(std::vector<uint8_t>&, int32_t) { return false; }
void TJwwData::MakeBlockTree() {}
uint32_t TJwwData::ChangeBlockNo(uint32_t) const { return 0; }
void TJwwData::BindImageInit() {}
void TJwwData::BindImageExplode() {}
void TJwwData::BindImageDeleteGzFile() {}
void TJwwData::BindImageDeleteNonGzFile() {}
