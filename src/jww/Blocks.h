// The block section: definitions with their nested lists.
#pragma once

#include "Archive.h"
#include "JwwUnit.h"

// Reads the section into d.EntBlockDef; a file that ends anywhere inside it fails the load.
void BlocksIn(ByteReader& r, TJwwData& d, ClassTable& classes);

// Writes the definitions that the drawing uses, renumbered from 0.
void BlocksOut(ByteWriter& w, const TJwwData& d, ClassTable& classes);
