// byte_tally [--as-shown] FILE: prints "COUNT HASH" of the bytes in FILE, the
// count and FNV-1a hash the terminal keeps of what it was given (ByteTally).
// With --as-shown, of the bytes a receiving player's terminal is given for
// them: the receiver shows every byte but the note byte after a "#".
#include <cstdio>
#include <cstring>

#include "terminal/tty_screen.h"

int main(int argc, char** argv)
{
    const bool asShown = argc == 3 && std::strcmp(argv[1], "--as-shown") == 0;
    if (argc != 2 && !asShown) {
        std::fprintf(stderr, "usage: byte_tally [--as-shown] FILE\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[argc - 1], "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "byte_tally: cannot read %s\n", argv[argc - 1]);
        return 1;
    }
    ByteTally tally;
    bool noteByteNext = false;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (asShown && noteByteNext) {
            noteByteNext = false;
            continue;
        }
        noteByteNext = c == '#';
        tally.Add(static_cast<unsigned char>(c));
    }
    std::fclose(file);
    std::printf("%llu %08x\n", static_cast<unsigned long long>(tally.count), tally.hash);
    return 0;
}
