// Writes the sample pack of this build: pack_fixture_writer <pack> <empty work folder>.
#include <cstdio>

#include "testing/builders/pack_fixture.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pack_fixture_writer <pack> <empty work folder>\n");
        return 2;
    }
    const int rc = kb::pack::fixture::WriteFixturePack(argv[1], argv[2]);
    if (rc != 0) std::fprintf(stderr, "failed: %d\n", rc);
    return rc == 0 ? 0 : 1;
}
