// The header section.
#pragma once

#include "Archive.h"
#include "JwwUnit.h"

// True when the bytes begin with the signature and an accepted version.
bool SignatureAndVersionOk(const uint8_t* data, size_t size);

// Gives the nine header tables their fixed sizes, every entry empty.
void SizeHeaderTables(TJwwData& d);

// Reads the section; throws JwwIoError with the header, version or I/O message.
void HeaderIn(ByteReader& r, TJwwData& d);

// Writes the section for version ver; sets d.Enthd.jwID and changes nothing else.
void HeaderOut(ByteWriter& w, TJwwData& d, int32_t ver);
