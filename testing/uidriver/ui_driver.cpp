#include "testing/uidriver/ui_driver.h"

#include <commctrl.h>
#include <shlobj.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace kb::uidriver {
namespace {

struct FindState {
    const WindowQuery* query;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<FindState*>(param);
    const WindowQuery& q = *state->query;
    if (q.visibleOnly && !IsWindowVisible(window)) return TRUE;
    if (q.pid) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != q.pid) return TRUE;
    }
    if (!q.windowClass.empty() && ClassOf(window) != q.windowClass) return TRUE;
    if (!q.title.empty() && TitleOf(window) != q.title) return TRUE;
    state->found.push_back(window);
    return TRUE;
}

struct ChildState {
    int id;
    HWND found = nullptr;
};

struct ClassState {
    const std::string* windowClass;
    HWND found = nullptr;
};

BOOL CALLBACK FindByClass(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<ClassState*>(param);
    if (ClassOf(window) != *state->windowClass) return TRUE;
    state->found = window;
    return FALSE;
}

BOOL CALLBACK FindById(HWND window, LPARAM param) {
    auto* state = reinterpret_cast<ChildState*>(param);
    if (GetDlgCtrlID(window) == state->id) {
        state->found = window;
        return FALSE;
    }
    return TRUE;
}

void PutBe32(std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBe32(out, static_cast<uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    out += typed;
    PutBe32(out, static_cast<uint32_t>(
                     crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

constexpr size_t kRemoteTextSize = 512;

// A block of memory in another process, for messages whose arguments point
// into the receiver's address space.
class RemoteBlock {
public:
    RemoteBlock(HWND owner, size_t size) {
        DWORD pid = 0;
        GetWindowThreadProcessId(owner, &pid);
        process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process_) address_ = static_cast<char*>(VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteBlock() {
        if (address_) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        if (process_) CloseHandle(process_);
    }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    explicit operator bool() const { return address_ != nullptr; }
    char* at(size_t offset = 0) const { return address_ + offset; }
    bool Put(size_t offset, const void* data, size_t size) const {
        return WriteProcessMemory(process_, address_ + offset, data, size, nullptr) != FALSE;
    }
    bool Get(size_t offset, void* data, size_t size) const {
        return ReadProcessMemory(process_, address_ + offset, data, size, nullptr) != FALSE;
    }

private:
    HANDLE process_ = nullptr;
    char* address_ = nullptr;
};

// The middle of row's label in list's client coordinates.
bool RowPoint(HWND list, int row, LPARAM& at) {
    RECT r{};
    if (!ListRowLabelRect(list, row, r)) return false;
    at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

BOOL CALLBACK FindTreeView(HWND window, LPARAM param) {
    if (ClassOf(window) != "SysTreeView32") return TRUE;
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
}

// The text of the selected item of a tree view of another process; empty when none.
std::string SelectedTreeText(HWND tree) {
    const auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (!selected) return {};
    const size_t textSize = kRemoteTextSize;
    RemoteBlock remote(tree, sizeof(TVITEMA) + textSize);
    if (!remote) return {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = selected;
    item.pszText = remote.at(sizeof(TVITEMA));
    item.cchTextMax = static_cast<int>(textSize);
    std::string text(textSize, '\0');
    if (!remote.Put(0, &item, sizeof item) ||
        !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at())) ||
        !remote.Get(sizeof(TVITEMA), text.data(), textSize))
        return {};
    text.resize(std::strlen(text.c_str()));
    return text;
}

}  // namespace

std::string ProgramFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string file = path;
    return file.substr(0, file.find_last_of('\\'));
}

std::vector<HWND> FindTopWindows(const WindowQuery& query) {
    FindState state{&query, {}};
    EnumWindows(&CollectTop, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND WaitForTopWindow(const WindowQuery& query, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<HWND> found = FindTopWindows(query);
        if (!found.empty()) return found.front();
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(20);
    }
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    const int n = GetClassNameA(window, name, sizeof name);
    return std::string(name, n > 0 ? n : 0);
}

std::string TextOf(HWND window) {
    // WM_GETTEXT is carried across processes for us.
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
    const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::string TitleOf(HWND window) {
    // GetWindowText sends WM_GETTEXT only to this process's windows; another
    // process's caption is read as the system keeps it.
    std::string title(256, '\0');
    for (;;) {
        const int got = GetWindowTextA(window, title.data(), static_cast<int>(title.size()));
        if (got < static_cast<int>(title.size()) - 1) {
            title.resize(static_cast<size_t>(got > 0 ? got : 0));
            return title;
        }
        title.resize(title.size() * 2);
    }
}

std::optional<MessageBoxSeen> WaitForMessageBox(const std::string& title, DWORD pid, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    WindowQuery q;
    q.windowClass = "#32770";
    q.title = title;
    q.pid = pid;
    for (;;) {
        for (HWND box : FindTopWindows(q)) {
            HWND text = GetDlgItem(box, 0xFFFF);
            if (!text) continue;
            return MessageBoxSeen{box, TitleOf(box), TextOf(text)};
        }
        if (GetTickCount() - start >= timeoutMs) return std::nullopt;
        Sleep(20);
    }
}

bool AnswerMessageBox(HWND box, int button) {
    if (!PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0)) return false;
    // Until its program has handled the answer the box is still there, and a
    // look for the program's next box would find this one again.
    const DWORD start = GetTickCount();
    while (IsWindow(box) && IsWindowVisible(box)) {
        if (GetTickCount() - start > 60000) return false;
        Sleep(10);
    }
    return true;
}

HWND FindChild(HWND parent, int id) {
    ChildState state{id};
    EnumChildWindows(parent, &FindById, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

HWND FindChildOfClass(HWND parent, const std::string& windowClass) {
    ClassState state{&windowClass};
    EnumChildWindows(parent, &FindByClass, reinterpret_cast<LPARAM>(&state));
    return state.found;
}

bool Click(HWND child) {
    RECT r;
    if (!GetClientRect(child, &r)) return false;
    const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    return PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(child, WM_LBUTTONUP, 0, at);
}

std::vector<std::string> ListViewTexts(HWND list, int column) {
    std::vector<std::string> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    // The item and its text buffer must live in the list's own process.
    RemoteBlock remote(list, sizeof(LVITEMA) + kRemoteTextSize);
    for (int i = 0; remote.at() && i < count; ++i) {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = remote.at() + sizeof(LVITEMA);
        item.cchTextMax = static_cast<int>(kRemoteTextSize);
        remote.Put(0, &item, sizeof item);
        const auto length =
            SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote.at()));
        std::string text(kRemoteTextSize, '\0');
        remote.Get(sizeof(LVITEMA), text.data(), kRemoteTextSize);
        text.resize(static_cast<size_t>(length > 0 ? length : 0));
        rows.push_back(text);
    }
    return rows;
}

bool ListRowLabelRect(HWND list, int row, RECT& rect) {
    if (row < 0 || row >= static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) return false;
    RemoteBlock remote(list, sizeof(RECT));
    if (!remote) return false;
    RECT r{};
    r.left = LVIR_LABEL;
    if (!remote.Put(0, &r, sizeof r) ||
        !SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.at())) ||
        !remote.Get(0, &r, sizeof r))
        return false;
    rect = r;
    return true;
}

bool ClickListRow(HWND list, int row, bool addToSelection) {
    LPARAM at = 0;
    if (!RowPoint(list, row, at)) return false;
    const WPARAM keys = addToSelection ? MK_CONTROL : 0;
    return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at) && PostMessageA(list, WM_LBUTTONUP, keys, at);
}

bool SelectAllListRows(HWND list) {
    RemoteBlock remote(list, sizeof(LVITEMA));
    if (!remote) return false;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    return remote.Put(0, &item, sizeof item) &&
           SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote.at())) != 0;
}

bool DoubleClickListRow(HWND list, int row) {
    LPARAM at = 0;
    if (!RowPoint(list, row, at)) return false;
    return PostMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(list, WM_LBUTTONUP, 0, at) &&
           PostMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at) && PostMessageA(list, WM_LBUTTONUP, 0, at);
}

bool ChooseFolder(HWND picker, const std::string& folder) {
    // A selection sent while the picker still fills its tree is lost: select
    // until the tree shows the folder, then confirm.
    const std::string leaf = folder.substr(folder.find_last_of('\\') + 1);
    RemoteBlock path(picker, folder.size() + 1);
    if (!path || !path.Put(0, folder.c_str(), folder.size() + 1)) return false;
    const DWORD start = GetTickCount();
    do {
        HWND tree = nullptr;
        EnumChildWindows(picker, &FindTreeView, reinterpret_cast<LPARAM>(&tree));
        if (tree && SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)) {
            SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(path.at()));
            if (lstrcmpiA(SelectedTreeText(tree).c_str(), leaf.c_str()) == 0)
                return PostMessageA(picker, WM_COMMAND, IDOK, 0) != FALSE;
        }
        Sleep(50);
    } while (GetTickCount() - start < 30000);
    PostMessageA(picker, WM_COMMAND, IDCANCEL, 0);
    return false;
}

std::vector<TreeNode> TreeViewNodes(HWND tree) {
    std::vector<TreeNode> nodes;
    RemoteBlock remote(tree, sizeof(TVITEMA) + kRemoteTextSize);
    if (!remote.at()) return nodes;
    auto next = [&](HTREEITEM from, UINT how) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(tree, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
    };
    // Depth first, a stack of the nodes still to visit; a node's children
    // come right after it.
    std::vector<std::pair<HTREEITEM, int>> pending;
    for (HTREEITEM root = next(nullptr, TVGN_ROOT); root; root = next(root, TVGN_NEXT)) pending.emplace_back(root, 0);
    std::reverse(pending.begin(), pending.end());
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        TVITEMA item{};
        item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_PARAM | TVIF_HANDLE;
        item.hItem = node;
        item.pszText = remote.at() + sizeof(TVITEMA);
        item.cchTextMax = static_cast<int>(kRemoteTextSize);
        remote.Put(0, &item, sizeof item);
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote.at()));
        remote.Get(0, &item, sizeof item);
        std::string text(kRemoteTextSize, '\0');
        remote.Get(sizeof(TVITEMA), text.data(), kRemoteTextSize);
        text.resize(std::strlen(text.c_str()));
        nodes.push_back({text, depth, item.iImage, item.lParam});
        std::vector<std::pair<HTREEITEM, int>> children;
        for (HTREEITEM child = next(node, TVGN_CHILD); child; child = next(child, TVGN_NEXT))
            children.emplace_back(child, depth + 1);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return nodes;
}

bool TypeText(HWND edit, const std::string& text) {
    return SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) != FALSE;
}

bool AskToClose(HWND window) { return PostMessageA(window, WM_CLOSE, 0, 0) != FALSE; }

bool CaptureWindow(HWND window, std::vector<uint32_t>& pixels, int& width, int& height) {
    RECT r;
    if (!GetWindowRect(window, &r)) return false;
    width = r.right - r.left;
    height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY) != FALSE;
        GdiFlush();
        if (ok) pixels.assign(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + width * height);
        SelectObject(memory, old);
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

bool WritePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return false;
    std::string raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * width));
    for (int y = 0; y < height; ++y) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            raw += static_cast<char>((p >> 16) & 0xFF);
            raw += static_cast<char>((p >> 8) & 0xFF);
            raw += static_cast<char>(p & 0xFF);
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                 static_cast<uLong>(raw.size())) != Z_OK)
        return false;
    packed.resize(packedSize);
    std::string header;
    PutBe32(header, static_cast<uint32_t>(width));
    PutBe32(header, static_cast<uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, deflate, no filter, no interlace
    std::string png = "\x89PNG\r\n\x1a\n";
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", "");
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), f) == png.size();
    return std::fclose(f) == 0 && ok;
}

bool SaveWindowPng(HWND window, const std::string& path) {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    return CaptureWindow(window, pixels, width, height) && WritePng(path, pixels, width, height);
}

}  // namespace kb::uidriver
