#include "Unit1.h"

// Removes the zero-extent texts of JWW1 by marking their order entries.
void TForm1::Proc2a() {
    // TODO(lead): mark zero-extent texts with order type 0, in EntNo and in every block
    // definition's mNo.
}
