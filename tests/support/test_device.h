// A fresh device for one test: its own store file and working folder (the
// device's root for the log file), and every piece of the program's
// process-wide state back at its start value. The settings key is shared:
// tests that use it delete it themselves (and lock it, see CMakeLists.txt).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/store/notify_store.h"

// One entry to register in the store. The defaults give an inactive event entry
// for \Windows\clock.exe without a user-notification part.
struct TestEntry : StoredNotification {
    TestEntry();
    // A dialog entry (PUN_DIALOG) with the given title and text.
    static TestEntry Dialog(std::wstring application, std::wstring title, std::wstring text);
};

// A default entry for the program at this path.
TestEntry App(std::wstring path);

class TestDevice {
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    const std::wstring& Folder() const { return folder_; }   // the device's root for this test
    const std::wstring& StorePath() const { return store_; }
    std::wstring LogPath() const;                             // notify_logfile.txt in Folder()

    HANDLE Add(const TestEntry& entry);   // fails the test (and returns null) if the store refuses
    // count event entries \Windows\alarm0.exe, alarm1.exe, ... in one store
    // write, where separate additions would rewrite the store once each. Fails
    // the test (and returns no handles) if the store refuses.
    std::vector<HANDLE> AddAlarms(int count);
    std::vector<HANDLE> Handles() const;  // every handle, in listing order
    size_t Count() const { return Handles().size(); }
    // The application paths of all entries, in listing order ("(null)" for none).
    std::vector<std::wstring> Applications() const;

private:
    std::wstring folder_;
    std::wstring store_;
    WCHAR previousFolder_[MAX_PATH] = {};
};

// Removes HKEY_CLASSES_ROOT\Mossgrove\Tallyvane (and Mossgrove when empty).
void DeleteSettingsKey();
bool SettingsKeyExists();

// Dispatches every message waiting for this thread.
void PumpMessages();
// Pumps messages for about this many milliseconds.
void PumpMessagesFor(DWORD milliseconds);
// Pumps this thread's messages until the condition holds; false after the timeout.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 10000);

// Reads a whole file as bytes (empty when it does not exist).
std::string ReadFileBytes(const std::wstring& path);
