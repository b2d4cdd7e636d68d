// uidriver: drives another program's windows for the end-to-end tests.
//   uidriver find <class|-> <title|-> [--pid N] [--timeout ms]   prints the window (decimal)
//   uidriver msgbox [--title T] [--pid N] [--timeout ms] [--answer ok|cancel|yes|no]
//                                                               prints the box's text
//   uidriver click <window> <child id>
//   uidriver type <window> <child id, 0 for the window itself> <text>
//   uidriver close <window>
//   uidriver shot <window> <file.png>
// Exit code 0 on success, 1 when the window is not found or the step fails,
// 2 for a wrong command line. Texts are written as they are (no line-end
// translation), in the ANSI code page.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "testing/uidriver/ui_driver.h"

namespace {

using namespace kb::uidriver;

HWND WindowArg(const char* text) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text, nullptr, 10)));
}

int Usage() {
    std::fprintf(stderr, "usage: uidriver find|msgbox|click|type|close|shot ...\n");
    return 2;
}

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    // Options after the positional arguments.
    DWORD pid = 0, timeout = 0;
    std::string title, answer;
    std::vector<const char*> args;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--pid" && i + 1 < argc) pid = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--timeout" && i + 1 < argc) timeout = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--title" && i + 1 < argc) title = argv[++i];
        else if (a == "--answer" && i + 1 < argc) answer = argv[++i];
        else args.push_back(argv[i]);
    }
    if (command == "find" && args.size() == 2) {
        WindowQuery q;
        q.windowClass = std::strcmp(args[0], "-") ? args[0] : "";
        q.title = std::strcmp(args[1], "-") ? args[1] : "";
        q.pid = pid;
        HWND w = WaitForTopWindow(q, timeout);
        if (!w) return 1;
        Print(std::to_string(reinterpret_cast<uintptr_t>(w)));
        return 0;
    }
    if (command == "msgbox" && args.empty()) {
        const auto box = WaitForMessageBox(title, pid, timeout);
        if (!box) return 1;
        Print(box->text);
        if (answer.empty()) return 0;
        const int button = answer == "ok" ? IDOK : answer == "cancel" ? IDCANCEL : answer == "yes" ? IDYES
                           : answer == "no" ? IDNO : 0;
        return button && AnswerMessageBox(box->window, button) ? 0 : 1;
    }
    if (command == "click" && args.size() == 2) {
        HWND child = FindChild(WindowArg(args[0]), std::atoi(args[1]));
        return child && Click(child) ? 0 : 1;
    }
    if (command == "type" && args.size() == 3) {
        const int id = std::atoi(args[1]);
        HWND target = id ? FindChild(WindowArg(args[0]), id) : WindowArg(args[0]);
        return target && TypeText(target, args[2]) ? 0 : 1;
    }
    if (command == "close" && args.size() == 1) return AskToClose(WindowArg(args[0])) ? 0 : 1;
    if (command == "shot" && args.size() == 2) return SaveWindowPng(WindowArg(args[0]), args[1]) ? 0 : 1;
    return Usage();
}
