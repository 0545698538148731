// Headless stand-in for the window: the same events in the same order, with no display.
#include <string>
#include <vector>

#include "CodePage.h"
#include "Unit1.h"

int main(int argc, char** argv) {
    std::vector<std::u16string> params;
    for (int i = 0; i < argc; ++i) params.push_back(Utf8ToUtf16(argv[i]));
    int status = 1;
    {
        TForm1 form(std::move(params));
        form.FormCreate();
        form.FormShow();
        form.FormClose();
        status = form.ExitCode();
    }
    return status;
}
