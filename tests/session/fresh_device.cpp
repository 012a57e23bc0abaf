#include "tests/session/fresh_device.h"

#include <cstdio>

#include "base/unique_handles.h"
#include "platform/store/notify_store.h"
#include "tests/support/device_names.h"
#include "tests/support/test_device.h"

namespace {

constexpr size_t TextCapacity = 80;

UniqueKey OpenSettingsKey(REGSAM access)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, SettingsKey, 0, access, &key) != ERROR_SUCCESS)
        return nullptr;
    return UniqueKey(key);
}

std::optional<long long> ReadOption(HKEY key, const WCHAR* name)
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD value = 0;
    if (type != REG_DWORD || size != sizeof value)
        return -1;
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return value;
}

std::wstring Bounded(const std::optional<std::wstring>& text, const wchar_t* fallback)
{
    return (text ? *text : std::wstring(fallback)).substr(0, TextCapacity - 1);
}

std::wstring FileNameOf(const std::wstring& path)
{
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

SavedOptions ReadOptionsFromRegistry()
{
    SavedOptions options;
    UniqueKey key = OpenSettingsKey(KEY_QUERY_VALUE);
    if (!key)
        return options;
    options.keyExists = true;
    options.duplicates = ReadOption(key.get(), L"duplicates");
    options.script = ReadOption(key.get(), L"script");
    return options;
}

std::wstring FreshDevice::StorePath()
{
    return NotifyStorePath();
}

FreshDevice::SavedFile FreshDevice::Save(const std::wstring& path)
{
    SavedFile saved;
    saved.existed = GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (saved.existed)
        saved.bytes = ReadFileBytes(path);
    return saved;
}

void FreshDevice::Restore(const std::wstring& path, const SavedFile& saved)
{
    DeleteFileW(path.c_str());
    if (!saved.existed)
        return;
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return;
    fwrite(saved.bytes.data(), 1, saved.bytes.size(), file);
    fclose(file);
}

FreshDevice::FreshDevice()
{
    WCHAR variable[MAX_PATH] = {};
    if (GetEnvironmentVariableW(StoreVariable, variable, MAX_PATH) > 0)
        storeVariable_ = variable;
    SetEnvironmentVariableW(StoreVariable, nullptr);
    NotifyStoreUsePath(L"");

    store_ = Save(StorePath());
    DeleteFileW(StorePath().c_str());
    log_ = Save(LogPath());
    DeleteFileW(LogPath().c_str());

    if (UniqueKey key = OpenSettingsKey(KEY_QUERY_VALUE)) {
        hadKey_ = true;
        for (DWORD i = 0;; ++i) {
            WCHAR name[256];
            DWORD nameLength = ARRAYSIZE(name);
            BYTE data[1024];
            DWORD size = sizeof data;
            DWORD type = 0;
            if (RegEnumValueW(key.get(), i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
                break;
            settingValues_.push_back({ name, type, std::vector<BYTE>(data, data + size) });
        }
    }
    DeleteSettingsKey();
}

FreshDevice::~FreshDevice()
{
    Restore(StorePath(), store_);
    Restore(LogPath(), log_);
    DeleteSettingsKey();
    HKEY key = nullptr;
    if (hadKey_ && RegCreateKeyExW(HKEY_CLASSES_ROOT, SettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                   nullptr) == ERROR_SUCCESS) {
        UniqueKey closer(key);
        for (const SavedValue& value : settingValues_)
            RegSetValueExW(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
    }
    SetEnvironmentVariableW(StoreVariable, storeVariable_ ? storeVariable_->c_str() : nullptr);
    NotifyStoreUsePath(L"");
}

bool StoreEntries(std::vector<StoredNotification>* entries)
{
    StoreContents contents;
    if (!NotifyStoreSnapshot(&contents)) {
        entries->clear();
        return false;
    }
    *entries = std::move(contents.entries);
    return true;
}

EntryView ViewOf(const StoredNotification& entry)
{
    EntryView view;
    if (entry.hasTrigger) {
        view.application = entry.application ? FileNameOf(*entry.application) : L"NULL";
        view.application = view.application.substr(0, TextCapacity - 1);
        view.type = entry.type;
        view.event = static_cast<long>(entry.event);
        view.arguments = Bounded(entry.arguments, L"(none)");
    } else {
        view.arguments = L"(none)";
    }
    view.hasDialog = entry.hasUser && (entry.actionFlags & PUN_DIALOG);
    if (view.hasDialog) {
        view.title = Bounded(entry.title, L"(No Title)");
        view.text = Bounded(entry.text, L"(No Text)");
    }
    return view;
}
