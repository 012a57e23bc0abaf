// The import slots (platform/import_slots.cpp) in effect: this program's
// calls of the four functions land in the desktop layer linked into it, not
// in user32, and CallWindowProcW keeps both of its ways.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

namespace {

HMODULE ModuleOf(const void* address)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(address), &module);
    return module;
}

std::string NameOf(HMODULE module)
{
    char name[MAX_PATH] = "(none)";
    if (module)
        GetModuleFileNameA(module, name, MAX_PATH);
    return name;
}

// Taking a user32 function's address reads its import slot: the function
// that every call of it in this program reaches.
template <typename Function>
const void* Reached(Function* function)
{
    return reinterpret_cast<const void*>(function);
}

TEST(ImportSlots, EveryCallOfTheFourFunctionsReachesTheDesktopLayer)
{
    const struct {
        const char* name;
        const void* reached;
    } slots[] = {
        { "CreateWindowExW", Reached(&CreateWindowExW) },
        { "SetForegroundWindow", Reached(&SetForegroundWindow) },
        { "CallWindowProcW", Reached(&CallWindowProcW) },
        { "MessageBoxW", Reached(&MessageBoxW) },
    };
    const HMODULE self = GetModuleHandleW(nullptr);
    for (const auto& slot : slots) {
        EXPECT_EQ(ModuleOf(slot.reached), self)
            << slot.name << " reaches " << NameOf(ModuleOf(slot.reached))
            << ": the desktop layer's slot is not in effect (is it linked after user32?)";
    }
}

// Who called a procedure: its return address, and the text WM_SETTEXT gave it.
const void* Caller = nullptr;
std::string AnsiText;

LRESULT CALLBACK PlainProcedure(HWND, UINT, WPARAM, LPARAM)
{
    Caller = __builtin_return_address(0);
    return 42;
}

LRESULT CALLBACK AnsiProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        Caller = __builtin_return_address(0);
        AnsiText = reinterpret_cast<const char*>(lParam);
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

class CallWindowProcTest : public ::testing::Test {
protected:
    CallWindowProcTest()
    {
        Caller = nullptr;
        AnsiText.clear();
        static const bool registered = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = AnsiProcedure;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = "ImportSlotsAnsiWindow";
            return RegisterClassA(&wc) != 0;
        }();
        EXPECT_TRUE(registered);
        window = CreateWindowExA(0, "ImportSlotsAnsiWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~CallWindowProcTest() override { DestroyWindow(window); }

    HWND window = nullptr;
};

// The way that spares the duplicate marking Wine's detour.
TEST_F(CallWindowProcTest, APlainProcedureIsCalledDirectly)
{
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CallWindowProcW(PlainProcedure, window, WM_USER, 1, 2), 42);
    EXPECT_EQ(ModuleOf(Caller), GetModuleHandleW(nullptr))
        << "the procedure was called from " << NameOf(ModuleOf(Caller));
}

// An ANSI procedure read through the W function is a Wine procedure handle,
// not an address: only user32 can call it, converting the message.
TEST_F(CallWindowProcTest, AProcedureHandleGoesThroughUser32WhichConvertsTheMessage)
{
    ASSERT_NE(window, nullptr);
    const auto handle = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    ASSERT_EQ(HIWORD(reinterpret_cast<ULONG_PTR>(handle)), 0xFFFF) << "not a procedure handle";
    EXPECT_EQ(CallWindowProcW(handle, window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Tallyvane")), TRUE);
    EXPECT_EQ(AnsiText, "Tallyvane");
    EXPECT_NE(ModuleOf(Caller), GetModuleHandleW(nullptr)) << "the procedure was called directly";
}

}  // namespace
