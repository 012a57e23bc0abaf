#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "settings/settings_store.h"
#include "tests/support/device_names.h"
#include "tests/support/main_window_fixture.h"
#include "tests/support/test_device.h"

namespace {

void PutValue(const wchar_t* name, DWORD type, const std::vector<BYTE>& data)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    RegCloseKey(key);
}

std::vector<BYTE> DwordBytes(DWORD value)
{
    return { LOBYTE(LOWORD(value)), HIBYTE(LOWORD(value)), LOBYTE(HIWORD(value)), HIBYTE(HIWORD(value)) };
}

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const StoredValue& other) const { return type == other.type && data == other.data; }
};

StoredValue ValueInRegistry(const wchar_t* name)
{
    StoredValue stored;
    HKEY key;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return stored;
    BYTE data[64];
    DWORD size = sizeof data;
    if (RegQueryValueExW(key, name, nullptr, &stored.type, data, &size) == ERROR_SUCCESS)
        stored.data.assign(data, data + size);
    RegCloseKey(key);
    return stored;
}

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStoreTest() { DeleteSettingsKey(); }
    TestDevice device;
};

TEST_F(SettingsStoreTest, ReadTakesAnyValueOfAtMostFourBytesWhateverItsType)
{
    constexpr DWORD Untouched = 7;
    const struct {
        const char* what;
        DWORD type;
        std::vector<BYTE> data;
        DWORD expected;
    } cases[] = {
        { "DWORD 1", REG_DWORD, DwordBytes(1), 1 },
        { "DWORD 2", REG_DWORD, DwordBytes(2), 2 },
        { "DWORD all ones", REG_DWORD, DwordBytes(0xFFFFFFFF), 0xFFFFFFFF },
        { "one-byte binary 1", REG_BINARY, { 1 }, 1 },
        { "string \"1\" (4 bytes)", REG_SZ, { '1', 0, 0, 0 }, 49 },
        { "five bytes", REG_BINARY, { 1, 0, 0, 0, 0 }, Untouched },
        { "string \"12\" (6 bytes)", REG_SZ, { '1', 0, '2', 0, 0, 0 }, Untouched },
    };
    for (const auto& c : cases) {
        PutValue(L"script", c.type, c.data);
        DWORD option = Untouched;
        ReadSettingValue(L"script", &option);
        EXPECT_EQ(option, c.expected) << c.what;
    }
    DWORD option = Untouched;
    ReadSettingValue(L"duplicates", &option);
    EXPECT_EQ(option, Untouched) << "missing value";
}

TEST_F(SettingsStoreTest, WithoutTheKeyNothingIsReadWrittenOrCreated)
{
    DWORD option = 5;
    ReadSettingValue(L"duplicates", &option);
    WriteSettingValue(L"duplicates", 1);
    EXPECT_EQ(option, 5u);
    EXPECT_FALSE(SettingsKeyExists());
}

TEST_F(SettingsStoreTest, CreatingTheKeyKeepsWhatIsInIt)
{
    CreateSettingsKey();
    EXPECT_TRUE(SettingsKeyExists());
    PutValue(L"duplicates", REG_DWORD, DwordBytes(1));
    CreateSettingsKey();
    EXPECT_EQ(ValueInRegistry(L"duplicates"), (StoredValue{ REG_DWORD, DwordBytes(1) }));
}

TEST_F(SettingsStoreTest, WriteStoresAFourByteDword)
{
    CreateSettingsKey();
    PutValue(L"script", REG_SZ, { '1', 0, 0, 0 });
    WriteSettingValue(L"script", 1);
    WriteSettingValue(L"duplicates", 0);
    EXPECT_EQ(ValueInRegistry(L"script"), (StoredValue{ REG_DWORD, DwordBytes(1) }));
    EXPECT_EQ(ValueInRegistry(L"duplicates"), (StoredValue{ REG_DWORD, DwordBytes(0) }));
}

// reg.exe, a process of its own, reads and writes the same registry.
std::string RunReg(const std::wstring& arguments)
{
    SECURITY_ATTRIBUTES inherit = { sizeof inherit, nullptr, TRUE };
    HANDLE readEnd, writeEnd;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return {};
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::wstring line = L"reg.exe " + arguments;
    std::vector<WCHAR> mutableLine(line.begin(), line.end());
    mutableLine.push_back(0);
    const BOOL started = CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    std::string output;
    if (started) {
        char chunk[512];
        DWORD got;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            output.append(chunk, got);
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    return output;
}

TEST_F(SettingsStoreTest, AnotherProcessSeesWhatIsWrittenAndIsSeen)
{
    CreateSettingsKey();
    WriteSettingValue(L"duplicates", 1);
    WriteSettingValue(L"script", 0);
    const std::wstring key = std::wstring(L"HKCR\\") + SettingsKey;
    const std::string listed = RunReg(L"query " + key);
    EXPECT_NE(listed.find("duplicates    REG_DWORD    0x1"), std::string::npos) << listed;
    EXPECT_NE(listed.find("script    REG_DWORD    0x0"), std::string::npos) << listed;

    RunReg(L"add " + key + L" /v script /t REG_DWORD /d 1 /f");
    DWORD script = 0;
    ReadSettingValue(L"script", &script);
    EXPECT_EQ(script, 1u);
}

class StartUpOptionsTest : public MainWindowTest {
protected:
    HWND Start()
    {
        device.Add(TestEntry{});
        return CreateMain();
    }
};

TEST_F(StartUpOptionsTest, FirstStartCreatesTheKeyWithBothOptionsOff)
{
    ASSERT_FALSE(SettingsKeyExists());
    ASSERT_NE(Start(), nullptr);
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_EQ(RemoveDuplicates, 0u);
    EXPECT_EQ(RemoveScriptEvents, 0u);
    EXPECT_EQ(ValueInRegistry(L"duplicates").type, static_cast<DWORD>(REG_NONE)) << "a value was written";
}

TEST_F(StartUpOptionsTest, StartUpReadsBothValuesAsTheyAre)
{
    PutValue(L"duplicates", REG_DWORD, DwordBytes(1));
    PutValue(L"script", REG_DWORD, DwordBytes(2));
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(RemoveDuplicates, 1u);
    EXPECT_EQ(RemoveScriptEvents, 2u) << "2 stays 2 in memory";
}

}  // namespace
