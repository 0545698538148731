// jwwsummary: loads a drawing and prints what it holds.
#include <cstdio>
#include <string>

#include "Summary.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: jwwsummary DRAWING.jww...\n", stderr);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        TJwwData d;
        d.BindImageExr = true;  // list the images without writing working files
        if (!d.FileIn(argv[i])) {
            std::fprintf(stderr, "jwwsummary: %s: %s\n", argv[i], d.LastError.c_str());
            status = 1;
            continue;
        }
        std::printf("%s: %s", argv[i], FormatSummary(Summarise(d)).c_str());
    }
    return status;
}
