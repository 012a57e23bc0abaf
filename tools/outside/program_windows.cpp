#include "tools/outside/program_windows.h"

#include <commctrl.h>

#include <vector>

#include "resources/resource.h"

namespace {

// A piece of the program's memory for the answer of a message.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (address_)
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    LPARAM At(SIZE_T offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
    bool Write(SIZE_T offset, const void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }
    bool Read(SIZE_T offset, void* data, SIZE_T size) const
    {
        SIZE_T done = 0;
        return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + offset, data, size, &done) &&
               done == size;
    }

private:
    HANDLE process_;
    void* address_;
};

struct Search {
    const std::function<bool(HWND)>* is;
    std::vector<HWND> found;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    if (IsWindowVisible(window) && (*search->is)(window))
        search->found.push_back(window);
    return TRUE;
}

bool HasChild(HWND window, int id)
{
    return GetDlgItem(window, id) != nullptr;
}

// The program's own dialogs: Settings, About, the progress window.
bool IsProgramDialog(HWND window)
{
    return HasChild(window, IDC_REMOVE_DUPLICATES) || HasChild(window, IDC_ABOUT_NAME) ||
           HasChild(window, IDC_PROGRESS_BAR);
}

bool IsDialogClass(HWND window)
{
    return ClassOf(window) == L"#32770";
}

// Sends the control a message that fills in a structure, given `data` as its
// input; the structure is put in the program's memory and read back.
template <typename Data>
bool Ask(HANDLE process, HWND control, UINT message, WPARAM wParam, Data* data)
{
    RemoteMemory memory(process, sizeof *data);
    return memory.Write(0, data, sizeof *data) && SendMessageW(control, message, wParam, memory.At()) &&
           memory.Read(0, data, sizeof *data);
}

// A control's rectangle from a message that fills one in (its input given in
// `r`), on the screen.
bool RectOnScreen(HANDLE process, HWND control, UINT message, WPARAM wParam, RECT r, RECT* onScreen)
{
    if (!Ask(process, control, message, wParam, &r))
        return false;
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
    *onScreen = r;
    return true;
}

}  // namespace

std::vector<HWND> VisibleTopLevels(const std::function<bool(HWND)>& is)
{
    Search search = { &is, {} };
    EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindTopLevel(DWORD process, const std::function<bool(HWND)>& is)
{
    const std::vector<HWND> found = VisibleTopLevels([&](HWND window) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        return owner == process && is(window);
    });
    return found.empty() ? nullptr : found.front();
}

HWND OpenMessageBox(DWORD process)
{
    return FindTopLevel(process, [](HWND window) {
        return IsDialogClass(window) && !IsProgramDialog(window) &&
               (HasChild(window, IDOK) || HasChild(window, IDYES));
    });
}

HWND OpenSettingsDialog(DWORD process)
{
    return FindTopLevel(process, [](HWND window) {
        return IsDialogClass(window) && HasChild(window, IDC_REMOVE_DUPLICATES) &&
               HasChild(window, IDC_REMOVE_SCRIPT);
    });
}

HWND OpenPopupMenu(DWORD process)
{
    return FindTopLevel(process, [](HWND window) { return ClassOf(window) == L"#32768"; });
}

HWND MenuBarOf(DWORD process, HWND mainWindow)
{
    return FindTopLevel(process, [mainWindow](HWND window) {
        return ClassOf(window) == L"menu_worker" && GetWindow(window, GW_OWNER) == mainWindow;
    });
}

std::wstring TextOf(HWND window)
{
    WCHAR text[1024] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

std::wstring ClassOf(HWND window)
{
    WCHAR name[64] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

std::wstring MessageBoxText(HWND box)
{
    std::wstring message;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (lstrcmpiW(ClassOf(child).c_str(), L"Static") != 0 ||
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            continue;
        const std::wstring text = TextOf(child);
        if (text.size() > message.size())
            message = text;
    }
    return message;
}

std::string Narrow(const std::wstring& text)
{
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

RECT ScreenRectOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

POINT CentreOf(const RECT& r)
{
    return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
}

bool Responds(HWND window, DWORD milliseconds)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, milliseconds, &result) != 0;
}

bool WaitUntil(const std::function<bool()>& done, DWORD milliseconds, const std::function<void(DWORD)>& pause)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= milliseconds)
            return false;
        pause(10);
    }
    return true;
}

OutsideList::OutsideList(HANDLE process, HWND list) : process_(process), list_(list) {}

int OutsideList::Count() const
{
    return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
}

int OutsideList::SelectionMark() const
{
    return static_cast<int>(SendMessageW(list_, LVM_GETSELECTIONMARK, 0, 0));
}

bool OutsideList::RowOnScreen(int row, RECT* rect) const
{
    return RectOnScreen(process_, list_, LVM_GETITEMRECT, row, RECT{ LVIR_BOUNDS, 0, 0, 0 }, rect);
}

RECT OutsideList::RowArea() const
{
    RECT area = {};
    GetClientRect(list_, &area);
    MapWindowPoints(list_, nullptr, reinterpret_cast<POINT*>(&area), 2);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    if (header && IsWindowVisible(header))
        area.top = ScreenRectOf(header).bottom;
    return area;
}

std::wstring OutsideList::Cell(int row, int column) const
{
    constexpr int Capacity = 256;
    RemoteMemory memory(process_, sizeof(LVITEMW) + Capacity * sizeof(WCHAR));
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<LPWSTR>(memory.At(sizeof(LVITEMW)));
    item.cchTextMax = Capacity;
    std::vector<WCHAR> text(Capacity + 1, 0);
    if (!memory.Write(0, &item, sizeof item))
        return L"(unreadable)";
    SendMessageW(list_, LVM_GETITEMTEXTW, row, memory.At());
    if (!memory.Read(sizeof(LVITEMW), text.data(), Capacity * sizeof(WCHAR)))
        return L"(unreadable)";
    return text.data();
}

LPARAM OutsideList::ItemData(int row) const
{
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return Ask(process_, list_, LVM_GETITEMW, 0, &item) ? item.lParam : 0;
}

int MenuBarButtonCount(HWND bar)
{
    return static_cast<int>(SendMessageW(bar, TB_BUTTONCOUNT, 0, 0));
}

bool MenuBarButtonOnScreen(HANDLE process, HWND bar, int index, RECT* rect)
{
    return RectOnScreen(process, bar, TB_GETITEMRECT, index, RECT{}, rect);
}
