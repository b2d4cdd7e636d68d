// Scrivane.Exe stand-in, the outside writer: records its start, answers the
// hand-off and holds "TARVEL_WIN_WRITER" with its window when asked.
#include "testing/standins/program_standin.h"

int main() {
    return kb::standins::RunProgramStandin({"Scrivane", "TARVEL_WIN_WRITER", "TApplication", "Scrivane", true});
}
