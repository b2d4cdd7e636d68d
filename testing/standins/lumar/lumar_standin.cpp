// LumarForUtil.exe stand-in, the loader as the launcher meets it: records its
// command line and posts WM_HANDOFF_CLOSE to the window after "/H:" at once,
// or never when KB_STANDIN_SILENT lists "Lumar".
#include "testing/standins/program_standin.h"

int main() {
    return kb::standins::RunProgramStandin({"Lumar", "TARVEL_WIN_LOADER", "TApplication", "Lumar", true});
}
