#include "Unit1.h"
#include "ZeroExtent.h"

// Removes the zero-extent texts of JWW1, in the drawing and in every block definition.
void TForm1::Proc2a() { RemoveZeroExtentTexts(*JWW1); }
