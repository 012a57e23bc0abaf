// The test device made into a user's fresh one for the session, and put back
// afterwards: the store at the device's own place (C:\Windows), no settings
// key, no log file in the device's root. The other test programs share this
// device, so whatever was there before comes back when the session ends.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/store/notify_store.h"

// The two options as the registry holds them: nullopt for a missing value,
// a REG_DWORD's number, or -1 for a value of another type or size.
struct SavedOptions {
    bool keyExists = false;
    std::optional<long long> duplicates;
    std::optional<long long> script;
};
SavedOptions ReadOptionsFromRegistry();

class FreshDevice {
public:
    FreshDevice();    // saves what is there and clears it away
    ~FreshDevice();   // puts it all back
    FreshDevice(const FreshDevice&) = delete;
    FreshDevice& operator=(const FreshDevice&) = delete;

    static std::wstring Root() { return L"C:\\"; }
    static std::wstring LogPath() { return L"C:\\notify_logfile.txt"; }
    static std::wstring StorePath();

private:
    struct SavedFile {
        bool existed = false;
        std::string bytes;
    };
    static SavedFile Save(const std::wstring& path);
    static void Restore(const std::wstring& path, const SavedFile& saved);

    std::optional<std::wstring> storeVariable_;   // TALLYVANE_STORE of this process
    SavedFile store_;
    SavedFile log_;
    bool hadKey_ = false;
    struct SavedValue {
        std::wstring name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<SavedValue> settingValues_;
};

// The store's entries now, in listing order (empty and false when it cannot be read).
bool StoreEntries(std::vector<StoredNotification>* entries);

// An entry as the program shows and compares it: the application's file name
// ("NULL" without one, "" without a trigger), the codes, the dialog's texts
// when it has a dialog, the arguments ("(none)" without); texts keep at most
// 79 characters, as the program reads them.
struct EntryView {
    std::wstring application;
    DWORD type = 0;
    long event = -1;
    bool hasDialog = false;
    std::wstring title;
    std::wstring text;
    std::wstring arguments;
};
EntryView ViewOf(const StoredNotification& entry);
