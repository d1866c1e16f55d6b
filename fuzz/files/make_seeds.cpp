// Writes a small starting corpus of valid files for the loader fuzz targets:
//   fuzz_files_seeds OUTPUT_FOLDER   ->  OUTPUT_FOLDER/{setup,csv,rfc,ref,rec}/...
#include <cstdio>

#include "seed_files.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    tarnix::fuzz::WriteSeedFiles(argv[1]);
    return 0;
}
