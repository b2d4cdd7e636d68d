// Writes one of the rig's discs: disc_builder <disc folder> <empty work folder> [layout].
// Both folders must exist; Windows path syntax. The layout names one of the
// discs below ("sample" when left out).
#include <cstdio>
#include <cstring>

#include "testing/builders/disc_builder.h"

namespace {

using kb::testing::disc::DiscLayout;

struct NamedLayout {
    const char* name;
    DiscLayout (*make)();
};

// A disc whose index names no session: the loader shows its empty page.
DiscLayout EmptyDisc() {
    DiscLayout layout = kb::testing::disc::SampleDisc();
    layout.sessions.clear();
    return layout;
}

// The sample disc of the edition whose launcher starts the loader with
// "/A:ZEPQUA": its index packs under that edition's password.
DiscLayout SampleOemDisc() {
    DiscLayout layout = kb::testing::disc::SampleDisc();
    layout.edition = 1;
    return layout;
}

const NamedLayout kLayouts[] = {
    {"sample", kb::testing::disc::SampleDisc},
    {"empty", EmptyDisc},
    {"sample-oem", SampleOemDisc},
    {"demo", kb::testing::disc::DemoDisc},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: disc_builder <disc folder> <empty work folder> [layout]\n");
        return 2;
    }
    const char* name = argc == 4 ? argv[3] : "sample";
    for (const NamedLayout& layout : kLayouts) {
        if (std::strcmp(layout.name, name) != 0) continue;
        const int rc = kb::testing::disc::WriteDisc(layout.make(), argv[1], argv[2]);
        if (rc != 0) std::fprintf(stderr, "failed: %d\n", rc);
        return rc == 0 ? 0 : 1;
    }
    std::fprintf(stderr, "no disc layout named \"%s\"\n", name);
    return 2;
}
