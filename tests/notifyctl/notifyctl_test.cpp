// notifyctl's commands, run as their own process on the test's store, checked
// through the store's calls and the record reader as the program sees them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>

#include "notify/notification_record.h"
#include "platform/store/notify_store.h"
#include "tests/support/message_boxes.h"
#include "tests/support/notifyctl_run.h"
#include "tests/support/test_device.h"

namespace {
NotificationRecord Record(HANDLE h)
{
    NotificationRecord record = {};
    EXPECT_EQ(ReadNotificationRecord(h, &record), ReadOk);
    return record;
}

const CE_NOTIFICATION_INFO_HEADER* Raw(HANDLE h, std::vector<DWORD>* buffer)
{
    DWORD size = 0;
    CeGetUserNotification(h, 0, &size, nullptr);
    buffer->assign(size / 4 + 1, 0);
    EXPECT_TRUE(CeGetUserNotification(h, size, &size, reinterpret_cast<LPBYTE>(buffer->data())));
    return reinterpret_cast<const CE_NOTIFICATION_INFO_HEADER*>(buffer->data());
}

// "YYYY-MM-DD HH:MM:SS" of an entry's stored start time.
std::string StartTime(HANDLE h)
{
    std::vector<DWORD> buffer;
    const SYSTEMTIME& t = Raw(h, &buffer)->pcent->stStartTime;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return text;
}

// The seven texts a row of the program's list shows, as one key.
std::wstring RowKey(const NotificationRecord& r)
{
    return std::to_wstring(r.notifyType) + L"|" + std::to_wstring(r.eventType) + L"|" + r.application +
           L"|" + r.arguments + L"|" + std::to_wstring(r.hasDialog) + L"|" + r.dialogTitle + L"|" +
           r.dialogText;
}

ToolResult Tool(const TestDevice& device, const std::vector<std::wstring>& arguments,
               const std::string& input = "")
{
    return RunNotifyctl(device.StorePath(), arguments, input);
}

HANDLE OnlyHandle(const TestDevice& device)
{
    std::vector<HANDLE> handles = device.Handles();
    EXPECT_EQ(handles.size(), 1u);
    return handles.empty() ? nullptr : handles.back();
}
}  // namespace

TEST(Notifyctl, AddTakesTextsExactlyAsGiven)
{
    TestDevice device;
    const std::wstring application = L"\\Program Files\\My \"Tool\"\\run.exe\\";
    const std::wstring arguments = L"-x \"a b\" C:\\path\\ \\\\server\\share";
    const std::wstring title = L"Caf\u00E9 \U0001F600";
    const std::wstring text = L"line one\nline two\ttabbed\\";
    ToolResult added = Tool(device, { L"add", L"--app", application, L"--args", arguments, L"--type",
                                     L"period", L"--event=NOTIFICATION_EVENT_TZ_CHANGE", L"--status", L"1",
                                     L"--dialog", L"--flags", L"sound|led", L"--title", title, L"--text",
                                     text, L"--sound", L"", L"--start", L"2024-03-05 08:30",
                                     L"--end", L"2024-03-07T17:15:30" });
    ASSERT_EQ(added.exitCode, 0u) << added.err;
    HANDLE h = OnlyHandle(device);
    EXPECT_EQ(added.out, std::to_string(HandleNumber(h)) + "\n");

    std::vector<DWORD> buffer;
    const CE_NOTIFICATION_INFO_HEADER* header = Raw(h, &buffer);
    EXPECT_EQ(header->dwStatus, 1u);
    ASSERT_NE(header->pcent, nullptr);
    EXPECT_EQ(header->pcent->dwType, static_cast<DWORD>(CNT_PERIOD));
    EXPECT_EQ(header->pcent->dwEvent, static_cast<DWORD>(NOTIFICATION_EVENT_TZ_CHANGE));
    EXPECT_EQ(std::wstring(header->pcent->lpszApplication), application);
    EXPECT_EQ(std::wstring(header->pcent->lpszArguments), arguments);
    const SYSTEMTIME& start = header->pcent->stStartTime;
    const SYSTEMTIME& end = header->pcent->stEndTime;
    EXPECT_EQ(start.wYear * 10000 + start.wMonth * 100 + start.wDay, 20240305);
    EXPECT_EQ(start.wHour * 100 + start.wMinute, 830);
    EXPECT_EQ(start.wDayOfWeek, 2) << "a Tuesday";
    EXPECT_EQ(end.wDay * 10000 + end.wHour * 100 + end.wMinute, 71715);
    EXPECT_EQ(end.wSecond, 30);
    ASSERT_NE(header->pceun, nullptr);
    EXPECT_EQ(header->pceun->ActionFlags, static_cast<DWORD>(PUN_DIALOG | PUN_SOUND | PUN_LED));
    EXPECT_EQ(std::wstring(header->pceun->pwszDialogTitle), title);
    EXPECT_EQ(std::wstring(header->pceun->pwszDialogText), text);
    EXPECT_EQ(std::wstring(header->pceun->pwszSound), L"");
    EXPECT_NE(Tool(device, { L"list" }).out.find("\t2024-03-05 08:30:00\t2024-03-07 17:15:30\n"),
              std::string::npos);
}

TEST(Notifyctl, AddDefaultsAndTheShapesWithoutParts)
{
    TestDevice device;
    ASSERT_EQ(Tool(device, { L"add" }).exitCode, 0u);
    ASSERT_EQ(Tool(device, { L"add", L"--no-app", L"--event", L"wakeup" }).exitCode, 0u);
    ASSERT_EQ(Tool(device, { L"add", L"--no-trigger", L"--title", L"Backup" }).exitCode, 0u);
    ASSERT_EQ(Tool(device, { L"add", L"--dialog" }).exitCode, 0u);
    const std::vector<HANDLE> handles = device.Handles();
    ASSERT_EQ(handles.size(), 4u);

    NotificationRecord plain = Record(handles[0]);
    EXPECT_EQ(plain.notifyType, static_cast<DWORD>(CNT_TIME));
    EXPECT_EQ(std::wstring(plain.application), L"clock.exe");
    EXPECT_EQ(std::wstring(plain.arguments), L"(none)");
    EXPECT_EQ(plain.hasDialog, 0u);

    NotificationRecord event = Record(handles[1]);
    EXPECT_EQ(event.notifyType, static_cast<DWORD>(CNT_EVENT));
    EXPECT_EQ(event.eventType, NOTIFICATION_EVENT_WAKEUP);
    EXPECT_EQ(std::wstring(event.application), L"NULL");

    NotificationRecord bare = Record(handles[2]);
    EXPECT_EQ(bare.eventType, -1);
    EXPECT_EQ(bare.hasDialog, 0u) << "a user part without the dialog flag";

    NotificationRecord dialog = Record(handles[3]);
    EXPECT_EQ(dialog.hasDialog, 1u);
    EXPECT_EQ(std::wstring(dialog.dialogTitle), L"(No Title)");
    EXPECT_EQ(std::wstring(dialog.dialogText), L"(No Text)");
}

TEST(Notifyctl, ABadCommandLineIsAUsageErrorAndChangesNothing)
{
    TestDevice device;
    device.Add(TestEntry());
    const std::string before = ReadFileBytes(device.StorePath());
    const std::vector<std::vector<std::wstring>> commands = {
        {},
        { L"frobnicate" },
        { L"add", L"--colour", L"red" },
        { L"add", L"--app" },
        { L"add", L"--app", L"a", L"--no-app" },
        { L"add", L"--app", L"a", L"--app", L"b" },
        { L"add", L"--no-trigger", L"--event", L"wakeup" },
        { L"add", L"--type", L"sometimes" },
        { L"add", L"--event", L"lunch" },
        { L"add", L"--flags", L"dialog|blink" },
        { L"add", L"--status", L"-1" },
        { L"add", L"--start", L"2024-02-30" },
        { L"add", L"--start", L"2024-03-05 25:00" },
        { L"add", L"--end", L"tomorrow" },
        { L"add", L"--copies", L"0" },
        { L"add", L"--dialog=yes" },
        { L"add", L"stray" },
        { L"list", L"--xml" },
        { L"clear" },
        { L"clear", L"1", L"abc" },
        { L"clear", L"0" },
        { L"clear", L"--all", L"1" },
        { L"clear", L"--all", L"--yes" },
        { L"clear", L"--yes" },
        { L"export" },
        { L"soft-reset", L"--times", L"0" },
        { L"soft-reset", L"3" },
        { L"demo", L"now" },
        { L"pileups", L"--duplicates", L"yes" },
        { L"pileups", L"--clear", L"--json" },
        { L"help", L"me" },
    };
    for (const std::vector<std::wstring>& command : commands) {
        std::string shown;
        for (const std::wstring& word : command)
            shown += Narrow(word) + " ";
        ToolResult result = Tool(device, command);
        EXPECT_EQ(result.exitCode, 2u) << shown;
        EXPECT_EQ(result.err.rfind("notifyctl: ", 0), 0u) << shown << result.err;
        EXPECT_NE(result.err.find("Run 'notifyctl help' for usage."), std::string::npos) << shown;
        EXPECT_EQ(result.out, "") << shown;
    }
    EXPECT_EQ(ReadFileBytes(device.StorePath()), before);
    EXPECT_EQ(Tool(device, { L"clear", L"--all", L"--yes" }).err,
              "notifyctl: clear --all takes nothing else, not '--yes'\nRun 'notifyctl help' for usage.\n")
        << "the word that is wrong is named";
}

// A file to import or a handle that is not there is a fault of the input,
// not of the command line: named, without the pointer to the usage text.
TEST(Notifyctl, BadInputIsNamedAndChangesNothing)
{
    TestDevice device;
    device.Add(TestEntry());
    const std::string before = ReadFileBytes(device.StorePath());
    const std::wstring folder = device.Folder() + L"\\a folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    struct Case {
        std::vector<std::wstring> command;
        std::string error;
    };
    const Case cases[] = {
        { { L"clear", L"1", L"999" }, "notifyctl: no entry with handle 999; nothing was cleared\n" },
        { { L"import", L"no-such-file.txt" }, "notifyctl: no-such-file.txt: no such file\n" },
        { { L"import", folder }, "notifyctl: " + Narrow(folder) + ": is a folder, not a file of entries\n" },
    };
    for (const Case& c : cases) {
        ToolResult result = Tool(device, c.command);
        EXPECT_EQ(result.exitCode, 2u) << c.error;
        EXPECT_EQ(result.err, c.error);
        EXPECT_EQ(result.out, "") << c.error;
    }
    EXPECT_EQ(ReadFileBytes(device.StorePath()), before);
}

TEST(Notifyctl, AStorePathBeyondMaxPathIsUsedWhole)
{
    TestDevice device;
    std::wstring store = device.Folder();
    for (int i = 0; i < 3; ++i)
        store += L"\\" + std::wstring(90, L'x');
    store += L"\\notifications.txt";
    ASSERT_GT(store.size(), static_cast<size_t>(MAX_PATH));
    ToolResult added = RunNotifyctl(store, { L"add" });
    ASSERT_EQ(added.exitCode, 0u) << added.err;
    NotifyStoreUsePath(store);
    EXPECT_EQ(device.Count(), 1u) << "the entry went to the store named, not to another one";
}

TEST(Notifyctl, AReadOnlyStoreIsNeverReplaced)
{
    TestDevice device;
    HANDLE h = device.Add(TestEntry());
    const std::string before = ReadFileBytes(device.StorePath());
    ASSERT_TRUE(SetFileAttributesW(device.StorePath().c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<std::vector<std::wstring>> writes = { { L"add" }, { L"soft-reset" },
                                                            { L"clear", L"--all" } };
    for (const std::vector<std::wstring>& command : writes) {
        ToolResult result = Tool(device, command);
        EXPECT_EQ(result.exitCode, 3u) << Narrow(command[0]);
        // The store's Windows path, then its Linux name, which must be the same file.
        const std::string start = "notifyctl: " + Narrow(device.StorePath()) + " (";
        const std::string end = "): the store is read-only\n";
        ASSERT_EQ(result.err.rfind(start, 0), 0u) << result.err;
        ASSERT_GT(result.err.size(), start.size() + end.size()) << result.err;
        ASSERT_EQ(result.err.compare(result.err.size() - end.size(), end.size(), end), 0) << result.err;
        std::string unixName = result.err.substr(start.size(), result.err.size() - start.size() - end.size());
        ASSERT_EQ(unixName.rfind("/", 0), 0u) << unixName;
        std::replace(unixName.begin(), unixName.end(), '/', '\\');
        EXPECT_EQ(ReadFileBytes(L"Z:" + std::wstring(unixName.begin(), unixName.end())), before);
    }
    EXPECT_FALSE(CeClearUserNotification(h)) << "the program's own clears fail too";
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ h });
    EXPECT_EQ(ReadFileBytes(device.StorePath()), before);
    EXPECT_TRUE(GetFileAttributesW(device.StorePath().c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(device.StorePath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Notifyctl, ListEscapesAndMarksNulls)
{
    TestDevice device;
    TestEntry entry = TestEntry::Dialog(L"\\Windows\\calendar.exe", L"Tab\there", L"one\ntwo \\ \u00E9");
    entry.arguments.reset();
    entry.status = 1;
    const HANDLE h = device.Add(entry);
    TestEntry bare;
    bare.hasTrigger = false;
    const HANDLE hBare = device.Add(bare);

    ToolResult table = Tool(device, { L"list" });
    ASSERT_EQ(table.exitCode, 0u) << table.err;
    const std::string first = std::to_string(HandleNumber(h));
    const std::string second = std::to_string(HandleNumber(hBare));
    const std::string when = StartTime(h);
    EXPECT_EQ(table.out,
              "handle\tstatus\ttype\tevent\tapplication\targuments\tflags\ttitle\ttext\tstart\tend\n" +
                  first +
                  "\t1\ttime\tnone\t\\\\Windows\\\\calendar.exe\t(null)\tdialog|sound\tTab\\there\t"
                  "one\\ntwo \\\\ \xC3\xA9\t" + when + "\t" + when + "\n" +
                  second + "\t0\tnone\t-\t(null)\t(null)\tnone\t(null)\t(null)\t\t\n");

    ToolResult json = Tool(device, { L"list", L"--json" });
    ASSERT_EQ(json.exitCode, 0u) << json.err;
    EXPECT_EQ(json.out,
              "[\n  {\"handle\": " + first +
                  ", \"status\": 1, \"type\": 2, \"event\": 0, \"application\": "
                  "\"\\\\Windows\\\\calendar.exe\", \"arguments\": null, \"flags\": 12, \"title\": "
                  "\"Tab\\there\", \"text\": \"one\\ntwo \\\\ \xC3\xA9\", \"start\": \"" + when +
                  "\", \"end\": \"" + when + "\"},\n  {\"handle\": " + second +
                  ", \"status\": 0, \"type\": null, \"event\": null, \"application\": null, "
                  "\"arguments\": null, \"flags\": null, \"title\": null, \"text\": null, "
                  "\"start\": null, \"end\": null}\n]\n");

    ASSERT_EQ(Tool(device, { L"clear", L"--all" }).exitCode, 0u);
    EXPECT_EQ(Tool(device, { L"list", L"--json" }).out, "[]\n");
}

TEST(Notifyctl, ClearRemovesTheNamedEntriesOrAll)
{
    TestDevice device;
    HANDLE a = device.Add(TestEntry());
    HANDLE b = device.Add(TestEntry());
    HANDLE c = device.Add(TestEntry());
    char hex[16];
    wsprintfA(hex, "0x%lX", static_cast<unsigned long>(HandleNumber(c)));
    ToolResult result = Tool(device, { L"clear", std::to_wstring(HandleNumber(a)),
                                      std::wstring(hex, hex + strlen(hex)) });
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "cleared 2 entries\n");
    EXPECT_EQ(device.Handles(), std::vector<HANDLE>{ b });

    ToolResult all = Tool(device, { L"clear", L"--all" });
    ASSERT_EQ(all.exitCode, 0u);
    EXPECT_EQ(all.out, "cleared all entries\n");
    EXPECT_EQ(device.Count(), 0u);
}

TEST(Notifyctl, ExportThenImportAddsCopiesUnderNewHandles)
{
    TestDevice device;
    TestEntry odd = TestEntry::Dialog(L"C:\\a\\b.exe", L"quote \" and \\", std::wstring(L"lone ") + wchar_t(0xDC00));
    odd.status = 1;
    device.Add(odd);
    TestEntry bare;
    bare.hasTrigger = false;
    device.Add(bare);
    const std::wstring exported = device.Folder() + L"\\export.txt";
    // A file of the person's own beside the backup, named as a temporary
    // might be, is none of export's business.
    const std::wstring theirs = exported + L".new";
    FILE* own = _wfopen(theirs.c_str(), L"wb");
    ASSERT_NE(own, nullptr);
    fputs("mine", own);
    fclose(own);

    ToolResult out = Tool(device, { L"export", exported });
    ASSERT_EQ(out.exitCode, 0u) << out.err;
    EXPECT_EQ(out.out, "exported 2 entries to " + Narrow(exported) + "\n");
    EXPECT_EQ(ReadFileBytes(exported), ReadFileBytes(device.StorePath()));
    EXPECT_EQ(ReadFileBytes(theirs), "mine");
    EXPECT_EQ(Tool(device, { L"export", L"-" }).out, ReadFileBytes(device.StorePath()));

    ToolResult in = Tool(device, { L"import", exported });
    ASSERT_EQ(in.exitCode, 0u) << in.err;
    EXPECT_EQ(in.out, "imported 2 entries\n");
    std::vector<HANDLE> handles = device.Handles();
    ASSERT_EQ(handles.size(), 4u);
    std::set<HANDLE> distinct(handles.begin(), handles.end());
    EXPECT_EQ(distinct.size(), 4u);
    EXPECT_EQ(RowKey(Record(handles[0])), RowKey(Record(handles[2])));
    EXPECT_EQ(RowKey(Record(handles[1])), RowKey(Record(handles[3])));
    EXPECT_EQ(Record(handles[2]).eventStatus, 1u) << "the status comes along";

    ToolResult piped = Tool(device, { L"import", L"-" }, ReadFileBytes(exported));
    ASSERT_EQ(piped.exitCode, 0u) << piped.err;
    EXPECT_EQ(device.Count(), 6u);

    // Where the file cannot go, export says why and makes or changes nothing:
    // a folder that is not there (as with cp, a typo creates no folders), a
    // plain file where the folder should be, a read-only file.
    const std::wstring below = exported + L"\\backup.txt";
    const std::wstring missing = device.Folder() + L"\\no such\\backup.txt";
    const std::wstring readOnly = device.Folder() + L"\\kept.txt";
    FILE* kept = _wfopen(readOnly.c_str(), L"wb");
    ASSERT_NE(kept, nullptr);
    fputs("kept", kept);
    fclose(kept);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::pair<std::wstring, std::string> refused[] = {
        { below, "'" + Narrow(exported) + "' is a file, not a folder" },
        { missing, "there is no folder '" + Narrow(device.Folder()) + "\\no such'" },
        { readOnly, "the file is read-only" },
    };
    for (const auto& [file, why] : refused) {
        ToolResult blocked = Tool(device, { L"export", file });
        EXPECT_EQ(blocked.exitCode, 3u) << Narrow(file);
        EXPECT_EQ(blocked.err, "notifyctl: cannot export to '" + Narrow(file) + "': " + why + "\n");
    }
    EXPECT_EQ(GetFileAttributesW((device.Folder() + L"\\no such").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ReadFileBytes(readOnly), "kept");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Notifyctl, ImportOfADamagedFileNamesItsLineAndAddsNothing)
{
    TestDevice device;
    device.Add(TestEntry());
    const std::wstring exported = device.Folder() + L"\\export.txt";
    ASSERT_EQ(Tool(device, { L"export", exported }).exitCode, 0u);
    std::string text = ReadFileBytes(exported);
    text.replace(text.find("  trigger event"), 15, "  trigger maybe");
    FILE* file = _wfopen(exported.c_str(), L"wb");
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    const std::string before = ReadFileBytes(device.StorePath());

    ToolResult result = Tool(device, { L"import", exported });
    EXPECT_EQ(result.exitCode, 2u);
    EXPECT_EQ(result.err, "notifyctl: " + Narrow(exported) +
                              ": line 7: field 'trigger': bad value 'maybe'; nothing was imported\n");
    EXPECT_EQ(ReadFileBytes(device.StorePath()), before);
}

TEST(Notifyctl, SoftResetPilesUpTheBootTimeEntries)
{
    TestDevice device;
    ToolResult result = Tool(device, { L"soft-reset", L"--times", L"3" });
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    EXPECT_EQ(result.out, "added 21 entries for 3 soft resets\n");

    std::map<std::wstring, int> rows;
    for (HANDLE h : device.Handles())
        ++rows[RowKey(Record(h))];
    const std::map<std::wstring, int> expected = {
        { L"1|10|connmgr.exe|AppRunAfterRestore|0||", 3 },
        { L"1|1|connmgr.exe|AppRunAfterTimeChange|0||", 3 },
        { L"1|1|SSTimeChange|AppRunAfterTimeChange|0||", 3 },
        { L"1|12|SSTimeChange|AppRunAfterTzChange|0||", 3 },
        { L"1|10|IA_Caller_ID.exe|AppRunAfterRestore|0||", 3 },
        { L"1|9|repllog.exe|AppRunAtRs232Detect|0||", 3 },
        { L"2|0|SCRIPT:0x000A3C|(none)|0||", 3 },
    };
    EXPECT_EQ(rows, expected);

    ASSERT_EQ(Tool(device, { L"soft-reset" }).exitCode, 0u);
    EXPECT_EQ(device.Count(), 28u);
}

TEST(Notifyctl, DemoReplacesTheStoreWithABelievableDevice)
{
    TestDevice device;
    HANDLE old = device.Add(TestEntry());
    ToolResult result = Tool(device, { L"demo" });
    ASSERT_EQ(result.exitCode, 0u) << result.err;
    const std::vector<HANDLE> handles = device.Handles();
    EXPECT_EQ(result.out, "replaced the store with the demo device's " + std::to_string(handles.size()) +
                              " entries\n");
    EXPECT_GE(handles.size(), 25u);
    EXPECT_LE(handles.size(), 40u);
    EXPECT_EQ(std::count(handles.begin(), handles.end(), old), 0);

    std::map<std::wstring, int> rows;
    std::map<std::wstring, int> applications;
    int dialogs = 0, nullTitles = 0, active = 0, withoutTrigger = 0, multiLine = 0, timed = 0;
    for (HANDLE h : handles) {
        const NotificationRecord r = Record(h);
        ++rows[RowKey(r)];
        ++applications[r.application];
        dialogs += r.hasDialog;
        nullTitles += r.hasDialog && std::wstring(r.dialogTitle) == L"(No Title)";
        active += r.eventStatus;
        withoutTrigger += r.eventType == -1;
        multiLine += std::wstring(r.dialogText).find(L':') != std::wstring::npos;
        timed += r.notifyType == CNT_TIME;
    }
    int duplicateRows = 0;
    for (const auto& row : rows)
        duplicateRows += row.second - 1;
    EXPECT_GE(duplicateRows, 10) << "soft resets leave identical rows behind";
    for (const wchar_t* cleared : { L"connmgr.exe", L"SSTimeChange", L"IA_Caller_ID.exe" })
        EXPECT_GE(applications[cleared], 2) << Narrow(cleared);
    EXPECT_GE(applications[L"calendar.exe"], 3);
    EXPECT_GE(applications[L"clock.exe"], 1);
    EXPECT_GE(dialogs, 5);
    EXPECT_EQ(nullTitles, 1);
    EXPECT_GE(active, 1);
    EXPECT_GE(withoutTrigger, 1);
    EXPECT_GE(multiLine, 3);
    EXPECT_GE(timed, 5);
    bool script = false;
    for (const auto& application : applications)
        script = script || application.first.rfind(L"SCRIPT:0x", 0) == 0;
    EXPECT_TRUE(script);
}

TEST(Notifyctl, HelpListsEveryCommand)
{
    TestDevice device;
    ToolResult help = Tool(device, { L"help" });
    ASSERT_EQ(help.exitCode, 0u);
    for (const char* command : { "list [--json]", "add [OPTIONS]", "clear HANDLE...", "clear --all",
                                 "export FILE", "import FILE", "soft-reset [--times N]", "demo",
                                 "pileups [OPTIONS]" })
        EXPECT_NE(help.out.find(command), std::string::npos) << command;
}
