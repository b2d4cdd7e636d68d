// Delvane.Exe stand-in, the outside eraser: records its start (it erases
// nothing) and holds "QZDelvane" with its window when asked.
#include "testing/standins/program_standin.h"

int main() {
    return kb::standins::RunProgramStandin({"Delvane", "QZDelvane", "CQZApplication", "QZEraser", false});
}
