// Writes the rig's sample disc: disc_builder <disc folder> <empty work folder>.
// Both folders must exist; Windows path syntax.
#include <cstdio>

#include "testing/builders/disc_builder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: disc_builder <disc folder> <empty work folder>\n");
        return 2;
    }
    const int rc = kb::testing::disc::WriteDisc(kb::testing::disc::SampleDisc(), argv[1], argv[2]);
    if (rc != 0) std::fprintf(stderr, "failed: %d\n", rc);
    return rc == 0 ? 0 : 1;
}
